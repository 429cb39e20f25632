#include "indexer/engine/index_records.h"

#include <cstdlib>
#include <memory>
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

uint64_t IndexRecords::ReadNumber(const char* section, const std::string& name,
                                  uint64_t highest) const {
  const std::string value = fs_->ReadProfileString(path_, section, name, "0");
  char* end = nullptr;
  const unsigned long long number = std::strtoull(value.c_str(), &end, 10);
  return *end == '\0' && number <= highest ? number : 0;
}

platform::Status IndexRecords::WriteNumber(const char* section, const std::string& name,
                                           uint64_t number) {
  return Locked([&] {
    if (number == 0) return fs_->DeleteProfileKey(path_, section, name);
    return fs_->WriteProfileString(path_, section, name, std::to_string(number));
  });
}

uint32_t IndexRecords::ReadSince(const std::string& name) const {
  return static_cast<uint32_t>(ReadNumber(kReadSinceSection, name, 0xFFFFFFFF));
}

platform::Status IndexRecords::WriteReadSince(const std::string& name, uint32_t packed_time) {
  return WriteNumber(kReadSinceSection, name, packed_time);
}

uint16_t IndexRecords::HighestFileNumber(const std::string& name) const {
  return static_cast<uint16_t>(ReadNumber(kHighestFileNumberSection, name, 0xFFFE));
}

platform::Status IndexRecords::WriteHighestFileNumber(const std::string& name, uint16_t number) {
  return WriteNumber(kHighestFileNumberSection, name, number);
}

TextEncoding IndexRecords::Encoding(const std::string& name) const {
  const std::string value = fs_->ReadProfileString(path_, kEncodingSection, name, "");
  return EncodingByName(value).value_or(TextEncoding::kWindows1252);
}

platform::Status IndexRecords::WriteEncoding(const std::string& name, TextEncoding encoding) {
  return Locked([&] {
    if (encoding == TextEncoding::kWindows1252) {
      return fs_->DeleteProfileKey(path_, kEncodingSection, name);
    }
    return fs_->WriteProfileString(path_, kEncodingSection, name, EncodingName(encoding));
  });
}

platform::Status IndexRecords::Remove(const std::string& name) {
  return Locked([&] {
    for (const char* section : {kReadSinceSection, kHighestFileNumberSection, kEncodingSection,
                                kIndexedSection}) {
      const platform::Status removed = fs_->DeleteProfileKey(path_, section, name);
      if (!removed.ok()) return removed;
    }
    return platform::Status();
  });
}

}  // namespace oru
