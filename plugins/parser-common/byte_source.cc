#include "plugins/parser-common/byte_source.h"

#include <cstring>

namespace oru::containers {

FileByteSource::FileByteSource(platform::File* file) : file_(file) {
  const int64_t size = file->Size();
  size_ = size > 0 ? static_cast<uint64_t>(size) : 0;
}

bool FileByteSource::ReadAt(uint64_t offset, void* out, size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  if (n == 0) return true;
  return file_->Seek(static_cast<int64_t>(offset)).ok() && file_->ReadExact(out, n).ok();
}

bool MemoryByteSource::ReadAt(uint64_t offset, void* out, size_t n) {
  if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
  if (n > 0) std::memcpy(out, bytes_.data() + offset, n);
  return true;
}

}  // namespace oru::containers
