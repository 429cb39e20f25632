// TIndexer's construction and the indexing run.
//
// The run keeps two promises beyond the basic pass. "Indexed" = "1" in "storages.ini" always
// means a complete index: the new files are written beside the old ones and put in place
// between a "0" and a "1" (SwitchIndex). And no failure costs the last complete index: a run
// that fails, or stops without saving, removes what it wrote and leaves the old files and
// their record as they were (Abandon); the plug-ins are loaded and the folder is locked before
// anything in it changes.
#include "indexer/engine/indexer.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>

#include "indexer/engine/index_format.h"
#include "indexer/engine/index_records.h"
#include "indexer/engine/job.h"
#include "indexer/engine/save.h"
#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/find.h"
#include "platform/folders.h"
#include "platform/mutex.h"
#include "platform/status.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;

namespace {


using platform::Status;

// A folder of the job as given, made absolute against the current folder: the walk must not
// depend on where the program happens to stand later.
std::string AbsoluteFolder(const std::string& folder) {
  if (platform::IsAbsolutePath(folder)) return folder;
  return platform::CurrentFolder() + folder;
}

}  // namespace

TIndexer::TIndexer(PassSettings settings, PassView view)
    : settings_(std::move(settings)),
      view_(view),
      dictionary_(std::make_unique<Dictionary>(settings_.word_pool_size)),
      plugins_(settings_.program_dir) {
}

TIndexer::~TIndexer() {
  reload_.Join();
}

void TIndexer::StartFreshIndex() {
  update_mode_ = false;
  file_count_ = 0;
  dictionary_->Reset();
  stored_files_.Clear();
  reloaded_ = {};
  met_.Clear();
  reindexed_.Clear();
  gone_.Clear();
  forget_.Clear();
  highest_kept_ = 0;
  numbered_new_file_ = false;
}

void TIndexer::ProcessMessages() {
  if (view_.pump != nullptr) view_.pump->ProcessMessages();
}

void TIndexer::Show(platform::Label* label, std::string_view text) {
  if (label != nullptr) label->SetCaption(text);
}

void TIndexer::ShowFinalFigures() {
  Show(view_.files_indexed, std::to_string(file_count_));
  Show(view_.words_found, std::to_string(dictionary_->word_count()));
}

void TIndexer::StepProgress() {
  platform::ProgressBar* bar = view_.saving_bar;
  if (bar != nullptr) bar->SetPosition(bar->Position() + 1);
}

void TIndexer::Notify(int64_t wparam) {
  if (window_.found()) window_.Post({kIndexDoneMessage, wparam, 0});
}

bool TIndexer::Fail(Status status) {
  if (failure_.ok()) {
    failure_ = status.ok() ? Status(Result::kFailed, "index", index_dir_, "unknown failure")
                           : std::move(status);
  }
  return false;
}

bool TIndexer::RecordIndexed(const char* value) {
  const Status written = IndexRecords(settings_.work_dir).Write(index_name_, value);
  return written.ok() || Fail(written);
}

bool TIndexer::OpenIndexFiles() {
  file_index_ = std::make_unique<FileIndexWriter>(settings_.disk, index_dir_, pending_.get());
  const Status started = file_index_->Start(update_mode_);
  if (!started.ok()) return Fail(started);
  const Status opened = logs_->Open(update_mode_);
  return opened.ok() || Fail(opened);
}

bool TIndexer::BeginReload() {
  update_mode_ = true;
  const bool files_loaded =
      stored_files_.Load(index_dir_ + fmt::kFileIndexName, [this] { ProcessMessages(); });
  stored_files_.set_read_since(IndexRecords(settings_.work_dir).ReadSince(index_name_));
  // A number once given is not given again, even when its file is gone.
  file_count_ = std::max(stored_files_.highest_number(), highest_recorded_);
  if (!files_loaded) return false;
  if (settings_.reload_beside_walk && reload_.Start(index_dir_, dictionary_.get())) return true;
  // Without a second thread the reload runs here and now.
  reloaded_ = ReloadDictionary(index_dir_, dictionary_.get(), [this] { ProcessMessages(); });
  return reloaded_.ok;
}

bool TIndexer::FinishReload() {
  if (!reload_.running()) return true;
  // Stop stays answered meanwhile; it takes effect when the walk goes on.
  reloaded_ = reload_.Wait([this] { ProcessMessages(); });
  if (reloaded_.ok) return true;
  // As when the reload fails before the walk: a fresh index, its files created anew.
  CloseIndexFiles();
  StartFreshIndex();
  if (!OpenIndexFiles()) write_failed_ = true;
  return false;
}

bool TIndexer::CloseIndexFiles() {
  bool ok = true;
  if (file_index_ != nullptr) {
    const Status finished = file_index_->Finish(gone_);
    if (!finished.ok()) ok = Fail(finished);
    file_index_.reset();
  }
  if (logs_ != nullptr) {
    const Status closed = logs_->Close();
    if (!closed.ok()) ok = Fail(closed);
  }
  return ok;
}

void TIndexer::Abandon() {
  if (file_index_ != nullptr) file_index_->Abandon();
  file_index_.reset();
  if (logs_ != nullptr) logs_->Close();
  if (!index_dir_.empty() && index_lock_.held()) {
    IndexSwitch::RemoveLeftovers(settings_.disk, index_dir_);
  }
}

bool TIndexer::SaveIndex() {
  IndexSaver saver(settings_.disk, index_dir_, pending_.get(), [this] { StepProgress(); },
                   [this] { ProcessMessages(); });
  const Status saved = saver.Save(*dictionary_, *logs_, reloaded_, forget_);
  if (!saved.ok()) return Fail(saved);
  return SwitchIndex();
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
  // A reload still running beside the walk ends before anything it uses goes.
  reload_.Join();
  // The run ends by itself: no note of a parse is left for the next one.
  guard_.Finish();
  if (thrown) {
    const std::string& where =
        current_storage_dir_.empty() ? settings_.job_file : current_storage_dir_;
    Fail(Status(Result::kFailed, "index", where, what));
  }
  if (result == kRunFailed && failure_.ok()) Fail(Status());
  if (result == kRunFailed) {
    Abandon();
    plugins_.Release();
    Notify(0);
  }
  index_lock_.Release();
  return result;
}

uint8_t TIndexer::RunPass() {
  if (const std::string problem = JobFileProblem(settings_.job_file); !problem.empty()) {
    Fail(Status(Result::kNotFound, "open job file", settings_.job_file, problem));
    return kRunNoJobFile;
  }
  const platform::ProfileFile job = platform::ProfileFile::Open(settings_.job_file);
  const std::vector<std::string> sections = job.SectionNames();
  if (sections.empty()) {
    Fail(Status(Result::kFailed, "use job file", settings_.job_file, "it has no sections"));
    return kRunBadJob;
  }
  const std::string name = job.GetString("Header", "Name", "0");
  if (!IsValidIndexName(name)) {  // "0" (no name) included
    Fail(Status(Result::kFailed, "use job file", settings_.job_file,
                "its index name is missing or not allowed"));
    return kRunBadJob;
  }
  const bool update = job.GetString("Header", "Updating", "0") == "1";

  index_dir_ = settings_.storages_dir + name;
  if (index_dir_.back() != platform::kPathSeparator) index_dir_ += platform::kPathSeparator;
  const Status created = platform::CreateFolder(index_dir_);
  if (!created.ok() && !platform::FolderExists(index_dir_)) {
    Fail(created);
    return kRunFailed;
  }
  // Two runs never work on one index at once.
  const Result locked = platform::FolderLock::Acquire(index_dir_, &index_lock_);
  if (locked != Result::kOk) {
    Fail(Status(locked, "lock", index_dir_,
                locked == Result::kExists ? "another run is working on this index"
                                          : platform::ResultName(locked)));
    return kRunFailed;
  }

  // Only the first storage section is indexed; its plug-ins are loaded before anything
  // in the index folder changes, so a bad configuration leaves the last index as it was.
  const auto storage = std::find_if_not(sections.begin(), sections.end(), IsHeaderSection);
  if (storage != sections.end() && !plugins_.Load(settings_.work_dir, *storage)) {
    if (!plugins_.Failure().ok()) Fail(plugins_.Failure());
    plugins_.Release();
    Fail(Status(Result::kFailed, "load the plug-ins of", settings_.work_dir + kConfigFileName,
                "unknown reason"));
    return kRunConfigFailed;
  }
  std::vector<std::string> folders;
  if (storage != sections.end()) {
    folders = ReadStorageFolders(job, *storage);
    for (std::string& folder : folders) folder = AbsoluteFolder(folder);
    if (!CheckJobFolders(folders)) {
      plugins_.Release();
      return kRunFailed;
    }
  }
  // What a killed run left goes first, so that a full disk frees up.
  IndexSwitch::RemoveLeftovers(settings_.disk, index_dir_);
  pending_ = std::make_unique<IndexSwitch>(settings_.disk, index_dir_);
  logs_ = std::make_unique<PostingLogs>(settings_.disk, index_dir_);
  index_name_ = name;
  recorded_before_ = IndexRecords(settings_.work_dir).Read(name);
  highest_recorded_ = IndexRecords(settings_.work_dir).HighestFileNumber(name);
  // Every file of this run is read after this moment (see IsRacyTime).
  read_since_ = platform::PackDosTime(std::chrono::duration_cast<std::chrono::seconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
  // Only an index recorded as complete is reloaded: files left by a stopped or killed run are
  // never mixed with new file numbers.
  if (update && !(recorded_before_ == "1" && BeginReload())) StartFreshIndex();
  if (!OpenIndexFiles()) return kRunFailed;

  if (storage != sections.end()) {
    if (!StartParseGuard()) return kRunFailed;
    for (bool walk = true; walk;) {
      walk = false;
      for (const std::string& folder : folders) {
        if (stop_requested_ || write_failed_) break;  // after a Stop, no further root is scanned
        current_storage_dir_ = folder;
        const int scanned = IndexFolderScan(folder);
        if (scanned == kScanRestart) {
          walk = true;
          break;
        }
        // A folder the storage plug-in cannot walk would leave its files out of an index
        // recorded as complete.
        if (scanned == kScanRefused && !IsDeletedFileEntry(folder)) {
          FailWrite(Status(Result::kFailed, "walk", folder, "the folder cannot be opened"));
        }
      }
      // A reload that fails after a walk of unchanged files: the walk is done again, for a
      // fresh index (not after a Stop, which leaves the fresh index empty).
      if (!walk && !FinishReload()) walk = !stop_requested_ && !write_failed_;
    }
    guard_.Finish();
    plugins_.Release();
  }
  FinishReload();
  if (update_mode_ && storage != sections.end()) {
    NoteForgottenFiles(!stop_requested_ && !file_limit_reached_ && !write_failed_);
  }
  // Saved or not, the window ends with what the walk reached.
  ShowFinalFigures();
  const bool closed = CloseIndexFiles();
  if (write_failed_ || !closed) return kRunFailed;

  window_ = platform::WindowRef::Find(kSearchWindowClass, kSearchWindowTitle);
  if (stop_requested_ && !save_partial_) {
    // Nothing is saved, and nothing is lost: the folder and its record stay as they were.
    Abandon();
    Notify(0);
    return kRunOk;
  }
  if (!SaveIndex()) return kRunFailed;
  SaveUnreadFiles();
  Notify(1);
  return kRunOk;
}

bool TIndexer::IsDeletedFileEntry(const std::string& entry) const {
  std::string path = entry;
  if (path.size() > 1 && path.back() == platform::kPathSeparator) path.pop_back();
  if (platform::FolderExists(path) || platform::FileExists(path)) return false;
  const size_t slash = path.find_last_of(platform::kPathSeparator);
  if (slash == std::string::npos || slash == 0) return false;
  return platform::FolderExists(path.substr(0, slash + 1)) && plugins_.Match(path) != nullptr;
}

bool TIndexer::CheckJobFolders(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    std::string path = folder;
    if (path.size() > 1 && path.back() == platform::kPathSeparator) path.pop_back();
    if (platform::FolderExists(path) || platform::FileExists(path) || IsDeletedFileEntry(path)) {
      continue;
    }
    return Fail(Status(Result::kNotFound, "index", folder,
                       "no such folder (the last complete index is kept)"));
  }
  return true;
}

bool TIndexer::SwitchIndex() {
  if (pending_ == nullptr || pending_->empty()) return true;
  // The new files are made durable while the old index is still recorded complete, so that
  // "0" stands only for the renames.
  const Status synced = pending_->Sync();
  if (!synced.ok()) return Fail(synced);
  // A kill while the files change places leaves "0": a mix of old and new is no index.
  if (!index_name_.empty() && recorded_before_ != "0" && !RecordIndexed("0")) {
    return false;
  }
  const Status switched = pending_->Switch();
  if (!switched.ok()) {
    if (recorded_before_ == "1") RecordIndexed("1");
    return Fail(switched);
  }
  if (index_name_.empty()) return true;
  IndexRecords records(settings_.work_dir);
  Status stamped = records.WriteReadSince(index_name_, read_since_);
  const uint16_t highest = HighestNumberToRecord();
  if (stamped.ok() && highest != highest_recorded_) {
    stamped = records.WriteHighestFileNumber(index_name_, highest);
  }
  if (!stamped.ok()) return Fail(stamped);
  return RecordIndexed("1");
}

void TIndexer::NoteForgottenFiles(bool walk_complete) {
  highest_kept_ = 0;
  const TTypedList<FileNode>& files = stored_files_.files();
  for (size_t i = 0; i < files.Count(); ++i) {
    const uint16_t number = files[i]->Number;
    if (walk_complete && !met_.Contains(number)) {
      gone_.Add(number);
    } else {
      highest_kept_ = std::max(highest_kept_, number);
    }
  }
  forget_ = reindexed_;
  forget_.AddAll(gone_);
}

uint16_t TIndexer::HighestNumberToRecord() const {
  // The file index shows the highest number when a new file took it or a kept file has it.
  if (!update_mode_ || numbered_new_file_ || highest_kept_ >= file_count_) return 0;
  return file_count_;
}

}  // namespace oru
