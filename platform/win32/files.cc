#include "platform/files.h"

#include <utility>

#include "platform/win32/error_result.h"
#include "platform/win32/win_api.h"

namespace oru::platform {

using win32::LastErrorResult;

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
      return {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING};
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

Result CreateFolder(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) ? Result::kOk : LastErrorResult();
}

Result DeleteFile(const std::string& path) {
  return ::DeleteFileA(path.c_str()) ? Result::kOk : LastErrorResult();
}

Result RenameFile(const std::string& from, const std::string& to) {
  // Refused (kDenied) while another program holds `to` open without delete sharing.
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? Result::kOk
             : LastErrorResult();
}

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

// A folder refuses CreateFileA with ERROR_ACCESS_DENIED; it is reported as kFailed like any
// other thing that is no file. Devices (CON, NUL, COM1, pipes) open at once and are refused by
// their type.
Result File::Open(const std::string& path, OpenMode mode, File* out) {
  const ModeFlags flags = FlagsFor(mode);
  HANDLE h = ::CreateFileA(path.c_str(), flags.access, flags.share, nullptr, flags.disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED && FolderExists(path)) return Result::kFailed;
    return win32::ResultFromError(error);
  }
  File file;
  file.handle_ = reinterpret_cast<intptr_t>(h);
  if (::GetFileType(h) != FILE_TYPE_DISK) return Result::kFailed;
  *out = std::move(file);
  return Result::kOk;
}

Result File::Read(void* buffer, size_t n, size_t* got) {
  *got = 0;
  if (handle_ == -1) return Result::kFailed;
  DWORD read = 0;
  const DWORD want = static_cast<DWORD>(n < kMaxChunk ? n : kMaxChunk);
  if (!::ReadFile(ToHandle(handle_), buffer, want, &read, nullptr)) return LastErrorResult();
  *got = read;
  return Result::kOk;
}

Result File::ReadExact(void* buffer, size_t n) {
  char* p = static_cast<char*>(buffer);
  while (n > 0) {
    size_t got = 0;
    Result result = Read(p, n, &got);
    if (result != Result::kOk) return result;
    if (got == 0) return Result::kFailed;  // the file ended early
    p += got;
    n -= got;
  }
  return Result::kOk;
}

Result File::Write(const void* data, size_t n) {
  if (handle_ == -1) return Result::kFailed;
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    DWORD written = 0;
    const DWORD want = static_cast<DWORD>(n < kMaxChunk ? n : kMaxChunk);
    if (!::WriteFile(ToHandle(handle_), p, want, &written, nullptr)) return LastErrorResult();
    if (written == 0) return Result::kFailed;
    p += written;
    n -= written;
  }
  return Result::kOk;
}

Result File::Seek(int64_t offset) {
  if (handle_ == -1) return Result::kFailed;
  LARGE_INTEGER to;
  to.QuadPart = offset;
  return ::SetFilePointerEx(ToHandle(handle_), to, nullptr, FILE_BEGIN) ? Result::kOk
                                                                         : LastErrorResult();
}

Result File::SeekToEnd() {
  if (handle_ == -1) return Result::kFailed;
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  return ::SetFilePointerEx(ToHandle(handle_), zero, nullptr, FILE_END) ? Result::kOk
                                                                         : LastErrorResult();
}

int64_t File::Size() const {
  LARGE_INTEGER size;
  if (handle_ == -1 || !::GetFileSizeEx(ToHandle(handle_), &size)) return -1;
  return static_cast<int64_t>(size.QuadPart);
}

Result File::Sync() {
  if (handle_ == -1) return Result::kFailed;
  return ::FlushFileBuffers(ToHandle(handle_)) ? Result::kOk : LastErrorResult();
}

Result File::Close() {
  if (handle_ == -1) return Result::kOk;
  HANDLE h = ToHandle(std::exchange(handle_, -1));
  return ::CloseHandle(h) ? Result::kOk : LastErrorResult();
}

}  // namespace oru::platform
