#include <gtest/gtest.h>

#include <string>

#include "platform/ansi_1252.h"
#include "platform/codepage.h"

namespace oru::platform {
namespace {

TEST(AnsiToWideTest, MapsWindows1252OneUnitPerByte) {
  ORU_SKIP_UNLESS_1252();
  EXPECT_EQ(AnsiToWide("Az09 ~"), u"Az09 ~");
  EXPECT_EQ(AnsiToWide("\x80\x83\x8A\x91\x97\x99\x9F"),
            u"\u20AC\u0192\u0160\u2018\u2014\u2122\u0178");
  EXPECT_EQ(AnsiToWide("\xA0\xC9\xFF"), u"\u00A0\u00C9\u00FF");
  EXPECT_EQ(AnsiToWide(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(AnsiToWideTest, UndefinedBytesBecomeC1Controls) {
  ORU_SKIP_UNLESS_1252();
  EXPECT_EQ(AnsiToWide("\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
}

TEST(WideToAnsiTest, EveryByteSurvivesTheRoundTrip) {
  ORU_SKIP_UNLESS_1252();
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  char16_t units[256];
  EXPECT_EQ(AnsiToWide(all.data(), all.size(), units), 256u);
  EXPECT_EQ(WideToAnsi(std::u16string_view(units, 256)), all);
}

TEST(WideToAnsiTest, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  ORU_SKIP_UNLESS_1252();
  EXPECT_EQ(WideToAnsi(u"x\u03B1\u03B2\u03B3y"), "x???y");  // Greek
  EXPECT_EQ(WideToAnsi(u"\u4E2D\u0416"), "??");
  EXPECT_EQ(WideToAnsi(u"\u0080\u0085\u009F"), "???");  // control characters U+0080-U+009F with no byte
}

TEST(WideToAnsiTest, SurrogatePairGivesOneQuestionMarkLoneSurrogatesOneEach) {
  EXPECT_EQ(WideToAnsi(u"a\U0001F600b"), "a?b");
  EXPECT_EQ(WideToAnsi(u"a\xD83D!"), "a?!");
  EXPECT_EQ(WideToAnsi(u"\xDE00\xD83D\xDE00\xD83D"), "???");  // low, pair, high at the end
}

TEST(WideToAnsiTest, BufferFormWritesWhatTheStringFormReturnsAndNothingMore) {
  const std::u16string text = u"Caf\u00E9 \u20AC\u03B1\U0001F600z\xD83D";
  const std::string expected = WideToAnsi(text);
  std::string out(text.size() + 4, '#');
  const size_t n = WideToAnsi(text.data(), text.size(), out.data());
  EXPECT_EQ(out.substr(0, n), expected);
  EXPECT_EQ(out.substr(n), std::string(text.size() + 4 - n, '#'));
  EXPECT_EQ(WideToAnsi(text.data(), 0, out.data()), 0u);
  // A pair cut by the end of the input is two lone surrogates' worth: one '?' for the high one.
  const char16_t pair[] = {u'a', 0xD83D, 0xDE00};
  EXPECT_EQ(WideToAnsi(pair, 2, out.data()), 2u);
  EXPECT_EQ(out.substr(0, 2), "a?");
}

}  // namespace
}  // namespace oru::platform
