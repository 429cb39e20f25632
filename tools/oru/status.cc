// oru status: the indexes of the work folder, with what "storages.ini" records of them and what
// their folders hold.
#include <algorithm>
#include <cstdio>
#include <set>

#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/find.h"
#include "platform/ini.h"
#include "tools/oru/commands.h"
#include "tools/oru/index_reader.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru status\n"
    "Lists the indexes of the work folder: name, whether their last run completed (as\n"
    "storages.ini records it), the files and words they hold, and their size on disk.\n";

// The names of the folders in `folder`.
std::vector<std::string> SubFolders(const std::string& folder) {
  std::vector<std::string> names;
  platform::FolderSearch search;
  platform::FindEntry entry;
  if (search.Start(folder, &entry) != platform::Result::kOk) return names;
  do {
    if (entry.kind == platform::EntryKind::kFolder && entry.name != "." && entry.name != "..") {
      names.push_back(entry.name);
    }
  } while (search.Next(&entry));
  return names;
}

// The bytes of the files directly in `folder`.
uint64_t FolderSize(const std::string& folder) {
  uint64_t total = 0;
  platform::FolderSearch search;
  platform::FindEntry entry;
  if (search.Start(folder, &entry) != platform::Result::kOk) return 0;
  do {
    if (entry.kind == platform::EntryKind::kFile) total += entry.size;
  } while (search.Next(&entry));
  return total;
}

std::string HumanSize(uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  const char* units[] = {"KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(units)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f %s", value, units[unit]);
  return text;
}

const char* StateName(IndexState state, bool folder_exists) {
  if (!folder_exists) return "missing";
  switch (state) {
    case IndexState::kComplete:
      return "complete";
    case IndexState::kIncomplete:
      return "incomplete";
    case IndexState::kUnknown:
      break;
  }
  return "unrecorded";
}

}  // namespace

int StatusCommand(const std::vector<std::string>& args) {
  if (!args.empty()) return HelpOrUsageError(args[0], kUsage, "status");
  const std::string work = WorkFolder();
  if (work.empty()) return Fail("cannot tell where the work folder is");
  if (!platform::FolderExists(work)) {
    std::printf("no work folder yet at %s (see 'oru setup' and 'oru index')\n", work.c_str());
    return kExitOk;
  }
  const std::string storages = work + kStoragesFolder + platform::kPathSeparator;
  std::set<std::string> names;
  for (const std::string& name : SubFolders(storages)) names.insert(name);
  const platform::ProfileFile status = platform::ProfileFile::Open(work + kStatusFileName);
  for (const std::string& name : status.KeyNames("Indexed")) names.insert(name);
  std::printf("work folder: %s\n", work.c_str());
  if (names.empty()) {
    std::printf("no indexes yet (see 'oru index')\n");
    return kExitOk;
  }
  int width = 4;
  for (const std::string& name : names) width = std::max(width, static_cast<int>(name.size()));
  std::printf("%-*s  %-10s  %7s  %8s  %s\n", width, "NAME", "STATE", "FILES", "WORDS", "SIZE");
  for (const std::string& name : names) {
    const std::string folder = IndexFolder(work, name);
    const bool exists = platform::FolderExists(folder);
    std::string files = "-";
    std::string words = "-";
    IndexReader reader;
    std::string error;
    if (exists && reader.Open(folder, true, &error)) {
      files = std::to_string(reader.file_count());
      words = std::to_string(reader.word_count());
    } else if (exists) {
      files = words = "damaged";
    }
    std::printf("%-*s  %-10s  %7s  %8s  %s\n", width, name.c_str(),
                StateName(ReadIndexState(work, name), exists), files.c_str(), words.c_str(),
                exists ? HumanSize(FolderSize(folder)).c_str() : "-");
  }
  return kExitOk;
}

}  // namespace oru::tool
