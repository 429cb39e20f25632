#include "tools/oru/group.h"

#include <algorithm>
#include <set>

#include "indexer/engine/index_records.h"
#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/find.h"
#include "platform/ini.h"
#include "platform/mutex.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kGroupsFileName[] = "groups.ini";

// The values of `prefix`0, `prefix`1, ... (or from 1) up to the first missing one.
std::vector<std::string> NumberedValues(const platform::ProfileFile& file,
                                        const std::string& section, const std::string& prefix,
                                        int first) {
  std::vector<std::string> values;
  for (int n = first;; ++n) {
    std::string value = file.GetString(section, prefix + std::to_string(n), "");
    if (value.empty()) break;
    values.push_back(std::move(value));
  }
  return values;
}

}  // namespace

std::string GroupsFilePath(const std::string& work) { return work + kGroupsFileName; }

std::vector<IndexGroup> ReadGroups(const std::string& work) {
  std::vector<IndexGroup> groups;
  const std::string path = GroupsFilePath(work);
  if (!platform::FileExists(path)) return groups;
  const platform::ProfileFile file = platform::ProfileFile::Open(path);
  for (const std::string& section : file.SectionNames()) {
    IndexGroup group;
    group.name = section;
    group.folders = NumberedValues(file, section, "Dir", 0);
    group.parts = NumberedValues(file, section, "Part", 1);
    group.pending = NumberedValues(file, section, "Pending", 1);
    if (!group.parts.empty() || !group.pending.empty()) groups.push_back(std::move(group));
  }
  return groups;
}

bool FindGroup(const std::string& work, const std::string& name, IndexGroup* group) {
  return FindGroupRecord(work, name, group) && !group->parts.empty();
}

bool FindGroupRecord(const std::string& work, const std::string& name, IndexGroup* group) {
  for (IndexGroup& found : ReadGroups(work)) {
    if (found.name == name) {
      *group = std::move(found);
      return true;
    }
  }
  return false;
}

bool WriteGroup(const std::string& work, const IndexGroup& group, std::string* error) {
  // Runs of other groups change the same file: read, change and write under its lock.
  const std::string path = GroupsFilePath(work);
  platform::FileLock lock;
  const platform::Status locked = platform::FileLock::Acquire(path + ".lock", &lock);
  if (!locked.ok()) {
    *error = locked.Message();
    return false;
  }
  std::vector<IndexGroup> groups = ReadGroups(work);
  const auto same = [&](const IndexGroup& g) { return g.name == group.name; };
  const auto it = std::find_if(groups.begin(), groups.end(), same);
  const bool empty = group.parts.empty() && group.pending.empty();
  if (it != groups.end()) {
    if (empty) {
      groups.erase(it);
    } else {
      *it = group;
    }
  } else if (!empty) {
    groups.push_back(group);
  } else {
    return true;
  }
  std::string text = "; Indexes made by 'oru index' of folders too large for one index.\n";
  for (const IndexGroup& g : groups) {
    text += "[" + g.name + "]\n";
    for (size_t i = 0; i < g.folders.size(); ++i) {
      text += "Dir" + std::to_string(i) + "=" + g.folders[i] + "\n";
    }
    for (size_t i = 0; i < g.parts.size(); ++i) {
      text += "Part" + std::to_string(i + 1) + "=" + g.parts[i] + "\n";
    }
    for (size_t i = 0; i < g.pending.size(); ++i) {
      text += "Pending" + std::to_string(i + 1) + "=" + g.pending[i] + "\n";
    }
  }
  return WriteFileWhole(path, text, error);
}

std::vector<std::string> IndexesOf(const std::string& work, const std::string& name) {
  IndexGroup group;
  if (FindGroup(work, name, &group)) return group.parts;
  return {name};
}

std::vector<std::string> ListIndexNames(const std::string& work,
                                        std::vector<std::vector<std::string>>* parts) {
  std::vector<std::string> names;
  parts->clear();
  std::set<std::string> grouped;
  for (const IndexGroup& group : ReadGroups(work)) {
    grouped.insert(group.pending.begin(), group.pending.end());
    if (group.parts.empty()) continue;
    names.push_back(group.name);
    parts->push_back(group.parts);
    grouped.insert(group.name);  // the group's name means the group, as IndexesOf takes it
    grouped.insert(group.parts.begin(), group.parts.end());
  }
  std::set<std::string> alone;
  platform::FolderSearch search;
  platform::FindEntry entry;
  if (search.Start(work + kStoragesFolder, &entry) == platform::Result::kOk) {
    do {
      if (entry.kind == platform::EntryKind::kFolder && entry.name != "." && entry.name != "..") {
        alone.insert(entry.name);
      }
    } while (search.Next(&entry));
  }
  for (const std::string& name : IndexRecords(work).Names()) alone.insert(name);
  for (const std::string& name : alone) {
    if (grouped.count(name) != 0) continue;
    names.push_back(name);
    parts->push_back({name});
  }
  return names;
}

}  // namespace oru::tool
