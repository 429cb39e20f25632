// The hits of a search as text: their order, and one hit as a line of each output form.
#ifndef ORU_TOOLS_ORU_QUERY_OUTPUT_H_
#define ORU_TOOLS_ORU_QUERY_OUTPUT_H_

#include <string>
#include <vector>

#include "tools/oru/query/disk_files.h"
#include "tools/oru/query/evaluate.h"

namespace oru::tool {

enum class OutputForm {
  kPlain,     // the path, escaped as 'ls -b' does, then the fragment indented on its own line
  kJson,      // one {"path", ["path_bytes",] "index", "state", "fragment"} object per line
  kPaths,     // the path alone, escaped as in kPlain
  kPathsNul,  // the path's exact bytes, ended by a NUL
};

enum class SortKey { kNone, kPath, kDate, kSize };

// Orders `hits` by the key (the path's bytes, or the time or size the index recorded), stably:
// hits that tie keep their order, index by index and by file number. kNone leaves them.
void SortHits(std::vector<SearchHit>* hits, SortKey key, bool descending);

// "current", "changed" or "gone".
const char* StateName(HitState state);

// One hit in the form asked, ending in its newline (or NUL). `index` names its index;
// `fragment` is null when there is none; `true_hit` false marks a hit that is no longer true in
// plain output (the state tells how; `words_only` says "no longer holds every word" for a
// changed file, as for a query of words only, else "no longer matches the query").
std::string HitText(const SearchHit& hit, HitState state, const std::string& index,
                    const std::string* fragment, bool true_hit, bool words_only, OutputForm form);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_QUERY_OUTPUT_H_
