#include "plugins/parser-common/buffer_cache.h"

#include <mutex>
#include <utility>
#include <vector>

namespace oru::containers {
namespace {

struct Kept {
  std::mutex mutex;
  std::vector<std::string> buffers;
};

// Made at first use, so that it outlives every reader made before it is needed.
Kept& TheKept() {
  static Kept kept;
  return kept;
}

}  // namespace

std::string TakeBuffer() {
  Kept& kept = TheKept();
  const std::lock_guard lock(kept.mutex);
  if (kept.buffers.empty()) return {};
  std::string buffer = std::move(kept.buffers.back());
  kept.buffers.pop_back();
  return buffer;
}

void GiveBuffer(std::string buffer) {
  if (buffer.capacity() > kMaxKeptBufferBytes) return;
  buffer.clear();
  Kept& kept = TheKept();
  const std::lock_guard lock(kept.mutex);
  if (kept.buffers.size() < kKeptBuffers) kept.buffers.push_back(std::move(buffer));
}

}  // namespace oru::containers
