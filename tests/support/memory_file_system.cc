#include "tests/support/memory_file_system.h"

#include <utility>

namespace oru::testing {

using platform::Result;
using platform::Status;

class MemoryWriteFile final : public platform::WriteFile {
 public:
  MemoryWriteFile(MemoryFileSystem* fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  Status Write(const void* data, size_t n) override {
    const std::lock_guard<std::mutex> lock(fs_->mutex_);
    fs_->files_[path_].append(static_cast<const char*>(data), n);
    return Status();
  }
  void StartWriteback() override {}
  Status Close() override { return Status(); }

 private:
  MemoryFileSystem* fs_;
  std::string path_;
};

namespace {

class MemoryLock final : public platform::HeldLock {
 public:
  MemoryLock(std::mutex* mutex, std::set<std::string>* locked, std::string name)
      : mutex_(mutex), locked_(locked), name_(std::move(name)) {}
  ~MemoryLock() override {
    const std::lock_guard<std::mutex> lock(*mutex_);
    locked_->erase(name_);
  }

 private:
  std::mutex* mutex_;
  std::set<std::string>* locked_;
  std::string name_;
};

}  // namespace

void MemoryFileSystem::Record(std::string line) { operations_.push_back(std::move(line)); }

Status MemoryFileSystem::Create(const std::string& path,
                                std::unique_ptr<platform::WriteFile>* out) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    files_[path].clear();
    Record("create " + path);
  }
  *out = std::make_unique<MemoryWriteFile>(this, path);
  return Status();
}

Status MemoryFileSystem::SyncFile(const std::string& path) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (files_.count(path) == 0) return Status(Result::kNotFound, "sync", path, "no such file");
  Record("sync " + path);
  return Status();
}

Status MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto file = files_.find(from);
  if (file == files_.end()) return Status(Result::kNotFound, "rename", from, "no such file");
  std::string bytes = std::move(file->second);
  files_.erase(file);
  files_[to] = std::move(bytes);
  Record("rename " + from + " " + to);
  return Status();
}

Status MemoryFileSystem::Delete(const std::string& path) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (files_.erase(path) == 0) return Status(Result::kNotFound, "delete", path, "no such file");
  Record("delete " + path);
  return Status();
}

Status MemoryFileSystem::SyncFolder(const std::string& folder) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Record("sync folder " + folder);
  return Status();
}

Status MemoryFileSystem::ReadWhole(const std::string& path, std::string* out) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto file = files_.find(path);
  if (file == files_.end()) return Status(Result::kNotFound, "read", path, "no such file");
  *out = file->second;
  return Status();
}

Status MemoryFileSystem::MakeFolder(const std::string& path) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (folders_.insert(path).second) Record("create folder " + path);
  return Status();
}

Status MemoryFileSystem::LockFolder(const std::string& folder,
                                    std::unique_ptr<platform::HeldLock>* out) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!locked_.insert(folder).second) {
    return Status(Result::kExists, "lock", folder, "another run is working on this index");
  }
  *out = std::make_unique<MemoryLock>(&mutex_, &locked_, folder);
  return Status();
}

Status MemoryFileSystem::LockFile(const std::string& path,
                                  std::unique_ptr<platform::HeldLock>* out) {
  // One process: a lock file is never held by another.
  *out = std::make_unique<platform::HeldLock>();
  (void)path;
  return Status();
}

std::string MemoryFileSystem::ReadProfileString(const std::string& path, std::string_view section,
                                                std::string_view key,
                                                std::string_view default_value) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto file = profiles_.find(path);
  if (file == profiles_.end()) return std::string(default_value);
  const auto found_section = file->second.find(std::string(section));
  if (found_section == file->second.end()) return std::string(default_value);
  const auto value = found_section->second.find(std::string(key));
  return value == found_section->second.end() ? std::string(default_value) : value->second;
}

Status MemoryFileSystem::WriteProfileString(const std::string& path, std::string_view section,
                                            std::string_view key, std::string_view value) {
  const std::lock_guard<std::mutex> lock(mutex_);
  profiles_[path][std::string(section)][std::string(key)] = std::string(value);
  Record("write " + path + " [" + std::string(section) + "] " + std::string(key) + "=" +
         std::string(value));
  return Status();
}

Status MemoryFileSystem::DeleteProfileKey(const std::string& path, std::string_view section,
                                          std::string_view key) {
  const std::lock_guard<std::mutex> lock(mutex_);
  auto& keys = profiles_[path][std::string(section)];
  if (keys.erase(std::string(key)) != 0) {
    Record("delete " + path + " [" + std::string(section) + "] " + std::string(key));
  }
  return Status();
}

std::map<std::string, std::string> MemoryFileSystem::FilesIn(const std::string& folder) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::map<std::string, std::string> found;
  for (auto it = files_.lower_bound(folder);
       it != files_.end() && it->first.compare(0, folder.size(), folder) == 0; ++it) {
    found[it->first.substr(folder.size())] = it->second;
  }
  return found;
}

void MemoryFileSystem::SetFilesIn(const std::string& folder,
                                  const std::map<std::string, std::string>& files) {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = files_.lower_bound(folder);
       it != files_.end() && it->first.compare(0, folder.size(), folder) == 0;) {
    it = files_.erase(it);
  }
  for (const auto& [name, bytes] : files) files_[folder + name] = bytes;
}

std::vector<std::string> MemoryFileSystem::operations() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return operations_;
}

}  // namespace oru::testing
