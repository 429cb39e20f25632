#include "tests/support/memory_file_system.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace oru::testing {

using platform::Result;
using platform::Status;

class MemoryWriteFile final : public platform::WriteFile {
 public:
  MemoryWriteFile(MemoryFileSystem* fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  Status Write(const void* data, size_t n) override {
    const std::lock_guard<std::mutex> lock(fs_->mutex_);
    std::string& bytes = fs_->files_[path_];
    if (bytes.size() < at_) bytes.resize(at_, '\0');
    bytes.replace(at_, std::min(n, bytes.size() - at_), static_cast<const char*>(data), n);
    at_ += n;
    return Status();
  }
  Status Seek(int64_t offset) override {
    at_ = static_cast<size_t>(offset);
    return Status();
  }
  void StartWriteback() override {}
  Status Close() override { return Status(); }

 private:
  MemoryFileSystem* fs_;
  std::string path_;
  size_t at_ = 0;  // where the next write starts
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

std::string_view Trim(std::string_view text) {
  const size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// A profile file: its sections in order, each with its keys and values in order. Read from
// text, comment lines, lines without "=" and keys before the first section are left out.
using Keys = std::vector<std::pair<std::string, std::string>>;
using Profile = std::vector<std::pair<std::string, Keys>>;

Profile ParseProfile(const std::string& text) {
  Profile profile;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = Trim(std::string_view(text).substr(start, end - start));
    start = end + 1;
    const size_t equals = line.find('=');
    if (!line.empty() && line.front() == '[') {
      profile.emplace_back(Trim(line.substr(1, line.find(']') - 1)), Keys());
    } else if (!line.empty() && line.front() != ';' && equals != std::string_view::npos &&
               equals != 0 && !profile.empty()) {
      profile.back().second.emplace_back(Trim(line.substr(0, equals)),
                                         Trim(line.substr(equals + 1)));
    }
  }
  return profile;
}

std::string ProfileText(const Profile& profile) {
  std::string text;
  for (const auto& [section, keys] : profile) {
    text += "[" + section + "]\n";
    for (const auto& [key, value] : keys) text += key + "=" + value + "\n";
  }
  return text;
}

// The first entry of `list` (sections, or keys) named `name`, ignoring ASCII case.
template <typename List>
auto Named(List& list, std::string_view name) {
  return std::find_if(list.begin(), list.end(), [name](const auto& entry) {
    return entry.first.size() == name.size() &&
           std::equal(name.begin(), name.end(), entry.first.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) ==
                    std::tolower(static_cast<unsigned char>(y));
           });
  });
}

}  // namespace

void MemoryFileSystem::Record(std::string line) { operations_.push_back(std::move(line)); }

const std::string& MemoryFileSystem::TextOf(const std::string& path) const {
  static const std::string kNone;
  const auto file = files_.find(path);
  return file == files_.end() ? kNone : file->second;
}

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

Status MemoryFileSystem::ListFolder(const std::string& folder, std::vector<std::string>* names) {
  const std::lock_guard<std::mutex> lock(mutex_);
  names->clear();
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') prefix += '/';
  std::set<std::string> found;
  // An entry's name is the first component of a file's or folder's path below the folder.
  const auto add = [&](const std::string& path) {
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) return;
    const std::string rest = path.substr(prefix.size());
    found.insert(rest.substr(0, rest.find_first_of("/\\")));
  };
  for (const auto& file : files_) add(file.first);
  for (const std::string& path : folders_) add(path);
  found.erase("");
  const bool exists = !found.empty() || folders_.count(folder) != 0 || folders_.count(prefix) != 0;
  if (!exists) return Status(Result::kNotFound, "list", folder, "no such folder");
  names->assign(found.begin(), found.end());
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
  Profile profile = ParseProfile(TextOf(path));
  const auto keys = Named(profile, Trim(section));
  if (keys == profile.end()) return std::string(default_value);
  const auto value = Named(keys->second, Trim(key));
  return value == keys->second.end() ? std::string(default_value) : value->second;
}

std::vector<std::string> MemoryFileSystem::ReadProfileSections(const std::string& path) {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> names;
  for (const auto& [section, keys] : ParseProfile(TextOf(path))) names.push_back(section);
  return names;
}

std::vector<std::string> MemoryFileSystem::ReadProfileKeys(const std::string& path,
                                                           std::string_view section) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Profile profile = ParseProfile(TextOf(path));
  std::vector<std::string> names;
  const auto keys = Named(profile, Trim(section));
  if (keys != profile.end()) {
    for (const auto& [key, value] : keys->second) names.push_back(key);
  }
  return names;
}

Status MemoryFileSystem::ChangeProfile(const std::string& path,
                                       const std::vector<platform::ProfileChange>& changes) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Profile profile = ParseProfile(TextOf(path));
  bool changed = false;
  for (const platform::ProfileChange& change : changes) {
    auto keys = Named(profile, change.section);
    if (change.value) {
      if (keys == profile.end()) keys = profile.insert(keys, {change.section, Keys()});
      auto entry = Named(keys->second, change.key);
      if (entry == keys->second.end()) entry = keys->second.insert(entry, {change.key, ""});
      entry->second = *change.value;
      Record("write " + path + " [" + change.section + "] " + change.key + "=" + *change.value);
    } else {
      if (keys == profile.end()) continue;
      const auto entry = Named(keys->second, change.key);
      if (entry == keys->second.end()) continue;
      keys->second.erase(entry);
      Record("delete " + path + " [" + change.section + "] " + change.key);
    }
    changed = true;
  }
  if (changed) files_[path] = ProfileText(profile);
  return Status();
}

void MemoryFileSystem::Put(const std::string& path, std::string bytes) {
  const std::lock_guard<std::mutex> lock(mutex_);
  files_[path] = std::move(bytes);
}

std::string MemoryFileSystem::Get(const std::string& path) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto file = files_.find(path);
  return file == files_.end() ? std::string() : file->second;
}

bool MemoryFileSystem::Has(const std::string& path) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return files_.count(path) != 0;
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
