#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/posix/errno_result.h"

namespace oru::platform {

using posix::LastErrorResult;

const char kPathSeparator = '/';

namespace {

bool StatIs(const std::string& path, mode_t type) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == type;
}

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::kCreate:
      return O_RDWR | O_CREAT | O_TRUNC;
    case OpenMode::kReadExisting:
      return O_RDONLY;
    case OpenMode::kReadWriteExisting:
      return O_RDWR;
  }
  return O_RDONLY;
}

}  // namespace

bool FileExists(const std::string& path) { return StatIs(path, S_IFREG); }

bool FolderExists(const std::string& path) { return StatIs(path, S_IFDIR); }

Result CreateFolder(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0 ? Result::kOk : LastErrorResult();
}

Result DeleteFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0 ? Result::kOk : LastErrorResult();
}

Result RenameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? Result::kOk : LastErrorResult();
}

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

// POSIX has no share modes: the sharing that OpenMode describes is not enforced here.
// Opening is non-blocking so that a FIFO (whose open waits for a writer) cannot hang the
// caller; anything that is not a regular file is then refused.
Result File::Open(const std::string& path, OpenMode mode, File* out) {
  int fd = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  if (fd == -1) return LastErrorResult();
  File file;
  file.handle_ = fd;
  struct stat st;
  if (::fstat(fd, &st) != 0) return LastErrorResult();
  if (!S_ISREG(st.st_mode)) return Result::kFailed;
  int flags = ::fcntl(fd, F_GETFL);
  if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) return LastErrorResult();
  *out = std::move(file);
  return Result::kOk;
}

Result File::Read(void* buffer, size_t n, size_t* got) {
  *got = 0;
  for (;;) {
    ssize_t r = ::read(static_cast<int>(handle_), buffer, n);
    if (r >= 0) {
      *got = static_cast<size_t>(r);
      return Result::kOk;
    }
    if (errno != EINTR) return LastErrorResult();
  }
}

Result File::ReadExact(void* buffer, size_t n) {
  char* p = static_cast<char*>(buffer);
  while (n > 0) {
    size_t got = 0;
    Result result = Read(p, n, &got);
    if (result != Result::kOk) return result;
    if (got == 0) return Result::kFailed;  // the file ended early
    p += got;
    n -= got;
  }
  return Result::kOk;
}

Result File::Write(const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t r = ::write(static_cast<int>(handle_), p, n);
    if (r < 0) {
      if (errno == EINTR) continue;
      return LastErrorResult();
    }
    if (r == 0) return Result::kFailed;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return Result::kOk;
}

Result File::Seek(int64_t offset) {
  if (::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) == -1) {
    return LastErrorResult();
  }
  return Result::kOk;
}

Result File::SeekToEnd() {
  return ::lseek(static_cast<int>(handle_), 0, SEEK_END) == -1 ? LastErrorResult() : Result::kOk;
}

int64_t File::Size() const {
  struct stat st;
  if (::fstat(static_cast<int>(handle_), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

Result File::Sync() {
  return ::fsync(static_cast<int>(handle_)) == 0 ? Result::kOk : LastErrorResult();
}

Result File::Close() {
  if (handle_ == -1) return Result::kOk;
  int fd = static_cast<int>(std::exchange(handle_, -1));
  // On Linux the descriptor is released even when close reports EINTR.
  if (::close(fd) != 0 && errno != EINTR) return LastErrorResult();
  return Result::kOk;
}

}  // namespace oru::platform
