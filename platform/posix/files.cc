#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>


namespace oru::platform {


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

bool PathExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

Status CreateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return Status();
  return LastErrorStatus("create folder", path);
}

Status DeleteFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return Status();
  return LastErrorStatus("delete", path);
}

Status RenameFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return Status();
  return LastErrorStatus("rename", from + " to " + to);
}

Status SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd == -1) return LastErrorStatus("open folder", folder);
  Status status;
  if (::fsync(fd) != 0) status = LastErrorStatus("sync folder", folder);
  ::close(fd);
  return status;
}

// POSIX has no share modes: the sharing that OpenMode describes is not enforced here.
// Opening is non-blocking so that a FIFO (whose open waits for a writer) cannot hang the
// caller; anything that is not a regular file is then refused.
Status File::Open(const std::string& path, OpenMode mode, File* out) {
  const char* operation = mode == OpenMode::kCreate ? "create" : "open";
  int fd = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  if (fd == -1) return LastErrorStatus(operation, path);
  File file;
  file.handle_ = fd;
  file.path_ = path;
  struct stat st;
  if (::fstat(fd, &st) != 0) return LastErrorStatus(operation, path);
  if (!S_ISREG(st.st_mode)) return Status(Result::kFailed, operation, path, "not a regular file");
  int flags = ::fcntl(fd, F_GETFL);
  if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
    return LastErrorStatus(operation, path);
  }
  *out = std::move(file);
  return Status();
}

Status File::Read(void* buffer, size_t n, size_t* got) {
  *got = 0;
  for (;;) {
    ssize_t r = ::read(static_cast<int>(handle_), buffer, n);
    if (r >= 0) {
      *got = static_cast<size_t>(r);
      return Status();
    }
    if (errno != EINTR) return LastErrorStatus("read", path_);
  }
}

Status File::Write(const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t r = ::write(static_cast<int>(handle_), p, n);
    if (r < 0) {
      if (errno == EINTR) continue;
      return LastErrorStatus("write", path_);
    }
    if (r == 0) return Status(Result::kFailed, "write", path_, "nothing was written");
    p += r;
    n -= static_cast<size_t>(r);
  }
  return Result::kOk;
}

Status File::Seek(int64_t offset) {
  if (::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) == -1) {
    return LastErrorStatus("seek in", path_);
  }
  return Status();
}

Status File::SeekToEnd() {
  if (::lseek(static_cast<int>(handle_), 0, SEEK_END) == -1) {
    return LastErrorStatus("seek in", path_);
  }
  return Status();
}

int64_t File::Size() const {
  struct stat st;
  if (::fstat(static_cast<int>(handle_), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

Status File::Sync() {
  if (::fsync(static_cast<int>(handle_)) == 0) return Status();
  return LastErrorStatus("sync", path_);
}

void File::StartWriteback() {
#ifdef __linux__
  if (handle_ != -1) ::sync_file_range(static_cast<int>(handle_), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

Status File::Close() {
  if (handle_ == -1) return Status();
  int fd = static_cast<int>(std::exchange(handle_, -1));
  // On Linux the descriptor is released even when close reports EINTR.
  if (::close(fd) != 0 && errno != EINTR) return LastErrorStatus("close", path_);
  return Status();
}

}  // namespace oru::platform
