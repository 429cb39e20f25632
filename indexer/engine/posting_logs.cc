#include "indexer/engine/posting_logs.h"

#include <utility>

#include "indexer/engine/index_format.h"
#include "indexer/engine/part_reader.h"
#include "platform/files.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;
using platform::Status;

PostingLogs::PostingLogs(platform::FileSystem* disk, std::string index_dir)
    : disk_(disk), dir_(std::move(index_dir)) {}

std::string PostingLogs::PathOf(int part) const { return dir_ + fmt::PostingLogName(part); }

Status PostingLogs::Open(bool append) {
  for (int part = 0; part < fmt::kPartCount; ++part) {
    auto& log = logs_[static_cast<size_t>(part)];
    log = std::make_unique<BufferedFile>(16 * 1024, disk_);
    // A log put off by the reload is opened when its first posting comes.
    if (put_off(part)) continue;
    const Status opened = append ? log->OpenForAppend(PathOf(part)) : log->Create(PathOf(part));
    if (!opened.ok()) return opened;
  }
  return Status();
}

void PostingLogs::EncodePosting(const _Dict& word, uint8_t* out) {
  fmt::EncodePosting({word.Hash, word.Slot, word.Entry->LastFile, word.Entry->Flags}, out);
}

bool PostingLogs::AppendFirst(const _Dict& word) {
  const int part = fmt::PartOf(word.Hash);
  BufferedFile* log = logs_[static_cast<size_t>(part)].get();
  if (log == nullptr) {
    error_ = Status(Result::kFailed, "write", PathOf(part), "the posting logs are not open");
    return false;
  }
  Status opened = WritePutOff(part);
  if (opened.ok()) opened = log->OpenForAppend(PathOf(part));
  if (!opened.ok()) {
    error_ = opened;
    return false;
  }
  uint8_t posting[fmt::kPostingSize];
  EncodePosting(word, posting);
  if (log->Append(posting, sizeof(posting))) return true;
  error_ = log->error();
  return false;
}

Status PostingLogs::Close() {
  Status first;
  for (auto& log : logs_) {
    if (log == nullptr) continue;
    const Status closed = log->Close();
    if (first.ok()) first = closed;
    log.reset();
  }
  return first;
}

Status PostingLogs::Replace(int part, const std::vector<uint8_t>& postings) {
  return WriteWholeFile(disk_, PathOf(part), postings, false);
}

void PostingLogs::PutOff(int part, uint32_t words) {
  put_off_.set(static_cast<size_t>(part));
  reloaded_words_[static_cast<size_t>(part)] = words;
}

Status PostingLogs::WritePutOff(int part) {
  if (!put_off(part)) return Status();
  // The part must still be the one the reload read: same words, same layout.
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
  std::vector<uint8_t> log;
  if (!ReadIndexFile(dir_ + fmt::PartFileName(part), &data, &size) ||
      !CanonicalPartLog(data.get(), size, part, reloaded_words(part), &log)) {
    return Status(Result::kFailed, "rebuild", PathOf(part),
                  "the part it comes from changed or cannot be read");
  }
  const Status written = Replace(part, log);
  if (written.ok()) put_off_.reset(static_cast<size_t>(part));
  return written;
}

Status PostingLogs::WriteAllPutOff() {
  for (int part = 0; part < fmt::kPartCount; ++part) {
    const Status written = WritePutOff(part);
    if (!written.ok()) return written;
  }
  return Status();
}

void PostingLogs::DropPutOff(int part) {
  disk_->Delete(PathOf(part));
  put_off_.reset(static_cast<size_t>(part));
}

void PostingLogs::ForgetReload() {
  put_off_.reset();
  reloaded_words_ = {};
}

}  // namespace oru
