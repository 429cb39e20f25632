#include "platform/mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/folders.h"
#include "platform/posix/errno_result.h"

namespace oru::platform {

namespace {

// Takes an exclusive lock on `fd` without waiting; closes `fd` when that fails.
Result LockOrClose(int fd) {
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) return Result::kOk;
  Result result = errno == EWOULDBLOCK ? Result::kExists : Result::kFailed;
  close(fd);
  return result;
}

void CloseHandle(intptr_t* handle) {
  if (*handle != -1) close(static_cast<int>(*handle));
  *handle = -1;
}

}  // namespace

Status InstanceMutex::Acquire(const std::string& name, InstanceMutex* out) {
  if (name.empty() || name.find('/') != std::string::npos) {
    return Status(Result::kFailed, "take the instance lock", name, "not a usable name");
  }
  std::string folder;
  std::string problem;
  if (!GetRuntimeFolder(&folder, &problem)) {
    return Status(Result::kFailed, "take the instance lock", "", problem);
  }
  std::string path = folder + name + ".lock";
  // Never truncated and never followed through a link: the file only carries the lock.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return LastErrorStatus("open lock file", path);
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return Status(Result::kFailed, "open lock file", path, "not a regular file");
  }
  Result result = LockOrClose(fd);
  if (result != Result::kOk) return result;
  out->Release();
  out->handle_ = fd;
  return Result::kOk;
}

void InstanceMutex::Release() { CloseHandle(&handle_); }

Result FolderLock::Acquire(const std::string& folder, FolderLock* out) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return posix::LastErrorResult();
  Result result = LockOrClose(fd);
  if (result != Result::kOk) return result;
  out->Release();
  out->handle_ = fd;
  return Result::kOk;
}

void FolderLock::Release() { CloseHandle(&handle_); }

Status FileLock::Acquire(const std::string& path, FileLock* out) {
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return LastErrorStatus("open lock file", path);
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return Status(Result::kFailed, "lock", path, "not a regular file");
  }
  int rc;
  do {
    rc = flock(fd, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    Status failed = LastErrorStatus("lock", path);
    close(fd);
    return failed;
  }
  out->Release();
  out->handle_ = fd;
  return Status();
}

void FileLock::Release() { CloseHandle(&handle_); }

}  // namespace oru::platform
