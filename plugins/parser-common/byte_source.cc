#include "plugins/parser-common/byte_source.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "plugins/parser-common/buffer_cache.h"

namespace oru::containers {

FileByteSource::FileByteSource(platform::File* file) : file_(file), block_(TakeBuffer()) {
  const int64_t size = file->Size();
  size_ = size > 0 ? static_cast<uint64_t>(size) : 0;
}

FileByteSource::~FileByteSource() { GiveBuffer(std::move(block_)); }

bool FileByteSource::ReadAt(uint64_t offset, void* out, size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  if (n == 0) return true;
  if (offset >= block_offset_ && offset - block_offset_ <= block_.size() &&
      n <= block_.size() - (offset - block_offset_)) {
    std::memcpy(out, block_.data() + (offset - block_offset_), n);
    return true;
  }
  if (n >= kBlock) return ReadFile(offset, out, n);
  const size_t ahead = static_cast<size_t>(std::min<uint64_t>(kBlock, size_ - offset));
  block_.resize(ahead);
  if (!ReadFile(offset, block_.data(), ahead)) {
    block_.clear();  // perhaps the file shrank: what was asked for may still be there
    return ReadFile(offset, out, n);
  }
  block_offset_ = offset;
  std::memcpy(out, block_.data(), n);
  return true;
}

bool FileByteSource::ReadFile(uint64_t offset, void* out, size_t n) {
  if (position_ != offset && !file_->Seek(static_cast<int64_t>(offset)).ok()) {
    position_ = UINT64_MAX;
    return false;
  }
  if (!file_->ReadExact(out, n).ok()) {
    position_ = UINT64_MAX;
    return false;
  }
  position_ = offset + n;
  return true;
}

bool MemoryByteSource::ReadAt(uint64_t offset, void* out, size_t n) {
  if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
  if (n > 0) std::memcpy(out, bytes_.data() + offset, n);
  return true;
}

}  // namespace oru::containers
