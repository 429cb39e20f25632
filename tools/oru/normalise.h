// Words in the form the index keeps them: a query word typed in UTF-8, and a word handed out by
// a parser plug-in, both brought to the indexer's normalised form. In a Windows-1252 index that
// is one word in the system code page, lower-cased, at most 31 bytes; in a UTF-8 index, the
// words of word_forms.h (folded, CJK runs as pairs), at most 31 bytes each.
#ifndef ORU_TOOLS_ORU_NORMALISE_H_
#define ORU_TOOLS_ORU_NORMALISE_H_

#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/word_filter.h"
#include "indexer/engine/word_forms.h"
#include "plugin-api/parser_plugin.h"

namespace oru::tool {

// Whether a query word can be in an index at all.
enum class QueryWord {
  kIndexable,
  kNotUtf8,   // the argument is not valid UTF-8
  kTooShort,  // under 3 characters (bytes in the code page): the indexer drops such words
  kJunk,      // one repeated character, more than 4 digits, or digits only
  kStopWord,  // a word of the stop list
};

// How an index keeps words: its encoding, and its stop list in the form of its words.
struct WordRules {
  WordRules() = default;
  // The rules of an index in `encoding` whose stop list is `stop_words` (as Stop.lst gives it).
  WordRules(TextEncoding encoding, const StopList& stop_words);

  TextEncoding encoding = TextEncoding::kWindows1252;
  StopList stop_words;
};

// One word an index makes of a word of text: its normalised form (the form before the filters
// when the index leaves it out), and whether the index keeps it.
struct IndexWord {
  std::string text;
  QueryWord kind = QueryWord::kIndexable;
};

// The words the index makes of a word typed in UTF-8, into `words` (one in a Windows-1252
// index). False when `utf8` is not valid UTF-8 (`words` empty).
bool IndexWordsOf(std::string_view utf8, const WordRules& rules, std::vector<IndexWord>* words);
// The words the index makes of the word in `rec`, as the indexer enters them.
void IndexWordsOf(const WordRecord& rec, const WordRules& rules, std::vector<IndexWord>* words);

// A prefix typed in UTF-8 in the index's form, without filters; false when not valid UTF-8.
bool NormalisePrefix(std::string_view utf8, TextEncoding encoding, std::string* normal);

// The words of a phrase typed in UTF-8, as the parser plug-ins split text into words: runs of
// letters, digits, '-' and '_'; everything else separates. False when `utf8` is not valid UTF-8.
bool SplitPhrase(std::string_view utf8, std::vector<std::string>* words);

// A sentence saying why a word is left out of a search ("is a stop word", ...); empty for
// kIndexable.
const char* QueryWordProblem(QueryWord state);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_NORMALISE_H_
