#include "indexer/engine/index_records.h"

#include <utility>

#include "indexer/engine/work_folders.h"
#include "platform/ini.h"
#include "platform/mutex.h"

namespace oru {

namespace {

constexpr char kIndexedSection[] = "Indexed";
// Beside "storages.ini": held while a run reads, changes and writes it.
constexpr char kLockSuffix[] = ".lock";

}  // namespace

IndexRecords::IndexRecords(std::string work_dir) : path_(std::move(work_dir) + kStatusFileName) {}

std::string IndexRecords::Read(const std::string& name) const {
  // Writers replace the file in one step: a reader sees it whole without the lock.
  return platform::ProfileFile::Open(path_).GetString(kIndexedSection, name, "");
}

std::vector<std::string> IndexRecords::Names() const {
  return platform::ProfileFile::Open(path_).KeyNames(kIndexedSection);
}

platform::Status IndexRecords::Write(const std::string& name, const char* value) {
  // Other runs record their own indexes in the same file: it is read, changed and written
  // under the lock beside it, so that no record of theirs is lost.
  platform::FileLock lock;
  const platform::Status locked = platform::FileLock::Acquire(path_ + kLockSuffix, &lock);
  if (!locked.ok()) return locked;
  platform::ProfileFile records = platform::ProfileFile::Open(path_);
  return records.WriteString(kIndexedSection, name, value);
}

platform::Status IndexRecords::Remove(const std::string& name) {
  platform::FileLock lock;
  const platform::Status locked = platform::FileLock::Acquire(path_ + kLockSuffix, &lock);
  if (!locked.ok()) return locked;
  platform::ProfileFile records = platform::ProfileFile::Open(path_);
  return records.DeleteKey(kIndexedSection, name);
}

}  // namespace oru
