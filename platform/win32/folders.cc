// Where things live on Windows: the roaming application-data folder, the program file from
// the module name, and the user's temporary folder as the runtime folder.
#include "platform/folders.h"

#include "platform/win32/win_api.h"

#include <shlobj.h>

namespace oru::platform {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool GetAppDataFolder(std::string* folder) {
  // CSIDL_APPDATA without CSIDL_FLAG_CREATE: the folder belongs to the user's profile, and
  // nothing is made here that Windows would not have made itself.
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, FALSE) || path[0] == '\0') {
    return false;
  }
  std::string result(path);
  // A drive root keeps its separator ("C:\"); any other folder loses it.
  while (result.size() > 3 && IsSeparator(result.back())) result.pop_back();
  *folder = result;
  return true;
}

std::string ProgramPath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    // A full buffer means the name may have been cut short: try again with more room.
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    if (path.size() >= 32768) return std::string();  // longer than any Windows path
    path.resize(path.size() * 2);
  }
}

std::string ProgramFolder() {
  std::string path = ProgramPath();
  const size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return std::string();
  return path.substr(0, separator + 1);
}

bool IsAbsolutePath(const std::string& path) {
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return true;
  return path.size() >= 3 && path[1] == ':' && IsSeparator(path[2]);
}

std::string CurrentFolder() {
  const DWORD needed = GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return std::string();
  std::string path(needed, '\0');
  const DWORD n = GetCurrentDirectoryA(needed, path.data());
  if (n == 0 || n >= needed) return std::string();
  path.resize(n);
  if (!IsSeparator(path.back())) path += '\\';
  return path;
}

bool GetRuntimeFolder(std::string* folder, std::string* problem) {
  // The per-user temporary folder (%TEMP%), the place Windows programs keep such files; the
  // mutex and the message window themselves need none on Windows.
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof(path), path);
  if (n == 0 || n >= sizeof(path)) {
    if (problem != nullptr) *problem = "the temporary folder cannot be named";
    return false;
  }
  std::string result(path, n);
  if (!IsFolder(result)) {
    if (problem != nullptr) *problem = "the temporary folder " + result + " does not exist";
    return false;
  }
  if (!IsSeparator(result.back())) result += '\\';
  *folder = result;
  return true;
}

}  // namespace oru::platform
