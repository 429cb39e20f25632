// What the two locks do the same way on every platform: release on destruction, and hand
// their handle over on a move (-1 meaning none).
#include "platform/mutex.h"

namespace oru::platform {

InstanceMutex::~InstanceMutex() { Release(); }

InstanceMutex::InstanceMutex(InstanceMutex&& other) noexcept : handle_(other.handle_) {
  other.handle_ = -1;
}

InstanceMutex& InstanceMutex::operator=(InstanceMutex&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

FolderLock::~FolderLock() { Release(); }

FolderLock::FolderLock(FolderLock&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

FileLock::~FileLock() { Release(); }

FileLock::FileLock(FileLock&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

}  // namespace oru::platform
