#include "indexer/engine/word_filter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/memory_file_system.h"

namespace oru {
namespace {

// The verdict on `raw`, and the kept word's text.
WordVerdict Filter(const std::string& raw, const StopList& stops, std::string* normal) {
  char buffer[kNormalWordSize];
  std::memset(buffer, 'x', sizeof(buffer));
  const WordVerdict verdict = FilterWord(raw, stops, buffer);
  *normal = verdict == WordVerdict::kKept ? std::string(buffer) : std::string();
  return verdict;
}

TEST(FilterWordTest, DropsShortJunkAndShortStopWordsAndKeepsTheRestCut) {
  const StopList stops({"the", "whatever"});
  std::string normal;
  EXPECT_EQ(Filter("ab", stops, &normal), WordVerdict::kTooShort);
  EXPECT_EQ(Filter("zzz", stops, &normal), WordVerdict::kJunk);
  EXPECT_EQ(Filter("THE", stops, &normal), WordVerdict::kStopWord);
  EXPECT_EQ(Filter("Whatever", stops, &normal), WordVerdict::kKept);  // too long to be looked up
  EXPECT_EQ(normal, "whatever");
  EXPECT_EQ(Filter("Pneumonoultramicroscopicsilicovolcanic", stops, &normal), WordVerdict::kKept);
  EXPECT_EQ(normal, "pneumonoultramicroscopicsilicov");  // the 31 bytes the dictionary keeps
  EXPECT_EQ(Filter(std::string(200, 'Q') + "r", stops, &normal), WordVerdict::kJunk);  // 127 Qs
  EXPECT_EQ(Filter(std::string("abc\0def", 7), stops, &normal), WordVerdict::kKept);
  EXPECT_EQ(normal, "abc");
}

TEST(StopListTest, LoadsOneWordPerLineUpToTheFirstNulAndMatchesIgnoringCase) {
  testing::MemoryFileSystem disk;
  disk.Put("/bin/Stop.lst", std::string("the\r\nAnd\rof\n a \n\nlast\0hidden\n", 29));
  const StopList stops = StopList::In(&disk, "/bin/");
  EXPECT_TRUE(stops.Contains("THE"));
  EXPECT_TRUE(stops.Contains("and"));
  EXPECT_TRUE(stops.Contains("of"));
  EXPECT_TRUE(stops.Contains(" a "));  // lines are taken whole
  EXPECT_FALSE(stops.Contains("a"));
  EXPECT_TRUE(stops.Contains("last"));
  EXPECT_FALSE(stops.Contains("hidden"));
  EXPECT_EQ(StopList::Load(&disk, "/bin/missing.lst").size(), 0u);
}

TEST(JunkWordTest, RepeatsDigitsAndNumbers) {
  EXPECT_TRUE(IsJunkWord("zzz", 3));
  EXPECT_TRUE(IsJunkWord("aaaa", 4));
  EXPECT_TRUE(IsJunkWord("123", 3));
  EXPECT_TRUE(IsJunkWord("2004", 4));
  EXPECT_TRUE(IsJunkWord("ab12345", 7));
  EXPECT_FALSE(IsJunkWord("a123", 4));
  EXPECT_FALSE(IsJunkWord("x2004y", 6));
  EXPECT_FALSE(IsJunkWord("zza", 3));
  EXPECT_FALSE(IsJunkWord("\xB2\xB3\xB9", 3));  // superscript digits are no digits
}

TEST(NormaliseWordTest, CopiesAtMost127BytesAndLowerCases) {
  char out[128];
  ASSERT_TRUE(NormaliseWord(out, "Stra\xDF" "E"));
  EXPECT_STREQ(out, "stra\xDF" "e");
  const std::string long_word(200, 'A');
  ASSERT_TRUE(NormaliseWord(out, long_word.c_str()));
  EXPECT_EQ(std::string(out, 127), std::string(127, 'a'));
  EXPECT_EQ(out[127], '\0');
  EXPECT_FALSE(NormaliseWord(nullptr, "x"));
  ASSERT_TRUE(NormaliseWord(out, nullptr));
  EXPECT_STREQ(out, "");
}

}  // namespace
}  // namespace oru
