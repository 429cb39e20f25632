// oru setup: makes the work folders and writes the default "ORU.ini" when none exists.
#include <cstdio>

#include "indexer/engine/work_folders.h"
#include "platform/folders.h"
#include "tools/oru/commands.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru setup\n"
    "Creates the work folder and writes a default ORU.ini there when none exists: the folder\n"
    "plug-in for the storage type \"Folders\", and the parsers beside this program (Word, MP3,\n"
    "plain text, web pages, Rich Text, Office Open XML, OpenDocument, PDF).\n";

}  // namespace

int SetupCommand(const std::vector<std::string>& args) {
  if (!args.empty()) return HelpOrUsageError(args[0], kUsage, "setup");
  std::string work;
  bool written = false;
  std::string error;
  if (!PrepareWorkFolder(&work, &written, &error)) return Fail(error);
  std::printf("work folder:   %s\n", work.c_str());
  std::printf("configuration: %s%s (%s)\n", work.c_str(), kConfigFileName,
              written ? "written" : "kept as it was");
  std::printf("indexes:       %s%s/\n", work.c_str(), kStoragesFolder);
  std::printf("status file:   %s%s\n", work.c_str(), kStatusFileName);
  std::printf("programs:      %s\n", platform::ProgramFolder().c_str());
  return kExitOk;
}

}  // namespace oru::tool
