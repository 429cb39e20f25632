#include "tools/oru/query/text_match.h"

#include <gtest/gtest.h>

namespace oru::tool {
namespace {

TextMatcher Feed(std::vector<TextTerm> terms, const std::vector<std::string>& text,
                 std::vector<size_t>* hits = nullptr) {
  TextMatcher matcher(std::move(terms));
  for (size_t i = 0; i < text.size(); ++i) {
    if (matcher.Add(text[i]) && hits != nullptr) hits->push_back(i);
  }
  return matcher;
}

TEST(TextMatcherTest, PhrasesNeedTheirWordsInARowAndFindOverlaps) {
  const TextTerm phrase{NodeKind::kPhrase, {"aaa", "aaa", "bbb"}, true};
  EXPECT_TRUE(Feed({phrase}, {"aaa", "aaa", "aaa", "bbb"}).AllSeen());
  EXPECT_FALSE(Feed({phrase}, {"aaa", "bbb", "aaa", "bbb"}).AllSeen());
  EXPECT_FALSE(Feed({phrase}, {"aaa", "aaa", "ccc", "bbb"}).AllSeen());
  // A longer phrase beside it keeps more words, and both are found.
  const TextTerm longer{NodeKind::kPhrase, {"one", "two", "three", "four"}, true};
  const TextMatcher both = Feed({phrase, longer}, {"one", "two", "three", "four", "aaa", "aaa", "bbb"});
  EXPECT_EQ(both.seen(), (std::vector<bool>{true, true}));
}

TEST(TextMatcherTest, HitsComeFromPositiveTermsOnly) {
  std::vector<size_t> hits;
  const TextMatcher matcher = Feed({{NodeKind::kWord, {"draft"}, false},
                                    {NodeKind::kPrefix, {"contr"}, true},
                                    {NodeKind::kWord, {"invoice"}, true}},
                                   {"draft", "contract", "pay", "invoice"}, &hits);
  EXPECT_EQ(hits, (std::vector<size_t>{1, 3}));
  EXPECT_TRUE(matcher.AllSeen());
  EXPECT_FALSE(Feed({{NodeKind::kPrefix, {"contr"}, true}}, {"cont", "con"}).AllSeen());
}

}  // namespace
}  // namespace oru::tool
