// oru: the companion command-line tool of ORU Indexer.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/oru/commands.h"

namespace {

constexpr char kUsage[] =
    "usage: oru COMMAND [ARGS...]\n"
    "commands:\n"
    "  setup    create the work folder and a default ORU.ini\n"
    "Run 'oru COMMAND --help' for a command's options.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "setup") return oru::tool::SetupCommand(args);
  std::fprintf(stderr, "oru: unknown command '%s'\n", command.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}
