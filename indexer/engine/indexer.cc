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
#include "indexer/engine/job.h"
#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/mutex.h"
#include "platform/status.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;

namespace {

constexpr char kIndexedSection[] = "Indexed";
// How often the window's messages are handled while the walk waits for the reload.
constexpr auto kReloadWaitSlice = std::chrono::milliseconds(20);

// Set on the thread that reloads beside the walk: the window belongs to the other one.
thread_local bool t_reloading_beside_walk = false;
// Beside "storages.ini": held while a run reads, changes and writes it.
constexpr char kStatusLockSuffix[] = ".lock";

using platform::Status;

// A folder of the job as given, made absolute against the current folder: the walk must not
// depend on where the program happens to stand later.
std::string AbsoluteFolder(const std::string& folder) {
  if (platform::IsAbsolutePath(folder)) return folder;
  return platform::CurrentFolder() + folder;
}

}  // namespace

TIndexer::TIndexer()
    : TfStreams(new TTypedList<BufferedFile>(true)),
      WordBuckets(new TTypedList<_Form>[kHashCount]),
      FileWords(new TTypedList<_Dict>(true)) {
  stop_words_ = StopList::BesideProgram();
  std::fill(std::begin(HashSlots), std::end(HashSlots), kNoSlot);
}

void* TIndexer::operator new(size_t size) {
  void* object = std::calloc(1, size);
  if (object == nullptr) throw std::bad_alloc();
  return object;
}

void TIndexer::operator delete(void* object) { std::free(object); }

TIndexer::~TIndexer() {
  JoinReload();
}

void TIndexer::ProcessMessages() {
  if (Pump != nullptr && !t_reloading_beside_walk) Pump->ProcessMessages();
}

void TIndexer::Show(platform::Label* label, std::string_view text) {
  if (label != nullptr) label->SetCaption(text);
}

void TIndexer::StepProgress() {
  if (ProgressBar != nullptr) ProgressBar->SetPosition(ProgressBar->Position() + 1);
}

void TIndexer::Notify(int64_t wparam) {
  if (window_.found()) window_.Post({kIndexDoneMessage, wparam, 0});
}

bool TIndexer::Fail(Status status) {
  if (failure_.ok()) {
    failure_ = status.ok() ? Status(Result::kFailed, "index", IndexDir, "unknown failure")
                           : std::move(status);
  }
  return false;
}

std::string TIndexer::ReadIndexed(const std::string& name) {
  // Writers replace the file in one step: a reader sees it whole without the lock.
  return platform::ProfileFile::Open(WorkDir + kStatusFileName)
      .GetString(kIndexedSection, name, "");
}

bool TIndexer::RecordIndexed(const std::string& name, const char* value) {
  // Other runs record their own indexes in the same file: it is read, changed and written
  // under the lock beside it, so that no record of theirs is lost.
  const std::string path = WorkDir + kStatusFileName;
  platform::FileLock lock;
  const Status locked = platform::FileLock::Acquire(path + kStatusLockSuffix, &lock);
  if (!locked.ok()) return Fail(locked);
  platform::ProfileFile status = platform::ProfileFile::Open(path);
  const Result written = status.WriteString(kIndexedSection, name, value);
  if (written != Result::kOk) {
    return Fail(Status(written, "write", path, platform::ResultName(written)));
  }
  return true;
}

bool TIndexer::OpenFileIndexCopy() {
  if (IndexStream->is_open()) return true;
  // The update extends a copy, made when the first record changes; the old file index stays as
  // readers know it until the switch, and an update that changes nothing leaves it alone.
  std::string old;
  Status opened = platform::ReadWholeFile(IndexDir + fmt::kFileIndexName, &old);
  if (opened.ok()) opened = IndexStream->Create(pending_->NewPath(fmt::kFileIndexName));
  if (opened.ok()) opened = IndexStream->Write(old.data(), old.size());
  return opened.ok() || FailWrite(opened);
}

bool TIndexer::OpenIndexFiles() {
  IndexStream = std::make_unique<BufferedFile>(16 * 1024, Disk);
  if (!UpdateMode) {
    const Status created = IndexStream->Create(pending_->NewPath(fmt::kFileIndexName));
    if (!created.ok()) return Fail(created);
  }
  TfStreams->Clear();
  for (int part = 0; part < fmt::kPartCount; ++part) {
    TfStreams->Add(new BufferedFile(16 * 1024, Disk));
  }
  // Which logs the reload puts off is known once it has finished.
  return reload_pending_ || OpenPostingLogs();
}

bool TIndexer::OpenPostingLogs() {
  for (int part = 0; part < fmt::kPartCount; ++part) {
    // A log put off by the reload is opened when its first posting comes.
    if (deferred_logs_.test(static_cast<size_t>(part))) continue;
    BufferedFile* log = (*TfStreams)[static_cast<size_t>(part)];
    const std::string path = IndexDir + fmt::PostingLogName(part);
    const Status opened = UpdateMode ? log->OpenForAppend(path) : log->Create(path);
    if (!opened.ok()) return Fail(opened);
  }
  return true;
}

bool TIndexer::BeginReload() {
  if (!ReloadBesideWalk) return ReloadIndex();
  if (!ReloadFileTable()) return false;
  reload_done_ = false;
  try {
    // The dictionary's entries come from this thread's pool, which makes none meanwhile.
    reload_thread_ = std::thread([this, pool = RecordPool::ThisThreadsPool()] {
      t_reloading_beside_walk = true;
      bool ok = false;
      {
        const RecordPool::UsePool use(pool);
        ok = ReloadDictionary();
      }
      const std::lock_guard<std::mutex> lock(reload_mutex_);
      reload_ok_ = ok;
      reload_done_ = true;
      reload_finished_.notify_one();
    });
  } catch (...) {
    // No second thread to be had: the reload runs here and now.
    if (ReloadDictionary()) return true;
    DropReload();
    return false;
  }
  reload_pending_ = true;
  return true;
}

void TIndexer::JoinReload() {
  if (!reload_thread_.joinable()) return;
  reload_thread_.join();
}

bool TIndexer::FinishReload() {
  if (!reload_pending_) return true;
  {
    std::unique_lock<std::mutex> lock(reload_mutex_);
    while (!reload_done_) {
      lock.unlock();
      ProcessMessages();  // Stop stays answered; it takes effect when the walk goes on
      lock.lock();
      reload_finished_.wait_for(lock, kReloadWaitSlice, [this] { return reload_done_; });
    }
  }
  JoinReload();
  reload_pending_ = false;
  if (reload_ok_) {
    if (!OpenPostingLogs()) write_failed_ = true;
    return true;
  }
  // As when the reload fails before the walk: a fresh index, its files created anew (the
  // file index was opened for appending, logs the reload rebuilt are emptied).
  DropReload();
  UpdateMode = false;
  ResetDictionary();
  CloseIndexFiles();
  if (!OpenIndexFiles()) write_failed_ = true;
  return false;
}

bool TIndexer::CloseIndexFiles() {
  bool ok = true;
  if (IndexStream != nullptr && IndexStream->is_open()) {
    // The file index is the one new version written during the walk: it is complete here.
    const Status closed = IndexStream->Commit();
    if (!closed.ok()) ok = Fail(closed);
    if (closed.ok() && pending_ != nullptr) pending_->Add(fmt::kFileIndexName);
  }
  IndexStream.reset();
  for (BufferedFile* log : *TfStreams) {
    const Status closed = log->Close();
    if (!closed.ok()) ok = Fail(closed);
  }
  TfStreams->Clear();
  return ok;
}

void TIndexer::Abandon() {
  CloseIndexFiles();
  if (!IndexDir.empty() && index_lock_.held()) IndexSwitch::RemoveLeftovers(Disk, IndexDir);
  deferred_logs_.reset();
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
  JoinReload();
  reload_pending_ = false;
  if (thrown) {
    const std::string& where = CurrentStorageDir.empty() ? ConfigPath : CurrentStorageDir;
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
  if (!platform::FileExists(ConfigPath)) {
    Fail(Status(Result::kNotFound, "open job file", ConfigPath, "no such file"));
    return kRunNoJobFile;
  }
  const platform::ProfileFile job = platform::ProfileFile::Open(ConfigPath);
  const std::vector<std::string> sections = job.SectionNames();
  if (sections.empty()) {
    Fail(Status(Result::kFailed, "use job file", ConfigPath, "it has no sections"));
    return kRunBadJob;
  }
  const std::string name = job.GetString("Header", "Name", "0");
  if (!IsValidIndexName(name)) {  // "0" (no name) included
    Fail(Status(Result::kFailed, "use job file", ConfigPath,
                "its index name is missing or not allowed"));
    return kRunBadJob;
  }
  UpdateMode = job.GetString("Header", "Updating", "0") == "1";

  IndexDir = StoragesDir + name;
  if (IndexDir.back() != platform::kPathSeparator) IndexDir += platform::kPathSeparator;
  const Status created = platform::CreateFolder(IndexDir);
  if (!created.ok() && !platform::FolderExists(IndexDir)) {
    Fail(created);
    return kRunFailed;
  }
  // Two runs never work on one index at once.
  const Result locked = platform::FolderLock::Acquire(IndexDir, &index_lock_);
  if (locked != Result::kOk) {
    Fail(Status(locked, "lock", IndexDir,
                locked == Result::kExists ? "another run is working on this index"
                                          : platform::ResultName(locked)));
    return kRunFailed;
  }

  // Only the first storage section is indexed; its plug-ins are loaded before anything
  // in the index folder changes, so a bad configuration leaves the last index as it was.
  const auto storage = std::find_if_not(sections.begin(), sections.end(), IsHeaderSection);
  if (storage != sections.end() && !plugins_.Load(WorkDir, *storage)) {
    if (!plugins_.Failure().ok()) Fail(plugins_.Failure());
    plugins_.Release();
    Fail(Status(Result::kFailed, "load the plug-ins of", WorkDir + kConfigFileName,
                "unknown reason"));
    return kRunConfigFailed;
  }
  // What a killed run left goes first, so that a full disk frees up.
  IndexSwitch::RemoveLeftovers(Disk, IndexDir);
  pending_ = std::make_unique<IndexSwitch>(Disk, IndexDir);
  index_name_ = name;
  recorded_before_ = ReadIndexed(name);
  // Only an index recorded as complete is reloaded: files left by a stopped or killed run are
  // never mixed with new file numbers.
  if (UpdateMode && !(recorded_before_ == "1" && BeginReload())) {
    UpdateMode = false;
    ResetDictionary();
  }
  if (!OpenIndexFiles()) return kRunFailed;

  if (storage != sections.end()) {
    std::vector<std::string> folders = ReadStorageFolders(job, *storage);
    for (std::string& folder : folders) folder = AbsoluteFolder(folder);
    for (bool walk = true; walk;) {
      walk = false;
      for (const std::string& folder : folders) {
        if (StopRequested || write_failed_) break;  // after a Stop, no further root is scanned
        CurrentStorageDir = folder;
        if (IndexFolderScan(folder) == kScanRestart) {
          walk = true;
          break;
        }
      }
      // A reload that fails after a walk of unchanged files: the walk is done again, for a
      // fresh index (not after a Stop, which leaves the fresh index empty).
      if (!walk && !FinishReload()) walk = !StopRequested && !write_failed_;
    }
    plugins_.Release();
  }
  FinishReload();
  const bool closed = CloseIndexFiles();
  if (write_failed_ || !closed) return kRunFailed;

  window_ = platform::WindowRef::Find(kSearchWindowClass, kSearchWindowTitle);
  if (StopRequested && !SavePartial) {
    // Nothing is saved, and nothing is lost: the folder and its record stay as they were.
    Abandon();
    Notify(0);
    return kRunOk;
  }
  if (!SaveIndex()) return kRunFailed;
  Notify(1);
  return kRunOk;
}

bool TIndexer::SwitchIndex() {
  if (pending_ == nullptr || pending_->empty()) return true;
  // A kill while the files change places leaves "0": a mix of old and new is no index.
  if (!index_name_.empty() && recorded_before_ != "0" && !RecordIndexed(index_name_, "0")) {
    return false;
  }
  const Status switched = pending_->Switch();
  if (!switched.ok()) {
    if (recorded_before_ == "1") RecordIndexed(index_name_, "1");
    return Fail(switched);
  }
  return index_name_.empty() || RecordIndexed(index_name_, "1");
}

}  // namespace oru
