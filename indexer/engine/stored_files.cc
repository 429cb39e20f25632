#include "indexer/engine/stored_files.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "indexer/engine/index_format.h"
#include "indexer/engine/part_reader.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace oru {

namespace {

constexpr size_t kHashes = 65536;

bool SamePathIgnoringCase(std::string_view stored, std::string_view path) {
  const size_t n = stored.size();
  if (n != path.size()) return false;
  for (size_t i = 0; i < n; ++i) {
    if (platform::LowerAnsiChar(static_cast<uint8_t>(stored[i])) !=
        platform::LowerAnsiChar(static_cast<uint8_t>(path[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

void StoredFileLookup::Build(const std::vector<FileNode>& files) {
  files_ = &files;
  // A counting sort by hash keeps the file order of the records within each hash. While the
  // records are placed, first_[h + 1] runs from the start of hash h to the start of h + 1.
  first_.assign(kHashes + 2, 0);
  for (const FileNode& node : files) ++first_[node.PathHash + 2u];
  for (size_t h = 2; h <= kHashes + 1; ++h) first_[h] += first_[h - 1];
  order_.assign(files.size(), 0);
  for (size_t i = 0; i < files.size(); ++i) {
    order_[first_[files[i].PathHash + 1u]++] = static_cast<uint32_t>(i);
  }
  // Two records of one path share its hash: only the records of one hash are compared.
  paths_unique_ = true;
  next_ = 0;
  for (size_t h = 0; h < kHashes && paths_unique_; ++h) {
    for (uint32_t i = first_[h]; i + 1 < first_[h + 1] && paths_unique_; ++i) {
      for (uint32_t j = i + 1; j < first_[h + 1]; ++j) {
        if (SamePathIgnoringCase(files[order_[i]].Path, files[order_[j]].Path)) {
          paths_unique_ = false;
          break;
        }
      }
    }
  }
}

void StoredFileLookup::Clear() {
  files_ = nullptr;
  paths_unique_ = true;
  next_ = 0;
  first_.clear();
  order_.clear();
}

const FileNode* StoredFileLookup::Find(std::string_view path, uint16_t path_hash) const {
  if (files_ == nullptr) return nullptr;
  const std::vector<FileNode>& files = *files_;
  if (paths_unique_ && next_ < files.size()) {
    const FileNode& node = files[next_];
    if (node.PathHash == path_hash && SamePathIgnoringCase(node.Path, path)) {
      ++next_;
      return &node;
    }
  }
  for (uint32_t i = first_[path_hash]; i < first_[path_hash + 1u]; ++i) {
    const FileNode& node = files[order_[i]];
    if (SamePathIgnoringCase(node.Path, path)) {
      next_ = order_[i] + size_t{1};
      return &node;
    }
  }
  return nullptr;
}

bool StoredFiles::Load(std::string bytes, const std::function<void()>& pump) {
  Clear();
  bytes_ = std::move(bytes);
  const size_t size = bytes_.size();
  if (size == 0) return false;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes_.data());
  // The offsets kept for the in-place rewrite are 32 bits wide.
  if (size > UINT32_MAX) return false;
  // One node per record: count them first, so the list is allocated once.
  size_t records = 0;
  for (size_t pos = 0, length = 0; pos < size; pos += length, ++records) {
    index_format::FileRecord record;
    // Damage ends the count: the loop below says so.
    if (index_format::DecodeFileRecord(data + pos, size - pos, &record, &length) !=
        index_format::FileRecordRead::kRecord) {
      break;
    }
  }
  files_.reserve(records);
  for (size_t pos = 0; pos < size;) {
    pump();
    index_format::FileRecord record;
    size_t length = 0;
    if (index_format::DecodeFileRecord(data + pos, size - pos, &record, &length) !=
            index_format::FileRecordRead::kRecord ||
        record.path.size() > FileNode::kMaxPath) {
      Clear();
      return false;
    }
    FileNode& node = files_.emplace_back();
    node.Number = record.number;
    node.PathHash = record.path_hash;
    node.Size = record.size;
    node.Time = record.time;
    node.Offset = static_cast<uint32_t>(pos);
    // A NUL byte ends the path, as it ends a C string.
    node.Path = record.path.substr(0, strnlen(record.path.data(), record.path.size()));
    highest_ = std::max(highest_, record.number);
    pos += length;
  }
  lookup_.Build(files_);
  return true;
}

void StoredFiles::Clear() {
  lookup_.Clear();
  files_.clear();
  bytes_.clear();
  highest_ = 0;
}

StoredFileState StoredFiles::Check(std::string_view path, uint16_t path_hash, uint32_t size,
                                   uint32_t time, const FileNode** stored) const {
  const FileNode* node = lookup_.Find(path, path_hash);
  if (node == nullptr) return StoredFileState::kNew;
  *stored = node;
  if (size == node->Size && time == node->Time && !IsRacyTime(time, read_since_)) {
    return StoredFileState::kUnchanged;
  }
  return StoredFileState::kChanged;
}

int64_t DosTimeSeconds(uint32_t packed) {
  const uint32_t date = packed >> 16;
  int64_t year = 1980 + (date >> 9);
  const int64_t month = (date >> 5) & 15;
  const int64_t day = date & 31;
  // Days from 1970-01-01 of a civil date (proleptic Gregorian), March-based years.
  year -= month <= 2 ? 1 : 0;
  const int64_t era = year / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  const int64_t days = era * 146097 + day_of_era - 719468;
  const int64_t seconds = ((packed >> 11) & 31) * 3600 + ((packed >> 5) & 63) * 60 + (packed & 31) * 2;
  return days * 86400 + seconds;
}

bool IsRacyTime(uint32_t stored, uint32_t read_since) {
  if (read_since == 0) return false;
  return DosTimeSeconds(stored) + 2 > DosTimeSeconds(read_since);
}

}  // namespace oru
