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
  file_.reset();
  error_ = fs_->Create(path, &file_);
  return error_;
}

Status BufferedFile::Write(const void* data, size_t n) {
  if (!error_.ok()) return error_;
  if (file_ == nullptr) return error_ = Status(Result::kFailed, "write", "", "no file is open");
  if (used_ + n > capacity_) {
    if (!Flush().ok()) return error_;
    if (n > capacity_) return error_ = file_->Write(data, n);
  }
  std::memcpy(buffer_.get() + used_, data, n);
  used_ += n;
  return Status();
}

Status BufferedFile::Flush() {
  if (!error_.ok()) return error_;
  if (used_ == 0) return Status();
  error_ = file_->Write(buffer_.get(), used_);
  used_ = 0;
  return error_;
}

Status BufferedFile::Commit() {
  if (file_ == nullptr) return error_;
  if (Flush().ok()) file_->StartWriteback();
  return Close();
}

Status BufferedFile::Close() {
  if (file_ == nullptr) return error_;
  Flush();
  const Status closed = file_->Close();
  file_.reset();
  if (error_.ok()) error_ = closed;
  return error_;
}

Status WriteWholeFile(platform::FileSystem* fs, const std::string& path,
                      const std::vector<uint8_t>& data, bool start_writeback) {
  std::unique_ptr<platform::WriteFile> file;
  Status status = fs->Create(path, &file);
  if (!status.ok()) return status;
  if (!data.empty()) status = file->Write(data.data(), data.size());
  if (status.ok() && start_writeback) file->StartWriteback();
  const Status closed = file->Close();
  return status.ok() ? closed : status;
}

}  // namespace oru
