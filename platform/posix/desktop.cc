#include "platform/desktop.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace oru::platform {

Status OpenWithDesktop(const std::string& path, const std::string& opener) {
  // A shell starts the opener in the background and ends at once: the opener outlives this
  // call without being this process's child to wait for.
  const std::string program = opener.empty() ? "xdg-open" : opener;
  std::vector<std::string> argv{"/bin/sh", "-c", "\"$0\" \"$1\" >/dev/null 2>&1 </dev/null &",
                                program, path};
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, args[0], nullptr, nullptr, args.data(), environ);
  if (spawned != 0) return Status(Result::kFailed, "open", path, std::strerror(spawned));
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return Status();
}

}  // namespace oru::platform
