// Per-file indexing: each file the storage plug-in hands out is numbered, recorded in the file
// index, parsed, and its distinct words appended to the posting logs.
#include <cstdio>
#include <string>

#include "indexer/engine/index_format.h"
#include "indexer/engine/indexer.h"
#include "platform/files.h"
#include "platform/md5.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;
using platform::Status;

int TIndexer::IndexFolderScan(const std::string& folder) {
  // No number above FileLimit is ever given: once a file found no number, no later folder is
  // asked for files.
  if (file_limit_reached_) return kScanOk;
  const StorageExports& storage = plugins_.Storage();
  if (storage.scan == nullptr || storage.next_file == nullptr || storage.stop == nullptr) {
    return kScanFailed;
  }
  if (!storage.scan(folder.c_str())) return kScanRefused;
  // The plug-in's scan state is released on every way out, a failure thrown from below
  // included (it goes on to fail the run).
  struct ScanEnd {
    StopScanFn stop;
    ~ScanEnd() { stop(); }
  } scan_end{storage.stop};
  int skipped = 0;
  for (;;) {
    ProcessMessages();
    if (stop_requested_) return kScanOk;
    int32_t size = 0;
    int32_t time = 0;
    const char* next = storage.next_file(&size, &time);
    if (next == nullptr || next[0] == '\0') break;
    const std::string path(next);
    const _TExtLib* parser = plugins_.Match(path);
    if (parser == nullptr) continue;
    // A record that could not be written would leave the file without a number on disk:
    // such a file is passed over before it is numbered.
    if (fmt::kFileRecordHeader + path.size() > fmt::kMaxFileRecord) continue;
    // A file of the list of unread files is met: its record outlives the walk.
    if (!unread_.empty() && unread_.Find(path) != nullptr) unread_seen_.insert(path);
    const uint16_t path_hash = platform::WordHash(path);
    const FileNode* stored = nullptr;
    const StoredFileState state =
        update_mode_ ? stored_files_.Check(path, path_hash, static_cast<uint32_t>(size),
                                           static_cast<uint32_t>(time), &stored)
                     : StoredFileState::kNew;
    if (stored != nullptr) met_.Add(stored->Number);
    if (state == StoredFileState::kUnchanged) {
      ++skipped;
      Show(view_.files_indexed, std::to_string(skipped));
      Show(view_.current_file, path);
      continue;
    }
    // Indexing needs the whole reload: a failed one means a fresh index, from the first file.
    if (!FinishReload()) return kScanRestart;
    Show(view_.files_indexed, std::to_string(file_count_));
    Show(view_.current_file, path);
    // A file indexed again keeps its number; only a new file needs one.
    if (state == StoredFileState::kNew && file_count_ >= settings_.file_limit) {
      ReportFileLimit(path);
      break;
    }
    uint16_t number = 0;
    if (state == StoredFileState::kChanged) {
      number = stored->Number;
      reindexed_.Add(number);
    } else {
      number = ++file_count_;
      numbered_new_file_ = true;
      const Status written = file_index_->Append(path, number, path_hash,
                                                 static_cast<uint32_t>(size),
                                                 static_cast<uint32_t>(time));
      if (!written.ok()) {
        FailWrite(written);
        return kScanFailed;
      }
    }
    ParseGuarded(*parser, path, (uint32_t{path_hash} << 16) | number, static_cast<uint32_t>(size),
                 static_cast<uint32_t>(time));
    ProcessMessages();
    for (const _Dict& word : file_words_) {
      if (!logs_->Append(word)) {
        FailWrite(logs_->error());
        return kScanFailed;
      }
    }
    // The record of a file indexed again takes its new size and time, so that the next
    // update sees it as changed only when it changes again.
    if (state == StoredFileState::kChanged) {
      file_index_->RewriteStamp(*stored, static_cast<uint32_t>(size), static_cast<uint32_t>(time));
    }
  }
  return kScanOk;
}

void TIndexer::ReportFileLimit(const std::string& path) {
  if (file_limit_reached_) return;
  file_limit_reached_ = true;
  const size_t slash = path.find_last_of(platform::kPathSeparator);
  const std::string folder = slash == std::string::npos ? path : path.substr(0, slash + 1);
  std::fprintf(stderr,
               "Tamsel: the index holds the most files it can (%u); the walk stopped in %s, and "
               "the files after that point are not indexed\n",
               static_cast<unsigned>(settings_.file_limit), folder.c_str());
  std::fflush(stderr);
}

}  // namespace oru
