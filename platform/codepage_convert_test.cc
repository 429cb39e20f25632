#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace oru::platform {
namespace {

TEST(AnsiToWideTest, MapsWindows1252OneUnitPerByte) {
  EXPECT_EQ(AnsiToWide("Az09 ~"), u"Az09 ~");
  EXPECT_EQ(AnsiToWide("\x80\x83\x8A\x91\x97\x99\x9F"),
            u"\u20AC\u0192\u0160\u2018\u2014\u2122\u0178");
  EXPECT_EQ(AnsiToWide("\xA0\xC9\xFF"), u"\u00A0\u00C9\u00FF");
  EXPECT_EQ(AnsiToWide(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(AnsiToWideTest, UndefinedBytesBecomeC1ControlsP3) {
  EXPECT_EQ(AnsiToWide("\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
}

TEST(WideToAnsiTest, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  char16_t units[256];
  EXPECT_EQ(AnsiToWide(all.data(), all.size(), units), 256u);
  EXPECT_EQ(WideToAnsi(std::u16string_view(units, 256)), all);
}

TEST(WideToAnsiTest, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(WideToAnsi(u"x\u03B1\u03B2\u03B3y"), "x???y");  // Greek
  EXPECT_EQ(WideToAnsi(u"\u4E2D\u0416"), "??");
  EXPECT_EQ(WideToAnsi(u"\u0080\u0085\u009F"), "???");  // C1 controls with no byte
}

TEST(WideToAnsiTest, SurrogatePairGivesOneQuestionMarkLoneSurrogatesOneEach) {
  EXPECT_EQ(WideToAnsi(u"a\U0001F600b"), "a?b");
  EXPECT_EQ(WideToAnsi(u"a\xD83D!"), "a?!");
  EXPECT_EQ(WideToAnsi(u"\xDE00\xD83D\xDE00\xD83D"), "???");  // low, pair, high at the end
}

}  // namespace
}  // namespace oru::platform
