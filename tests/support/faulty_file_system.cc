#include "tests/support/faulty_file_system.h"

namespace oru::testing {

using platform::Status;

Status FaultyFileSystem::Count(Kind kind, const char* operation, const std::string& path) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (++counts_[kind] != fail_at_ || kind != fail_kind_) return Status();
  failed_ = true;
  return Status(fail_result_, operation, path, fail_reason_);
}

Status FaultyFileSystem::Open(const std::string& path, platform::OpenMode mode,
                              platform::File* out) {
  if (mode == platform::OpenMode::kCreate) {
    Status injected = Count(kCreate, "create", path);
    if (!injected.ok()) return injected;
  }
  return real_->Open(path, mode, out);
}

Status FaultyFileSystem::Write(platform::File* file, const void* data, size_t n) {
  Status injected = Count(kWrite, "write", file->path());
  if (!injected.ok()) {
    // Half of it reaches the disk, as a write cut short by a full disk leaves it.
    real_->Write(file, data, n / 2);
    return injected;
  }
  return real_->Write(file, data, n);
}

Status FaultyFileSystem::Sync(platform::File* file) {
  return Count(kSync, "sync", file->path());
}

Status FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  Status injected = Count(kRename, "rename", from + " to " + to);
  return injected.ok() ? real_->Rename(from, to) : injected;
}

Status FaultyFileSystem::Delete(const std::string& path) { return real_->Delete(path); }

Status FaultyFileSystem::SyncFolder(const std::string& folder) {
  return Count(kSync, "sync folder", folder);
}

Status FaultyFileSystem::ReadWhole(const std::string& path, std::string* out) {
  Status injected = Count(kRead, "read", path);
  return injected.ok() ? real_->ReadWhole(path, out) : injected;
}

Status FaultyFileSystem::MakeFolder(const std::string& path) {
  Status injected = Count(kCreate, "create folder", path);
  return injected.ok() ? real_->MakeFolder(path) : injected;
}

Status FaultyFileSystem::LockFolder(const std::string& folder, platform::FolderLock* out) {
  Status injected = Count(kLock, "lock", folder);
  return injected.ok() ? real_->LockFolder(folder, out) : injected;
}

Status FaultyFileSystem::LockFile(const std::string& path, platform::FileLock* out) {
  Status injected = Count(kLock, "lock", path);
  return injected.ok() ? real_->LockFile(path, out) : injected;
}

Status FaultyFileSystem::WriteProfileString(const std::string& path, std::string_view section,
                                            std::string_view key, std::string_view value) {
  Status injected = Count(kRecord, "write", path);
  return injected.ok() ? real_->WriteProfileString(path, section, key, value) : injected;
}

Status FaultyFileSystem::DeleteProfileKey(const std::string& path, std::string_view section,
                                          std::string_view key) {
  Status injected = Count(kRecord, "write", path);
  return injected.ok() ? real_->DeleteProfileKey(path, section, key) : injected;
}

}  // namespace oru::testing
