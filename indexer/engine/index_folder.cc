#include "indexer/engine/index_folder.h"

#include <utility>

#include "platform/files.h"

namespace oru {

using platform::Result;
using platform::Status;

namespace {

std::string FolderPath(const std::string& storages_dir, const std::string& name) {
  std::string path = storages_dir + name;
  if (path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
  return path;
}

}  // namespace

IndexFolder::IndexFolder(platform::FileSystem* disk, const std::string& storages_dir,
                         std::string work_dir, std::string name)
    : disk_(disk),
      path_(FolderPath(storages_dir, name)),
      name_(std::move(name)),
      records_(std::move(work_dir), disk),
      pending_(disk, path_) {}

Status IndexFolder::Lock() {
  Status status = disk_->MakeFolder(path_);
  if (status.ok()) status = disk_->LockFolder(path_, &lock_);
  if (!status.ok()) return status;
  recorded_ = records_.Read(name_);
  recorded_highest_ = records_.HighestFileNumber(name_);
  recorded_read_since_ = records_.ReadSince(name_);
  recorded_encoding_ = records_.Encoding(name_);
  return Status();
}

void IndexFolder::RemoveLeftovers() { IndexSwitch::RemoveLeftovers(disk_, path_); }

Status IndexFolder::Switch(uint32_t read_since, uint16_t highest_number, TextEncoding encoding) {
  if (pending_.empty()) return Status();
  // The new files are made durable while the old index is still recorded complete, so that
  // "0" stands only for the renames.
  Status status = pending_.Sync();
  if (!status.ok()) return status;
  // A kill while the files change places leaves "0": a mix of old and new is no index.
  if (recorded_ != "0") {
    status = records_.Write(name_, "0");
    if (!status.ok()) return status;
  }
  status = pending_.Place();
  if (status.ok()) status = records_.WriteSaved(name_, read_since, highest_number, encoding, "1");
  if (status.ok()) {
    pending_.Commit();
    return status;
  }
  // Until "1" is recorded the old files can come back, and with them their records.
  pending_.Revert();
  records_.WriteSaved(name_, recorded_read_since_, recorded_highest_, recorded_encoding_,
                      recorded_ == "1" ? "1" : nullptr);
  return status;
}

void IndexFolder::Abandon() {
  if (lock_ != nullptr) RemoveLeftovers();
}

}  // namespace oru
