// What the commands share: errors on standard error and the --help convention.
#include <cstdio>

#include "tools/oru/commands.h"

namespace oru::tool {

int Fail(const std::string& message) {
  std::fprintf(stderr, "oru: %s\n", message.c_str());
  return kExitError;
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

int HelpOrUsageError(const std::string& arg, const char* usage, const char* command) {
  if (IsHelp(arg)) {
    std::fputs(usage, stdout);
    return kExitOk;
  }
  return Fail("unexpected argument '" + arg + "' (see 'oru " + command + " --help')");
}

}  // namespace oru::tool
