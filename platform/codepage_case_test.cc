#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace oru::platform {
namespace {

TEST(LowerAnsiTest, MapsAsciiAndLatinCapitalsOnly) {
  EXPECT_EQ(LowerAnsi("ABCxyz019_-"), "abcxyz019_-");
  EXPECT_EQ(LowerAnsiChar(0xC0), 0xE0);  // A grave
  EXPECT_EQ(LowerAnsiChar(0xDE), 0xFE);  // thorn
  EXPECT_EQ(LowerAnsiChar(0xD7), 0xD7);  // multiplication sign stays
  EXPECT_EQ(LowerAnsiChar(0xDF), 0xDF);  // sharp s has no capital here
  EXPECT_EQ(LowerAnsiChar(0x8A), 0x9A);
  EXPECT_EQ(LowerAnsiChar(0x8C), 0x9C);
  EXPECT_EQ(LowerAnsiChar(0x8E), 0x9E);
  EXPECT_EQ(LowerAnsiChar(0x9F), 0xFF);
  EXPECT_EQ(LowerAnsiChar(0xE0), 0xE0);
  EXPECT_EQ(LowerAnsiChar(0x80), 0x80);
}

TEST(LowerAnsiTest, EveryOtherByteIsUnchanged) {
  int changed = 0;
  for (int c = 0; c < 256; ++c) {
    if (LowerAnsiChar(static_cast<uint8_t>(c)) != c) ++changed;
  }
  // 26 ASCII letters, 30 Latin-1 capitals, and four more from 0x80-0x9F.
  EXPECT_EQ(changed, 26 + 30 + 4);
}

TEST(CompareIgnoringCaseTest, LowerCasesBothSidesThenComparesBytes) {
  EXPECT_EQ(CompareIgnoringCase("The", "tHE"), 0);
  EXPECT_EQ(CompareIgnoringCase("\xC9T\xC9", "\xE9t\xE9"), 0);
  EXPECT_LT(CompareIgnoringCase("abc", "abd"), 0);
  EXPECT_LT(CompareIgnoringCase("ab", "abc"), 0);
  EXPECT_GT(CompareIgnoringCase("b", "A"), 0);
  // Byte order, not alphabetical order: an accented letter sorts after z.
  EXPECT_GT(CompareIgnoringCase("\xE9t\xE9", "zzz"), 0);
}

}  // namespace
}  // namespace oru::platform
