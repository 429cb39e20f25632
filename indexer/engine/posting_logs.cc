#include "indexer/engine/posting_logs.h"

#include <utility>

#include "indexer/engine/index_format.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;
using platform::Status;

PostingLogs::PostingLogs(platform::FileSystem* disk, std::string index_dir)
    : disk_(disk), dir_(std::move(index_dir)) {}

std::string PostingLogs::PathOf(int part) const { return dir_ + fmt::PostingLogName(part); }

Status PostingLogs::Create(int part) {
  auto& log = logs_[static_cast<size_t>(part)];
  log = std::make_unique<BufferedFile>(16 * 1024, disk_);
  const Status created = log->Create(PathOf(part));
  if (created.ok()) created_.set(static_cast<size_t>(part));
  return created;
}

Status PostingLogs::Open(bool lazily) {
  open_ = true;
  if (lazily) return Status();
  for (int part = 0; part < fmt::kPartCount; ++part) {
    const Status created = Create(part);
    if (!created.ok()) return created;
  }
  return Status();
}

void PostingLogs::EncodePosting(const _Dict& word, uint8_t* out) {
  fmt::EncodePosting({word.Hash, word.Slot, word.Entry->LastFile, word.Entry->Flags}, out);
}

bool PostingLogs::AppendFirst(const _Dict& word) {
  const int part = fmt::PartOf(word.Hash);
  if (!open_) {
    error_ = Status(Result::kFailed, "write", PathOf(part), "the posting logs are not open");
    return false;
  }
  if (error_.ok()) error_ = Create(part);
  if (!error_.ok()) return false;
  return Append(word);
}

Status PostingLogs::Close() {
  Status first;
  for (auto& log : logs_) {
    if (log == nullptr) continue;
    const Status closed = log->Close();
    if (first.ok()) first = closed;
    log.reset();
  }
  created_.reset();
  open_ = false;
  return first;
}

}  // namespace oru
