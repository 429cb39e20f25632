// The single-instance mutex as a named kernel mutex, and the folder lock as a lock file in the
// folder that is held open without sharing and goes away when it is closed.
#include "platform/mutex.h"

#include "platform/win32/error_result.h"
#include "platform/win32/win_api.h"

namespace oru::platform {

namespace {

constexpr char kFolderLockName[] = "oru.lock";

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

void CloseOwned(intptr_t* handle) {
  if (*handle != -1) CloseHandle(AsHandle(*handle));
  *handle = -1;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

Status InstanceMutex::Acquire(const std::string& name, InstanceMutex* out) {
  // A kernel object name takes no "\" (it would name a namespace); "/" is refused as on POSIX.
  if (name.empty() || name.find_first_of("\\/") != std::string::npos ||
      name.find('\0') != std::string::npos) {
    return Result::kFailed;
  }
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  const DWORD error = GetLastError();
  if (mutex == nullptr) {
    // A mutex of that name made by another user cannot be opened: it is held all the same.
    return error == ERROR_ACCESS_DENIED ? Result::kExists : Result::kFailed;
  }
  // A named mutex lives while any handle to it is open, so "already exists" means another
  // holder, in this process or another.
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return Result::kExists;
  }
  out->Release();
  out->handle_ = FromHandle(mutex);
  return Result::kOk;
}

void InstanceMutex::Release() { CloseOwned(&handle_); }

Result FolderLock::Acquire(const std::string& folder, FolderLock* out) {
  if (folder.empty() || !IsFolder(folder)) return Result::kNotFound;
  std::string path = folder;
  if (path.back() != '\\' && path.back() != '/') path += '\\';
  path += kFolderLockName;
  // No sharing: a second open, from this process or another, fails while the handle lives.
  // Delete-on-close removes the file with the last handle, also when the process dies. The
  // folder itself stays open to everyone, so listing it (FindFirstFileA) still works.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // Refused sharing is the other holder's open handle.
    if (error == ERROR_SHARING_VIOLATION) return Result::kExists;
    return win32::ResultFromError(error);
  }
  out->Release();
  out->handle_ = FromHandle(file);
  return Result::kOk;
}

void FolderLock::Release() { CloseOwned(&handle_); }

Status FileLock::Acquire(const std::string& path, FileLock* out) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastErrorStatus("open lock file", path);
  OVERLAPPED at = {};
  // The first byte stands for the whole file; without LOCKFILE_FAIL_IMMEDIATELY the call waits.
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
    Status failed = LastErrorStatus("lock", path);
    CloseHandle(file);
    return failed;
  }
  out->Release();
  out->handle_ = FromHandle(file);
  return Status();
}

void FileLock::Release() { CloseOwned(&handle_); }

}  // namespace oru::platform
