#include "indexer/engine/buffered_file.h"

#include <cstring>

namespace oru {

using platform::Result;

BufferedFile::BufferedFile(size_t buffer_size)
    : buffer_(new char[buffer_size]), capacity_(buffer_size) {}

BufferedFile::~BufferedFile() { Close(); }

Result BufferedFile::Create(const std::string& path) {
  used_ = 0;
  error_ = platform::File::Open(path, platform::OpenMode::kCreate, &file_);
  return error_;
}

Result BufferedFile::OpenForAppend(const std::string& path) {
  used_ = 0;
  error_ = platform::File::Open(path, platform::OpenMode::kReadWriteExisting, &file_);
  if (error_ == Result::kOk) error_ = file_.SeekToEnd();
  return error_;
}

Result BufferedFile::Write(const void* data, size_t n) {
  if (error_ != Result::kOk) return error_;
  if (!file_.is_open()) return error_ = Result::kFailed;
  if (used_ + n > capacity_) {
    if (Flush() != Result::kOk) return error_;
    if (n > capacity_) return error_ = file_.Write(data, n);
  }
  std::memcpy(buffer_.get() + used_, data, n);
  used_ += n;
  return Result::kOk;
}

Result BufferedFile::WriteAt(int64_t offset, const void* data, size_t n) {
  if (Flush() != Result::kOk) return error_;
  if (!file_.is_open()) return error_ = Result::kFailed;
  if ((error_ = file_.Seek(offset)) != Result::kOk) return error_;
  if ((error_ = file_.Write(data, n)) != Result::kOk) return error_;
  return error_ = file_.SeekToEnd();
}

Result BufferedFile::Flush() {
  if (error_ != Result::kOk) return error_;
  if (used_ == 0) return Result::kOk;
  error_ = file_.Write(buffer_.get(), used_);
  used_ = 0;
  return error_;
}

Result BufferedFile::Close() {
  if (!file_.is_open()) return error_;
  Flush();
  const Result closed = file_.Close();
  if (error_ == Result::kOk) error_ = closed;
  return error_;
}

}  // namespace oru
