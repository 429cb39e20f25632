#include "indexer/engine/stored_files.h"

#include <cstring>

#include "platform/codepage.h"

namespace oru {

namespace {

constexpr size_t kHashes = 65536;

bool SamePathIgnoringCase(const char* stored, std::string_view path) {
  const size_t n = strnlen(stored, sizeof(FileNode::Path));
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

void StoredFileLookup::Build(const TTypedList<FileNode>& files) {
  files_ = &files;
  // A counting sort by hash keeps the file order of the records within each hash. While the
  // records are placed, first_[h + 1] runs from the start of hash h to the start of h + 1.
  first_.assign(kHashes + 2, 0);
  for (const FileNode* node : files) ++first_[node->PathHash + 2u];
  for (size_t h = 2; h <= kHashes + 1; ++h) first_[h] += first_[h - 1];
  order_.assign(files.Count(), 0);
  for (size_t i = 0; i < files.Count(); ++i) {
    order_[first_[files[i]->PathHash + 1u]++] = static_cast<uint32_t>(i);
  }
}

void StoredFileLookup::Clear() {
  files_ = nullptr;
  first_.clear();
  order_.clear();
}

const FileNode* StoredFileLookup::Find(std::string_view path, uint16_t path_hash) const {
  if (files_ == nullptr) return nullptr;
  for (uint32_t i = first_[path_hash]; i < first_[path_hash + 1u]; ++i) {
    const FileNode* node = (*files_)[order_[i]];
    if (SamePathIgnoringCase(node->Path, path)) return node;
  }
  return nullptr;
}

}  // namespace oru
