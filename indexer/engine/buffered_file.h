// An append-mostly file with a write buffer, for the file index and the posting logs, which
// receive many small records. A failed write is reported by the call that reaches the disk
// (a Write that flushes, Flush or Close) and sticks: every later call fails too, with the
// first failure's status.
#ifndef ORU_INDEXER_ENGINE_BUFFERED_FILE_H_
#define ORU_INDEXER_ENGINE_BUFFERED_FILE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace oru {

class BufferedFile {
 public:
  // Every change goes through `fs`, which must outlive the object.
  explicit BufferedFile(size_t buffer_size = 16 * 1024,
                        platform::FileSystem* fs = platform::RealFileSystem());
  ~BufferedFile();
  BufferedFile(const BufferedFile&) = delete;
  BufferedFile& operator=(const BufferedFile&) = delete;

  // Creates (truncates) the file.
  platform::Status Create(const std::string& path);

  platform::Status Write(const void* data, size_t n);
  // As Write, for the many small records of a pass: a record that fits the buffer costs one
  // copy. False when the file has failed; error() tells why.
  bool Append(const void* data, size_t n) {
    if (used_ + n <= capacity_ && error_.ok() && file_ != nullptr) {
      std::memcpy(buffer_.get() + used_, data, n);
      used_ += n;
      return true;
    }
    return Write(data, n).ok();
  }
  const platform::Status& error() const { return error_; }
  platform::Status Flush();
  // Flushes, starts writing the file out to the device and closes: the new version of an index
  // file is complete. IndexSwitch syncs it, with the others, before it is put in place.
  platform::Status Commit();
  // Flushes and closes. Closing a closed file is kOk unless an earlier write failed.
  platform::Status Close();
  bool is_open() const { return file_ != nullptr; }

 private:
  platform::FileSystem* fs_;
  std::unique_ptr<platform::WriteFile> file_;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_;
  size_t used_ = 0;
  platform::Status error_;
};

// Writes `data` as the whole file at `path` through `fs`, in one write. With `start_writeback`
// the file is handed to the device as it is closed (a new index file, which IndexSwitch syncs
// before it is put in place).
platform::Status WriteWholeFile(platform::FileSystem* fs, const std::string& path,
                                const std::vector<uint8_t>& data, bool start_writeback);

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_BUFFERED_FILE_H_
