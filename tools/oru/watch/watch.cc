// oru watch: keeps indexes fresh by updating each soon after its folders change.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/autostart.h"
#include "platform/folder_watch.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "tools/oru/commands.h"
#include "tools/oru/group.h"
#include "tools/oru/watch/schedule.h"
#include "tools/oru/watch/watch_record.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru watch [--name NAME]... [--all-indexes] [--quiet SECONDS] [--period SECONDS]\n"
    "                 [--install | --uninstall]\n"
    "Watches the folders of the indexes (or groups) NAME, by default \"default\", and updates\n"
    "an index as 'oru index --update' does once its folders have been quiet for a while, so\n"
    "that a burst of changes gives one update. Every index is updated once at the start, for\n"
    "the changes made while no watcher ran. Runs at the lowest priority, and takes no time\n"
    "while nothing changes. Where changes may go unreported (the system's queue overflowed,\n"
    "its limit of watched folders is reached, a folder cannot be watched) the index is updated\n"
    "whole, and while that lasts every --period; standard error says why, once.\n"
    "Ctrl-C or a terminate request ends it between updates (an update under way stops\n"
    "without saving: its index stays as it was).\n"
    "  --name NAME        an index or group to watch (repeatable)\n"
    "  --all-indexes      watch every index of the work folder\n"
    "  --quiet SECONDS    how long folders stay quiet before their index is updated (5)\n"
    "  --period SECONDS   the steady update while changes may go unreported (900)\n"
    "  --folder-limit N   watch at most N folders (to try how the watcher copes with a limit)\n"
    "  --install          start this watcher (with these options) at every login instead: a\n"
    "                     systemd user service, started now too, where systemd runs the\n"
    "                     session, else an autostart entry of the desktop\n"
    "  --uninstall        undo --install\n"
    "Exit status: 0 when asked to stop, 2 on errors.\n";

constexpr char kAutostartName[] = "oru-watch";

struct WatchArgs {
  std::vector<std::string> given;  // the options as given, for an installed watcher
  bool install = false;
  bool uninstall = false;
  std::vector<std::string> names;
  bool all = false;
  WatchTimes times;
  size_t folder_limit = 0;
};

// Milliseconds from seconds given as text ("5", "0.5"); -1 when it is not a number >= 0.
int64_t Milliseconds(const std::string& text) {
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(seconds >= 0) || seconds > 1e7) return -1;
  return static_cast<int64_t>(seconds * 1000);
}

int ParseArguments(const std::vector<std::string>& args, WatchArgs* options) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool has_value = i + 1 < args.size();
    if (arg == "--install") {
      options->install = true;
      continue;
    }
    if (arg == "--uninstall") {
      options->uninstall = true;
      continue;
    }
    options->given.push_back(arg);
    if (has_value && arg != "--all-indexes") options->given.push_back(args[i + 1]);
    if (arg == "--name" && has_value) {
      options->names.push_back(args[++i]);
    } else if (arg == "--all-indexes") {
      options->all = true;
    } else if ((arg == "--quiet" || arg == "--period") && has_value) {
      const int64_t ms = Milliseconds(args[++i]);
      if (ms < 0) return Fail("'" + args[i] + "' is not a number of seconds");
      (arg == "--quiet" ? options->times.quiet : options->times.fault_period) = ms;
    } else if (arg == "--folder-limit" && has_value) {
      const int64_t n = std::atoll(args[++i].c_str());
      if (n <= 0) return Fail("'" + args[i] + "' is not a number of folders");
      options->folder_limit = static_cast<size_t>(n);
    } else {
      return HelpOrUsageError(arg, kUsage, "watch");
    }
  }
  if (options->install && options->uninstall) {
    return Fail("--install and --uninstall go alone (see 'oru watch --help')");
  }
  if (options->times.longest_wait < options->times.quiet) {
    options->times.longest_wait = options->times.quiet * 12;
  }
  return -1;
}

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The time of day in milliseconds: unlike Now, it goes on while the machine sleeps.
int64_t WallNow() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// A sleep of the machine longer than this is taken as a time its changes may have gone
// unreported (removable and network folders change elsewhere meanwhile).
constexpr int64_t kLongestUnseenSleep = 30000;

// One index or group being watched.
struct Watched {
  std::string name;
  std::vector<std::string> folders;
  std::vector<size_t> trees;
  bool told_lost = false;
};

// Runs 'oru index --update' for the index, as a program of its own, so that the watcher stays
// small whatever an update needs. True when the index was written.
bool Update(const Watched& index) {
  std::vector<std::string> argv{platform::ProgramFolder() + "oru" + platform::kProgramSuffix, "index", "--update", "--name",
                                index.name};
  argv.insert(argv.end(), index.folders.begin(), index.folders.end());
  std::printf("updating %s\n", index.name.c_str());
  std::fflush(stdout);
  platform::ProgramExit exit;
  return platform::RunProgram(argv, &exit) == platform::Result::kOk && exit.exited &&
         exit.status == kExitOk;
}

// Makes the session start the watcher with the options given, from the next login on.
int Install(const WatchArgs& options) {
  platform::Autostart entry;
  entry.name = kAutostartName;
  entry.description = "ORU Indexer: keeps indexes fresh";
  entry.argv = {platform::ProgramFolder() + "oru" + platform::kProgramSuffix, "watch"};
  entry.argv.insert(entry.argv.end(), options.given.begin(), options.given.end());
  platform::AutostartPlace place;
  if (const platform::Status made = platform::InstallAutostart(entry, &place); !made.ok()) {
    return Fail(made.Message());
  }
  if (place.service) {
    std::printf("installed: %s (started now, and at every login)\n", place.where.c_str());
  } else {
    std::printf("installed: %s (starts at your next login; 'oru watch' starts it now)\n",
                place.where.c_str());
  }
  return kExitOk;
}

int Uninstall() {
  platform::AutostartPlace place;
  if (const platform::Status removed = platform::RemoveAutostart(kAutostartName, &place);
      !removed.ok()) {
    return Fail(removed.Message());
  }
  if (place.where.empty()) {
    std::printf("no watcher was installed\n");
  } else {
    std::printf("removed: %s\n", place.where.c_str());
  }
  return kExitOk;
}

}  // namespace

int WatchCommand(const std::vector<std::string>& args) {
  WatchArgs options;
  if (const int status = ParseArguments(args, &options); status >= 0) return status;
  if (options.uninstall) return Uninstall();
  std::string work;
  bool config_written = false;
  std::string error;
  if (!PrepareWorkFolder(&work, &config_written, &error)) return Fail(error);

  std::vector<std::string> names = options.names;
  if (options.all) {
    std::vector<std::vector<std::string>> parts;
    for (const std::string& name : ListIndexNames(work, &parts)) names.push_back(name);
  }
  if (names.empty()) names.push_back(kDefaultIndexName);
  std::vector<Watched> indexes;
  std::set<std::string> seen;
  for (const std::string& name : names) {
    if (!seen.insert(name).second) continue;
    Watched index{name, FoldersOf(work, name), {}, false};
    if (index.folders.empty()) {
      return Fail("there is no index " + name + " to watch (make it with 'oru index')");
    }
    indexes.push_back(std::move(index));
  }
  if (options.install) return Install(options);

  platform::RunAtLowPriority();
  platform::CatchStopRequests();
  platform::WatchOptions watch_options;
  watch_options.excluded.push_back(work);
  watch_options.folder_limit = options.folder_limit;
  std::unique_ptr<platform::FolderWatch> watch;
  if (const platform::Status created = platform::CreateFolderWatch(watch_options, &watch);
      !created.ok()) {
    return Fail(created.Message());
  }
  UpdateSchedule schedule(indexes.size(), options.times);
  std::vector<size_t> index_of_tree;  // trees are numbered 0, 1, 2 ... as they are added
  const int64_t start = Now();
  for (size_t i = 0; i < indexes.size(); ++i) {
    for (const std::string& folder : indexes[i].folders) {
      size_t tree = 0;
      const platform::Status added = watch->Add(folder, &tree);
      if (!added.ok()) {
        // A folder that is gone: the update says what became of its files.
        std::fprintf(stderr, "oru: %s\n", added.Message().c_str());
        continue;
      }
      indexes[i].trees.push_back(tree);
      index_of_tree.push_back(i);
    }
    schedule.Changed(i, start);  // what changed while no watcher ran
  }
  WatchRecord record(work);
  if (const platform::Status claimed = record.Claim(); !claimed.ok()) {
    if (claimed.result() == platform::Result::kExists) {
      return Fail("another watcher runs already (see 'oru status')");
    }
    return Fail(claimed.Message());
  }
  record.Started(indexes.size());
  std::printf("watching %zu folders of %zu %s\n", watch->watched_folders(), indexes.size(),
              indexes.size() == 1 ? "index" : "indexes");
  std::fflush(stdout);

  platform::WatchChanges changes;
  int64_t steady_before = Now();
  int64_t wall_before = WallNow();
  while (!platform::StopRequested()) {
    const int64_t now = Now();
    if (const std::optional<size_t> due = schedule.Due(now)) {
      Watched& index = indexes[*due];
      if (schedule.faulty(*due)) {
        bool whole = true;
        for (size_t tree : index.trees) whole = watch->Renew(tree) && whole;
        if (whole) {
          schedule.Recovered(*due);
          index.told_lost = false;
          std::fprintf(stderr, "oru: every folder of %s is watched again\n", index.name.c_str());
        }
      }
      schedule.Started(*due, now);
      if (Update(index)) record.Updated(index.name);
      continue;
    }
    const int64_t timeout = schedule.Timeout(now);
    const platform::Status waited =
        watch->Wait(timeout > INT32_MAX ? INT32_MAX : static_cast<int>(timeout), &changes);
    if (!waited.ok()) {
      record.Stopped();
      return Fail(waited.Message());
    }
    const int64_t seen_at = Now();
    const int64_t wall = WallNow();
    if ((wall - wall_before) - (seen_at - steady_before) > kLongestUnseenSleep) {
      std::fprintf(stderr, "oru: the machine slept; updating every index whole\n");
      for (size_t i = 0; i < indexes.size(); ++i) schedule.Changed(i, seen_at);
    }
    steady_before = seen_at;
    wall_before = wall;
    for (size_t tree : changes.changed) schedule.Changed(index_of_tree[tree], seen_at);
    for (const platform::WatchChanges::Lost& lost : changes.lost) {
      const size_t i = index_of_tree[lost.tree];
      Watched& index = indexes[i];
      if (lost.lasting) {
        schedule.Faulty(i, seen_at);
      } else {
        schedule.Changed(i, seen_at);
      }
      if (!index.told_lost) {
        index.told_lost = lost.lasting;
        std::fprintf(stderr,
                     "oru: changes of %s may have gone unreported (%s); updating it whole%s\n",
                     index.name.c_str(), lost.reason.c_str(),
                     lost.lasting ? ", and again at every period while that lasts" : "");
      }
    }
  }
  record.Stopped();
  std::printf("stopped watching\n");
  return kExitOk;
}

}  // namespace oru::tool
