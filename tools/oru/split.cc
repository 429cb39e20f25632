#include "tools/oru/split.h"

#include <algorithm>

#include "indexer/engine/index_format.h"
#include "indexer/engine/plugin_registry.h"
#include "indexer/engine/run_codes.h"
#include "platform/files.h"

namespace oru::tool {

struct FileCounter::Engine {
  PluginRegistry plugins;
  bool loaded = false;
};

uint64_t SplitTarget(uint64_t limit) { return std::max<uint64_t>(1, limit - limit / 8); }

FileCounter::FileCounter() : engine_(std::make_unique<Engine>()) {}
FileCounter::~FileCounter() = default;

bool FileCounter::Load(const std::string& work, const std::string& storage_type) {
  engine_->loaded = engine_->plugins.Load(work, storage_type);
  return engine_->loaded;
}

void FileCounter::Count(const std::string& folder) {
  const StorageExports& storage = engine_->plugins.Storage();
  if (!engine_->loaded || !storage.scan(folder.c_str())) return;
  CountNode& root = roots_[folder];
  const std::string prefix = folder + platform::kPathSeparator;
  for (;;) {
    int32_t size = 0;
    int32_t time = 0;
    const char* next = storage.next_file(&size, &time);
    if (next == nullptr || next[0] == '\0') break;
    const std::string path(next);
    // The pass skips what no parser takes, and a path too long for its record.
    if (engine_->plugins.Match(path) == nullptr ||
        index_format::kFileRecordHeader + path.size() > index_format::kMaxFileRecord ||
        path.compare(0, prefix.size(), prefix) != 0 || !paths_.insert(path).second) {
      continue;
    }
    CountNode* node = &root;
    ++node->total;
    size_t start = prefix.size();
    for (size_t sep; (sep = path.find(platform::kPathSeparator, start)) != std::string::npos;
         start = sep + 1) {
      std::unique_ptr<CountNode>& child = node->children[path.substr(start, sep - start)];
      if (child == nullptr) child = std::make_unique<CountNode>();
      node = child.get();
      ++node->total;
    }
    ++node->own;
    node->own_files.push_back(path.substr(start));
  }
  storage.stop();
}

const CountNode* FileCounter::Find(const std::string& folder) const {
  for (const auto& [root, node] : roots_) {
    if (!IsWithin(folder, root)) continue;
    const CountNode* found = &node;
    size_t start = root.size() + 1;
    while (found != nullptr && start <= folder.size()) {
      size_t sep = folder.find(platform::kPathSeparator, start);
      if (sep == std::string::npos) sep = folder.size();
      const auto child = found->children.find(folder.substr(start, sep - start));
      found = child == found->children.end() ? nullptr : child->second.get();
      start = sep + 1;
    }
    if (found != nullptr) return found;
  }
  return nullptr;
}

bool IsWithin(const std::string& path, const std::string& folder) {
  return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == platform::kPathSeparator);
}

void CutIntoUnits(const CountNode& node, const std::string& folder, uint64_t target,
                  std::vector<SplitUnit>* units) {
  if (node.total == 0) return;
  if (node.total <= target || node.own == node.total) {
    units->push_back({folder, node.total});
    return;
  }
  for (const std::string& name : node.own_files) {
    units->push_back({folder + platform::kPathSeparator + name, 1});
  }
  for (const auto& [name, child] : node.children) {
    CutIntoUnits(*child, folder + platform::kPathSeparator + name, target, units);
  }
}

namespace {

void UncoveredBelow(const CountNode& node, const std::string& folder,
                    const std::vector<std::string>& covered,
                    const std::unordered_set<std::string>& covered_set, uint64_t target,
                    std::vector<SplitUnit>* units) {
  bool holds_one = false;
  for (const std::string& entry : covered) {
    if (IsWithin(folder, entry)) return;
    holds_one = holds_one || IsWithin(entry, folder);
  }
  if (!holds_one) {
    CutIntoUnits(node, folder, target, units);
    return;
  }
  for (const std::string& name : node.own_files) {
    std::string path = folder + platform::kPathSeparator + name;
    if (covered_set.count(path) == 0) units->push_back({std::move(path), 1});
  }
  for (const auto& [name, child] : node.children) {
    UncoveredBelow(*child, folder + platform::kPathSeparator + name, covered, covered_set,
                   target, units);
  }
}

}  // namespace

void UncoveredUnits(const CountNode& node, const std::string& folder,
                    const std::vector<std::string>& covered, uint64_t target,
                    std::vector<SplitUnit>* units) {
  const std::unordered_set<std::string> covered_set(covered.begin(), covered.end());
  UncoveredBelow(node, folder, covered, covered_set, target, units);
}

std::vector<std::vector<SplitUnit>> PackUnits(const std::vector<SplitUnit>& units,
                                              uint64_t target) {
  std::vector<std::vector<SplitUnit>> bins;
  uint64_t in_bin = 0;
  for (const SplitUnit& unit : units) {
    if (bins.empty() || in_bin + unit.files > target || bins.back().size() >= kMaxJobEntries) {
      bins.emplace_back();
      in_bin = 0;
    }
    bins.back().push_back(unit);
    in_bin += unit.files;
  }
  return bins;
}

}  // namespace oru::tool
