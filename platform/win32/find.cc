#include "platform/find.h"

#include "platform/win32/error_result.h"
#include "platform/win32/win_api.h"

namespace oru::platform {

namespace {

constexpr uint32_t kFatAttributes =
    kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrFolder | kAttrArchive;

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The last-write time as local time packed as MS-DOS date (high) and time (low); 0 outside the
// years 1980-2107. The years are checked here, as not every FileTimeToDosDateTime refuses them.
uint32_t PackFileTime(const FILETIME& utc) {
  FILETIME local;
  SYSTEMTIME parts;
  WORD date = 0, time = 0;
  if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &parts) ||
      parts.wYear < 1980 || parts.wYear > 2107 || !::FileTimeToDosDateTime(&local, &date, &time))
    return 0;
  return static_cast<uint32_t>(date) << 16 | time;
}

// Size and time of what `path` leads to, through any links; false when that cannot be opened
// (a broken link, a missing file) or is no disk file or folder.
bool TargetSizeAndTime(const std::string& path, uint32_t* attributes, uint32_t* size,
                       uint32_t* time) {
  HANDLE h = ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool ok = ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info);
  ::CloseHandle(h);
  if (!ok) return false;
  const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  *attributes = info.dwFileAttributes;
  *size = folder ? 0 : info.nFileSizeLow;
  *time = PackFileTime(info.ftLastWriteTime);
  return true;
}

// Fills `entry` from what the search found. A folder that is a reparse point (a junction or a
// symbolic link) is a link to a folder; a file that is one counts as the file it leads to, and
// as kOther when that cannot be opened.
void FillEntry(const std::string& folder, const WIN32_FIND_DATAA& data, FindEntry* entry) {
  entry->name = data.cFileName;
  const DWORD attributes = data.dwFileAttributes;
  const bool is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool reparse = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry->attributes = attributes & kFatAttributes;
  entry->size = is_folder ? 0 : data.nFileSizeLow;
  entry->time = PackFileTime(data.ftLastWriteTime);
  if (IsDotOrDotDot(data.cFileName)) {
    entry->attributes = kAttrFolder;
    entry->kind = EntryKind::kFolder;
  } else if (is_folder) {
    entry->kind = reparse ? EntryKind::kLinkToFolder : EntryKind::kFolder;
  } else if (!reparse) {
    entry->kind = EntryKind::kFile;
  } else {
    uint32_t target = 0;
    if (TargetSizeAndTime(folder + entry->name, &target, &entry->size, &entry->time) &&
        (target & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      entry->kind = EntryKind::kFile;
    } else {
      entry->size = 0;
      entry->kind = EntryKind::kOther;
    }
  }
}

}  // namespace

struct FolderSearch::State {
  std::string folder;  // ends in a separator
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~State() {
    if (handle != INVALID_HANDLE_VALUE) ::FindClose(handle);
  }
};

FolderSearch::FolderSearch() = default;
FolderSearch::~FolderSearch() = default;
FolderSearch::FolderSearch(FolderSearch&&) noexcept = default;
FolderSearch& FolderSearch::operator=(FolderSearch&&) noexcept = default;

// The entries come as FindFirstFileA / FindNextFileA hand them out (their order, and their
// view of a folder that changes meanwhile); the search handle is held until the end.
Result FolderSearch::Start(const std::string& folder, FindEntry* first) {
  state_.reset();
  auto state = std::make_unique<State>();
  state->folder = folder;
  if (state->folder.empty() || (state->folder.back() != '\\' && state->folder.back() != '/'))
    state->folder += '\\';
  WIN32_FIND_DATAA data;
  state->handle = ::FindFirstFileA((state->folder + "*").c_str(), &data);
  if (state->handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // "*" matched nothing (an empty drive root, a folder that vanished), or the path leads to
    // no folder (systems differ in the code they give for a file).
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return Result::kNotFound;
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      return Result::kNotFound;
    return win32::ResultFromError(error);
  }
  FillEntry(state->folder, data, first);
  state_ = std::move(state);
  return Result::kOk;
}

bool FolderSearch::Next(FindEntry* entry) {
  if (!state_) return false;
  WIN32_FIND_DATAA data;
  if (!::FindNextFileA(state_->handle, &data)) {
    state_.reset();
    return false;
  }
  FillEntry(state_->folder, data, entry);
  return true;
}

void FolderSearch::Close() { state_.reset(); }

bool GetFileSizeAndTime(const std::string& path, uint32_t* size, uint32_t* time) {
  uint32_t attributes = 0;
  return TargetSizeAndTime(path, &attributes, size, time);
}

uint32_t PackDosTime(int64_t unix_seconds) {
  // FILETIME counts 100 ns steps since 1601-01-01 UTC; 1970 is 11644473600 seconds later.
  constexpr int64_t kEpochDifference = 11644473600;
  constexpr int64_t kLimit = (INT64_MAX / 10000000) - kEpochDifference;
  if (unix_seconds < -kEpochDifference || unix_seconds > kLimit) return 0;
  const uint64_t ticks = static_cast<uint64_t>(unix_seconds + kEpochDifference) * 10000000u;
  FILETIME utc;
  utc.dwLowDateTime = static_cast<DWORD>(ticks);
  utc.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return PackFileTime(utc);
}

}  // namespace oru::platform
