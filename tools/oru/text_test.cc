#include "tools/oru/text.h"

#include <gtest/gtest.h>

namespace oru::tool {
namespace {

TEST(TextTest, Utf8RoundTripsThroughUtf16) {
  std::u16string wide;
  ASSERT_TRUE(Utf8ToWide("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5", &wide));
  EXPECT_EQ(wide, u"caf\u00E9 \u20AC \U0001F3B5");
  EXPECT_EQ(WideToUtf8(wide), "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5");
  EXPECT_EQ(WideToUtf8(u"a\xD800z"), "a\xEF\xBF\xBDz");  // an unpaired surrogate
}

TEST(TextTest, MalformedUtf8IsRefused) {
  std::u16string wide;
  for (const char* bad :
       {"caf\xE9", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
    EXPECT_FALSE(Utf8ToWide(bad, &wide)) << bad;
  }
}

TEST(TextTest, PathsThatAreNotUtf8AreReadAsTheCodePage) {
  EXPECT_EQ(PathToUtf8("/d/caf\xC3\xA9"), "/d/caf\xC3\xA9");
  EXPECT_EQ(PathToUtf8("/d/caf\xE9\x80"), "/d/caf\xC3\xA9\xE2\x82\xAC");
}

TEST(TextTest, DisplayTextIsOneCleanLine) {
  EXPECT_EQ(DisplayText(u"\r\n  Title:\tHarbour\x07\x0B lights \x85 "), "Title: Harbour lights");
  EXPECT_EQ(DisplayText(u"\x01\x02"), "");
}

TEST(TextTest, JsonStringsAreEscaped) {
  EXPECT_EQ(JsonQuote("a\"b\\c\n\x01\xC3\xA9"), "\"a\\\"b\\\\c\\u000a\\u0001\xC3\xA9\"");
}

TEST(TextTest, ControlCharactersAreEscapedForTheTerminal) {
  // A name cannot end a line, send an escape (any control character) or pass a backslash for an escape.
  EXPECT_EQ(EscapeControls("a\nb\tc\x1B[2J\x7F\\d\xC2\x9B" "1m"),
            "a\\nb\\tc\\033[2J\\177\\\\d\\2331m");
  EXPECT_EQ(EscapeControls("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(HexBytes("/\xE9\n"), "2fe90a");
}

}  // namespace
}  // namespace oru::tool
