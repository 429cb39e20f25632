// Words in the form the index keeps them: a query word typed in UTF-8, and a word handed out by
// a parser plug-in, both brought to the indexer's normalised form (the system code page,
// lower-cased, at most 31 bytes).
#ifndef ORU_TOOLS_ORU_NORMALISE_H_
#define ORU_TOOLS_ORU_NORMALISE_H_

#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/word_filter.h"
#include "plugin-api/parser_plugin.h"

namespace oru::tool {

// Whether a query word can be in an index at all.
enum class QueryWord {
  kIndexable,
  kNotUtf8,   // the argument is not valid UTF-8
  kTooShort,  // under 3 bytes in the code page: the indexer drops such words
  kJunk,      // one repeated character, more than 4 digits, or digits only
  kStopWord,  // a word of the stop list
};

// Normalises a query word given in UTF-8 as the indexer normalises a parsed word: to UTF-16,
// then to the code page ('?' for a character it lacks), lower-cased and cut to 31 bytes, into
// `normal`. The filters are the indexer's, with the stop words `stop_words`.
QueryWord NormaliseQueryWord(std::string_view utf8, const StopList& stop_words,
                             std::string* normal);

// The indexer's form of a query word or prefix given in UTF-8, without its filters: the code
// page, lower-cased, cut to 31 bytes, into `normal`. False when `utf8` is not valid UTF-8. A
// prefix in this form matches the words of the index that begin with the same bytes, and a
// phrase's words in this form are compared with NormaliseParsedWord's.
bool NormaliseUnfiltered(std::string_view utf8, std::string* normal);

// The words of a phrase typed in UTF-8, as the parser plug-ins split text into words: runs of
// letters, digits, '-' and '_'; everything else separates. False when `utf8` is not valid UTF-8.
bool SplitPhrase(std::string_view utf8, std::vector<std::string>* words);

// True when the indexer keeps the normalised word `normal` (its filters, with `stop_words`):
// only such words are in an index's word list.
bool IsKeptWord(const std::string& normal, const StopList& stop_words);

// The normalised form of the word in `rec`, as the indexer would enter it in its dictionary
// (before its filters).
std::string NormaliseParsedWord(const WordRecord& rec);

// A sentence saying why a word is left out of a search ("is a stop word", ...); empty for
// kIndexable.
const char* QueryWordProblem(QueryWord state);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_NORMALISE_H_
