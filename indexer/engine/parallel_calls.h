// Runs independent calls that mostly wait on the file system (deleting files) side by side.
#ifndef ORU_INDEXER_ENGINE_PARALLEL_CALLS_H_
#define ORU_INDEXER_ENGINE_PARALLEL_CALLS_H_

#include <cstddef>
#include <functional>

namespace oru {

// Calls `call(i)` once for each i in [0, count), on up to `threads` threads (this one
// included), and returns when every call has returned. `call` must not throw and must be safe
// to run on several threads at once. Where no further thread can be started, this thread makes
// the remaining calls.
void CallInParallel(size_t count, size_t threads, const std::function<void(size_t)>& call);

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_PARALLEL_CALLS_H_
