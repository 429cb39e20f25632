// TIndexer's construction and the indexing run.
//
// The run keeps two promises beyond the basic pass. "Indexed" = "1" in "storages.ini" always
// means a complete index: the new files are written beside the old ones and put in place
// between a "0" and a "1" (SwitchIndex). And no failure costs the last complete index: a run
// that fails, or stops without saving, removes what it wrote and leaves the old files and
// their record as they were (Abandon); the plug-ins are loaded and the folder is locked before
// anything in it changes (F19, F21).
#include "indexer/engine/indexer.h"

#include <algorithm>
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

constexpr char kStopListName[] = "Stop.lst";
constexpr char kIndexedSection[] = "Indexed";
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
  // The run releases the plug-ins itself; this only catches a run that was cut short.
  if (StorageLibrary != nullptr || !parser_libraries_.empty()) FreePlugins();
}

void TIndexer::ProcessMessages() {
  if (Pump != nullptr) Pump->ProcessMessages();
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
  Status opened;
  TfStreams->Clear();
  for (int part = 0; part < fmt::kPartCount; ++part) {
    auto log = std::make_unique<BufferedFile>(16 * 1024, Disk);
    const std::string path = IndexDir + fmt::PostingLogName(part);
    // A log put off by the reload is opened when its first posting comes.
    if (!deferred_logs_.test(static_cast<size_t>(part))) {
      opened = UpdateMode ? log->OpenForAppend(path) : log->Create(path);
      if (!opened.ok()) return Fail(opened);
    }
    TfStreams->Add(log.release());
  }
  return true;
}

bool TIndexer::CloseIndexFiles() {
  bool ok = true;
  if (IndexStream != nullptr && IndexStream->is_open()) {
    // The file index is the one new version written during the walk: it is synced here.
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
  if (thrown) {
    const std::string& where = CurrentStorageDir.empty() ? ConfigPath : CurrentStorageDir;
    Fail(Status(Result::kFailed, "index", where, what));
  }
  if (result == kRunFailed && failure_.ok()) Fail(Status());
  if (result == kRunFailed) {
    Abandon();
    FreePlugins();
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
  if (!IsValidIndexName(name)) {  // "0" included (F9)
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
  // Two runs never work on one index at once (F21).
  const Result locked = platform::FolderLock::Acquire(IndexDir, &index_lock_);
  if (locked != Result::kOk) {
    Fail(Status(locked, "lock", IndexDir,
                locked == Result::kExists ? "another run is working on this index"
                                          : platform::ResultName(locked)));
    return kRunFailed;
  }

  // Only the first storage section is indexed (F7); its plug-ins are loaded before anything
  // in the index folder changes, so a bad configuration leaves the last index as it was (F19).
  const auto storage = std::find_if_not(sections.begin(), sections.end(), IsHeaderSection);
  if (storage != sections.end() && !LoadPlugins(*storage)) {
    FreePlugins();
    Fail(Status(Result::kFailed, "load the plug-ins of", WorkDir + kConfigFileName,
                "unknown reason"));
    return kRunConfigFailed;
  }
  // What a killed run left goes first, so that a full disk frees up.
  IndexSwitch::RemoveLeftovers(Disk, IndexDir);
  pending_ = std::make_unique<IndexSwitch>(Disk, IndexDir);
  index_name_ = name;
  recorded_before_ = ReadIndexed(name);
  // Only a complete index is reloaded (F17).
  if (UpdateMode && !(recorded_before_ == "1" && ReloadIndex())) {
    UpdateMode = false;
    ResetDictionary();
  }
  if (!OpenIndexFiles()) return kRunFailed;

  if (storage != sections.end()) {
    for (const std::string& folder : ReadStorageFolders(job, *storage)) {
      if (StopRequested || write_failed_) break;  // F24, F20
      CurrentStorageDir = AbsoluteFolder(folder);
      IndexFolderScan(CurrentStorageDir);
    }
    FreePlugins();
  }
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
