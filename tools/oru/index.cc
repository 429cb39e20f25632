// oru index: writes a job file for folders, runs Tamsel on it as the search application's window
// would see it, and reports the outcome.
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "indexer/engine/run_codes.h"
#include "indexer/engine/index_records.h"
#include "indexer/engine/job.h"
#include "indexer/engine/parse_guard.h"
#include "indexer/engine/unread_files.h"
#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/mutex.h"
#include "platform/process.h"
#include "platform/window_message.h"
#include "tools/oru/commands.h"
#include "tools/oru/group.h"
#include "tools/oru/index_reader.h"
#include "tools/oru/split.h"
#include "tools/oru/text.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru index FOLDER... [--name NAME] [--update]\n"
    "Indexes the files below each FOLDER with Tamsel (beside this program) into the index NAME\n"
    "(default \"default\"). Writes the job file <work folder>/NAME.job.ini, creates the work\n"
    "folder and a default ORU.ini first when missing, and waits for Tamsel's message as the\n"
    "search window would. Tamsel's progress shows on the terminal; Ctrl-C asks it to stop.\n"
    "The files the parsers take are counted first. When there are more than one index can\n"
    "number (65,534), the folders are split by subfolder over a group of indexes NAME, NAME.2,\n"
    "NAME.3 ..., each filled to seven eighths of the limit, indexed one after the other and\n"
    "recorded in <work folder>/groups.ini; the other commands take NAME for the whole group.\n"
    "  --name NAME  the index or group to write\n"
    "  --update     add new and changed files to the existing index (every index of the group)\n"
    "               instead of starting anew; an index its folders have outgrown is split again\n"
    "When a parser plug-in crashes or hangs on a file (see ParseTimeLimit in ORU.ini), Tamsel\n"
    "is run again, up to 20 times an index: each run passes over the files that ended the\n"
    "runs before it until they change, and the files skipped are listed at the end\n"
    "('oru status --failed NAME' lists them, with the files their parsers refused).\n"
    "Exit status: 0 when every index was written, 1 when one was not, 2 on errors.\n";

constexpr char kTamselName[] = "Tamsel";

// How many times one index's Tamsel is run again after a parser crashed or hung in it.
constexpr int kParserFaultRuns = 20;

struct IndexOptions {
  std::string name = kDefaultIndexName;
  bool update = false;
  std::vector<std::string> folders;
};

// Reads the arguments; returns -1 to go on, or the exit status to end with.
int ParseArguments(const std::vector<std::string>& args, IndexOptions* options) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty() || arg[0] != '-') {
      options->folders.push_back(arg);
    } else if (arg == "--update") {
      options->update = true;
    } else if (arg == "--name" && i + 1 < args.size()) {
      options->name = args[++i];
    } else if (arg.rfind("--name=", 0) == 0) {
      options->name = arg.substr(7);
    } else {
      return HelpOrUsageError(arg, kUsage, "index");
    }
  }
  if (options->folders.empty()) return Fail("no folder to index (see 'oru index --help')");
  return -1;
}

// The folder's absolute path without a trailing separator; empty when it is not a folder.
std::string AbsoluteFolder(const std::string& folder) {
  std::error_code failed;
  std::filesystem::path path = std::filesystem::absolute(folder, failed).lexically_normal();
  if (failed) return "";
  std::string text = path.string();
  while (text.size() > 1 && text.back() == platform::kPathSeparator) text.pop_back();
  return platform::FolderExists(text) ? text : "";
}

// One index of the run: its name, its folders (and single files, the files directly in a folder
// split by its subfolders) and whether it is updated or made anew.
struct PartRun {
  std::string name;
  std::vector<std::string> folders;
  bool update = false;
};

// Writes the job file, and reads it back to make sure every folder survives the profile format
// (values lose surrounding blanks and quotes).
bool WriteJob(const std::string& path, const PartRun& part, std::string* error) {
  const std::string text = JobText({part.name, part.update, kDefaultStorageType, part.folders});
  // Written whole: a Tamsel of this name started meanwhile reads the old job or the new one.
  if (!WriteFileWhole(path, text, error)) return false;
  const std::vector<std::string> read =
      ReadStorageFolders(platform::ProfileFile::Open(path), kDefaultStorageType);
  for (size_t i = 0; i < part.folders.size(); ++i) {
    if (i >= read.size() || read[i] != part.folders[i] + platform::kPathSeparator) {
      *error = "the folder '" + part.folders[i] + "' cannot be written to a job file";
      return false;
    }
  }
  return true;
}

// The counted files of job entries: every file below a folder, and a file that is counted.
uint64_t FilesIn(const FileCounter& counter, const std::vector<std::string>& entries) {
  uint64_t files = 0;
  for (const std::string& entry : entries) {
    if (const CountNode* node = counter.Find(entry)) {
      files += node->total;
    } else if (counter.Counted(entry)) {
      ++files;
    }
  }
  return files;
}

// The units of job entries, cut to at most `target` files each.
std::vector<SplitUnit> UnitsOf(const FileCounter& counter, const std::vector<std::string>& entries,
                               uint64_t target) {
  std::vector<SplitUnit> units;
  for (const std::string& entry : entries) {
    if (const CountNode* node = counter.Find(entry)) {
      CutIntoUnits(*node, entry, target, &units);
    } else if (counter.Counted(entry)) {
      units.push_back({entry, 1});
    }
  }
  return units;
}

// The highest file number an update of the index would reach with `files` files in its
// folders: the highest it has given (numbers of files that are gone are not given again) and
// one for each file it does not record.
uint64_t NumbersAfterUpdate(const std::string& work, const std::string& name,
                            const FileCounter& counter, uint64_t files) {
  IndexReader reader;
  std::string error;
  const IndexRecords records(work);
  if (!reader.Open(IndexFolder(work, name), true, &error, records.Encoding(name))) return files;
  uint64_t highest = records.HighestFileNumber(name);
  uint64_t recorded = 0;
  for (const IndexedFile& file : reader.files()) {
    highest = std::max<uint64_t>(highest, file.number);
    if (counter.Counted(file.path)) ++recorded;
  }
  return highest + (files > recorded ? files - recorded : 0);
}

// Chooses the indexes of the run: the one index NAME when its folders fit, else a group.
class Planner {
 public:
  Planner(std::string work, const IndexOptions& options)
      : work_(std::move(work)), options_(options), limit_(PassFileLimit()),
        target_(SplitTarget(limit_)) {}

  // Counts the files and fills `parts`.
  void Plan(std::vector<PartRun>* parts) {
    had_group_ = FindGroup(work_, options_.name, &old_group_);
    FileCounter counter;
    if (!counter.Load(work_, kDefaultStorageType)) {
      // Without the plug-ins nothing can be counted: the indexes stay as they are, and Tamsel
      // says what is wrong.
      if (!had_group_) parts->push_back({options_.name, options_.folders, options_.update});
      for (const std::string& part : old_group_.parts) {
        parts->push_back({part, JobFolders(work_, part), options_.update});
      }
      return;
    }
    counted_ = true;
    for (const std::string& folder : options_.folders) counter.Count(folder);
    if (options_.update) {
      PlanUpdate(counter, parts);
    } else if (FilesIn(counter, options_.folders) <= limit_) {
      parts->push_back({options_.name, options_.folders, false});
    } else {
      AddParts(UnitsOf(counter, options_.folders, target_), parts);
    }
  }

  // Whether the group record changes: false when nothing could be counted.
  bool regroups() const { return counted_; }
  bool had_group() const { return had_group_; }
  uint64_t limit() const { return limit_; }

 private:
  void PlanUpdate(const FileCounter& counter, std::vector<PartRun>* parts) {
    std::vector<PartRun> existing;
    if (had_group_) {
      for (const std::string& part : old_group_.parts) {
        existing.push_back({part, JobFolders(work_, part), true});
      }
    } else {
      existing.push_back({options_.name, options_.folders, true});
    }
    std::vector<std::string> covered;
    std::vector<Room> rooms;
    for (const PartRun& old : existing) {
      PartRun part{old.name, {}, false};
      for (const std::string& folder : old.folders) {
        for (const std::string& root : options_.folders) {
          if (IsWithin(folder, root)) {
            part.folders.push_back(folder);
            break;
          }
        }
      }
      if (part.folders.empty()) continue;
      covered.insert(covered.end(), part.folders.begin(), part.folders.end());
      const uint64_t files = FilesIn(counter, part.folders);
      const uint64_t numbers = NumbersAfterUpdate(work_, part.name, counter, files);
      part.update = part.folders == old.folders && numbers <= limit_;
      if (part.update || files <= limit_) {
        // An update that would run out of numbers builds the index anew instead.
        rooms.push_back({parts->size(), part.update ? numbers : files, files});
        parts->push_back(part);
        continue;
      }
      // Outgrown: split again; the index keeps the first share and new ones take the rest.
      std::vector<std::vector<SplitUnit>> bins =
          PackUnits(UnitsOf(counter, part.folders, target_), target_);
      for (size_t i = 0; i < bins.size(); ++i) {
        PartRun share{i == 0 ? part.name : NextPartName(*parts), {}, false};
        for (const SplitUnit& unit : bins[i]) share.folders.push_back(unit.path);
        parts->push_back(share);
      }
    }
    // What no index covers yet below the group's folders (new subfolders of a folder that was
    // split, new files directly in it) goes to new indexes; a new file goes to an index that
    // already holds a file of its folder when that one has room.
    std::vector<SplitUnit> units;
    for (const std::string& root : options_.folders) {
      if (const CountNode* node = counter.Find(root)) {
        UncoveredUnits(*node, root, covered, target_, &units);
      } else if (covered.empty()) {
        units.push_back({root, 0});
      }
    }
    std::vector<SplitUnit> unplaced;
    for (SplitUnit& unit : units) {
      if (!counter.Counted(unit.path) || !PlaceBesideSiblings(counter, unit.path, &rooms, parts)) {
        unplaced.push_back(std::move(unit));
      }
    }
    AddParts(unplaced, parts);
  }

  // How much more an index of the run takes: its place in `parts`, the file numbers it will
  // use and the files it holds.
  struct Room {
    size_t part = 0;
    uint64_t numbers = 0;
    uint64_t files = 0;
  };

  // Adds the file `path` to an index of `rooms` that names a file of the same folder and stays
  // within the split target, its file numbers and the entries of a job. False when none does.
  bool PlaceBesideSiblings(const FileCounter& counter, const std::string& path,
                           std::vector<Room>* rooms, std::vector<PartRun>* parts) const {
    const std::string folder = path.substr(0, path.rfind(platform::kPathSeparator) + 1);
    const auto sibling = [&](const std::string& entry) {
      return entry.size() > folder.size() && entry.compare(0, folder.size(), folder) == 0 &&
             entry.find(platform::kPathSeparator, folder.size()) == std::string::npos &&
             counter.Counted(entry);
    };
    for (Room& room : *rooms) {
      PartRun& part = (*parts)[room.part];
      if (room.files + 1 > target_ || room.numbers + 1 > limit_ ||
          part.folders.size() >= kMaxJobEntries ||
          std::none_of(part.folders.begin(), part.folders.end(), sibling)) {
        continue;
      }
      part.folders.push_back(path);
      ++room.files;
      ++room.numbers;
      return true;
    }
    return false;
  }

  // New indexes for `units`, packed in order; the first takes NAME when nothing has it yet.
  void AddParts(const std::vector<SplitUnit>& units, std::vector<PartRun>* parts) {
    for (const std::vector<SplitUnit>& bin : PackUnits(units, target_)) {
      PartRun part{parts->empty() ? options_.name : NextPartName(*parts), {}, false};
      for (const SplitUnit& unit : bin) part.folders.push_back(unit.path);
      parts->push_back(part);
    }
  }

  // NAME.2, NAME.3 ...: the first that no index of `parts` has and that is no index of its own
  // outside the group. An update keeps the group's indexes, so it takes none of their names;
  // a fresh run reuses them.
  std::string NextPartName(const std::vector<PartRun>& parts) const {
    for (int n = 2;; ++n) {
      const std::string name = options_.name + "." + std::to_string(n);
      const auto same = [&](const PartRun& p) { return p.name == name; };
      if (std::find_if(parts.begin(), parts.end(), same) != parts.end()) continue;
      const bool ours = std::find(old_group_.parts.begin(), old_group_.parts.end(), name) !=
                        old_group_.parts.end();
      if (ours && options_.update) continue;
      if (ours || !platform::FolderExists(IndexFolder(work_, name))) return name;
    }
  }

  std::string work_;
  const IndexOptions& options_;
  uint64_t limit_;
  uint64_t target_;
  bool had_group_ = false;
  bool counted_ = false;
  IndexGroup old_group_;
};

// The outcome Tamsel announced: 1 written, 0 not written, -1 no message.
int64_t ReceiveOutcome(platform::MessageWindow* window) {
  platform::WindowMessage message;
  while (window->Receive(&message, 0)) {
    if (message.number == kIndexDoneMessage) return message.wparam == 1 ? 1 : 0;
  }
  return -1;
}

// Why Tamsel ended with `status` without writing the index.
std::string Failure(int status, const std::string& work, const std::string& job) {
  switch (status) {
    case kRunFailed:
      return "Tamsel failed (see its line above); the last complete index is kept";
    case kRunConfigFailed:
      return "Tamsel could not load its plug-ins (see " + work + kConfigFileName + ")";
    case kRunNoJobFile:
    case kRunBadJob:
      return "Tamsel refused the job file " + job;
    case 1:
      return "Tamsel did not start: another Tamsel is running";
  }
  return "Tamsel ended with status " + std::to_string(status);
}

// True when Tamsel ended inside a parser plug-in: past the parse time limit, or ended
// abnormally (a signal; on Windows an exception code such as 0xC0000005, or abort's 3) with a
// parse under way, which its note beside the index folder tells. Running it again then passes
// that file over.
bool EndedInParser(const platform::ProgramExit& exit, const std::string& note) {
  if (exit.exited && exit.status == kRunParseTimedOut) return true;
  bool abnormal = !exit.exited || exit.status < 0 || exit.status > 255;
#if defined(_WIN32)
  abnormal = abnormal || exit.status == 3;
#endif
  return abnormal && platform::FileExists(note);
}

// Lists the files of the index that its runs passed over because their parse crashed or hung.
void ReportSkipped(const std::string& work, const std::string& name) {
  UnreadFiles unread;
  unread.Load(platform::RealFileSystem(),
              UnreadFiles::PathFor(work + kStoragesFolder + platform::kPathSeparator, name));
  size_t refused = 0;
  for (const UnreadFile& file : unread.Sorted()) {
    if (file.reason == UnreadReason::kRefused) {
      ++refused;
    } else {
      std::printf("skipped: %s (%s)\n", EscapeControls(PathToUtf8(file.path)).c_str(),
                  UnreadReasonName(file.reason));
    }
  }
  if (refused > 0) {
    std::printf("unread:        %zu files their parsers refused ('oru status --failed %s')\n",
                refused, name.c_str());
  }
}

// Runs Tamsel on the part's job file and reports the outcome: kExitOk when the index was
// written.
int RunPart(const std::string& work, const PartRun& part, platform::MessageWindow* window) {
  const std::string job = JobFilePath(work, part.name);
  std::string error;
  if (!WriteJob(job, part, &error)) return Fail(error);
  std::printf("job file:      %s\n", job.c_str());
  std::fflush(stdout);

  platform::ProgramExit exit;
  const std::string tamsel = platform::ProgramFolder() + kTamselName + platform::kProgramSuffix;
  const std::string note =
      ParseGuard::NotePath(work + kStoragesFolder + platform::kPathSeparator, part.name);
  for (int run = 0;; ++run) {
    const platform::Result ran = platform::RunProgram({tamsel, job}, &exit);
    if (ran == platform::Result::kNotFound) return Fail("there is no program " + tamsel);
    if (ran != platform::Result::kOk) return Fail("cannot start " + tamsel);
    if (run == kParserFaultRuns || !EndedInParser(exit, note)) break;
    ReceiveOutcome(window);  // nothing was announced; an old message goes
    std::printf("parser fault:  %s; running Tamsel again, which passes over that file\n",
                exit.exited ? "a parse ran past the time limit" : "a parser crashed");
    std::fflush(stdout);
  }
  if (!exit.exited) {
    return Fail("Tamsel was ended by signal " + std::to_string(exit.signal));
  }
  int64_t outcome = ReceiveOutcome(window);
  if (exit.status != kRunOk) {
    std::fprintf(stderr, "oru: %s\n", Failure(exit.status, work, job).c_str());
    return kExitNothing;
  }
  if (outcome < 0) {
    // Without the message (another window has it), the status file tells the outcome.
    const IndexState state = ReadIndexState(work, part.name);
    outcome = state == IndexState::kComplete ? 1 : state == IndexState::kIncomplete ? 0 : -1;
  }
  if (outcome == 0) {
    std::printf("stopped without saving: the index '%s' is as it was before\n",
                part.name.c_str());
    return kExitNothing;
  }
  if (outcome < 0) {
    std::fprintf(stderr, "oru: Tamsel ended without telling the outcome\n");
    return kExitNothing;
  }
  const std::string folder = IndexFolder(work, part.name);
  IndexReader reader;
  if (reader.Open(folder, false, &error)) {
    std::printf("index written: %s (%zu files, %zu words)\n", folder.c_str(), reader.file_count(),
                reader.word_count());
  } else {
    std::printf("index written: %s\n", folder.c_str());
  }
  ReportSkipped(work, part.name);
  return kExitOk;
}

// Removes an index: its folder, its job file and its record in storages.ini, and says `why`.
void RemoveIndex(const std::string& work, const std::string& name, const char* why) {
  std::error_code ignored;
  std::filesystem::remove_all(IndexFolder(work, name), ignored);
  std::filesystem::remove(JobFilePath(work, name), ignored);
  const std::string storages = work + kStoragesFolder + platform::kPathSeparator;
  std::filesystem::remove(UnreadFiles::PathFor(storages, name), ignored);
  std::filesystem::remove(ParseGuard::NotePath(storages, name), ignored);
  const platform::Status removed = IndexRecords(work).Remove(name);
  if (!removed.ok()) std::fprintf(stderr, "oru: %s\n", removed.Message().c_str());
  std::printf("removed:       the index '%s', %s\n", name.c_str(), why);
}

// Where runs of oru index for the index or group `name` take turns.
std::string NameLockPath(const std::string& work, const std::string& name) {
  return work + kStoragesFolder + platform::kPathSeparator + name + ".lock";
}

// What a killed run of the group `name` left: indexes it was building for a new layout, and
// the index that bore the group's name before the group took its place.
void RemoveLeftoversOfGroup(const std::string& work, const std::string& name) {
  IndexGroup group;
  if (!FindGroupRecord(work, name, &group)) return;
  const auto part = [&](const std::string& n) {
    return std::find(group.parts.begin(), group.parts.end(), n) != group.parts.end();
  };
  for (const std::string& pending : group.pending) {
    if (!part(pending)) RemoveIndex(work, pending, "left by an earlier run that did not finish");
  }
  if (!group.parts.empty() && !part(name) && platform::FolderExists(IndexFolder(work, name))) {
    RemoveIndex(work, name, "replaced by the group of that name");
  }
  if (group.pending.empty()) return;
  group.pending.clear();
  std::string error;
  if (!WriteGroup(work, group, &error)) std::fprintf(stderr, "oru: %s\n", error.c_str());
}

// The indexes a group search reads now, with the folders of each: the group's parts, or the
// index of the group's name when there is no group yet.
std::map<std::string, std::vector<std::string>> CurrentLayout(const std::string& work,
                                                              const std::string& name) {
  std::map<std::string, std::vector<std::string>> layout;
  IndexGroup group;
  if (FindGroup(work, name, &group)) {
    for (const std::string& part : group.parts) layout[part] = JobFolders(work, part);
  } else if (platform::FolderExists(IndexFolder(work, name))) {
    layout[name] = JobFolders(work, name);
  }
  return layout;
}

// A name NAME.n for an index of a new layout that no index, record, job file, part of the run
// or index of the current layout has.
std::string FreshPartName(const std::string& work, const std::string& name,
                          const std::map<std::string, std::vector<std::string>>& layout,
                          const std::vector<PartRun>& parts) {
  const std::vector<std::string> recorded = IndexRecords(work).Names();
  for (int n = 2;; ++n) {
    const std::string candidate = name + "." + std::to_string(n);
    const auto same = [&](const PartRun& p) { return p.name == candidate; };
    if (layout.count(candidate) != 0 ||
        std::find_if(parts.begin(), parts.end(), same) != parts.end() ||
        std::find(recorded.begin(), recorded.end(), candidate) != recorded.end() ||
        platform::FolderExists(IndexFolder(work, candidate)) ||
        platform::FileExists(JobFilePath(work, candidate))) {
      continue;
    }
    return candidate;
  }
}

// True when the index `name` of `layout` can become `part` in place without a search of the
// old layout missing a file or finding one twice: it keeps every entry it had, and what it
// adds lies in no other index of the layout.
bool GrowsInPlace(const std::map<std::string, std::vector<std::string>>& layout,
                  const PartRun& part) {
  const auto old = layout.find(part.name);
  if (old == layout.end()) return false;
  for (const std::string& entry : old->second) {
    if (std::find(part.folders.begin(), part.folders.end(), entry) == part.folders.end()) {
      return false;
    }
  }
  for (const std::string& entry : part.folders) {
    if (std::find(old->second.begin(), old->second.end(), entry) != old->second.end()) continue;
    for (const auto& [other, entries] : layout) {
      if (other == part.name) continue;
      for (const std::string& taken : entries) {
        if (IsWithin(entry, taken) || IsWithin(taken, entry)) return false;
      }
    }
  }
  return true;
}

// Runs the group `name` with `parts` as its new layout. Until every index of it is complete,
// groups.ini keeps the old layout, and the indexes being built are recorded as pending; an
// index whose folders change is built under a name of its own beside the old one. Only then
// does groups.ini take the new layout, and the indexes it no longer names go. A failure or a
// kill at any point leaves the old group whole.
int RunGroup(const std::string& work, const IndexOptions& options, std::vector<PartRun> parts,
             platform::MessageWindow* window) {
  const std::map<std::string, std::vector<std::string>> layout =
      CurrentLayout(work, options.name);
  IndexGroup group;
  if (!FindGroup(work, options.name, &group)) group = {options.name, options.folders, {}, {}};
  for (PartRun& part : parts) {
    if (GrowsInPlace(layout, part)) continue;  // rewritten in place, as one switch
    if (layout.count(part.name) != 0) {
      part.name = FreshPartName(work, options.name, layout, parts);
      part.update = false;
    }
    group.pending.push_back(part.name);
  }
  std::string error;
  if (!group.pending.empty() && !WriteGroup(work, group, &error)) return Fail(error);
  if (parts.size() > 1) {
    std::printf("group:         '%s' takes %zu indexes (an index holds at most %llu files):",
                options.name.c_str(), parts.size(),
                static_cast<unsigned long long>(PassFileLimit()));
    for (const PartRun& part : parts) std::printf(" %s", part.name.c_str());
    std::printf("\n");
  }
  for (const PartRun& part : parts) {
    if (const int status = RunPart(work, part, window); status != kExitOk) {
      for (const std::string& pending : group.pending) {
        RemoveIndex(work, pending, "not finished: the group stays as it was");
      }
      group.pending.clear();
      if (!WriteGroup(work, group, &error)) std::fprintf(stderr, "oru: %s\n", error.c_str());
      return status;
    }
  }
  IndexGroup done{options.name, options.folders, {}, {}};
  for (const PartRun& part : parts) done.parts.push_back(part.name);
  if (!WriteGroup(work, done, &error)) return Fail(error);
  std::printf("group record:  %s\n", GroupsFilePath(work).c_str());
  for (const auto& [old_name, folders] : layout) {
    if (std::find(done.parts.begin(), done.parts.end(), old_name) == done.parts.end()) {
      RemoveIndex(work, old_name, "no longer needed by the group");
    }
  }
  return kExitOk;
}

}  // namespace

int IndexCommand(const std::vector<std::string>& args) {
  IndexOptions options;
  if (const int status = ParseArguments(args, &options); status >= 0) return status;
  if (!IsValidIndexName(options.name)) return Fail("'" + options.name + "' cannot name an index");
  for (std::string& folder : options.folders) {
    const std::string absolute = AbsoluteFolder(folder);
    if (absolute.empty()) return Fail("there is no folder " + folder);
    folder = absolute;
  }
  std::string work;
  bool config_written = false;
  std::string error;
  if (!PrepareWorkFolder(&work, &config_written, &error)) return Fail(error);
  if (config_written) std::printf("configuration: wrote %s%s\n", work.c_str(), kConfigFileName);

  // One run of a name at a time: a second one waits here for the first to end.
  platform::FileLock name_lock;
  if (const platform::Status locked =
          platform::FileLock::Acquire(NameLockPath(work, options.name), &name_lock);
      !locked.ok()) {
    return Fail(locked.Message());
  }
  RemoveLeftoversOfGroup(work, options.name);

  Planner planner(work, options);
  std::vector<PartRun> parts;
  planner.Plan(&parts);

  platform::MessageWindow window;
  const platform::Result registered =
      platform::MessageWindow::Create(kSearchWindowClass, kSearchWindowTitle, &window);
  if (registered == platform::Result::kExists) {
    std::fprintf(stderr,
                 "oru: another program is registered as the search window; Tamsel "
                 "will tell it, not this run, when it is done\n");
  } else if (registered != platform::Result::kOk) {
    std::fprintf(stderr,
                 "oru: cannot register as the search window (%s); going on without "
                 "Tamsel's message\n",
                 platform::ResultName(registered));
  }
  if (planner.regroups() && (parts.size() > 1 || planner.had_group())) {
    return RunGroup(work, options, std::move(parts), &window);
  }
  for (const PartRun& part : parts) {
    if (const int status = RunPart(work, part, &window); status != kExitOk) return status;
  }
  return kExitOk;
}

}  // namespace oru::tool
