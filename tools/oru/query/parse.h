// Reading a query: its text into a tree (ParseQuery), then its words into the index's form
// (PrepareQuery). Neither prints; problems come back as data.
#ifndef ORU_TOOLS_ORU_QUERY_PARSE_H_
#define ORU_TOOLS_ORU_QUERY_PARSE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/word_filter.h"
#include "tools/oru/query/query.h"

namespace oru::tool {

// Where and why a query is malformed. `position` is in bytes from 0 in the query text.
struct QueryError {
  size_t position = 0;
  std::string message;
};

// Parses `text` (see query.h) and appends `literal_words` (taken as words, whatever they hold:
// the arguments after "--") as further required words, into `query->root`. Words stand side by
// side, all required; OR binds less than that; '-' and parentheses bind most. Quotes hold a
// phrase, or one word taken literally. False with `error` when the text is malformed or meets a
// limit of query.h; never reads past `text` and never recurses deeper than kMaxQueryDepth.
bool ParseQuery(std::string_view text, const std::vector<std::string>& literal_words, Query* query,
                QueryError* error);

// A word, prefix or phrase left out of a query because no index can hold it: what was typed,
// and why (a sentence such as "is a stop word, and the indexer keeps no such word").
struct QueryNote {
  std::string text;
  std::string why;
};

enum class Prepared {
  kReady,
  kNotUtf8,      // a word, prefix or phrase is not valid UTF-8
  kNothingLeft,  // every term of the query was left out
};

// Brings the words, prefixes and phrases of a parsed query to the form of an index in
// `encoding` whose stop list is `stop_words` (normalise.h),
// fills query->terms and makes relative folders of dir: absolute from `current_folder` (ending
// in '/'). A word the indexer never keeps is left out, with a note; so is a phrase none of whose
// words it keeps. A group (AND, OR) left with no term is left out of its parent, and so is a
// NOT of nothing; a quoted text of one word becomes that word. A word of which a UTF-8 index
// makes several words (pairs of CJK characters) becomes the group of them, all required, and a
// quoted text the phrase of all the words of its words.
Prepared PrepareQuery(Query* query, const StopList& stop_words, const std::string& current_folder,
                      std::vector<QueryNote>* notes,
                      TextEncoding encoding = TextEncoding::kWindows1252);

// The query as text in this language, fully parenthesised, with its words in their prepared
// form when it is prepared; parsing it again gives the same tree. For tests and diagnostics.
std::string QueryToText(const QueryNode& node);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_QUERY_PARSE_H_
