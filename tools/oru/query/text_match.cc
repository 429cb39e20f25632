#include "tools/oru/query/text_match.h"

#include <algorithm>
#include <utility>

#include "tools/oru/normalise.h"

namespace oru::tool {

TextMatcher::TextMatcher(std::vector<TextTerm> terms, const WordRules* rules)
    : terms_(std::move(terms)), rules_(rules), seen_(terms_.size(), false),
      missing_(terms_.size()) {
  for (const TextTerm& term : terms_) {
    if (term.kind == NodeKind::kPhrase) longest_phrase_ = std::max(longest_phrase_, term.words.size());
  }
  recent_.resize(longest_phrase_);
}

bool TextMatcher::AddParsed(const WordRecord& rec) {
  static const WordRules kPlain;
  IndexWordsOf(rec, rules_ != nullptr ? *rules_ : kPlain, &made_);
  bool hit = false;
  for (const IndexWord& word : made_) {
    if (Add(word.text, word.kind == QueryWord::kIndexable)) hit = true;
  }
  return hit;
}

bool TextMatcher::Add(const std::string& normal, bool kept) {
  if (longest_phrase_ > 0) recent_[count_ % longest_phrase_] = normal;
  ++count_;
  bool hit = false;
  for (size_t t = 0; t < terms_.size(); ++t) {
    const TextTerm& term = terms_[t];
    bool matches = false;
    switch (term.kind) {
      case NodeKind::kPrefix:
        matches = kept && normal.compare(0, term.words[0].size(), term.words[0]) == 0;
        break;
      case NodeKind::kPhrase: {
        const size_t n = term.words.size();
        if (n == 0 || count_ < n || normal != term.words[n - 1]) break;
        matches = true;
        for (size_t i = 0; i + 1 < n && matches; ++i) {
          // The word n-1-i places back.
          matches = recent_[(count_ - n + i) % longest_phrase_] == term.words[i];
        }
        break;
      }
      default:
        matches = normal == term.words[0];
        break;
    }
    if (!matches) continue;
    if (term.positive) hit = true;
    if (!seen_[t]) {
      seen_[t] = true;
      --missing_;
    }
  }
  return hit;
}

}  // namespace oru::tool
