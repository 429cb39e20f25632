// Matching a file's text, word by word, against the words, prefixes and phrases of a query:
// which of them the text holds, and where the first hit is that makes the fragment.
#ifndef ORU_TOOLS_ORU_QUERY_TEXT_MATCH_H_
#define ORU_TOOLS_ORU_QUERY_TEXT_MATCH_H_

#include <cstddef>
#include <string>
#include <vector>

#include "indexer/engine/word_filter.h"
#include "tools/oru/query/query.h"

namespace oru::tool {

// Holds a copy of the terms and a pointer to the stop list. Copyable.
class TextMatcher {
 public:
  // A prefix is matched only by words the indexer keeps (FilterWord with `stop_words`, which
  // must outlive the matcher; null: no stop words), as the index's word list holds them.
  explicit TextMatcher(std::vector<TextTerm> terms, const StopList* stop_words = nullptr);

  // Takes the next word of the text, normalised as NormaliseParsedWord gives it. True when the
  // word completes a hit of a positive term (a word, a word that begins with a prefix, or the
  // last word of a phrase right after its others).
  bool Add(const std::string& normal);

  // Whether the text so far holds term `term`.
  const std::vector<bool>& seen() const { return seen_; }
  // True when every term has been seen: more text cannot change what is known.
  bool AllSeen() const { return missing_ == 0; }

 private:
  bool Kept(const std::string& normal) const;

  std::vector<TextTerm> terms_;
  const StopList* stop_words_;
  std::vector<bool> seen_;
  size_t missing_ = 0;
  size_t longest_phrase_ = 0;
  std::vector<std::string> recent_;  // the last words, as a ring of longest_phrase_ entries
  size_t count_ = 0;                 // words taken so far
};

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_QUERY_TEXT_MATCH_H_
