// TIndexer's construction and the indexing run.
//
// The run keeps two promises beyond the basic pass: "Indexed" = "1" in "storages.ini" always
// means a complete index (it is set to "0" before the first change to the index folder and to
// "1" only after the word list is in place, F13), and a run that fails early never touches the
// last good index (the plug-ins are loaded and the folder is locked before anything in it
// changes, F19, F21).
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

namespace oru {

namespace fmt = index_format;
using platform::Result;

namespace {

constexpr char kStopListName[] = "Stop.lst";
constexpr char kIndexedSection[] = "Indexed";

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
  for (int part = 0; part < fmt::kPartCount; ++part) {
    auto log = std::make_unique<BufferedFile>();
    const std::string path = IndexDir + fmt::PostingLogName(part);
    // A log put off by the reload is opened when its first posting comes.
    if (!deferred_logs_.test(static_cast<size_t>(part))) {
      opened = UpdateMode ? log->OpenForAppend(path) : log->Create(path);
      if (opened != Result::kOk) return false;
    }
    TfStreams->Add(log.release());
  }
  return true;
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
  if (UpdateMode && !(was_complete && ReloadIndex())) {
    UpdateMode = false;
    ResetDictionary();
  }
  if (!OpenIndexFiles()) {
    CloseIndexFiles();
    FreePlugins();
    return kRunFailed;
  }

  if (storage != sections.end()) {
    for (const std::string& folder : ReadStorageFolders(job, *storage)) {
      if (StopRequested || write_failed_) break;  // F24, F20
      CurrentStorageDir = folder;
      IndexFolderScan(folder);
    }
    FreePlugins();
  }
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
