#include "tools/oru/index_summary.h"

#include <cstdio>
#include <iterator>

#include "indexer/engine/index_records.h"
#include "platform/files.h"
#include "platform/find.h"
#include "tools/oru/index_reader.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

// The bytes of the files directly in `folder`.
uint64_t FolderSize(const std::string& folder) {
  uint64_t total = 0;
  platform::FolderSearch search;
  platform::FindEntry entry;
  if (search.Start(folder, &entry) != platform::Result::kOk) return 0;
  do {
    if (entry.kind == platform::EntryKind::kFile) total += entry.size;
  } while (search.Next(&entry));
  return total;
}

const char* StateName(IndexState state, bool folder_exists) {
  if (!folder_exists) return "missing";
  switch (state) {
    case IndexState::kComplete:
      return "complete";
    case IndexState::kIncomplete:
      return "incomplete";
    case IndexState::kUnknown:
      break;
  }
  return "unrecorded";
}

}  // namespace

std::string HumanSize(uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  const char* units[] = {"KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(units)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f %s", value, units[unit]);
  return text;
}

IndexSummary SummarizeIndexes(const std::string& work, const std::vector<std::string>& parts) {
  IndexSummary summary;
  summary.state = "complete";
  const IndexRecords records(work);
  for (const std::string& index : parts) {
    const char* encoding = EncodingName(records.Encoding(index));
    if (summary.encoding.empty()) summary.encoding = encoding;
    if (summary.encoding != encoding) summary.encoding = "mixed";
    const std::string folder = IndexFolder(work, index);
    const bool exists = platform::FolderExists(folder);
    const char* one = StateName(ReadIndexState(work, index), exists);
    if (summary.state == "complete" || !exists) summary.state = one;
    summary.missing = summary.missing || !exists;
    IndexReader reader;
    std::string error;
    if (exists && reader.Open(folder, true, &error)) {
      summary.files += reader.file_count();
      summary.words += reader.word_count();
    } else if (exists) {
      summary.damaged = true;
    }
    if (exists) summary.bytes += FolderSize(folder);
  }
  return summary;
}

}  // namespace oru::tool
