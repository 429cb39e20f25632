// Matching a file's text, word by word, against the words, prefixes and phrases of a query:
// which of them the text holds, and where the first hit is that makes the fragment.
#ifndef ORU_TOOLS_ORU_QUERY_TEXT_MATCH_H_
#define ORU_TOOLS_ORU_QUERY_TEXT_MATCH_H_

#include <cstddef>
#include <string>
#include <vector>

#include "plugin-api/parser_plugin.h"
#include "tools/oru/normalise.h"
#include "tools/oru/query/query.h"

namespace oru::tool {

// Holds a copy of the terms and a pointer to the index's word rules. Copyable.
class TextMatcher {
 public:
  // The text's words are made as an index with `rules` makes them (which must outlive the
  // matcher; null: a Windows-1252 index without stop words).
  explicit TextMatcher(std::vector<TextTerm> terms, const WordRules* rules = nullptr);

  // Takes the next word a parser handed out, as the words the index makes of it. True when one
  // of them completes a hit of a positive term.
  bool AddParsed(const WordRecord& rec);
  // Takes the next word of the text in the index's form; `kept` tells whether the index keeps
  // it (only such words match a prefix, as only they are in the index's word list). True when
  // the word completes a hit of a positive term (a word, a word that begins with a prefix, or
  // the last word of a phrase right after its others).
  bool Add(const std::string& normal, bool kept = true);

  // Whether the text so far holds term `term`.
  const std::vector<bool>& seen() const { return seen_; }
  // True when every term has been seen: more text cannot change what is known.
  bool AllSeen() const { return missing_ == 0; }

 private:
  std::vector<TextTerm> terms_;
  const WordRules* rules_;
  std::vector<IndexWord> made_;  // the words of the last parsed word
  std::vector<bool> seen_;
  size_t missing_ = 0;
  size_t longest_phrase_ = 0;
  std::vector<std::string> recent_;  // the last words, as a ring of longest_phrase_ entries
  size_t count_ = 0;                 // words taken so far
};

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_QUERY_TEXT_MATCH_H_
