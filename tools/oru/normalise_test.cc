#include "tools/oru/normalise.h"

#include <gtest/gtest.h>

#include <cstring>

namespace oru::tool {
namespace {

class NormaliseTest : public ::testing::Test {
 protected:
  QueryWord Query(const std::string& utf8, std::string* normal) {
    return NormaliseQueryWord(utf8, stop_words_, normal);
  }

  const StopList stop_words_{{"and", "the"}};
};

TEST_F(NormaliseTest, AQueryWordGoesToTheCodePageLowerCased) {
  std::string normal;
  EXPECT_EQ(Query("CAF\xC3\x89", &normal), QueryWord::kIndexable);  // "CAFÉ"
  EXPECT_EQ(normal, "caf\xE9");
  EXPECT_EQ(Query("\xCE\xB8\xCE\xAC\xCE\xBBx", &normal), QueryWord::kIndexable);  // no 1252 form
  EXPECT_EQ(normal, "???x");
  EXPECT_EQ(Query(std::string(40, 'a') + "b", &normal), QueryWord::kIndexable);
  EXPECT_EQ(normal, std::string(31, 'a'));  // the indexer keeps 31 bytes
}

TEST_F(NormaliseTest, WordsTheIndexerNeverKeepsAreTold) {
  std::string normal;
  EXPECT_EQ(Query("ab", &normal), QueryWord::kTooShort);
  EXPECT_EQ(Query("\xC3\xA9t", &normal), QueryWord::kTooShort);  // 2 bytes in the code page
  EXPECT_EQ(Query("aaaa", &normal), QueryWord::kJunk);
  EXPECT_EQ(Query("2004", &normal), QueryWord::kJunk);
  EXPECT_EQ(Query("The", &normal), QueryWord::kStopWord);
  EXPECT_EQ(Query("caf\xE9", &normal), QueryWord::kNotUtf8);
  EXPECT_EQ(normal, "");
}

TEST_F(NormaliseTest, ParsedWordsAreNormalisedFromEitherWidth) {
  WordRecord rec{};
  const char16_t wide[] = u"Fa\u00C7ADE";
  std::memcpy(rec.Buffer, wide, 12);
  rec.Length = 12;
  rec.IsWide = 1;
  EXPECT_EQ(NormaliseParsedWord(rec),
            "fa\xE7"
            "ade");
  rec = WordRecord{};
  std::memcpy(rec.Buffer, "HARBOUR", 7);
  rec.Length = 7;
  EXPECT_EQ(NormaliseParsedWord(rec), "harbour");
}

}  // namespace
}  // namespace oru::tool
