// The query side of oru search, shared with the search benchmark: the hits of several indexes
// in order, and whether each is still true of the file on disk.
#ifndef ORU_TOOLS_ORU_SEARCH_H_
#define ORU_TOOLS_ORU_SEARCH_H_

#include <memory>
#include <string>
#include <vector>

#include "tools/oru/index_reader.h"

namespace oru::tool {

// What became of a file since it was indexed: the same size and time, another size or time,
// or no file at that path.
enum class HitState { kCurrent, kChanged, kGone };

struct SearchHit {
  size_t index = 0;  // the reader it came from
  const IndexedFile* file = nullptr;
};

// Compares the file's current size and time with its record.
HitState StateOf(const IndexedFile& file);

// The files of every reader that hold every one of `words`, reader by reader, each in file
// number order. Their files are not looked at: a search checks the hits it lists, and only
// those. False with `error` when an index is damaged.
bool FindHits(const std::vector<std::unique_ptr<IndexReader>>& readers,
              const std::vector<std::string>& words, std::vector<SearchHit>* hits,
              std::string* error);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_SEARCH_H_
