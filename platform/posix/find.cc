#include "platform/find.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <vector>

#include "platform/posix/errno_result.h"

namespace oru::platform {

namespace {

bool IsDotOrDotDot(const std::string& name) { return name == "." || name == ".."; }

// Fills the attributes, size and time that a status of the entry (or of a link's target) gives.
void FillFromStat(const struct stat& st, const std::string& name, FindEntry* entry) {
  entry->attributes = 0;
  if (S_ISDIR(st.st_mode)) entry->attributes |= kAttrFolder;
  if (S_ISREG(st.st_mode)) entry->attributes |= kAttrArchive;
  if (IsDotOrDotDot(name)) {
    entry->attributes = kAttrFolder;
  } else {
    if ((st.st_mode & S_IWUSR) == 0) entry->attributes |= kAttrReadOnly;
    if (!name.empty() && name[0] == '.') entry->attributes |= kAttrHidden;
  }
  entry->size = S_ISREG(st.st_mode) ? static_cast<uint32_t>(st.st_size) : 0;
  entry->time = PackDosTime(static_cast<int64_t>(st.st_mtime));
}

// Examines entry `name` of `folder` (ending in the separator), open as `folder_fd`, without
// entering it. False when the entry is gone (removed since the names were read); an entry that
// exists but cannot be examined comes back as kOther. Looking a name up in the open folder,
// rather than its whole path from the root, saves the kernel a walk through every folder above
// it for every entry. "." and ".." go by their path: the open folder would still answer for
// itself after it has been removed.
bool Examine(const std::string& folder, int folder_fd, const std::string& name,
             FindEntry* entry) {
  int at = folder_fd;
  std::string path;
  if (IsDotOrDotDot(name)) {
    at = AT_FDCWD;
    path = folder + name;
  }
  const char* looked_up = at == AT_FDCWD ? path.c_str() : name.c_str();
  struct stat st;
  if (::fstatat(at, looked_up, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return false;
    entry->attributes = 0;
    entry->size = 0;
    entry->time = 0;
    entry->kind = EntryKind::kOther;
    return true;
  }
  bool link = S_ISLNK(st.st_mode);
  if (link) {
    struct stat target;
    if (::fstatat(at, looked_up, &target, 0) != 0) {  // broken link, loop, or unreachable target
      FillFromStat(st, entry->name, entry);
      entry->kind = EntryKind::kOther;
      return true;
    }
    st = target;
  }
  FillFromStat(st, entry->name, entry);
  if (S_ISREG(st.st_mode)) {
    entry->kind = EntryKind::kFile;
  } else if (S_ISDIR(st.st_mode)) {
    entry->kind = link ? EntryKind::kLinkToFolder : EntryKind::kFolder;
  } else {
    entry->kind = EntryKind::kOther;
  }
  return true;
}

}  // namespace

struct FolderSearch::State {
  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  ~State() {
    if (fd >= 0) ::close(fd);
  }
  std::string folder;  // ends in the separator
  std::vector<std::string> names;
  size_t next = 0;
  int fd = -1;  // the folder, open while its entries are examined
};

FolderSearch::FolderSearch() = default;
FolderSearch::~FolderSearch() = default;
FolderSearch::FolderSearch(FolderSearch&&) noexcept = default;
FolderSearch& FolderSearch::operator=(FolderSearch&&) noexcept = default;

// All names are read at once, so the order can be sorted; each entry is examined only when
// Next reaches it, by its name in the folder, which stays open until the search ends.
Result FolderSearch::Start(const std::string& folder, FindEntry* first) {
  state_.reset();
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return posix::LastErrorResult();
  auto state = std::make_unique<State>();
  state->fd = ::fcntl(::dirfd(dir), F_DUPFD_CLOEXEC, 0);
  if (state->fd < 0) {
    const Result failed = posix::LastErrorResult();
    ::closedir(dir);
    return failed;
  }
  state->folder = folder;
  if (state->folder.empty() || state->folder.back() != '/') state->folder += '/';
  for (;;) {
    errno = 0;
    const dirent* d = ::readdir(dir);
    if (d == nullptr) break;
    state->names.emplace_back(d->d_name);
  }
  int read_error = errno;
  ::closedir(dir);
  if (read_error != 0) return posix::ResultFromErrno(read_error);
  // std::string compares as unsigned bytes, which is the order the walk needs.
  std::sort(state->names.begin(), state->names.end());
  state_ = std::move(state);
  if (!Next(first)) {  // the folder vanished before any entry could be examined
    state_.reset();
    return Result::kNotFound;
  }
  return Result::kOk;
}

bool FolderSearch::Next(FindEntry* entry) {
  if (!state_) return false;
  while (state_->next < state_->names.size()) {
    entry->name = state_->names[state_->next++];
    if (Examine(state_->folder, state_->fd, entry->name, entry)) return true;
  }
  return false;
}

void FolderSearch::Close() { state_.reset(); }

bool GetFileSizeAndTime(const std::string& path, uint32_t* size, uint32_t* time) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  FindEntry entry;
  FillFromStat(st, std::string(), &entry);
  *size = entry.size;
  *time = entry.time;
  return true;
}

uint32_t PackDosTime(int64_t unix_seconds) {
  // localtime_r need not look at TZ again; read it once for the process.
  static std::once_flag tz_once;
  std::call_once(tz_once, [] { ::tzset(); });
  time_t t = static_cast<time_t>(unix_seconds);
  if (static_cast<int64_t>(t) != unix_seconds) return 0;
  struct tm tm;
  if (::localtime_r(&t, &tm) == nullptr) return 0;
  int year = tm.tm_year + 1900;
  if (year < 1980 || year > 2107) return 0;
  uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  uint32_t clock = static_cast<uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
  return date << 16 | clock;
}

}  // namespace oru::platform
