#include "tools/oru/query/disk_files.h"

#include <utility>

#include "platform/find.h"

namespace oru::tool {

HitState StateOf(const IndexedFile& file) {
  uint32_t size = 0;
  uint32_t time = 0;
  if (!platform::GetFileSizeAndTime(file.path, &size, &time)) return HitState::kGone;
  return size == file.size && time == file.time ? HitState::kCurrent : HitState::kChanged;
}

DiskFiles::DiskFiles(std::string work, std::vector<std::string> storage_types)
    : work_(std::move(work)), storage_types_(std::move(storage_types)) {}

bool DiskFiles::SizeAndTime(const IndexedFile& file, uint32_t* size, uint32_t* time) {
  return platform::GetFileSizeAndTime(file.path, size, time);
}

bool DiskFiles::ReadText(const IndexedFile& file, size_t index, TextMatcher* matcher) {
  FragmentMaker* plugins = Plugins(index);
  return plugins != nullptr && plugins->Scan(file.path, matcher, true, nullptr, nullptr);
}

FragmentMaker* DiskFiles::Plugins(size_t index) {
  if (!tried_) {
    tried_ = true;
    auto plugins = std::make_unique<FragmentMaker>();
    const std::string type = index < storage_types_.size() ? storage_types_[index] : "";
    if (plugins->Load(work_, type)) plugins_ = std::move(plugins);
  }
  return plugins_.get();
}

}  // namespace oru::tool
