#include "indexer/engine/file_index.h"

#include <utility>

#include "indexer/engine/index_format.h"
#include "platform/files.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;
using platform::Status;

FileIndexWriter::FileIndexWriter(platform::FileSystem* disk, std::string index_dir,
                                 IndexSwitch* pending)
    : dir_(std::move(index_dir)), pending_(pending), file_(16 * 1024, disk) {}

Status FileIndexWriter::Start(bool update) {
  update_ = update;
  started_ = true;
  return update ? Status() : file_.Create(pending_->NewPath(fmt::kFileIndexName));
}

Status FileIndexWriter::OpenCopy() {
  if (!started_) return Status(Result::kFailed, "write", dir_ + fmt::kFileIndexName, "not started");
  if (file_.is_open() || !update_) return file_.error();
  std::string old;
  Status opened = platform::ReadWholeFile(dir_ + fmt::kFileIndexName, &old);
  if (opened.ok()) opened = file_.Create(pending_->NewPath(fmt::kFileIndexName));
  if (opened.ok()) opened = file_.Write(old.data(), old.size());
  return opened;
}

Status FileIndexWriter::Append(std::string_view path, uint16_t number, uint16_t path_hash,
                               uint32_t size, uint32_t time) {
  uint8_t record[fmt::kMaxFileRecord];
  const size_t length = fmt::EncodeFileRecord({number, path_hash, size, time, path}, record);
  if (length == 0) return Status();  // too long for a record: indexed without one
  const Status opened = OpenCopy();
  if (!opened.ok()) return opened;
  return file_.Write(record, length);
}

Status FileIndexWriter::RewriteStamp(const FileNode& stored, uint32_t size, uint32_t time) {
  uint8_t stamp[fmt::kFileStampSize];
  fmt::EncodeFileStamp(size, time, stamp);
  const Status opened = OpenCopy();
  if (!opened.ok()) return opened;
  return file_.WriteAt(int64_t{stored.Offset} + int64_t{fmt::kFileStampOffset}, stamp,
                       sizeof(stamp));
}

Status FileIndexWriter::Finish() {
  if (!file_.is_open()) return file_.error();
  // The file index is the one new version written during the walk: it is complete here.
  const Status committed = file_.Commit();
  if (committed.ok()) pending_->Add(fmt::kFileIndexName);
  return committed;
}

void FileIndexWriter::Abandon() { file_.Close(); }

}  // namespace oru
