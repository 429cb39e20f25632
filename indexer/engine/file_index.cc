#include "indexer/engine/file_index.h"

#include <algorithm>
#include <utility>


namespace oru {

namespace fmt = index_format;
using platform::Result;
using platform::Status;

FileIndexWriter::FileIndexWriter(platform::FileSystem* disk, std::string index_dir,
                                 IndexSwitch* pending)
    : disk_(disk), dir_(std::move(index_dir)), pending_(pending), file_(16 * 1024, disk) {}

Status FileIndexWriter::Start(bool update) {
  update_ = update;
  started_ = true;
  return update ? Status() : file_.Create(pending_->NewPath(fmt::kFileIndexName));
}

Status FileIndexWriter::Append(std::string_view path, uint16_t number, uint16_t path_hash,
                               uint32_t size, uint32_t time) {
  if (!started_) {
    return Status(Result::kFailed, "write", dir_ + fmt::kFileIndexName, "not started");
  }
  uint8_t record[fmt::kMaxFileRecord];
  const size_t length = fmt::EncodeFileRecord({number, path_hash, size, time, path}, record);
  if (length == 0) return Status();  // too long for a record: indexed without one
  if (update_) {
    added_.append(reinterpret_cast<const char*>(record), length);
    return Status();
  }
  return file_.Write(record, length);
}

void FileIndexWriter::RewriteStamp(const FileNode& stored, uint32_t size, uint32_t time) {
  fmt::EncodeFileStamp(size, time, stamps_[stored.Offset].data());
}

Status FileIndexWriter::WriteUpdate(const FileNumberSet& gone) {
  const std::string path = dir_ + fmt::kFileIndexName;
  std::string old;
  Status status = disk_->ReadWhole(path, &old);
  if (status.ok()) status = file_.Create(pending_->NewPath(fmt::kFileIndexName));
  auto* bytes = reinterpret_cast<uint8_t*>(old.data());
  for (size_t pos = 0; pos < old.size() && status.ok();) {
    fmt::FileRecord record;
    size_t length = 0;
    if (fmt::DecodeFileRecord(bytes + pos, old.size() - pos, &record, &length) !=
        fmt::FileRecordRead::kRecord) {
      return Status(Result::kFailed, "update", path, "the file index changed since it was read");
    }
    if (!gone.Contains(record.number)) {
      const auto stamp = stamps_.find(static_cast<uint32_t>(pos));
      if (stamp != stamps_.end()) {
        std::copy(stamp->second.begin(), stamp->second.end(), bytes + pos + fmt::kFileStampOffset);
      }
      status = file_.Write(bytes + pos, length);
    }
    pos += length;
  }
  if (status.ok()) status = file_.Write(added_.data(), added_.size());
  return status;
}

Status FileIndexWriter::Finish(const FileNumberSet& gone) {
  if (update_) {
    // An update that adds, rewrites and drops no record leaves the old file index alone.
    if (added_.empty() && stamps_.empty() && gone.empty()) return Status();
    const Status written = WriteUpdate(gone);
    if (!written.ok()) {
      file_.Close();
      return written;
    }
  }
  if (!file_.is_open()) return file_.error();
  const Status committed = file_.Commit();
  if (committed.ok()) pending_->Add(fmt::kFileIndexName);
  return committed;
}

void FileIndexWriter::Abandon() { file_.Close(); }

}  // namespace oru
