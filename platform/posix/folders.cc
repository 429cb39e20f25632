#include "platform/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace oru::platform {

namespace {

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

// Drops trailing separators, keeping a lone "/".
std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string WithTrailingSeparator(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool GetAppDataFolder(std::string* folder) {
  const char* data_home = std::getenv("XDG_DATA_HOME");
  if (IsAbsolute(data_home)) {
    *folder = WithoutTrailingSeparators(data_home);
    return true;
  }
  const char* home = std::getenv("HOME");
  if (IsAbsolute(home)) {
    std::string base = WithoutTrailingSeparators(home);
    if (base == "/") base.clear();
    *folder = base + "/.local/share";
    return true;
  }
  return false;
}

std::string ProgramPath() {
  std::string path(256, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < path.size()) {
      path.resize(static_cast<size_t>(n));
      return path;
    }
    path.resize(path.size() * 2);  // possibly cut short: try again with more room
  }
}

std::string ProgramFolder() {
  std::string path = ProgramPath();
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

bool GetRuntimeFolderFrom(const char* xdg_runtime_dir, const std::string& run_user_dir,
                          const std::string& private_dir, std::string* folder) {
  if (IsAbsolute(xdg_runtime_dir) && IsFolder(xdg_runtime_dir)) {
    *folder = WithTrailingSeparator(xdg_runtime_dir);
    return true;
  }
  if (!run_user_dir.empty() && IsFolder(run_user_dir)) {
    *folder = WithTrailingSeparator(run_user_dir);
    return true;
  }
  // A folder in a shared place: whoever made it first owns it, so take it only when that is us
  // and it is not a link someone planted.
  if (mkdir(private_dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  if (lstat(private_dir.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return false;
  *folder = WithTrailingSeparator(private_dir);
  return true;
}

bool GetRuntimeFolder(std::string* folder) {
  std::string uid = std::to_string(geteuid());
  return GetRuntimeFolderFrom(std::getenv("XDG_RUNTIME_DIR"), "/run/user/" + uid, "/tmp/oru-" + uid,
                              folder);
}

}  // namespace oru::platform
