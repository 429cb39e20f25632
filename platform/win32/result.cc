#include "platform/win32/error_result.h"

#include "platform/status.h"

#include "platform/win32/win_api.h"

namespace oru::platform::win32 {

Result ResultFromError(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:  // a path through something that is no folder
    case ERROR_MOD_NOT_FOUND:
    case ERROR_PROC_NOT_FOUND:
      return Result::kNotFound;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return Result::kExists;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
      return Result::kDenied;
    default:
      return Result::kFailed;
  }
}

Result LastErrorResult() { return ResultFromError(::GetLastError()); }

std::string ErrorText(unsigned long error) {
  char* text = nullptr;
  const DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = n > 0 && text != nullptr ? std::string(text, n) : std::string();
  if (text != nullptr) ::LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
    result.pop_back();
  return result.empty() ? "error " + std::to_string(error) : result;
}

}  // namespace oru::platform::win32

namespace oru::platform {

Status LastErrorStatus(const std::string& operation, const std::string& path) {
  const DWORD error = ::GetLastError();
  return Status(win32::ResultFromError(error), operation, path, win32::ErrorText(error));
}

}  // namespace oru::platform
