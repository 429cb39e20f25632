#include "tools/oru/normalise.h"

#include <gtest/gtest.h>

#include <cstring>

namespace oru::tool {
namespace {

class NormaliseTest : public ::testing::Test {
 protected:
  // The words an index makes of `utf8`, as "text" for kept words and "text:kind" for others.
  std::vector<std::string> Words(const std::string& utf8, const WordRules& rules) {
    std::vector<IndexWord> words;
    if (!IndexWordsOf(utf8, rules, &words)) return {"not UTF-8"};
    std::vector<std::string> out;
    for (const IndexWord& word : words) {
      out.push_back(word.kind == QueryWord::kIndexable
                        ? word.text
                        : word.text + ":" + std::to_string(static_cast<int>(word.kind)));
    }
    return out;
  }
  std::string Query(const std::string& utf8) {
    const std::vector<std::string> words = Words(utf8, code_page_);
    return words.size() == 1 ? words[0] : "?";
  }

  const StopList stop_words_{{"and", "the"}};
  const WordRules code_page_{TextEncoding::kWindows1252, stop_words_};
  const WordRules utf8_{TextEncoding::kUtf8, stop_words_};
};

using List = std::vector<std::string>;

TEST_F(NormaliseTest, AQueryWordGoesToTheCodePageLowerCased) {
  EXPECT_EQ(Query("CAF\xC3\x89"), "caf\xE9");                  // "CAFÉ"
  EXPECT_EQ(Query("\xCE\xB8\xCE\xAC\xCE\xBBx"), "???x");  // no 1252 form
  EXPECT_EQ(Query(std::string(40, 'a') + "b"), std::string(31, 'a'));  // 31 bytes are kept
}

TEST_F(NormaliseTest, WordsTheIndexerNeverKeepsAreTold) {
  EXPECT_EQ(Query("ab"), "ab:2");
  EXPECT_EQ(Query("\xC3\xA9t"), "\xE9t:2");  // 2 bytes in the code page
  EXPECT_EQ(Query("aaaa"), "aaaa:3");
  EXPECT_EQ(Query("2004"), "2004:3");
  EXPECT_EQ(Query("The"), "the:4");
  EXPECT_EQ(Words("caf\xE9", code_page_), List{"not UTF-8"});
}

TEST_F(NormaliseTest, AUtf8IndexKeepsEveryScriptAndPairsCjk) {
  EXPECT_EQ(Words("\xCE\x98\xCE\xAC\xCE\xBBx", utf8_), List{"\xCE\xB8\xCE\xAC\xCE\xBBx"});
  EXPECT_EQ(Words("THE", utf8_), List{"the:4"});
  EXPECT_EQ(Words("\xE6\x9D\xB1\xE4\xBA\xAC\xE9\x83\xBD", utf8_),  // three Han characters
            (List{"\xE6\x9D\xB1\xE4\xBA\xAC", "\xE4\xBA\xAC\xE9\x83\xBD"}));
  std::string prefix;
  ASSERT_TRUE(NormalisePrefix("\xD0\x9F\xD1\x80\xD0\xB8", TextEncoding::kUtf8, &prefix));
  EXPECT_EQ(prefix, "\xD0\xBF\xD1\x80\xD0\xB8");  // folded
}

TEST_F(NormaliseTest, ParsedWordsAreNormalisedFromEitherWidth) {
  const auto parsed = [](const WordRecord& rec, const WordRules& rules) {
    std::vector<IndexWord> words;
    IndexWordsOf(rec, rules, &words);
    return words.size() == 1 ? words[0].text : "?";
  };
  WordRecord rec{};
  const char16_t wide[] = u"Fa\u00C7ADE";
  std::memcpy(rec.Buffer, wide, 12);
  rec.Length = 12;
  rec.IsWide = 1;
  EXPECT_EQ(parsed(rec, code_page_), "fa\xE7" "ade");
  EXPECT_EQ(parsed(rec, utf8_), "fa\xC3\xA7" "ade");
  rec = WordRecord{};
  std::memcpy(rec.Buffer, "HARBOUR\xC9", 8);  // 8-bit words are in the code page
  rec.Length = 8;
  EXPECT_EQ(parsed(rec, code_page_), "harbour\xE9");
  EXPECT_EQ(parsed(rec, utf8_), "harbour\xC3\xA9");
}

}  // namespace
}  // namespace oru::tool
