// The walk's parses under the guard (parse_guard.h) and the index's list of unread files
// (unread_files.h): a file whose parse ended a run is passed over until it changes, a parse
// that runs too long ends the run, and every file no parser read is listed with the reason.
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "indexer/engine/indexer.h"
#include "indexer/engine/work_folders.h"

namespace oru {

using platform::Status;

namespace {

// [Options] ParseTimeLimit of "ORU.ini" in `work_dir`: whole seconds, at least one.
std::chrono::milliseconds ConfiguredParseTimeLimit(platform::FileSystem* fs,
                                                   const std::string& work_dir) {
  const std::string text =
      fs->ReadProfileString(work_dir + kConfigFileName, kOptionsSection, "ParseTimeLimit", "");
  const long seconds = std::strtol(text.c_str(), nullptr, 10);
  if (seconds <= 0) return kDefaultParseTimeLimit;
  return std::chrono::seconds(std::min<long>(seconds, 24L * 3600));
}

}  // namespace

bool TIndexer::StartParseGuard() {
  parse_time_limit_ = settings_.parse_time_limit.count() > 0
                          ? settings_.parse_time_limit
                          : ConfiguredParseTimeLimit(settings_.disk, settings_.work_dir);
  unread_path_ = UnreadFiles::PathFor(settings_.storages_dir, folder_->name());
  unread_.Load(settings_.disk, unread_path_);
  // This run holds the index folder's lock: a note that is there was left by a run that died
  // parsing the file it names. Its record is written before the note is emptied.
  const std::string note = ParseGuard::NotePath(settings_.storages_dir, folder_->name());
  UnreadFile crashed;
  if (ParseGuard::ReadNote(settings_.disk, note, &crashed)) {
    unread_.Put(crashed);
    if (!Check(unread_.Save(settings_.disk, unread_path_))) return false;
  }
  return Check(guard_.Start(settings_.disk, note, parse_time_limit_,
                            [this](const UnreadFile& file) { OnParseTimeout(file); }));
}

TIndexer::Parsing TIndexer::PrepareParse(const WalkedFile& file) {
  Parsing parsing{file, std::nullopt, false};
  // The watchdog records a file that timed out while a parse runs beside the walk.
  const std::lock_guard<std::mutex> lock(guard_.mutex());
  if (unread_.empty()) return parsing;
  if (const UnreadFile* unread = unread_.Find(file.path)) {
    parsing.unread = *unread;
    parsing.pass_over = unread->reason != UnreadReason::kRefused && unread->size == file.size &&
                        unread->time == file.time;
  }
  return parsing;
}

bool TIndexer::ParseGuarded(const WalkedFile& file, FoundWordsSink* sink) {
  guard_.Begin(file.path, file.size, file.time);
  const bool parsed =
      file_words_.Find(*file.parser->Exports, file.parser->TypeName, file.path, sink);
  guard_.End();
  return parsed;
}

void TIndexer::RecordParse(const Parsing& parsing, bool parsed) {
  const std::optional<UnreadFile>& unread = parsing.unread;
  if (parsing.pass_over || (parsed && !unread)) return;
  const WalkedFile& file = parsing.file;
  // The watchdog reads the list when it records a file: it changes under the guard's lock.
  const std::lock_guard<std::mutex> lock(guard_.mutex());
  if (parsed) {
    unread_.Remove(file.path);
  } else if (!unread || unread->reason != UnreadReason::kRefused || unread->size != file.size ||
             unread->time != file.time) {
    unread_.Put({file.path, UnreadReason::kRefused, file.size, file.time, SecondsNow()});
    unread_seen_.insert(file.path);
  }
}

void TIndexer::OnParseTimeout(const UnreadFile& file) {
  unread_.Put(file);
  // Recorded: the note names no file any more, so the next run does not take it for a crash.
  // Not recorded: the note stays, and the next run records the file as crashed.
  const Status saved = unread_.Save(settings_.disk, unread_path_);
  if (saved.ok()) guard_.ClearNote();
  std::fprintf(stderr,
               "Tamsel: parsing %s took longer than the limit of %lld s ([Options] "
               "ParseTimeLimit in ORU.ini); the file is skipped from now on until it changes, "
               "and the last complete index is kept\n",
               file.path.c_str(),
               static_cast<long long>(
                   std::chrono::duration_cast<std::chrono::seconds>(parse_time_limit_).count()));
  std::fflush(stderr);
  // The walk's thread is inside the parser and cannot be stopped: the process ends here. The
  // index folder holds only this run's unfinished new files (removed by the next run) and the
  // system releases the locks.
  std::_Exit(kRunParseTimedOut);
}

void TIndexer::SaveUnreadFiles() {
  if (unread_path_.empty()) return;
  // Only a walk that met every file can tell which files are gone.
  if (walk_.complete()) {
    unread_.RemoveUnless([this](const std::string& path) { return unread_seen_.count(path) != 0; });
  }
  if (!unread_.dirty()) return;
  const Status saved = unread_.Save(settings_.disk, unread_path_);
  if (!saved.ok()) {
    std::fprintf(stderr, "Tamsel: the index is saved, but its list of unread files is not: %s\n",
                 saved.Message().c_str());
    std::fflush(stderr);
  }
}

}  // namespace oru
