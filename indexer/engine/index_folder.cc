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
      records_(std::move(work_dir)),
      pending_(disk, path_) {}

Status IndexFolder::Lock() {
  const Status created = platform::CreateFolder(path_);
  if (!created.ok() && !platform::FolderExists(path_)) return created;
  const Result locked = platform::FolderLock::Acquire(path_, &lock_);
  if (locked != Result::kOk) {
    return Status(locked, "lock", path_,
                  locked == Result::kExists ? "another run is working on this index"
                                            : platform::ResultName(locked));
  }
  recorded_ = records_.Read(name_);
  recorded_highest_ = records_.HighestFileNumber(name_);
  return Status();
}

void IndexFolder::RemoveLeftovers() { IndexSwitch::RemoveLeftovers(disk_, path_); }

uint32_t IndexFolder::recorded_read_since() const { return records_.ReadSince(name_); }

Status IndexFolder::Switch(uint32_t read_since, uint16_t highest_number) {
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
  status = pending_.Switch();
  if (!status.ok()) {
    if (recorded_ == "1") records_.Write(name_, "1");
    return status;
  }
  status = records_.WriteReadSince(name_, read_since);
  if (status.ok() && highest_number != recorded_highest_) {
    status = records_.WriteHighestFileNumber(name_, highest_number);
  }
  if (status.ok()) status = records_.Write(name_, "1");
  return status;
}

void IndexFolder::Abandon() {
  if (lock_.held()) RemoveLeftovers();
}

}  // namespace oru
