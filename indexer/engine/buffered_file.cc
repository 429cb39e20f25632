#include "indexer/engine/buffered_file.h"

#include <cstring>

namespace oru {

using platform::Result;
using platform::Status;

BufferedFile::BufferedFile(size_t buffer_size, platform::FileSystem* fs)
    : fs_(fs), buffer_(new char[buffer_size]), capacity_(buffer_size) {}

BufferedFile::~BufferedFile() { Close(); }

Status BufferedFile::Create(const std::string& path) {
  used_ = 0;
  error_ = fs_->Open(path, platform::OpenMode::kCreate, &file_);
  return error_;
}

Status BufferedFile::OpenForAppend(const std::string& path) {
  used_ = 0;
  error_ = fs_->Open(path, platform::OpenMode::kReadWriteExisting, &file_);
  if (error_.ok()) error_ = file_.SeekToEnd();
  return error_;
}

Status BufferedFile::Write(const void* data, size_t n) {
  if (!error_.ok()) return error_;
  if (!file_.is_open()) return error_ = Status(Result::kFailed, "write", "", "no file is open");
  if (used_ + n > capacity_) {
    if (!Flush().ok()) return error_;
    if (n > capacity_) return error_ = fs_->Write(&file_, data, n);
  }
  std::memcpy(buffer_.get() + used_, data, n);
  used_ += n;
  return Status();
}

Status BufferedFile::WriteAt(int64_t offset, const void* data, size_t n) {
  if (!Flush().ok()) return error_;
  if (!file_.is_open()) return error_ = Status(Result::kFailed, "write", "", "no file is open");
  if (!(error_ = file_.Seek(offset)).ok()) return error_;
  if (!(error_ = fs_->Write(&file_, data, n)).ok()) return error_;
  return error_ = file_.SeekToEnd();
}

Status BufferedFile::Flush() {
  if (!error_.ok()) return error_;
  if (used_ == 0) return Status();
  error_ = fs_->Write(&file_, buffer_.get(), used_);
  used_ = 0;
  return error_;
}

Status BufferedFile::Commit() {
  if (!file_.is_open()) return error_;
  if (Flush().ok()) file_.StartWriteback();
  return Close();
}

Status BufferedFile::Close() {
  if (!file_.is_open()) return error_;
  Flush();
  const Status closed = file_.Close();
  if (error_.ok()) error_ = closed;
  return error_;
}

Status WriteWholeFile(platform::FileSystem* fs, const std::string& path,
                      const std::vector<uint8_t>& data, bool start_writeback) {
  platform::File file;
  Status status = fs->Open(path, platform::OpenMode::kCreate, &file);
  if (status.ok() && !data.empty()) status = fs->Write(&file, data.data(), data.size());
  if (status.ok() && start_writeback) file.StartWriteback();
  const Status closed = file.Close();
  return status.ok() ? closed : status;
}

}  // namespace oru
