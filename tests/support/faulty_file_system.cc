#include "tests/support/faulty_file_system.h"

namespace oru::testing {

using platform::Status;

namespace {

// A file whose writes are counted, and the chosen one failed with half of it written, as a
// write cut short by a full disk leaves it.
class FaultyWriteFile final : public platform::WriteFile {
 public:
  FaultyWriteFile(FaultyFileSystem* fs, std::string path,
                  std::unique_ptr<platform::WriteFile> below)
      : fs_(fs), path_(std::move(path)), below_(std::move(below)) {}
  Status Write(const void* data, size_t n) override {
    const Status injected = fs_->Count(FaultyFileSystem::kWrite, "write", path_);
    if (!injected.ok()) {
      below_->Write(data, n / 2);
      return injected;
    }
    return below_->Write(data, n);
  }
  Status Seek(int64_t offset) override { return below_->Seek(offset); }
  void StartWriteback() override { below_->StartWriteback(); }
  Status Close() override { return below_->Close(); }

 private:
  FaultyFileSystem* fs_;
  std::string path_;
  std::unique_ptr<platform::WriteFile> below_;
};

}  // namespace

Status FaultyFileSystem::Count(Kind kind, const char* operation, const std::string& path) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (++counts_[kind] != fail_at_ || kind != fail_kind_) return Status();
  failed_ = true;
  failed_path_ = path;
  return Status(fail_result_, operation, path, fail_reason_);
}

Status FaultyFileSystem::Create(const std::string& path,
                                std::unique_ptr<platform::WriteFile>* out) {
  const Status injected = Count(kCreate, "create", path);
  if (!injected.ok()) return injected;
  std::unique_ptr<platform::WriteFile> file;
  const Status created = below_->Create(path, &file);
  if (created.ok()) *out = std::make_unique<FaultyWriteFile>(this, path, std::move(file));
  return created;
}

Status FaultyFileSystem::SyncFile(const std::string& path) { return Count(kSync, "sync", path); }

Status FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  const Status injected = Count(kRename, "rename", from + " to " + to);
  return injected.ok() ? below_->Rename(from, to) : injected;
}

Status FaultyFileSystem::Delete(const std::string& path) { return below_->Delete(path); }

Status FaultyFileSystem::ListFolder(const std::string& folder, std::vector<std::string>* names) {
  return below_->ListFolder(folder, names);
}

Status FaultyFileSystem::SyncFolder(const std::string& folder) {
  return Count(kSync, "sync folder", folder);
}

Status FaultyFileSystem::ReadWhole(const std::string& path, std::string* out) {
  const Status injected = Count(kRead, "read", path);
  return injected.ok() ? below_->ReadWhole(path, out) : injected;
}

Status FaultyFileSystem::MakeFolder(const std::string& path) {
  const Status injected = Count(kCreate, "create folder", path);
  return injected.ok() ? below_->MakeFolder(path) : injected;
}

Status FaultyFileSystem::LockFolder(const std::string& folder,
                                    std::unique_ptr<platform::HeldLock>* out) {
  const Status injected = Count(kLock, "lock", folder);
  return injected.ok() ? below_->LockFolder(folder, out) : injected;
}

Status FaultyFileSystem::LockFile(const std::string& path,
                                  std::unique_ptr<platform::HeldLock>* out) {
  const Status injected = Count(kLock, "lock", path);
  return injected.ok() ? below_->LockFile(path, out) : injected;
}

std::string FaultyFileSystem::ReadProfileString(const std::string& path, std::string_view section,
                                                std::string_view key,
                                                std::string_view default_value) {
  return below_->ReadProfileString(path, section, key, default_value);
}

std::vector<std::string> FaultyFileSystem::ReadProfileSections(const std::string& path) {
  return below_->ReadProfileSections(path);
}

std::vector<std::string> FaultyFileSystem::ReadProfileKeys(const std::string& path,
                                                           std::string_view section) {
  return below_->ReadProfileKeys(path, section);
}

Status FaultyFileSystem::ChangeProfile(const std::string& path,
                                       const std::vector<platform::ProfileChange>& changes) {
  const Status injected = Count(kRecord, "write", path);
  return injected.ok() ? below_->ChangeProfile(path, changes) : injected;
}

}  // namespace oru::testing
