// oru status: the indexes of the work folder, with what "storages.ini" records of them and what
// their folders hold.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "indexer/engine/index_records.h"
#include "indexer/engine/job.h"
#include "indexer/engine/unread_files.h"
#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/find.h"
#include "platform/ini.h"
#include "tools/oru/commands.h"
#include "tools/oru/group.h"
#include "tools/oru/index_reader.h"
#include "tools/oru/index_summary.h"
#include "tools/oru/search.h"
#include "tools/oru/text.h"
#include "tools/oru/watch/watch_record.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru status [--check NAME] [--failed NAME [--json]]\n"
    "Lists the indexes of the work folder: name, whether their last run completed (as\n"
    "storages.ini records it), the files and words they hold, and their size on disk. A group\n"
    "of indexes (see 'oru index --help') is one line with its indexes' totals; its state is\n"
    "the worst of theirs. Then whether a watcher runs (see 'oru watch --help') and when it\n"
    "last updated each index.\n"
    "  --check NAME  counts the files of the index or group NAME that are gone, or whose size\n"
    "                or time changed, since they were indexed\n"
    "  --failed NAME lists the files of the index or group NAME that no parser read: refused\n"
    "                by their parser (damaged, encrypted, not of their type), or passed over\n"
    "                because their parse crashed or ran past the time limit; with the time\n"
    "                (UTC) each was recorded. --json prints one object a line:\n"
    "                {\"path\", \"reason\": \"refused\"|\"crashed\"|\"timed out\", \"when\"}\n";


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
    if (!reader.Open(folder, true, &error, IndexRecords(work).Encoding(index))) return Fail(error);
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
  std::printf("%-*s  %-10s  %7s  %8s  %-12s  %s\n", width, "NAME", "STATE", "FILES", "WORDS",
              "TEXT", "SIZE");
  for (size_t n = 0; n < names.size(); ++n) {
    const IndexSummary summary = SummarizeIndexes(work, parts[n]);
    const char* state = summary.state.c_str();
    const bool missing = summary.missing;
    const bool damaged = summary.damaged;
    const uint64_t files = summary.files;
    const uint64_t words = summary.words;
    const uint64_t size = summary.bytes;
    const std::string file_text = missing ? "-" : damaged ? "damaged" : std::to_string(files);
    const std::string word_text = missing ? "-" : damaged ? "damaged" : std::to_string(words);
    std::printf("%-*s  %-10s  %7s  %8s  %-12s  %s\n", width, shown[n].c_str(), state,
                file_text.c_str(), word_text.c_str(), summary.encoding.c_str(),
                missing ? "-" : HumanSize(size).c_str());
  }
  const WatcherState watcher = ReadWatcherState(work);
  if (watcher.running) {
    std::printf("watcher: running%s%s\n", watcher.started.empty() ? "" : " since ",
                watcher.started.c_str());
  } else {
    std::printf("watcher: not running (see 'oru watch')\n");
  }
  for (const std::string& name : names) {
    const std::string updated = LastWatchedUpdate(work, name);
    if (!updated.empty()) {
      std::printf("  %s last updated by the watcher at %s\n", name.c_str(), updated.c_str());
    }
  }
  return kExitOk;
}

}  // namespace oru::tool
