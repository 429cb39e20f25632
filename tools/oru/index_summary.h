// What oru status and the search window show of an index or a group: its state, the files and
// words it holds and its size on disk. A group's state is the worst of its indexes'; its counts
// are their sums.
#ifndef ORU_TOOLS_ORU_INDEX_SUMMARY_H_
#define ORU_TOOLS_ORU_INDEX_SUMMARY_H_

#include <cstdint>
#include <string>
#include <vector>

namespace oru::tool {

struct IndexSummary {
  std::string state;     // "complete", "incomplete", "unrecorded" or "missing"
  bool missing = false;  // an index's folder is gone: no counts
  bool damaged = false;  // an index cannot be read: no counts
  uint64_t files = 0;
  uint64_t words = 0;
  uint64_t bytes = 0;
  std::string encoding;  // of the words and paths: "UTF-8", "Windows-1252", or "mixed"
};

// The summary of the indexes `parts` (one, or a group's) of the work folder `work`.
IndexSummary SummarizeIndexes(const std::string& work, const std::vector<std::string>& parts);

// "123 B", "4.5 KiB", "6.7 MiB" ...
std::string HumanSize(uint64_t bytes);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_INDEX_SUMMARY_H_
