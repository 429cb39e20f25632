// Random access to the bytes of a container file: what the ZIP reader reads from. A file goes
// through platform::File; tests and fuzz targets read from memory.
#ifndef ORU_PLUGINS_PARSER_COMMON_BYTE_SOURCE_H_
#define ORU_PLUGINS_PARSER_COMMON_BYTE_SOURCE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace oru::containers {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // The number of bytes.
  virtual uint64_t Size() const = 0;
  // Reads exactly `n` bytes at `offset` into `out`. False when [offset, offset + n) passes
  // Size() or the read fails; `out` is then undefined.
  virtual bool ReadAt(uint64_t offset, void* out, size_t n) = 0;
};

// A file open for reading. The caller keeps `file` open while the source is used; the size is
// taken once, at construction (0 when the system cannot tell it). Small reads are served from
// one block read ahead (a ZIP reader reads many small headers and names near one another, and a
// small file fits the block whole), larger ones go to the file directly; the file is sought only
// when a read does not start where the last one ended.
class FileByteSource final : public ByteSource {
 public:
  explicit FileByteSource(platform::File* file);
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* out, size_t n) override;

 private:
  static constexpr size_t kBlock = 64 * 1024;
  // Reads exactly `n` bytes at `offset` from the file.
  bool ReadFile(uint64_t offset, void* out, size_t n);

  platform::File* file_;
  uint64_t size_;
  uint64_t position_ = UINT64_MAX;  // of the file, when known
  std::string block_;               // the bytes at block_offset_, read ahead (buffer_cache.h)
  uint64_t block_offset_ = 0;
};

// Bytes in memory, which the caller keeps alive while the source is used.
class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::string_view bytes) : bytes_(bytes) {}
  // Bytes of a temporary would be gone before the first read.
  explicit MemoryByteSource(std::string&& bytes) = delete;
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, void* out, size_t n) override;

 private:
  std::string_view bytes_;
};

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_BYTE_SOURCE_H_
