// Where things live: the per-user application-data folder, the program's own file and folder,
// and the per-user runtime folder for locks and message sockets.
#ifndef ORU_PLATFORM_FOLDERS_H_
#define ORU_PLATFORM_FOLDERS_H_

#include <string>

namespace oru::platform {

// The per-user application-data folder, without a trailing separator; false when the platform
// cannot name one. Windows: CSIDL_APPDATA as SHGetSpecialFolderPathA names it; nothing is
// created (the user's profile has it). POSIX: a missing folder is created (mode 0700).
bool GetAppDataFolder(std::string* folder);
// The full path of the running program file; empty when unknown.
std::string ProgramPath();
// The folder of the running program file, ending in the separator; empty when unknown.
std::string ProgramFolder();
// The per-user folder for locks and sockets, ending in the separator; false when no safe folder
// can be had, with the reason in `*problem` when it is given. POSIX: the fallback under
// /tmp must be a folder (not a link) owned by the user with mode 0700. Windows: the user's
// temporary folder (GetTempPathA), which must exist.
bool GetRuntimeFolder(std::string* folder, std::string* problem = nullptr);

// True when `path` does not depend on the current folder: POSIX, it starts with "/"; Windows,
// it starts with a drive letter and a separator, or with two separators (a network path).
bool IsAbsolutePath(const std::string& path);
// The current folder, ending in the separator; empty when unknown.
std::string CurrentFolder();

#ifndef _WIN32
// The choice GetRuntimeFolder makes, from given candidates (exposed for tests). In order:
// `xdg_runtime_dir` when it is non-null, absolute and an existing folder; `run_user_dir` when
// it is a folder; `private_dir`, created with mode 0700 if missing and taken only when it is a
// folder (not a link) owned by the effective user and open to nobody else (mode 0700). The
// result ends in "/"; a refusal says why in `*problem` when it is given.
bool GetRuntimeFolderFrom(const char* xdg_runtime_dir, const std::string& run_user_dir,
                          const std::string& private_dir, std::string* folder,
                          std::string* problem = nullptr);
#endif

}  // namespace oru::platform

#endif  // ORU_PLATFORM_FOLDERS_H_
