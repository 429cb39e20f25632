// oru setup: makes the work folders and writes the default "ORU.ini" when none exists.
#include <cstdio>

#include "indexer/engine/work_folders.h"
#include "platform/autostart.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "tools/oru/commands.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru setup\n"
    "Creates the work folder and writes a default ORU.ini there when none exists: the folder\n"
    "plug-in for the storage type \"Folders\", and the parsers beside this program (Word, MP3,\n"
    "plain text, web pages, Rich Text, Office Open XML, OpenDocument, PDF). Puts the search\n"
    "window, Trovella, in the desktop's menu as \"ORU Search\" and says where it is.\n";

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
  const std::string programs = platform::ProgramFolder();
  std::printf("programs:      %s\n", programs.c_str());
  // The search window, in the desktop's menu too, when it is built beside this program.
  const std::string window = programs + "Trovella" + platform::kProgramSuffix;
  if (!platform::FileExists(window)) {
    std::printf("search window: not built (cmake --build build --target Trovella)\n");
    return kExitOk;
  }
  platform::MenuEntry entry{"trovella", "ORU Search", "Search the documents ORU Indexer indexed",
                            window, programs + "trovella.svg"};
  std::string where;
  const platform::Status made = platform::InstallMenuEntry(entry, &where);
  std::printf("search window: %s (%s)\n", window.c_str(),
              made.ok() ? ("in the desktop's menu as \"ORU Search\": " + where).c_str()
                        : made.Message().c_str());
  return kExitOk;
}

}  // namespace oru::tool
