// The query side of oru search, shared with the search benchmark: the hits of several indexes
// in order for a query of words only (the query language is in query/).
#ifndef ORU_TOOLS_ORU_SEARCH_H_
#define ORU_TOOLS_ORU_SEARCH_H_

#include <memory>
#include <string>
#include <vector>

#include "tools/oru/index_reader.h"
#include "tools/oru/query/disk_files.h"
#include "tools/oru/query/evaluate.h"

namespace oru::tool {

// The files of every reader that hold every one of `words`, reader by reader, each in file
// number order. Their files are not looked at: a search checks the hits it lists, and only
// those. False with `error` when an index is damaged.
bool FindHits(const std::vector<std::unique_ptr<IndexReader>>& readers,
              const std::vector<std::string>& words, std::vector<SearchHit>* hits,
              std::string* error);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_SEARCH_H_
