#include "platform/memory.h"

#include <sys/mman.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdint>

// Under the leak checker a block is a root it scans: a block may hold the only pointers to
// memory from the heap (a table of lists), which is no leak.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define ORU_LEAK_CHECKED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ORU_LEAK_CHECKED 1
#endif
#ifdef ORU_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace oru::platform {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;

void ScanForLeaks(const void* start, size_t size) {
#ifdef ORU_LEAK_CHECKED
  __lsan_register_root_region(start, size);
#else
  (void)start;
  (void)size;
#endif
}

void StopScanningForLeaks(const void* start, size_t size) {
#ifdef ORU_LEAK_CHECKED
  __lsan_unregister_root_region(start, size);
#else
  (void)start;
  (void)size;
#endif
}

}  // namespace

bool LargeBlock::Allocate(size_t size) {
  Release();
  if (size == 0) return false;
  // Blocks of a huge page or more start on a huge-page boundary, so that the whole of them
  // can be backed by huge pages: map a little more and give back the ends.
  const size_t align = size >= kHugePage ? kHugePage : 0;
  const size_t length = (size + align + 4095) & ~size_t{4095};
  void* mapped = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return false;
  auto* begin = static_cast<char*>(mapped);
  char* end = begin + length;
  char* start = begin;
  if (align != 0) {
    start = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(begin) + align - 1) & ~(align - 1));
    char* stop = start + ((size + 4095) & ~size_t{4095});
    if (start > begin) munmap(begin, static_cast<size_t>(start - begin));
    if (end > stop) munmap(stop, static_cast<size_t>(end - stop));
    end = stop;
    madvise(start, static_cast<size_t>(end - start), MADV_HUGEPAGE);  // a hint; may be refused
  }
  data_ = start;
  size_ = size;
  mapped_ = static_cast<size_t>(end - start);
  ScanForLeaks(data_, mapped_);
  return true;
}

void LargeBlock::Release() {
  if (data_ != nullptr) {
    StopScanningForLeaks(data_, mapped_);
    munmap(data_, mapped_);
  }
  data_ = nullptr;
  size_ = 0;
  mapped_ = 0;
}

void KeepFreedMemory() {
#if defined(__GLIBC__)
  // glibc hands back the free memory at the top of a heap once it passes 128 KiB, and gives a
  // block of 128 KiB or more (a file's text, a part being read) a mapping of its own, unmapped
  // when it is freed: either way the next file's buffers are fresh pages. Up to 256 MiB of
  // free memory are kept now, and blocks below 32 MiB come from the heaps.
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
}

}  // namespace oru::platform
