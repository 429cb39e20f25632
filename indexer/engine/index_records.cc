#include "indexer/engine/index_records.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "indexer/engine/work_folders.h"

namespace oru {

namespace {

constexpr char kIndexedSection[] = "Indexed";
// The time each index's files began to be read, so that a later look at a file can tell an
// edit made within the stored time's 2-second step.
constexpr char kReadSinceSection[] = "ReadSince";
// The highest number each index has given, when its file index no longer shows it.
constexpr char kHighestFileNumberSection[] = "HighestFileNumber";
// The encoding of each index that is not Windows-1252.
constexpr char kEncodingSection[] = "Encoding";
// Beside "storages.ini": held while a run reads, changes and writes it.
constexpr char kLockSuffix[] = ".lock";

}  // namespace

IndexRecords::IndexRecords(std::string work_dir, platform::FileSystem* fs)
    : path_(std::move(work_dir) + kStatusFileName), fs_(fs) {}

template <typename Change>
platform::Status IndexRecords::Locked(Change change) {
  std::unique_ptr<platform::HeldLock> lock;
  const platform::Status locked = fs_->LockFile(path_ + kLockSuffix, &lock);
  return locked.ok() ? change() : locked;
}

std::string IndexRecords::Read(const std::string& name) const {
  // Writers replace the file in one step: a reader sees it whole without the lock.
  return fs_->ReadProfileString(path_, kIndexedSection, name, "");
}

std::vector<std::string> IndexRecords::Names() const {
  return fs_->ReadProfileKeys(path_, kIndexedSection);
}

platform::Status IndexRecords::Write(const std::string& name, const char* value) {
  return Locked([&] { return fs_->WriteProfileString(path_, kIndexedSection, name, value); });
}

platform::Status IndexRecords::WriteSaved(const std::string& name, uint32_t read_since,
                                          uint16_t highest, TextEncoding encoding,
                                          const char* indexed) {
  using Value = std::optional<std::string>;
  const auto number = [](uint64_t value) {
    return value == 0 ? std::nullopt : Value(std::to_string(value));
  };
  std::vector<platform::ProfileChange> changes = {
      {kReadSinceSection, name, number(read_since)},
      {kHighestFileNumberSection, name, number(highest)},
      {kEncodingSection, name,
       encoding == TextEncoding::kWindows1252 ? std::nullopt : Value(EncodingName(encoding))}};
  if (indexed != nullptr) changes.push_back({kIndexedSection, name, indexed});
  return Locked([&] { return fs_->ChangeProfile(path_, changes); });
}

uint64_t IndexRecords::ReadNumber(const char* section, const std::string& name,
                                  uint64_t highest) const {
  const std::string value = fs_->ReadProfileString(path_, section, name, "0");
  char* end = nullptr;
  const unsigned long long number = std::strtoull(value.c_str(), &end, 10);
  return *end == '\0' && number <= highest ? number : 0;
}

uint32_t IndexRecords::ReadSince(const std::string& name) const {
  return static_cast<uint32_t>(ReadNumber(kReadSinceSection, name, 0xFFFFFFFF));
}

uint16_t IndexRecords::HighestFileNumber(const std::string& name) const {
  return static_cast<uint16_t>(ReadNumber(kHighestFileNumberSection, name, 0xFFFE));
}

TextEncoding IndexRecords::Encoding(const std::string& name) const {
  const std::string value = fs_->ReadProfileString(path_, kEncodingSection, name, "");
  return EncodingByName(value).value_or(TextEncoding::kWindows1252);
}

platform::Status IndexRecords::Remove(const std::string& name) {
  std::vector<platform::ProfileChange> changes;
  for (const char* section :
       {kReadSinceSection, kHighestFileNumberSection, kEncodingSection, kIndexedSection}) {
    changes.push_back({section, name, std::nullopt});
  }
  return Locked([&] { return fs_->ChangeProfile(path_, changes); });
}

}  // namespace oru
