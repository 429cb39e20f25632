#include "tests/support/memory_file_system.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <utility>

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
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// A profile file's text as lines (without their ends), and where its sections and keys are.
struct Profile {
  explicit Profile(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
      start = end + 1;
    }
  }
  std::string Text() const {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
  }
  static bool IsHeader(std::string_view line, std::string_view* name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    *name = Trim(line.substr(1, line.find(']') - 1));
    return true;
  }
  static bool IsKey(std::string_view line, std::string_view* name) {
    const size_t equals = line.find('=');
    const std::string_view trimmed = Trim(line);
    if (equals == std::string_view::npos || trimmed.empty() || trimmed.front() == ';' ||
        trimmed.front() == '[') {
      return false;
    }
    *name = Trim(line.substr(0, equals));
    return !name->empty();
  }
  // The lines of the first section named `section`, after its header: [begin, end); `found`
  // is false (and the range empty) when there is none.
  struct Range {
    size_t begin;
    size_t end;
    bool found;
  };
  Range Section(std::string_view section) const {
    std::string_view name;
    size_t at = 0;
    while (at < lines.size() && !(IsHeader(lines[at], &name) && SameName(name, section))) ++at;
    if (at == lines.size()) return {at, at, false};
    size_t end = ++at;
    while (end < lines.size() && !IsHeader(lines[end], &name)) ++end;
    return {at, end, true};
  }
  // The line of the first key `key` in [begin, end), or `end`.
  size_t Key(size_t begin, size_t end, std::string_view key) const {
    std::string_view name;
    for (size_t at = begin; at < end; ++at) {
      if (IsKey(lines[at], &name) && SameName(name, key)) return at;
    }
    return end;
  }
  std::string_view Value(size_t at) const {
    const std::string_view line = lines[at];
    return Trim(line.substr(line.find('=') + 1));
  }

  std::vector<std::string> lines;
};

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
  const Profile profile(TextOf(path));
  const auto section_lines = profile.Section(section);
  const size_t at = profile.Key(section_lines.begin, section_lines.end, key);
  return at == section_lines.end ? std::string(default_value) : std::string(profile.Value(at));
}

std::vector<std::string> MemoryFileSystem::ReadProfileSections(const std::string& path) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const Profile profile(TextOf(path));
  std::vector<std::string> names;
  std::string_view name;
  for (const std::string& line : profile.lines) {
    if (Profile::IsHeader(line, &name)) names.emplace_back(name);
  }
  return names;
}

std::vector<std::string> MemoryFileSystem::ReadProfileKeys(const std::string& path,
                                                           std::string_view section) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const Profile profile(TextOf(path));
  const auto section_lines = profile.Section(section);
  std::vector<std::string> names;
  std::string_view name;
  for (size_t at = section_lines.begin; at < section_lines.end; ++at) {
    if (Profile::IsKey(profile.lines[at], &name)) names.emplace_back(name);
  }
  return names;
}

Status MemoryFileSystem::WriteProfileString(const std::string& path, std::string_view section,
                                            std::string_view key, std::string_view value) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Profile profile(TextOf(path));
  const std::string line = std::string(key) + "=" + std::string(value);
  const auto [begin, end, found] = profile.Section(section);
  if (!found) {
    profile.lines.push_back("[" + std::string(section) + "]");
    profile.lines.push_back(line);
  } else if (const size_t at = profile.Key(begin, end, key); at != end) {
    profile.lines[at] = line;
  } else {
    size_t after = begin;  // the header's line, or the section's last key line
    std::string_view name;
    for (size_t i = begin; i < end; ++i) {
      if (Profile::IsKey(profile.lines[i], &name)) after = i + 1;
    }
    profile.lines.insert(profile.lines.begin() + static_cast<std::ptrdiff_t>(after), line);
  }
  files_[path] = profile.Text();
  Record("write " + path + " [" + std::string(section) + "] " + line);
  return Status();
}

Status MemoryFileSystem::DeleteProfileKey(const std::string& path, std::string_view section,
                                          std::string_view key) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto file = files_.find(path);
  if (file == files_.end()) return Status();
  Profile profile(file->second);
  const auto section_lines = profile.Section(section);
  const size_t at = profile.Key(section_lines.begin, section_lines.end, key);
  if (at == section_lines.end) return Status();
  profile.lines.erase(profile.lines.begin() + static_cast<std::ptrdiff_t>(at));
  file->second = profile.Text();
  Record("delete " + path + " [" + std::string(section) + "] " + std::string(key));
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
