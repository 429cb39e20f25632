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
    "  index    index folders with Tamsel and report the outcome\n"
    "  search   list the files of an index that match a query, with a fragment\n"
    "  status   list the indexes of the work folder\n"
    "  watch    keep indexes fresh: update each soon after its folders change\n"
    "Run 'oru COMMAND --help' for a command's options.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace oru::tool;
  if (argc < 2) return Fail("no command given (see 'oru --help')");
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (IsHelp(command) || command == "help") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (command == "setup") return SetupCommand(args);
  if (command == "index") return IndexCommand(args);
  if (command == "search") return SearchCommand(args);
  if (command == "status") return StatusCommand(args);
  if (command == "watch") return WatchCommand(args);
  return Fail("unknown command '" + command + "' (see 'oru --help')");
}
