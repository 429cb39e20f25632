// TIndexer's construction and the indexing run.
//
// The run keeps two promises beyond the basic pass. "Indexed" = "1" in "storages.ini" always
// means a complete index: the new files are written beside the old ones and put in place
// between a "0" and a "1" (IndexFolder::Switch). And no failure costs the last complete index:
// a run that fails, or stops without saving, removes what it wrote and leaves the old files and
// their record as they were (Abandon); the plug-ins are loaded and the folder is locked before
// anything in it changes.
#include "indexer/engine/indexer.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <system_error>
#include <utility>

#include "indexer/engine/index_format.h"
#include "indexer/engine/save.h"
#include "indexer/engine/work_folders.h"
#include "platform/find.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;
using platform::Status;

namespace {

// `settings` with its stop list read when none is given.
PassSettings WithStopWords(PassSettings settings) {
  if (!settings.stop_words) settings.stop_words = StopList::In(settings.disk, settings.program_dir);
  return settings;
}

}  // namespace

TIndexer::TIndexer(PassSettings settings, PassView view)
    : settings_(WithStopWords(std::move(settings))),
      view_(view),
      registry_(settings_.program_dir),
      plugins_(settings_.plugins != nullptr ? *settings_.plugins : registry_),
      dictionary_(std::make_unique<Dictionary>(settings_.word_pool_size)),
      file_words_(dictionary_.get(), &*settings_.stop_words, view_.words_found),
      ahead_([this](const WalkedFile& file, FoundWordsSink* sink) {
        return ParseGuarded(file, sink);
      }),
      walk_(&plugins_, this, settings_.file_limit) {}

TIndexer::~TIndexer() {
  // The parses beside the walk use the guard and the plug-ins: they end first.
  ahead_.Stop();
  reload_.Abandon();
}

uint8_t TIndexer::Run() {
  // The engine's one catch: whatever is thrown below (out of memory, a window handler) fails
  // the run like any other failure, with its text as the reason.
  uint8_t result = kRunFailed;
  bool thrown = true;
  std::string what = "unknown exception";
  try {
    result = RunPass();
    thrown = false;
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
  }
  // A read of the file index still running ends before anything it uses goes; what it found
  // is not wanted now.
  if (stored_files_read_.valid()) stored_files_read_.wait();
  // A parse beside the walk ends before the guard and the plug-ins go.
  ahead_.Stop();
  parsing_.clear();
  // A reload still running beside the walk was not needed (nothing changed, or the run failed):
  // it stops, and ends before anything it uses goes.
  reload_.Abandon();
  // The run ends by itself: no note of a parse is left for the next one.
  guard_.Finish();
  if (thrown) {
    const std::string& where = walk_.folder().empty() ? settings_.job_file : walk_.folder();
    Check(Status(Result::kFailed, "index", where, what));
  }
  if (result == kRunFailed && failure_.ok()) {
    Check(Status(Result::kFailed, "index", settings_.job_file, "unknown failure"));
  }
  if (result == kRunFailed) {
    Abandon();
    plugins_.Release();
    Notify(0);
  }
  if (folder_ != nullptr) folder_->Unlock();
  return result;
}

uint8_t TIndexer::RunPass() {
  Job job;
  if (const uint8_t read = ReadJob(settings_.disk, settings_.job_file, &job, &failure_);
      read != kRunOk) {
    return read;
  }
  folder_ = std::make_unique<IndexFolder>(settings_.disk, settings_.storages_dir,
                                          settings_.work_dir, job.name);
  if (!Check(folder_->Lock())) return kRunFailed;
  // An update of an index recorded complete reads its parts and word list on a second thread
  // from here on, while the plug-ins load, the file index is read and the walk goes on. Reading
  // changes nothing; every way out of the run ends the reload (Run).
  if (job.updating && folder_->recorded() == "1") {
    if (settings_.reload_beside_walk) {
      reload_.Start(settings_.disk, folder_->path(), dictionary_.get());
    }
    // Its file index is read meanwhile on a thread of its own, as the plug-ins load; without
    // one, BeginReload reads it.
    try {
      stored_files_read_ =
          std::async(std::launch::async, [this] { return ReadStoredFiles([] {}); });
    } catch (const std::system_error&) {
    }
  }
  // Only the first storage section is indexed; its plug-ins are loaded before anything in the
  // index folder changes, so a bad configuration leaves the last index as it was.
  if (!job.storage.empty() && !LoadPlugins(job)) return kRunConfigFailed;
  if (!Check(CheckJobFolders(job.folders, plugins_))) {
    plugins_.Release();
    return kRunFailed;
  }
  // What a killed run left goes first, so that a full disk frees up.
  folder_->RemoveLeftovers();
  // Every file of this run is read after this moment (see IsRacyTime).
  read_since_ = platform::PackDosTime(std::chrono::duration_cast<std::chrono::seconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
  if (!StartIndex(job.updating)) return kRunFailed;
  if (!job.storage.empty() && !WalkFolders(job)) return kRunFailed;
  FinishReload();
  if (update_mode_ && !job.storage.empty()) forgotten_ = Forgotten(walk_, stored_files_);
  // Saved or not, the window ends with what the walk reached: the files the index holds and
  // its distinct words. (During the walk the labels lag.)
  Show(view_.files_indexed, std::to_string(walk_.file_count()));
  Show(view_.words_found, std::to_string(dictionary_->word_count()));
  if (!failure_.ok()) return kRunFailed;

  window_ = settings_.find_search_window
                ? settings_.find_search_window()
                : platform::WindowRef::Find(kSearchWindowClass, kSearchWindowTitle);
  if (stop_requested_ && !save_partial_) {
    // Nothing is saved, and nothing is lost: the folder and its record stay as they were (an
    // update's new file index is not even written).
    Abandon();
    Notify(0);
    return kRunOk;
  }
  if (!CloseIndexFiles() || !SaveIndex()) return kRunFailed;
  SaveUnreadFiles();
  Notify(1);
  return kRunOk;
}

bool TIndexer::LoadPlugins(const Job& job) {
  if (plugins_.Load(settings_.work_dir, job.storage)) return true;
  if (!plugins_.Failure().ok()) Check(plugins_.Failure());
  plugins_.Release();
  return Check(Status(Result::kFailed, "load the plug-ins of", settings_.work_dir + kConfigFileName,
                     "unknown reason"));
}

bool TIndexer::Check(Status status) {
  if (status.ok()) return true;
  if (failure_.ok()) failure_ = std::move(status);
  return false;
}

bool TIndexer::StartIndex(bool updating) {
  logs_ = std::make_unique<PostingLogs>(settings_.disk, folder_->path());
  // Only an index recorded as complete is reloaded: files left by a stopped or killed run are
  // never mixed with new file numbers.
  const bool reloading = updating && folder_->recorded() == "1";
  // An update keeps the encoding its index was made with; an index made anew takes the
  // configured one.
  if (reloading) {
    encoding_ = folder_->recorded_encoding();
  } else {
    encoding_ = settings_.encoding ? *settings_.encoding
                                   : ConfiguredEncoding(settings_.disk, settings_.work_dir);
  }
  if (encoding_ == TextEncoding::kUtf8) utf8_stop_words_ = Utf8StopList(*settings_.stop_words);
  file_words_.SetEncoding(encoding_, &utf8_stop_words_);
  if (!(reloading && BeginReload())) StartFreshIndex();
  return failure_.ok() && OpenIndexFiles();
}

void TIndexer::StartFreshIndex() {
  update_mode_ = false;
  dictionary_->Reset();
  stored_files_.Clear();
  reloaded_ = {};
  forgotten_ = {};
}

TIndexer::StoredFilesRead TIndexer::ReadStoredFiles(const std::function<void()>& pump) {
  StoredFilesRead read;
  std::string records;
  read.status = settings_.disk->ReadWhole(folder_->path() + fmt::kFileIndexName, &records);
  // A file index that is missing is damage; one that cannot be read fails the run.
  if (read.status.ok()) {
    read.loaded = stored_files_.Load(std::move(records), pump);
  } else if (read.status.result() == Result::kNotFound) {
    read.status = Status();
  }
  return read;
}

bool TIndexer::BeginReload() {
  update_mode_ = true;
  const StoredFilesRead read = stored_files_read_.valid()
                                   ? stored_files_read_.get()
                                   : ReadStoredFiles([this] { ProcessMessages(); });
  // Either way the reload begun in RunPass ends before the dictionary starts afresh.
  if (!read.status.ok()) {
    reload_.Abandon();
    return Check(read.status);
  }
  if (!read.loaded) {
    reload_.Abandon();
    return false;
  }
  stored_files_.set_read_since(folder_->recorded_read_since());
  if (reload_.running()) return true;
  // Without a second thread the reload runs here and now.
  reloaded_ = ReloadDictionary(settings_.disk, folder_->path(), dictionary_.get(),
                               [this] { ProcessMessages(); });
  return Check(reloaded_.failure) && reloaded_.ok;
}

bool TIndexer::FinishReload() {
  if (!reload_.running()) return true;
  // Stop stays answered meanwhile; it takes effect when the walk goes on.
  reloaded_ = reload_.Wait([this] { ProcessMessages(); });
  if (reloaded_.ok) return true;
  // A file that could not be read fails the run. Damage gives a fresh index, as when the
  // reload fails before the walk: its files are created anew.
  if (Check(reloaded_.failure)) {
    CloseIndexFiles();
    StartFreshIndex();
    OpenIndexFiles();
  }
  return false;
}

bool TIndexer::OpenIndexFiles() {
  file_index_ = std::make_unique<FileIndexWriter>(settings_.disk, folder_->path(),
                                                  folder_->pending());
  Status status = file_index_->Start(update_mode_);
  if (status.ok()) status = logs_->Open(update_mode_);
  // A number once given is not given again, even when its file is gone.
  const uint16_t highest =
      update_mode_ ? std::max(stored_files_.highest_number(), folder_->recorded_highest_number())
                   : 0;
  walk_.Start(file_index_.get(), update_mode_ ? &stored_files_ : nullptr, highest);
  walk_.RecordPathsInUtf8(encoding_ == TextEncoding::kUtf8);
  return Check(status);
}

bool TIndexer::CloseIndexFiles() {
  bool ok = true;
  if (file_index_ != nullptr) {
    ok = Check(file_index_->Finish(forgotten_.gone));
    file_index_.reset();
  }
  if (logs_ != nullptr) ok = Check(logs_->Close()) && ok;
  return ok;
}

bool TIndexer::WalkFolders(const Job& job) {
  if (!StartParseGuard()) return false;
  for (;;) {
    Status failure;
    const WalkOutcome walked = walk_.Run(job.folders, &failure);
    if (walked == WalkOutcome::kFailed) {
      Check(failure);
      return false;
    }
    // The reload failed at the first file indexed, or after a walk of unchanged files: the walk
    // is done again, for a fresh index (not after a Stop, which leaves the fresh index empty).
    if (!failure_.ok()) return false;  // the fresh index's files could not be made
    if (walked == WalkOutcome::kRestart) continue;
    // Every file numbered enters before the walk counts as done.
    if (!Check(EnterParsed(0))) return false;
    if (FinishReload() || walked == WalkOutcome::kStopped || !failure_.ok()) break;
  }
  ahead_.Stop();
  guard_.Finish();
  plugins_.Release();
  return failure_.ok();
}

void TIndexer::Abandon() {
  if (file_index_ != nullptr) file_index_->Abandon();
  file_index_.reset();
  if (logs_ != nullptr) logs_->Close();
  if (folder_ != nullptr) folder_->Abandon();
}

bool TIndexer::SaveIndex() {
  IndexSaver saver(settings_.disk, folder_->path(), folder_->pending(),
                   [this] {
                     platform::ProgressBar* bar = view_.saving_bar;
                     if (bar != nullptr) bar->SetPosition(bar->Position() + 1);
                   },
                   [this] { ProcessMessages(); });
  Status status = saver.Save(*dictionary_, *logs_, reloaded_, forgotten_.forget);
  // "storages.ini" keeps the highest number given when the file index will not show it: no
  // new file took it and no kept file has it.
  const uint16_t highest = walk_.file_count();
  const bool shown = !update_mode_ || walk_.numbered_new_file() || forgotten_.highest_kept >= highest;
  if (status.ok()) status = folder_->Switch(read_since_, shown ? 0 : highest, encoding_);
  return Check(status);
}

void TIndexer::Notify(int64_t wparam) {
  if (window_.found()) window_.Post({kIndexDoneMessage, wparam, 0});
}

void TIndexer::ProcessMessages() {
  if (view_.pump != nullptr) view_.pump->ProcessMessages();
}

void TIndexer::Show(platform::Label* label, std::string_view text) {
  if (label != nullptr) label->SetCaption(text);
}

void TIndexer::Met(const std::string& path) {
  // A file of the list of unread files is met: its record outlives the walk. The watchdog may
  // record a file meanwhile, when a parse beside the walk runs too long.
  const std::lock_guard<std::mutex> lock(guard_.mutex());
  if (!unread_.empty() && unread_.Find(path) != nullptr) unread_seen_.insert(path);
}

Status TIndexer::Index(const WalkedFile& file) {
  Parsing parsing = PrepareParse(file);
  if (settings_.parse_beside_walk && ahead_.Start()) {
    ahead_.Add(file, !parsing.pass_over);
    parsing_.push_back(std::move(parsing));
    // The walk runs ahead of the parses by a few dozen files at most, so that neither thread
    // waits on the other at every file (each wait is a sleep and a wake), and a Stop that
    // saves waits for no more than these.
    constexpr size_t kFilesAhead = 32;
    return EnterParsed(kFilesAhead);
  }
  bool parsed = false;  // words_ is empty: PostWords leaves it so
  if (!parsing.pass_over) {
    FileWords::Entering entering(&file_words_, file.file_ref, 0, &words_);
    parsed = ParseGuarded(file, &entering);
  }
  RecordParse(parsing, parsed);
  return PostWords();
}

Status TIndexer::EnterParsed(size_t files_ahead) {
  const std::function<void()> pump = [this] { ProcessMessages(); };
  // A wait lasts until this many files are done, so that the walk's thread sleeps and wakes
  // once for them all.
  constexpr size_t kFilesPerWait = 16;
  ParseAhead::Batch batch;
  while (!parsing_.empty() &&
         ahead_.Take(&batch, parsing_.size() > files_ahead ? &pump : nullptr, kFilesPerWait)) {
    const Parsing& parsing = parsing_.front();
    file_words_.Enter(batch.words, parsing.file.file_ref, 0, &words_);
    if (!batch.last) continue;
    if (batch.thrown) std::rethrow_exception(batch.thrown);
    RecordParse(parsing, batch.parsed);
    parsing_.pop_front();
    const Status posted = PostWords();
    if (!posted.ok()) return posted;
  }
  return Status();
}

Status TIndexer::PostWords() {
  for (const _Dict& word : words_) {
    if (!logs_->Append(word)) return logs_->error();
  }
  words_.clear();
  return Status();
}

void TIndexer::Progress(uint32_t count, const std::string& path) {
  Show(view_.files_indexed, std::to_string(count));
  Show(view_.current_file, path);
}

}  // namespace oru
