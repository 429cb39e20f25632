// The texts of a result row: the file's name and folder as the window shows them (UTF-8), its
// size, and its date from the packed local time the index records.
#ifndef ORU_TOOLS_TROVELLA_ROW_TEXT_H_
#define ORU_TOOLS_TROVELLA_ROW_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/oru/query/query.h"

namespace oru::trovella {

// The last part of `path` (after its last separator) and the part before it, without the
// separator between them; both in UTF-8 for display.
void SplitPath(std::string_view path, std::string* name, std::string* folder);

// "2026-12-08 21:40" from a packed local MS-DOS date and time; "" for 0.
std::string DateText(uint32_t packed);

// A byte range [begin, end) of a text.
struct Span {
  size_t begin = 0;
  size_t end = 0;
  bool operator==(const Span&) const = default;
};

// The words of `fragment` (one line of UTF-8) that the query's positive terms find, as the
// indexer keeps words: a word term's word, a word beginning with a prefix term's, a word of a
// phrase term. In order, not overlapping.
std::vector<Span> HitSpans(std::string_view fragment, const tool::Query& query);

}  // namespace oru::trovella

#endif  // ORU_TOOLS_TROVELLA_ROW_TEXT_H_
