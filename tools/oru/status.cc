// oru status: the indexes of the work folder, with what "storages.ini" records of them and what
// their folders hold.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "indexer/engine/job.h"
#include "indexer/engine/unread_files.h"
#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/find.h"
#include "platform/ini.h"
#include "tools/oru/commands.h"
#include "tools/oru/group.h"
#include "tools/oru/index_reader.h"
#include "tools/oru/search.h"
#include "tools/oru/text.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru status [--check NAME] [--failed NAME [--json]]\n"
    "Lists the indexes of the work folder: name, whether their last run completed (as\n"
    "storages.ini records it), the files and words they hold, and their size on disk. A group\n"
    "of indexes (see 'oru index --help') is one line with its indexes' totals; its state is\n"
    "the worst of theirs.\n"
    "  --check NAME  counts the files of the index or group NAME that are gone, or whose size\n"
    "                or time changed, since they were indexed\n"
    "  --failed NAME lists the files of the index or group NAME that no parser read: refused\n"
    "                by their parser (damaged, encrypted, not of their type), or passed over\n"
    "                because their parse crashed or ran past the time limit; with the time\n"
    "                (UTC) each was recorded. --json prints one object a line:\n"
    "                {\"path\", \"reason\": \"refused\"|\"crashed\"|\"timed out\", \"when\"}\n";

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

// The files recorded in the indexes of `name` that are gone or changed on disk.
int Check(const std::string& work, const std::string& name) {
  uint64_t files = 0;
  uint64_t gone = 0;
  uint64_t changed = 0;
  for (const std::string& index : IndexesOf(work, name)) {
    const std::string folder = IndexFolder(work, index);
    if (!platform::FolderExists(folder)) {
      return Fail("there is no index named '" + index + "' (see 'oru status')");
    }
    IndexReader reader;
    std::string error;
    if (!reader.Open(folder, true, &error)) return Fail(error);
    for (const IndexedFile& file : reader.files()) {
      ++files;
      const HitState state = StateOf(file);
      gone += state == HitState::kGone ? 1 : 0;
      changed += state == HitState::kChanged ? 1 : 0;
    }
  }
  std::printf("%s: %llu files recorded, %llu gone and %llu changed since indexing\n",
              name.c_str(), static_cast<unsigned long long>(files),
              static_cast<unsigned long long>(gone), static_cast<unsigned long long>(changed));
  if (gone + changed > 0) {
    std::printf("'oru index FOLDER... --name %s --update' brings it up to date\n", name.c_str());
  }
  return kExitOk;
}

// `seconds` since 1970 as "YYYY-MM-DDTHH:MM:SSZ" (UTC).
std::string IsoTime(int64_t seconds) {
  using namespace std::chrono;
  const sys_seconds at{std::chrono::seconds(seconds)};
  const sys_days day = floor<days>(at);
  const year_month_day date{day};
  const hh_mm_ss<std::chrono::seconds> time{at - day};
  char text[40];
  std::snprintf(text, sizeof(text), "%04d-%02u-%02uT%02lld:%02lld:%02lldZ",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<long long>(time.hours().count()),
                static_cast<long long>(time.minutes().count()),
                static_cast<long long>(time.seconds().count()));
  return text;
}

// The files of the indexes of `name` that no parser read.
int Failed(const std::string& work, const std::string& name, bool json) {
  const std::string storages = work + kStoragesFolder + platform::kPathSeparator;
  size_t listed = 0;
  for (const std::string& index : IndexesOf(work, name)) {
    if (!platform::FolderExists(IndexFolder(work, index))) {
      return Fail("there is no index named '" + index + "' (see 'oru status')");
    }
    UnreadFiles unread;
    if (!unread.Load(platform::RealFileSystem(), UnreadFiles::PathFor(storages, index))) {
      return Fail("cannot read " + UnreadFiles::PathFor(storages, index));
    }
    for (const UnreadFile& file : unread.Sorted()) {
      ++listed;
      const char* reason = UnreadReasonName(file.reason);
      if (json) {
        std::string line = "{\"path\":" + JsonQuote(PathToUtf8(file.path));
        if (!IsUtf8(file.path)) line += ",\"path_bytes\":\"" + HexBytes(file.path) + "\"";
        line += ",\"reason\":" + JsonQuote(reason) + ",\"when\":" +
                JsonQuote(IsoTime(file.when)) + "}\n";
        std::fputs(line.c_str(), stdout);
      } else {
        std::printf("%-9s  %s  %s\n", reason, IsoTime(file.when).c_str(),
                    EscapeControls(PathToUtf8(file.path)).c_str());
      }
    }
  }
  if (!json && listed == 0) std::printf("%s: every file was read by its parser\n", name.c_str());
  return kExitOk;
}

}  // namespace

int StatusCommand(const std::vector<std::string>& args) {
  std::string check;
  std::string failed;
  bool json = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--check" && i + 1 < args.size()) {
      check = args[++i];
    } else if (args[i] == "--failed" && i + 1 < args.size()) {
      failed = args[++i];
    } else if (args[i] == "--json") {
      json = true;
    } else {
      return HelpOrUsageError(args[i], kUsage, "status");
    }
  }
  const std::string work = WorkFolder();
  if (work.empty()) return Fail("cannot tell where the work folder is");
  if (!check.empty()) {
    if (!IsValidIndexName(check)) return Fail("'" + check + "' is no index name");
    return Check(work, check);
  }
  if (!failed.empty()) {
    if (!IsValidIndexName(failed)) return Fail("'" + failed + "' is no index name");
    return Failed(work, failed, json);
  }
  if (json) return Fail("--json goes with --failed NAME (see 'oru status --help')");
  if (!platform::FolderExists(work)) {
    std::printf("no work folder yet at %s (see 'oru setup' and 'oru index')\n", work.c_str());
    return kExitOk;
  }
  std::vector<std::vector<std::string>> parts;
  const std::vector<std::string> names = ListIndexNames(work, &parts);
  std::printf("work folder: %s\n", work.c_str());
  if (names.empty()) {
    std::printf("no indexes yet (see 'oru index')\n");
    return kExitOk;
  }
  // A group shows how many indexes it takes beside its name.
  std::vector<std::string> shown;
  int width = 4;
  for (size_t n = 0; n < names.size(); ++n) {
    shown.push_back(parts[n].size() > 1
                        ? names[n] + " (" + std::to_string(parts[n].size()) + " indexes)"
                        : names[n]);
    width = std::max(width, static_cast<int>(shown.back().size()));
  }
  std::printf("%-*s  %-10s  %7s  %8s  %s\n", width, "NAME", "STATE", "FILES", "WORDS", "SIZE");
  for (size_t n = 0; n < names.size(); ++n) {
    // A group's state is the worst of its indexes'; its counts are their sums.
    const char* state = "complete";
    uint64_t files = 0;
    uint64_t words = 0;
    uint64_t size = 0;
    bool damaged = false;
    bool missing = false;
    for (const std::string& index : parts[n]) {
      const std::string folder = IndexFolder(work, index);
      const bool exists = platform::FolderExists(folder);
      const char* one = StateName(ReadIndexState(work, index), exists);
      if (std::string(state) == "complete" || !exists) state = one;
      missing = missing || !exists;
      IndexReader reader;
      std::string error;
      if (exists && reader.Open(folder, true, &error)) {
        files += reader.file_count();
        words += reader.word_count();
      } else if (exists) {
        damaged = true;
      }
      if (exists) size += FolderSize(folder);
    }
    const std::string file_text = missing ? "-" : damaged ? "damaged" : std::to_string(files);
    const std::string word_text = missing ? "-" : damaged ? "damaged" : std::to_string(words);
    std::printf("%-*s  %-10s  %7s  %8s  %s\n", width, shown[n].c_str(), state, file_text.c_str(),
                word_text.c_str(), missing ? "-" : HumanSize(size).c_str());
  }
  return kExitOk;
}

}  // namespace oru::tool
