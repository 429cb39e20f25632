// The named single-instance mutex: held by at most one process at a time, for the life of the
// object (and so of the process that keeps it).
#ifndef ORU_PLATFORM_MUTEX_H_
#define ORU_PLATFORM_MUTEX_H_

#include <cstdint>
#include <string>

#include "platform/result.h"
#include "platform/status.h"

namespace oru::platform {

// Owns the mutex while it lives. Not copyable.
class InstanceMutex {
 public:
  InstanceMutex() = default;
  ~InstanceMutex();
  InstanceMutex(InstanceMutex&& other) noexcept;
  InstanceMutex& operator=(InstanceMutex&& other) noexcept;
  InstanceMutex(const InstanceMutex&) = delete;
  InstanceMutex& operator=(const InstanceMutex&) = delete;

  // Takes the mutex called `name` (the caller lower-cases it). kExists when another holder has
  // it; kFailed when it cannot be created, or when the name is empty or holds "/" (or, on
  // Windows, "\"). On success `out` holds it (releasing what it held before). Windows: the
  // named mutex `name` (CreateMutexA). POSIX: a lock on "<runtime folder>/<name>.lock",
  // the ".lock" appended here; the file stays behind and is never truncated.
  // The failure names its reason (the runtime folder refused, for instance).
  static Status Acquire(const std::string& name, InstanceMutex* out);
  bool held() const { return handle_ != -1; }
  // Releases the mutex (also done by the destructor).
  void Release();

 private:
  intptr_t handle_ = -1;  // descriptor or handle; -1 when none
};

// An exclusive lock on a folder, so that two runs never work in it at once. Not copyable.
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&& other) noexcept;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Locks `folder` without waiting. kExists when another holder has it (another process, or
  // another FolderLock of this one), kNotFound when there is no folder at that path, kDenied
  // when it cannot be opened for lack of rights, kFailed otherwise. POSIX: flock on the
  // folder. Windows: the hidden file "oru.lock" in the folder, open without sharing and
  // deleted when closed.
  static Result Acquire(const std::string& folder, FolderLock* out);
  bool held() const { return handle_ != -1; }
  void Release();

 private:
  intptr_t handle_ = -1;  // descriptor or handle; -1 when none
};

// An exclusive lock on a lock file, for a read-change-write of a file that several processes
// share. Waits while another holder has it. Not copyable.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Locks the file at `path`, creating it when missing (it stays behind, never truncated, never
  // followed through a link on POSIX), and waits for other holders to let go. POSIX: flock.
  // Windows: LockFileEx on the file.
  static Status Acquire(const std::string& path, FileLock* out);
  bool held() const { return handle_ != -1; }
  void Release();

 private:
  intptr_t handle_ = -1;  // descriptor or handle; -1 when none
};

}  // namespace oru::platform

#endif  // ORU_PLATFORM_MUTEX_H_
