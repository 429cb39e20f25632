#include "indexer/engine/index_switch.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "indexer/engine/index_format.h"
#include "indexer/engine/parallel_calls.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;
using platform::Status;

namespace {

constexpr char kNewSuffix[] = ".new";
constexpr char kOldSuffix[] = ".old";
constexpr char kEarlierTempSuffix[] = ".tmp";  // what earlier versions wrote parts under
// The old versions are deleted this many at a time: freeing a file's blocks mostly waits on
// the file system, and deletes of files of one folder free their blocks side by side.
constexpr size_t kDeleteThreads = 8;

}  // namespace

IndexSwitch::IndexSwitch(platform::FileSystem* fs, std::string index_dir)
    : fs_(fs), dir_(std::move(index_dir)) {}

std::string IndexSwitch::NewPath(const std::string& name) const {
  return dir_ + name + kNewSuffix;
}

void IndexSwitch::Add(const std::string& name) {
  if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
  synced_ = false;
}

Status IndexSwitch::Sync() {
  // Every new version reaches the device before any takes its place. They were written out
  // as they were completed, so these syncs mostly find their work done.
  for (const std::string& name : names_) {
    const Status synced = fs_->SyncFile(NewPath(name));
    if (!synced.ok()) return synced;
  }
  synced_ = true;
  return Status();
}

Status IndexSwitch::Switch() {
  const Status placed = Place();
  if (placed.ok()) Commit();
  return placed;
}

Status IndexSwitch::Place() {
  if (!synced_) {
    const Status synced = Sync();
    if (!synced.ok()) return synced;
  }
  std::vector<bool>& moved_aside = moved_aside_;
  moved_aside.assign(names_.size(), false);
  for (size_t i = 0; i < names_.size(); ++i) {
    const std::string path = dir_ + names_[i];
    const Status aside = fs_->Rename(path, path + kOldSuffix);
    if (!aside.ok() && aside.result() != Result::kNotFound) {
      Undo(i, moved_aside);
      return aside;
    }
    moved_aside[i] = aside.ok();
    const Status placed = fs_->Rename(path + kNewSuffix, path);
    if (!placed.ok()) {
      Undo(i + 1, moved_aside);
      return placed;
    }
  }
  const Status synced = fs_->SyncFolder(dir_);
  if (!synced.ok()) {
    Undo(names_.size(), moved_aside);
    return synced;
  }
  switched_ = true;
  return Status();
}

void IndexSwitch::Commit() {
  if (!switched_) return;
  CallInParallel(names_.size(), kDeleteThreads, [this](size_t i) {
    if (moved_aside_[i]) fs_->Delete(dir_ + names_[i] + kOldSuffix);
  });
  names_.clear();
  synced_ = false;
  switched_ = false;
}

void IndexSwitch::Revert() {
  if (!switched_) return;
  Undo(names_.size(), moved_aside_);
  switched_ = false;
}

void IndexSwitch::Undo(size_t done, const std::vector<bool>& moved_aside) {
  for (size_t i = done; i-- > 0;) {
    const std::string path = dir_ + names_[i];
    // The new version goes back under its own name (gone already when its rename failed).
    fs_->Rename(path, path + kNewSuffix);
    if (moved_aside[i]) fs_->Rename(path + kOldSuffix, path);
  }
  fs_->SyncFolder(dir_);
}

void IndexSwitch::RemoveLeftovers(platform::FileSystem* fs, const std::string& index_dir) {
  // One look at the folder rather than a delete of every name a run may leave (some 260).
  std::vector<std::string> listed;
  if (!fs->ListFolder(index_dir, &listed).ok()) return;
  const std::unordered_set<std::string> present(listed.begin(), listed.end());
  const auto remove = [&](const std::string& name) {
    if (present.count(name) != 0) fs->Delete(index_dir + name);
  };
  std::vector<std::string> names = {fmt::kFileIndexName, fmt::kWordListName};
  for (int part = 0; part < fmt::kPartCount; ++part) names.push_back(fmt::PartFileName(part));
  for (const std::string& name : names) {
    for (const char* suffix : {kNewSuffix, kOldSuffix, kEarlierTempSuffix}) remove(name + suffix);
  }
  for (int part = 0; part < fmt::kPartCount; ++part) remove(fmt::PostingLogName(part));
}

}  // namespace oru
