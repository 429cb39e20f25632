#include "indexer/engine/walk.h"

#include <algorithm>
#include <cstdio>

#include "indexer/engine/index_format.h"
#include "platform/files.h"
#include "platform/md5.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;
using platform::Status;

FolderWalk::FolderWalk(const PluginSet* plugins, Host* host, uint16_t file_limit)
    : plugins_(plugins), host_(host), file_limit_(file_limit) {}

void FolderWalk::Start(FileIndexWriter* file_index, const StoredFiles* stored,
                       uint16_t highest_number) {
  file_index_ = file_index;
  stored_ = stored;
  file_count_ = highest_number;
  complete_ = false;
  limit_reached_ = false;
  met_.Clear();
  reindexed_.Clear();
  numbered_new_file_ = false;
  held_.clear();
}

WalkOutcome FolderWalk::Run(const std::vector<std::string>& folders, Status* failure) {
  for (const std::string& folder : folders) {
    // After a Stop no further folder is walked.
    if (host_->StopRequested()) return WalkOutcome::kStopped;
    const WalkOutcome scanned = Scan(folder, failure);
    if (scanned != WalkOutcome::kDone) return scanned;
  }
  if (host_->StopRequested()) return WalkOutcome::kStopped;
  complete_ = !limit_reached_;
  return WalkOutcome::kDone;
}

WalkOutcome FolderWalk::Scan(const std::string& folder, Status* failure) {
  // No number above the limit is ever given: once a file found no number, no later folder is
  // asked for files.
  if (limit_reached_) return WalkOutcome::kDone;
  folder_ = folder;
  const StorageExports& storage = plugins_->Storage();
  if (file_index_ == nullptr || storage.scan == nullptr || storage.next_file == nullptr || storage.stop == nullptr) {
    *failure = Status(Result::kFailed, "walk", folder, "no storage plug-in is loaded");
    return WalkOutcome::kFailed;
  }
  if (!storage.scan(folder.c_str())) {
    // A folder the storage plug-in cannot walk would leave its files out of an index recorded
    // as complete; a job entry of a deleted file yields nothing.
    if (IsDeletedFileEntry(folder, *plugins_)) return WalkOutcome::kDone;
    *failure = Status(Result::kFailed, "walk", folder, "the folder cannot be opened");
    return WalkOutcome::kFailed;
  }
  // The plug-in's scan state is released on every way out, a failure thrown from below
  // included (it goes on to fail the run).
  struct ScanEnd {
    StopScanFn stop;
    ~ScanEnd() { stop(); }
  } scan_end{storage.stop};
  uint32_t skipped = 0;
  for (;;) {
    host_->Pump();
    if (host_->StopRequested()) {
      // Every file numbered is indexed before the walk stops.
      const WalkOutcome held = IndexHeld(failure);
      return held == WalkOutcome::kDone ? WalkOutcome::kStopped : held;
    }
    if (!held_.empty() && host_->ReadyToIndexNow()) {
      const WalkOutcome held = IndexHeld(failure);
      if (held != WalkOutcome::kDone) return held;
    }
    int32_t size = 0;
    int32_t time = 0;
    const char* next = storage.next_file(&size, &time);
    if (next == nullptr || next[0] == '\0') break;
    WalkedFile file{plugins_->Match(next), next, 0, static_cast<uint32_t>(size),
                    static_cast<uint32_t>(time)};
    if (file.parser == nullptr) continue;
    // The path as the index records it.
    std::string utf8_path;
    if (convert_paths_) utf8_path = platform::NativePathToUtf8(file.path);
    const std::string& recorded = convert_paths_ ? utf8_path : file.path;
    // A record that could not be written would leave the file without a number on disk:
    // such a file is passed over before it is numbered.
    if (fmt::kFileRecordHeader + recorded.size() > fmt::kMaxFileRecord) continue;
    host_->Met(file.path);
    const uint16_t path_hash = platform::WordHash(recorded);
    const FileNode* stored_node = nullptr;
    const StoredFileState state =
        stored_ != nullptr
            ? stored_->Check(recorded, path_hash, file.size, file.time, &stored_node)
            : StoredFileState::kNew;
    if (stored_node != nullptr) met_.Add(stored_node->Number);
    if (state == StoredFileState::kUnchanged) {
      host_->Progress(++skipped, file.path);
      continue;
    }
    // Indexing needs the whole reload: a failed one means a fresh index, from the first file.
    // While the reload still runs the file is numbered and recorded now and held; a failed
    // reload discards that too (the walk starts again).
    const bool hold = !held_.empty() || !host_->ReadyToIndexNow();
    if (!hold && !host_->ReadyToIndex()) return WalkOutcome::kRestart;
    host_->Progress(file_count_, file.path);
    uint16_t number = 0;
    if (state == StoredFileState::kChanged) {
      // A file indexed again keeps its number and takes its new size and time.
      number = stored_node->Number;
      reindexed_.Add(number);
      file_index_->RewriteStamp(*stored_node, file.size, file.time);
    } else {
      if (file_count_ >= file_limit_) {
        ReportFileLimit(file.path);
        return IndexHeld(failure);
      }
      number = ++file_count_;
      numbered_new_file_ = true;
      *failure = file_index_->Append(recorded, number, path_hash, file.size, file.time);
      if (!failure->ok()) return WalkOutcome::kFailed;
    }
    file.file_ref = (uint32_t{path_hash} << 16) | number;
    if (hold) {
      held_.push_back(std::move(file));
      continue;
    }
    *failure = host_->Index(file);
    if (!failure->ok()) return WalkOutcome::kFailed;
    host_->Pump();
  }
  return IndexHeld(failure);
}

WalkOutcome FolderWalk::IndexHeld(Status* failure) {
  if (held_.empty()) return WalkOutcome::kDone;
  // A failed reload starts the walk again, which drops the files held.
  if (!host_->ReadyToIndex()) return WalkOutcome::kRestart;
  std::vector<WalkedFile> held;
  held.swap(held_);
  for (const WalkedFile& file : held) {
    *failure = host_->Index(file);
    if (!failure->ok()) return WalkOutcome::kFailed;
    host_->Pump();
  }
  return WalkOutcome::kDone;
}

void FolderWalk::ReportFileLimit(const std::string& path) {
  if (limit_reached_) return;
  limit_reached_ = true;
  const size_t slash = path.find_last_of(platform::kPathSeparator);
  const std::string folder = slash == std::string::npos ? path : path.substr(0, slash + 1);
  std::fprintf(stderr,
               "Tamsel: the index holds the most files it can (%u); the walk stopped in %s, and "
               "the files after that point are not indexed\n",
               static_cast<unsigned>(file_limit_), folder.c_str());
  std::fflush(stderr);
}

ForgottenFiles Forgotten(const FolderWalk& walk, const StoredFiles& stored) {
  ForgottenFiles forgotten;
  for (const FileNode& file : stored.files()) {
    const uint16_t number = file.Number;
    if (walk.complete() && !walk.met().Contains(number)) {
      forgotten.gone.Add(number);
    } else {
      forgotten.highest_kept = std::max(forgotten.highest_kept, number);
    }
  }
  forgotten.forget = walk.reindexed();
  forgotten.forget.AddAll(forgotten.gone);
  return forgotten;
}

bool IsDeletedFileEntry(const std::string& entry, const PluginSet& plugins) {
  std::string path = entry;
  if (path.size() > 1 && path.back() == platform::kPathSeparator) path.pop_back();
  if (plugins.Entry(path) != EntryKind::kMissing) return false;
  const size_t slash = path.find_last_of(platform::kPathSeparator);
  if (slash == std::string::npos || slash == 0) return false;
  return plugins.Entry(path.substr(0, slash + 1)) == EntryKind::kFolder &&
         plugins.Match(path) != nullptr;
}

Status CheckJobFolders(const std::vector<std::string>& folders, const PluginSet& plugins) {
  for (const std::string& folder : folders) {
    std::string path = folder;
    if (path.size() > 1 && path.back() == platform::kPathSeparator) path.pop_back();
    if (plugins.Entry(path) != EntryKind::kMissing || IsDeletedFileEntry(path, plugins)) {
      continue;
    }
    return Status(Result::kNotFound, "index", folder,
                  "no such folder (the last complete index is kept)");
  }
  return Status();
}

}  // namespace oru
