// An append-mostly file with a write buffer, for the file index and the posting logs, which
// receive many small records. A failed write is reported by the call that reaches the disk
// (a Write that flushes, Flush or Close) and sticks: every later call fails too.
#ifndef ORU_INDEXER_ENGINE_BUFFERED_FILE_H_
#define ORU_INDEXER_ENGINE_BUFFERED_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"

namespace oru {

class BufferedFile {
 public:
  explicit BufferedFile(size_t buffer_size = 16 * 1024);
  ~BufferedFile();
  BufferedFile(const BufferedFile&) = delete;
  BufferedFile& operator=(const BufferedFile&) = delete;

  // Creates (truncates) the file, or opens an existing one for appending at its end.
  platform::Result Create(const std::string& path);
  platform::Result OpenForAppend(const std::string& path);

  platform::Result Write(const void* data, size_t n);
  // Overwrites `n` bytes at `offset` (what is pending is written first), then goes on
  // appending at the end.
  platform::Result WriteAt(int64_t offset, const void* data, size_t n);
  platform::Result Flush();
  // Flushes and closes. Closing a closed file is kOk unless an earlier write failed.
  platform::Result Close();
  bool is_open() const { return file_.is_open(); }

 private:
  platform::File file_;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_;
  size_t used_ = 0;
  platform::Result error_ = platform::Result::kOk;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_BUFFERED_FILE_H_
