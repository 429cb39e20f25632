// Large blocks of memory for tables that are read at random, such as the engine's word table:
// the platform maps them so that look-ups spread over megabytes cost few address-translation
// misses (on POSIX, transparent huge pages are requested for the block; on Windows, large pages
// when the process holds the privilege to lock pages in memory, else normal pages). And how a
// program that allocates and frees much in turn keeps the memory it freed.
#ifndef ORU_PLATFORM_MEMORY_H_
#define ORU_PLATFORM_MEMORY_H_

#include <cstddef>

namespace oru::platform {

// A zero-filled block of memory, released when the object goes. Not copyable, movable.
class LargeBlock {
 public:
  LargeBlock() = default;
  ~LargeBlock();
  LargeBlock(LargeBlock&& other) noexcept;
  LargeBlock& operator=(LargeBlock&& other) noexcept;
  LargeBlock(const LargeBlock&) = delete;
  LargeBlock& operator=(const LargeBlock&) = delete;

  // Replaces the block by a new zero-filled one of `size` bytes (more than 0), aligned to at
  // least 4096 bytes. False, with no block held, when the memory could not be had.
  bool Allocate(size_t size);
  // Releases the block; nothing held afterwards.
  void Release();

  void* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  void* data_ = nullptr;
  size_t size_ = 0;
  size_t mapped_ = 0;  // what the platform mapped, when more than `size_`
};

// Has the C library keep the memory the process frees for its next allocations, rather than
// hand it back to the system and map it afresh (a fault and a zeroed page per 4 KiB) as soon
// as it is needed again: a pass frees each file's buffers and takes them again for the next
// one, on two threads. Memory goes back to the system when the process ends. Called once, at
// the start of a program, before its threads start; where the allocator keeps freed memory by
// itself (Windows), nothing.
void KeepFreedMemory();

}  // namespace oru::platform

#endif  // ORU_PLATFORM_MEMORY_H_
