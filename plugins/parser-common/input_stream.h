// Bytes read one after another: what the XML reader reads from. A ZIP entry (ZipEntryStream), a
// plain file (a flat OpenDocument file) or bytes in memory.
#ifndef ORU_PLUGINS_PARSER_COMMON_INPUT_STREAM_H_
#define ORU_PLUGINS_PARSER_COMMON_INPUT_STREAM_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "plugins/parser-common/container_limits.h"

namespace oru::containers {

class InputStream {
 public:
  virtual ~InputStream() = default;
  // Reads up to `n` (> 0) bytes into `out` and returns how many. 0 only when the stream has
  // ended, for good: a failure also ends it, and the concrete stream tells which it was.
  virtual size_t Read(void* out, size_t n) = 0;
  // The work budget that reading this stream counts against (an XML reader charges the
  // elements it reads to it), or null when the stream has none.
  virtual WorkBudget* work_budget() { return nullptr; }
};

// A file open for reading, from its current position on. The caller keeps `file` open while
// the stream is used.
class FileInputStream final : public InputStream {
 public:
  explicit FileInputStream(platform::File* file) : file_(file) {}
  size_t Read(void* out, size_t n) override;
  // True when a read failed (the stream then ended before the end of the file).
  bool failed() const { return failed_; }

 private:
  platform::File* file_;
  bool failed_ = false;
  bool ended_ = false;
};

// Bytes in memory, which the caller keeps alive while the stream is used, handed out at most
// `chunk` bytes per read (tests use small chunks to cut the input at every place).
class MemoryInputStream final : public InputStream {
 public:
  explicit MemoryInputStream(std::string_view bytes, size_t chunk = 1 << 16)
      : bytes_(bytes), chunk_(chunk > 0 ? chunk : 1) {}
  // Bytes of a temporary would be gone before the first read.
  explicit MemoryInputStream(std::string&& bytes, size_t chunk = 1) = delete;
  size_t Read(void* out, size_t n) override;

 private:
  std::string_view bytes_;
  size_t chunk_;
  size_t at_ = 0;
};

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_INPUT_STREAM_H_
