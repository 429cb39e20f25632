// Profile files on POSIX: the parsed text in memory, and writes that replace the file
// atomically (temporary file in the same folder, fsync, rename).
#include "platform/ini.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <system_error>
#include <utility>

#include "platform/posix/ini_text.h"

namespace oru::platform {
namespace {

Result ResultFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return Result::kDenied;
    case ENOENT:
    case ENOTDIR:
      return Result::kNotFound;
    default:
      return Result::kFailed;
  }
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ != -1) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Reads the whole regular file at `path`. kNotFound when there is none.
Result ReadProfileBytes(const std::string& path, std::string* out) {
  out->clear();
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() == -1) return ResultFromErrno(errno);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return ResultFromErrno(errno);
  if (!S_ISREG(st.st_mode)) return Result::kFailed;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got == 0) return Result::kOk;
    if (got < 0) {
      if (errno == EINTR) continue;
      return ResultFromErrno(errno);
    }
    out->append(buffer, static_cast<size_t>(got));
  }
}

Result WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t put = ::write(fd, data.data(), data.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return ResultFromErrno(errno);
    }
    data.remove_prefix(static_cast<size_t>(put));
  }
  return Result::kOk;
}

// Deletes the temporaries "<folder>/.<base>.tmp<pid>-<n>" that writers of the same file left
// when they were killed: those whose process no longer runs.
void RemoveDeadTemporaries(const std::string& folder, const std::string& prefix) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.substr(0, prefix.size()) != prefix) continue;
    const std::string_view rest = name.substr(prefix.size());
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9) continue;
    long pid = 0;
    for (const char c : rest.substr(0, dash)) {
      if (c < '0' || c > '9') {
        pid = -1;
        break;
      }
      pid = pid * 10 + (c - '0');
    }
    if (pid <= 0 || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      ::unlinkat(::dirfd(dir), std::string(name).c_str(), 0);
    }
  }
  ::closedir(dir);
}

// The failure of a write to `path` whose system call left `error` in errno.
Status WriteFailure(const std::string& path, int error) {
  return Status(ResultFromErrno(error), "write", path, std::generic_category().message(error));
}

// Writes `data` to a new file beside `path` and renames it over `path`. The new file gets
// `mode` when `keep_mode`, else the default mode of new files. A failure names the system's
// reason.
Status ReplaceFile(const std::string& path, std::string_view data, bool keep_mode, mode_t mode) {
  static std::atomic<unsigned> counter{0};
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  std::string prefix = (slash == std::string::npos ? std::string() : folder) + "." +
                       path.substr(slash == std::string::npos ? 0 : slash + 1) + ".tmp" +
                       std::to_string(::getpid()) + "-";
  RemoveDeadTemporaries(folder, "." + path.substr(slash == std::string::npos ? 0 : slash + 1) +
                                    ".tmp");
  std::string temp;
  int raw = -1;
  for (int attempt = 0; attempt < 100 && raw == -1; ++attempt) {
    temp = prefix + std::to_string(counter++);
    raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw == -1 && errno != EEXIST) return WriteFailure(path, errno);
  }
  if (raw == -1) return Status(Result::kFailed, "write", path, "no temporary name is free");
  Descriptor fd(raw);
  int error = 0;
  if (keep_mode && ::fchmod(fd.get(), mode & 07777) != 0) error = errno;
  if (error == 0) {
    const Result written = WriteAll(fd.get(), data);
    if (written != Result::kOk) error = errno;
  }
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  if (!fd.Close() && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return WriteFailure(path, error);
  }
  // Make the rename itself durable; the file is in place even if this fails.
  Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() != -1) ::fsync(dir.get());
  return Status();
}

// Whether `target` may be written: Ok, or why not (a file without write permission counts as
// read-only, also for root).
Status CheckWritable(const std::string& target, struct stat* st) {
  if (::stat(target.c_str(), st) != 0) return WriteFailure(target, errno);
  if ((st->st_mode & 0222) == 0) {
    return Status(Result::kDenied, "write", target, "the file is read-only");
  }
  if (::access(target.c_str(), W_OK) != 0) return WriteFailure(target, errno);
  return Status();
}

// True when the name or value would not read back as written: a line break anywhere, a "]"
// in a section name, an "=" in a key name, or a key name that is empty or reads as a header
// or comment.
bool CannotBeWritten(std::string_view section, std::string_view key, std::string_view value) {
  auto has_line_break = [](std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
  };
  std::string_view name = ini::TrimBlanks(key);
  return has_line_break(section) || has_line_break(key) || has_line_break(value) ||
         section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
         name.empty() || name.front() == '[' || name.front() == ';';
}

// The file a write must replace: the target of a symbolic link, else `path` itself.
std::string WriteTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::string_view CutToBuffer(std::string_view text, size_t buffer_size) {
  return text.substr(0, buffer_size == 0 ? 0 : buffer_size - 1);
}

}  // namespace

struct ProfileFile::Impl {
  std::string path;
  ini::ProfileText text;
};

ProfileFile::ProfileFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;
ProfileFile& ProfileFile::operator=(ProfileFile&&) noexcept = default;
ProfileFile::~ProfileFile() = default;

ProfileFile ProfileFile::Open(std::string path) {
  std::string bytes;
  if (ReadProfileBytes(path, &bytes) != Result::kOk) bytes.clear();
  return ProfileFile(
      std::make_unique<Impl>(Impl{std::move(path), ini::ProfileText(std::move(bytes))}));
}

const std::string& ProfileFile::path() const { return impl_->path; }

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view default_value, size_t buffer_size) const {
  const ini::ProfileText::Key* found = impl_->text.FindKey(section, key);
  std::string_view value =
      found == nullptr ? default_value : ini::CleanValue(impl_->text.RawValue(*found));
  return std::string(CutToBuffer(value, buffer_size));
}

std::vector<std::string> ProfileFile::SectionNames() const { return impl_->text.SectionNames(); }

std::vector<std::string> ProfileFile::KeyNames(std::string_view section,
                                               size_t buffer_size) const {
  std::vector<std::string> names;
  const std::vector<ini::ProfileText::Key>* keys = impl_->text.Keys(section);
  if (keys == nullptr) return names;
  // Room for names and their separators: the list's two closing NULs take the rest.
  size_t room = buffer_size >= 2 ? buffer_size - 2 : 0;
  for (const ini::ProfileText::Key& key : *keys) {
    if (room == 0) break;
    if (key.name.size() >= room) {
      names.push_back(key.name.substr(0, room));
      break;
    }
    names.push_back(key.name);
    room -= key.name.size() + 1;
  }
  return names;
}

Status ProfileFile::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
  return Change({{std::string(section), std::string(key), std::string(value)}});
}

Status ProfileFile::DeleteKey(std::string_view section, std::string_view key) {
  return Change({{std::string(section), std::string(key), std::nullopt}});
}

Status ProfileFile::Change(const std::vector<ProfileChange>& changes) {
  bool sets = false;
  for (const ProfileChange& change : changes) {
    if (!change.value) continue;
    sets = true;
    if (CannotBeWritten(change.section, change.key, *change.value)) {
      return Status(Result::kFailed, "write", impl_->path,
                    "the name or value cannot be kept in a profile file");
    }
  }
  std::string target = WriteTarget(impl_->path);
  // Start from the file as it is now, so that changes made since Open are kept.
  std::string current;
  const Result read = ReadProfileBytes(target, &current);
  const bool exists = read != Result::kNotFound;
  if (exists && read != Result::kOk) return WriteFailure(target, errno);
  if (!exists && !sets) return Status();
  std::string updated = current;
  for (const ProfileChange& change : changes) {
    const ini::ProfileText text(updated);
    if (change.value) {
      updated = text.WithValue(change.section, change.key, *change.value);
    } else if (text.FindKey(change.section, change.key) != nullptr) {
      updated = text.WithoutKey(change.section, change.key);
    }
  }
  if (!sets && updated == current) {
    impl_->text = ini::ProfileText(std::move(updated));
    return Status();
  }
  struct stat st {};
  if (exists) {
    const Status writable = CheckWritable(target, &st);
    if (!writable.ok()) return writable;
  }
  const Status result = ReplaceFile(target, updated, exists, st.st_mode);
  if (result.ok()) impl_->text = ini::ProfileText(std::move(updated));
  return result;
}

}  // namespace oru::platform
