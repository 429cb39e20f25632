#include "tools/trovella/row_text.h"

#include <gtest/gtest.h>

#include "indexer/engine/word_filter.h"
#include "tools/oru/query/parse.h"

namespace oru::trovella {
namespace {

std::vector<std::string> Marked(const std::string& fragment, const std::string& query_text) {
  tool::Query query;
  tool::QueryError error;
  EXPECT_TRUE(tool::ParseQuery(query_text, {}, &query, &error));
  std::vector<tool::QueryNote> notes;
  tool::PrepareQuery(&query, StopList(), "/", &notes);
  std::vector<std::string> marked;
  for (const Span& span : HitSpans(fragment, query)) {
    marked.push_back(fragment.substr(span.begin, span.end - span.begin));
  }
  return marked;
}

TEST(RowTextTest, MarksTheWordsPrefixesAndPhrasesTheQueryFindsButNotExcludedTerms) {
  EXPECT_EQ(Marked("The Harbour engines hummed; harbours -engine- too", "harbour engine*"),
            (std::vector<std::string>{"Harbour", "engines", "engine"}));
  EXPECT_EQ(Marked("Straße und Café, café!", "café -straße"),
            (std::vector<std::string>{"Café", "café"}));
  EXPECT_EQ(Marked("an annual report, reported annually", "\"annual report\""),
            (std::vector<std::string>{"annual", "report"}));
}

TEST(RowTextTest, SplitsPathsAndUnpacksDates) {
  std::string name;
  std::string folder;
  SplitPath("/home/me/notes.txt", &name, &folder);
  EXPECT_EQ(name, "notes.txt");
  EXPECT_EQ(folder, "/home/me");
  SplitPath("/top.txt", &name, &folder);
  EXPECT_EQ(folder, "/");
  // 2024-03-05 14:07:10 packed as the file index stores it.
  const uint32_t date = ((2024 - 1980) << 9) | (3 << 5) | 5;
  const uint32_t clock = (14 << 11) | (7 << 5) | 5;
  EXPECT_EQ(DateText(date << 16 | clock), "2024-03-05 14:07");
  EXPECT_EQ(DateText(0), "");
}

}  // namespace
}  // namespace oru::trovella
