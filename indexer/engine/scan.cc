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
    if (StopRequested) return kScanOk;
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
    const uint16_t path_hash = platform::WordHash(path);
    const FileNode* stored = nullptr;
    const StoredFileState state =
        UpdateMode ? CheckStoredFile(path, path_hash, static_cast<uint32_t>(size),
                                     static_cast<uint32_t>(time), &stored)
                   : StoredFileState::kNew;
    if (state == StoredFileState::kUnchanged) {
      ++skipped;
      Show(FilesIndexedLabel, std::to_string(skipped));
      Show(CurrentFileLabel, path);
      continue;
    }
    // Indexing needs the whole reload: a failed one means a fresh index, from the first file.
    if (!FinishReload()) return kScanRestart;
    Show(FilesIndexedLabel, std::to_string(FileCount));
    Show(CurrentFileLabel, path);
    // A file indexed again keeps its number; only a new file needs one.
    if (state == StoredFileState::kNew && FileCount >= FileLimit) {
      ReportFileLimit(path);
      break;
    }
    uint16_t number = 0;
    if (state == StoredFileState::kChanged) {
      number = stored->Number;
    } else {
      number = ++FileCount;
      if (!WriteFileRecord(path, number, path_hash, static_cast<uint32_t>(size),
                           static_cast<uint32_t>(time))) {
        return kScanFailed;
      }
    }
    // A failure in one file never leaks its words into the next.
    FileWords->Clear();
    file_entries_.clear();
    ExtractWords(*parser->Exports, parser->TypeName, path, (uint32_t{path_hash} << 16) | number, 0);
    ProcessMessages();
    // The entries ExtractWords found spare a second look-up of every word.
    const bool entries_known = file_entries_.size() == FileWords->Count();
    for (size_t i = 0; i < FileWords->Count(); ++i) {
      const _Dict& word = *(*FileWords)[i];
      const _Form& entry = entries_known ? *file_entries_[i] : *WordBuckets[word.Hash][word.Slot];
      if (!AppendPosting(word, entry)) return kScanFailed;
    }
    FileWords->Clear();
    file_entries_.clear();
    // The record of a file indexed again takes its new size and time, so that the next
    // update sees it as changed only when it changes again.
    if (state == StoredFileState::kChanged &&
        !RewriteFileStamp(*stored, static_cast<uint32_t>(size), static_cast<uint32_t>(time))) {
      return kScanFailed;
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
               static_cast<unsigned>(FileLimit), folder.c_str());
  std::fflush(stderr);
}

bool TIndexer::WriteFileRecord(std::string_view path, uint16_t number, uint16_t path_hash,
                               uint32_t size, uint32_t time) {
  uint8_t record[fmt::kMaxFileRecord];
  const size_t length = fmt::EncodeFileRecord({number, path_hash, size, time, path}, record);
  if (length == 0) return true;  // too long for a record: indexed without one
  if (IndexStream == nullptr) return FailWrite(Status());
  if (UpdateMode && !OpenFileIndexCopy()) return false;
  const Status written = IndexStream->Write(record, length);
  return written.ok() || FailWrite(written);
}

bool TIndexer::RewriteFileStamp(const FileNode& stored, uint32_t size, uint32_t time) {
  uint8_t stamp[fmt::kFileStampSize];
  fmt::EncodeFileStamp(size, time, stamp);
  if (IndexStream == nullptr) return FailWrite(Status());
  if (UpdateMode && !OpenFileIndexCopy()) return false;
  const Status written = IndexStream->WriteAt(
      int64_t{stored.Offset} + int64_t{fmt::kFileStampOffset}, stamp, sizeof(stamp));
  return written.ok() || FailWrite(written);
}

bool TIndexer::AppendPosting(const _Dict& word, const _Form& entry) {
  uint8_t posting[fmt::kPostingSize];
  fmt::EncodePosting({word.Hash, word.Slot, entry.LastFile, entry.Flags}, posting);
  const int part = fmt::PartOf(word.Hash);
  BufferedFile* log = (*TfStreams)[static_cast<size_t>(part)];
  if (deferred_logs_[static_cast<size_t>(part)]) {
    const std::string log_path = IndexDir + fmt::PostingLogName(part);
    if (!WriteDeferredLog(part)) {
      return FailWrite(Status(Result::kFailed, "rebuild", log_path,
                              "the part it comes from changed or cannot be read"));
    }
    const Status opened = log->OpenForAppend(log_path);
    if (!opened.ok()) return FailWrite(opened);
  }
  return log->Append(posting, sizeof(posting)) || FailWrite(log->error());
}

}  // namespace oru
