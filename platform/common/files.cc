// What a File does the same way on every platform: close on destruction, hand its handle over
// on a move (-1 meaning none), and ReadExact as a loop over Read.
#include <utility>

#include "platform/files.h"

namespace oru::platform {

File::~File() { Close(); }

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

Status File::ReadExact(void* buffer, size_t n) {
  char* p = static_cast<char*>(buffer);
  while (n > 0) {
    size_t got = 0;
    Status result = Read(p, n, &got);
    if (!result.ok()) return result;
    if (got == 0) return Status(Result::kFailed, "read", path_, "the file ended early");
    p += got;
    n -= got;
  }
  return Status();
}

}  // namespace oru::platform
