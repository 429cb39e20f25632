// Memory for the small records the engine makes by the hundred thousand (dictionary entries,
// per-file word records): fixed blocks of 8 bytes carved from 2 MiB chunks (large blocks of
// the platform, which map them for random access) and reused through a free list. A record then costs no call into the general allocator, and records made one
// after the other lie side by side, which keeps the dictionary's frequent words close together.
//
// One pool per thread: a record must be freed on the thread that made it, or made and freed
// through UsePool on behalf of the thread whose pool it is. The chunks
// go back to the system when the thread's last record is freed.
#ifndef ORU_INDEXER_ENGINE_RECORD_POOL_H_
#define ORU_INDEXER_ENGINE_RECORD_POOL_H_

#include <atomic>
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

#include "platform/memory.h"

namespace oru {

class RecordPool {
 public:
  static constexpr size_t kBlockSize = 8;

  // A block of kBlockSize bytes, aligned to 8. Throws std::bad_alloc like operator new.
  static void* Allocate(size_t size) {
    if (size > kBlockSize) return ::operator new(size);  // a record that outgrew its block
    State& state = Local();
    ++state.live;
    if (state.free_list != nullptr) {
      Block* block = state.free_list;
      state.free_list = block->next;
      return block;
    }
    if (state.used == kBlocksPerChunk) {
      platform::LargeBlock chunk;
      if (!chunk.Allocate(kChunkSize)) {
        --state.live;
        throw std::bad_alloc();
      }
      state.chunks.push_back(std::move(chunk));
      state.used = 0;
    }
    return static_cast<Block*>(state.chunks.back().data()) + state.used++;
  }

  // Gives back a block of Allocate(size).
  static void Free(void* p, size_t size) noexcept {
    if (p == nullptr) return;
    if (size > kBlockSize) {
      ::operator delete(p);
      return;
    }
    State& state = Local();
    Block* block = static_cast<Block*>(p);
    block->next = state.free_list;
    state.free_list = block;
    if (--state.live == 0) state.Release();
  }

  // A thread's pool (defined below).
  struct State;
  // The calling thread's pool.
  static State* ThisThreadsPool() { return &Local(); }
  // While it lives, the calling thread makes and frees its records in `pool`, another thread's,
  // as if it were that thread. The other thread must make and free none meanwhile: a worker
  // that fills the engine's tables while the engine's thread waits for it. The worker then
  // never gets a pool of its own, which is what would have to be torn down as it ends.
  class UsePool {
   public:
    explicit UsePool(State* pool) { borrowed = pool; }
    ~UsePool() { borrowed = nullptr; }
    UsePool(const UsePool&) = delete;
    UsePool& operator=(const UsePool&) = delete;
  };

 private:
  union Block {
    Block* next;
    alignas(8) unsigned char bytes[kBlockSize];
  };
  static constexpr size_t kChunkSize = size_t{2} << 20;
  static constexpr size_t kBlocksPerChunk = kChunkSize / sizeof(Block);

  // Chunks of threads that ended with records alive (see ~State).
  struct KeptChunks {
    std::vector<platform::LargeBlock> chunks;
    KeptChunks* next;
  };
  static inline std::atomic<KeptChunks*> kept_chunks{nullptr};

 public:
  struct State {
    std::vector<platform::LargeBlock> chunks;
    Block* free_list = nullptr;
    size_t used = kBlocksPerChunk;  // blocks handed out of the last chunk
    size_t live = 0;
    void Release() {
      chunks.clear();
      free_list = nullptr;
      used = kBlocksPerChunk;
    }
    ~State() {
      // Records still alive when the thread ends keep their chunks, mapped for the rest of the
      // process: they join a list that is never freed and stays reachable from a static
      // pointer, so that a leak check does not count them. Pushing takes no lock: with MinGW's
      // threads, locking in a destructor that runs as the thread ends crashes.
      if (live == 0) return;
      auto* kept = new KeptChunks{std::move(chunks), kept_chunks.load()};
      while (!kept_chunks.compare_exchange_weak(kept->next, kept)) {
      }
    }
  };

 private:

  static inline thread_local State* borrowed = nullptr;  // set by UsePool

  static State& Local() {
    if (borrowed != nullptr) return *borrowed;
    thread_local State state;
    return state;
  }
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_RECORD_POOL_H_
