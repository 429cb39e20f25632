// oru setup: makes the work folders and writes the default "ORU.ini" when none exists.
#include <cstdio>

#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "tools/oru/commands.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru setup\n"
    "Creates the work folder and writes a default ORU.ini there when none exists: the folder\n"
    "plug-in for the storage type \"Folders\", and the Word and MP3 parsers beside this program.\n";

bool EnsureFolder(const std::string& path) {
  return platform::FolderExists(path) || platform::CreateFolder(path) == platform::Result::kOk;
}

}  // namespace

int SetupCommand(const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::fputs(kUsage, args[0] == "--help" || args[0] == "-h" ? stdout : stderr);
    return args[0] == "--help" || args[0] == "-h" ? 0 : 2;
  }
  const std::string base = WorkBaseFolder();
  if (base.empty()) {
    std::fprintf(stderr, "oru: cannot tell where the work folder belongs\n");
    return 1;
  }
  const char sep = platform::kPathSeparator;
  const std::string vendor = base + kVendorFolder + sep;
  const std::string work = vendor + kProductFolder + sep;
  const std::string storages = work + kStoragesFolder + sep;
  for (const std::string& folder : {vendor, work, storages}) {
    if (!EnsureFolder(folder)) {
      std::fprintf(stderr, "oru: cannot create the folder %s\n", folder.c_str());
      return 1;
    }
  }
  const std::string config = work + kConfigFileName;
  const bool existed = platform::FileExists(config);
  const std::string programs = platform::ProgramFolder();
  if (!WriteDefaultConfig(config, programs)) {
    std::fprintf(stderr, "oru: cannot write %s\n", config.c_str());
    return 1;
  }
  std::printf("work folder:   %s\n", work.c_str());
  std::printf("configuration: %s (%s)\n", config.c_str(), existed ? "kept as it was" : "written");
  std::printf("indexes:       %s\n", storages.c_str());
  std::printf("status file:   %s%s\n", work.c_str(), kStatusFileName);
  std::printf("programs:      %s\n", programs.c_str());
  return 0;
}

}  // namespace oru::tool
