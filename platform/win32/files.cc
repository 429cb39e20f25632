#include "platform/files.h"

#include <utility>

#include "platform/win32/error_result.h"
#include "platform/win32/win_api.h"

namespace oru::platform {

const char kPathSeparator = '\\';

namespace {

// GetFileAttributesA does not follow a symbolic link: a link answers for itself.
DWORD Attributes(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }

// A closed File holds -1, which is also the pseudo handle of the current process: every call
// checks for it before passing the handle on.
HANDLE ToHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// What each mode asks for, and what it lets others do meanwhile.
struct ModeFlags {
  DWORD access;
  DWORD share;
  DWORD disposition;
};

ModeFlags FlagsFor(OpenMode mode) {
  switch (mode) {
    case OpenMode::kCreate:
      return {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS};
    case OpenMode::kReadExisting:
      // Readers let a run put a new version in place of the file they hold (a rename).
      return {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING};
    case OpenMode::kReadWriteExisting:
      return {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING};
  }
  return {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING};
}

// ReadFile and WriteFile take 32-bit counts; larger requests go in pieces of this size.
constexpr size_t kMaxChunk = size_t{1} << 30;

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathExists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

Status CreateFolder(const std::string& path) {
  if (::CreateDirectoryA(path.c_str(), nullptr)) return Status();
  return LastErrorStatus("create folder", path);
}

Status DeleteFile(const std::string& path) {
  if (::DeleteFileA(path.c_str())) return Status();
  return LastErrorStatus("delete", path);
}

Status RenameFile(const std::string& from, const std::string& to) {
  // Refused (kDenied) while another program holds `to` open without delete sharing.
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return Status();
  }
  return LastErrorStatus("rename", from + " to " + to);
}

// Renames are written through (MOVEFILE_WRITE_THROUGH): the folder needs nothing more.
Status SyncFolder(const std::string&) { return Status(); }

// A folder refuses CreateFileA with ERROR_ACCESS_DENIED; it is reported as kFailed like any
// other thing that is no file. Devices (CON, NUL, COM1, pipes) open at once and are refused by
// their type.
Status File::Open(const std::string& path, OpenMode mode, File* out) {
  const char* operation = mode == OpenMode::kCreate ? "create" : "open";
  const ModeFlags flags = FlagsFor(mode);
  HANDLE h = ::CreateFileA(path.c_str(), flags.access, flags.share, nullptr, flags.disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED && FolderExists(path)) {
      return Status(Result::kFailed, operation, path, "it is a folder");
    }
    ::SetLastError(error);
    return LastErrorStatus(operation, path);
  }
  File file;
  file.handle_ = reinterpret_cast<intptr_t>(h);
  file.path_ = path;
  if (::GetFileType(h) != FILE_TYPE_DISK) {
    return Status(Result::kFailed, operation, path, "not a regular file");
  }
  *out = std::move(file);
  return Status();
}

Status File::Read(void* buffer, size_t n, size_t* got) {
  *got = 0;
  if (handle_ == -1) return Status(Result::kFailed, "read", path_, "the file is not open");
  DWORD read = 0;
  const DWORD want = static_cast<DWORD>(n < kMaxChunk ? n : kMaxChunk);
  if (!::ReadFile(ToHandle(handle_), buffer, want, &read, nullptr)) {
    return LastErrorStatus("read", path_);
  }
  *got = read;
  return Status();
}

Status File::Write(const void* data, size_t n) {
  if (handle_ == -1) return Status(Result::kFailed, "write", path_, "the file is not open");
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    DWORD written = 0;
    const DWORD want = static_cast<DWORD>(n < kMaxChunk ? n : kMaxChunk);
    if (!::WriteFile(ToHandle(handle_), p, want, &written, nullptr)) {
      return LastErrorStatus("write", path_);
    }
    if (written == 0) return Status(Result::kFailed, "write", path_, "nothing was written");
    p += written;
    n -= written;
  }
  return Status();
}

Status File::Seek(int64_t offset) {
  if (handle_ == -1) return Status(Result::kFailed, "seek in", path_, "the file is not open");
  LARGE_INTEGER to;
  to.QuadPart = offset;
  if (::SetFilePointerEx(ToHandle(handle_), to, nullptr, FILE_BEGIN)) return Status();
  return LastErrorStatus("seek in", path_);
}

Status File::SeekToEnd() {
  if (handle_ == -1) return Status(Result::kFailed, "seek in", path_, "the file is not open");
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  if (::SetFilePointerEx(ToHandle(handle_), zero, nullptr, FILE_END)) return Status();
  return LastErrorStatus("seek in", path_);
}

int64_t File::Size() const {
  LARGE_INTEGER size;
  if (handle_ == -1 || !::GetFileSizeEx(ToHandle(handle_), &size)) return -1;
  return static_cast<int64_t>(size.QuadPart);
}

Status File::Sync() {
  if (handle_ == -1) return Status(Result::kFailed, "sync", path_, "the file is not open");
  if (::FlushFileBuffers(ToHandle(handle_))) return Status();
  return LastErrorStatus("sync", path_);
}

// Windows writes a file's cache out by itself; FlushFileBuffers then waits for what is left.
void File::StartWriteback() {}

Status File::Close() {
  if (handle_ == -1) return Status();
  HANDLE h = ToHandle(std::exchange(handle_, -1));
  if (::CloseHandle(h)) return Status();
  return LastErrorStatus("close", path_);
}

}  // namespace oru::platform
