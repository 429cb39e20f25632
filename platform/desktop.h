// Handing a file to the desktop: opened with the application the user chose for its type.
// POSIX: xdg-open, which asks the desktop (or its portal); Windows: ShellExecute's "open".
#ifndef ORU_PLATFORM_DESKTOP_H_
#define ORU_PLATFORM_DESKTOP_H_

#include <string>

#include "platform/status.h"

namespace oru::platform {

// Opens `path` (a file or a folder) with the desktop's default application, without waiting
// for it. With `opener` (a program's path) that program is started with `path` instead.
Status OpenWithDesktop(const std::string& path, const std::string& opener = "");

}  // namespace oru::platform

#endif  // ORU_PLATFORM_DESKTOP_H_
