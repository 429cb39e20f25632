#include "plugins/parser-common/input_stream.h"

#include <algorithm>
#include <cstring>

namespace oru::containers {

size_t FileInputStream::Read(void* out, size_t n) {
  if (ended_) return 0;
  size_t got = 0;
  if (!file_->Read(out, n, &got).ok()) {
    failed_ = true;
    got = 0;
  }
  if (got == 0) ended_ = true;
  return got;
}

size_t MemoryInputStream::Read(void* out, size_t n) {
  const size_t take = std::min({n, chunk_, bytes_.size() - at_});
  if (take > 0) std::memcpy(out, bytes_.data() + at_, take);
  at_ += take;
  return take;
}

}  // namespace oru::containers
