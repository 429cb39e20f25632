// TIndexer's construction and the indexing run.
//
// The run keeps two promises beyond the basic pass: "Indexed" = "1" in "storages.ini" always
// means a complete index (it is set to "0" before the first change to the index folder and to
// "1" only after the word list is in place, F13), and a run that fails early never touches the
// last good index (the plug-ins are loaded and the folder is locked before anything in it
// changes, F19, F21).
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

namespace oru {

namespace fmt = index_format;
using platform::Result;

namespace {

constexpr char kStopListName[] = "Stop.lst";
constexpr char kIndexedSection[] = "Indexed";
// How often the window's messages are handled while the walk waits for the reload.
constexpr auto kReloadWaitSlice = std::chrono::milliseconds(20);

// Set on the thread that reloads beside the walk: the window belongs to the other one.
thread_local bool t_reloading_beside_walk = false;

}  // namespace

TIndexer::TIndexer()
    : Plugins(new TTypedList<_TExtLib>(true)),
      TfStreams(new TTypedList<BufferedFile>(true)),
      WordBuckets(new TTypedList<_Form>[kHashCount]),
      FileWords(new TTypedList<_Dict>(true)) {
  ProgramDir = platform::ProgramFolder();
  StopListPath = ProgramDir + kStopListName;
  LoadStopWords();
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
  // The run releases the plug-ins itself; this only catches a run that was cut short.
  if (StorageLibrary != nullptr || !parser_libraries_.empty()) FreePlugins();
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

bool TIndexer::RecordIndexed(const std::string& name, const char* value) {
  // Read afresh before writing: other runs record their own indexes in the same file.
  platform::ProfileFile status = platform::ProfileFile::Open(WorkDir + kStatusFileName);
  return status.WriteString(kIndexedSection, name, value) == Result::kOk;
}

bool TIndexer::OpenIndexFiles() {
  IndexStream = std::make_unique<BufferedFile>();
  const std::string file_index = IndexDir + fmt::kFileIndexName;
  Result opened = UpdateMode ? IndexStream->OpenForAppend(file_index)
                             : IndexStream->Create(file_index);
  if (opened != Result::kOk) return false;
  TfStreams->Clear();
  for (int part = 0; part < fmt::kPartCount; ++part) TfStreams->Add(new BufferedFile());
  // Which logs the reload puts off is known once it has finished.
  return reload_pending_ || OpenPostingLogs();
}

bool TIndexer::OpenPostingLogs() {
  for (int part = 0; part < fmt::kPartCount; ++part) {
    // A log put off by the reload is opened when its first posting comes.
    if (deferred_logs_.test(static_cast<size_t>(part))) continue;
    BufferedFile* log = (*TfStreams)[static_cast<size_t>(part)];
    const std::string path = IndexDir + fmt::PostingLogName(part);
    if ((UpdateMode ? log->OpenForAppend(path) : log->Create(path)) != Result::kOk) return false;
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
  if (IndexStream != nullptr) {
    ok = IndexStream->Close() == Result::kOk;
    IndexStream.reset();
  }
  for (BufferedFile* log : *TfStreams) {
    if (log->Close() != Result::kOk) ok = false;
  }
  TfStreams->Clear();
  return ok;
}

uint8_t TIndexer::Run() {
  try {
    return RunPass();
  } catch (...) {
    JoinReload();
    reload_pending_ = false;
    CloseIndexFiles();
    FreePlugins();
    Notify(0);
    return kRunFailed;
  }
}

uint8_t TIndexer::RunPass() {
  if (!platform::FileExists(ConfigPath)) return kRunNoJobFile;
  const platform::ProfileFile job = platform::ProfileFile::Open(ConfigPath);
  const std::vector<std::string> sections = job.SectionNames();
  if (sections.empty()) return kRunBadJob;
  const std::string name = job.GetString("Header", "Name", "0");
  if (!IsValidIndexName(name)) return kRunBadJob;  // "0" included (F9)
  UpdateMode = job.GetString("Header", "Updating", "0") == "1";

  IndexDir = StoragesDir + name;
  if (IndexDir.back() != platform::kPathSeparator) IndexDir += platform::kPathSeparator;
  platform::CreateFolder(IndexDir);  // it may exist already
  // Two runs never work on one index at once (F21).
  platform::FolderLock lock;
  if (platform::FolderLock::Acquire(IndexDir, &lock) != Result::kOk) return kRunFailed;

  // Only the first storage section is indexed (F7); its plug-ins are loaded before anything
  // in the index folder changes, so a bad configuration leaves the last index as it was (F19).
  const auto storage = std::find_if_not(sections.begin(), sections.end(), IsHeaderSection);
  if (storage != sections.end() && !LoadPlugins(*storage)) {
    FreePlugins();
    return kRunConfigFailed;
  }
  // Only a complete index is reloaded (F17); from here on the folder is "not complete" until
  // the word list is in place (F13).
  const bool was_complete =
      platform::ProfileFile::Open(WorkDir + kStatusFileName).GetString(kIndexedSection, name, "") ==
      "1";
  if (!RecordIndexed(name, "0")) {
    FreePlugins();
    return kRunFailed;
  }
  if (UpdateMode && !(was_complete && BeginReload())) {
    UpdateMode = false;
    ResetDictionary();
  }
  if (!OpenIndexFiles()) {
    JoinReload();
    reload_pending_ = false;
    CloseIndexFiles();
    FreePlugins();
    return kRunFailed;
  }

  if (storage != sections.end()) {
    const std::vector<std::string> folders = ReadStorageFolders(job, *storage);
    for (bool walk = true; walk;) {
      walk = false;
      for (const std::string& folder : folders) {
        if (StopRequested || write_failed_) break;  // F24, F20
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
    FreePlugins();
  }
  FinishReload();
  const bool closed = CloseIndexFiles();
  if (write_failed_ || !closed) return kRunFailed;

  window_ = platform::WindowRef::Find(kSearchWindowClass, kSearchWindowTitle);
  if (StopRequested && !SavePartial) {
    // "Indexed" is already "0"; the posting logs stay for nobody to merge, all of them.
    Notify(0);
    return WriteDeferredLogs() ? kRunOk : kRunFailed;
  }
  if (!SaveIndex() || !RecordIndexed(name, "1")) {
    Notify(0);
    return kRunFailed;
  }
  Notify(1);
  return kRunOk;
}

}  // namespace oru
