#include "indexer/engine/parallel_calls.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace oru {

void CallInParallel(size_t count, size_t threads, const std::function<void(size_t)>& call) {
  std::atomic<size_t> next{0};
  const auto take = [&] {
    for (size_t i = next++; i < count; i = next++) call(i);
  };
  std::vector<std::thread> helpers;
  const size_t wanted = std::min(count, threads);
  try {
    for (size_t t = 1; t < wanted; ++t) helpers.emplace_back(take);
  } catch (...) {
    // Fewer helpers: the threads there are take the calls.
  }
  take();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace oru
