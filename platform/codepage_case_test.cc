#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ansi_1252.h"
#include "platform/codepage.h"

namespace oru::platform {
namespace {

// CharLowerA in Windows-1252 and the POSIX table agree byte for byte.
TEST(LowerAnsiTest, MapsAsciiAndLatinCapitalsOnly) {
  ORU_SKIP_UNLESS_1252();
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
  ORU_SKIP_UNLESS_1252();
  int changed = 0;
  for (int c = 0; c < 256; ++c) {
    if (LowerAnsiChar(static_cast<uint8_t>(c)) != c) ++changed;
  }
  // 26 ASCII letters, 30 Latin-1 capitals, and four more from 0x80-0x9F.
  EXPECT_EQ(changed, 26 + 30 + 4);
}

TEST(CompareIgnoringCaseTest, IgnoresLetterCaseOnly) {
  ORU_SKIP_UNLESS_1252();
  EXPECT_EQ(CompareIgnoringCase("The", "tHE"), 0);
  EXPECT_EQ(CompareIgnoringCase("\xC9T\xC9", "\xE9t\xE9"), 0);
  EXPECT_NE(CompareIgnoringCase("\xE9t\xE9", "ete"), 0);  // accents still count
  EXPECT_LT(CompareIgnoringCase("abc", "abd"), 0);
  EXPECT_LT(CompareIgnoringCase("ab", "abc"), 0);
  EXPECT_GT(CompareIgnoringCase("b", "A"), 0);
  EXPECT_EQ(CompareIgnoringCase("", ""), 0);
}

// The stop list is sorted and searched with this comparison, so it must order consistently.
TEST(CompareIgnoringCaseTest, OrdersConsistentlyForSortingAndSearching) {
  const std::vector<std::string> words = {"and",  "AND",  "the",       "\xE9t\xE9", "ete",
                                          "zzz",  "ab",   "abc",       "a-b",      "a_b",
                                          "\xC9TE", "1st", "\x80uro", "",         "zz"};
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const std::string& a : words) {
    for (const std::string& b : words) {
      EXPECT_EQ(sign(CompareIgnoringCase(a, b)), -sign(CompareIgnoringCase(b, a))) << a << "|" << b;
      for (const std::string& c : words) {
        if (CompareIgnoringCase(a, b) < 0 && CompareIgnoringCase(b, c) < 0) {
          EXPECT_LT(CompareIgnoringCase(a, c), 0) << a << "|" << b << "|" << c;
        }
      }
    }
  }
}

TEST(CompareIgnoringCaseTest, OrderIsBytesOnPosixAndTheLocaleOnWindows) {
  ORU_SKIP_UNLESS_1252();
#ifdef _WIN32
  // CompareStringA sorts an accented letter beside its base letter.
  EXPECT_LT(CompareIgnoringCase("\xE9t\xE9", "zzz"), 0);
  EXPECT_GT(CompareIgnoringCase("\xE9t\xE9", "ete"), 0);
#else
  // POSIX: byte order after lower-casing, so an accented letter sorts after z.
  EXPECT_GT(CompareIgnoringCase("\xE9t\xE9", "zzz"), 0);
#endif
}

}  // namespace
}  // namespace oru::platform
