#include "platform/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

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
  std::string base;
  const char* data_home = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (IsAbsolute(data_home)) {
    base = WithoutTrailingSeparators(data_home);
  } else if (IsAbsolute(home)) {
    base = WithoutTrailingSeparators(home);
    if (base == "/") base.clear();
    base += "/.local/share";
  } else {
    return false;
  }
  // A new account may not have the folder yet; it is made as the base-directory convention
  // asks, private to the user. Failing that, the work folders report the problem.
  for (size_t slash = base.find('/', 1); slash != std::string::npos;
       slash = base.find('/', slash + 1)) {
    mkdir(base.substr(0, slash).c_str(), 0700);
  }
  mkdir(base.c_str(), 0700);
  *folder = base;
  return true;
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

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string CurrentFolder() {
  std::string path(256, '\0');
  for (;;) {
    if (getcwd(path.data(), path.size()) != nullptr) {
      path.resize(std::char_traits<char>::length(path.c_str()));
      return WithTrailingSeparator(path);
    }
    if (errno != ERANGE) return std::string();
    path.resize(path.size() * 2);
  }
}

bool GetRuntimeFolderFrom(const char* xdg_runtime_dir, const std::string& run_user_dir,
                          const std::string& private_dir, std::string* folder,
                          std::string* problem) {
  if (IsAbsolute(xdg_runtime_dir) && IsFolder(xdg_runtime_dir)) {
    *folder = WithTrailingSeparator(xdg_runtime_dir);
    return true;
  }
  if (!run_user_dir.empty() && IsFolder(run_user_dir)) {
    *folder = WithTrailingSeparator(run_user_dir);
    return true;
  }
  // A folder in a shared place: whoever made it first owns it, so take it only when that is us,
  // it is not a link someone planted, and nobody else may use it (they could block every run).
  const auto refuse = [&](const std::string& why) {
    if (problem != nullptr) {
      *problem = "XDG_RUNTIME_DIR is not set and " + private_dir + " " + why;
    }
    return false;
  };
  if (mkdir(private_dir.c_str(), 0700) != 0 && errno != EEXIST) {
    return refuse("cannot be created: " + std::generic_category().message(errno));
  }
  struct stat st;
  if (lstat(private_dir.c_str(), &st) != 0) {
    return refuse("cannot be examined: " + std::generic_category().message(errno));
  }
  if (!S_ISDIR(st.st_mode)) return refuse("is not a folder");
  if (st.st_uid != geteuid()) return refuse("belongs to another user");
  if ((st.st_mode & 07777) != 0700) return refuse("is open to other users (mode is not 0700)");
  *folder = WithTrailingSeparator(private_dir);
  return true;
}

bool GetRuntimeFolder(std::string* folder, std::string* problem) {
  std::string uid = std::to_string(geteuid());
  return GetRuntimeFolderFrom(std::getenv("XDG_RUNTIME_DIR"), "/run/user/" + uid, "/tmp/oru-" + uid,
                              folder, problem);
}

}  // namespace oru::platform
