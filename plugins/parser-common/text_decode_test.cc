#include "plugins/parser-common/text_decode.h"

#include <gtest/gtest.h>

namespace oru::parser {
namespace {

std::u16string Decode(int code_page, std::string_view bytes) {
  std::u16string out;
  AppendDecoded(code_page, bytes, &out);
  return out;
}

TEST(TextDecodeTest, CharsetNamesFindTheirCodePages) {
  EXPECT_EQ(CodePageByName("windows-1251"), 1251);
  EXPECT_EQ(CodePageByName(" \"ISO-8859-1\" "), 1252);
  EXPECT_EQ(CodePageByName("UTF-8"), kUtf8);
  EXPECT_EQ(CodePageByName("koi8-r"), 20866);
  EXPECT_EQ(CodePageByName("Shift_JIS"), 932);
  EXPECT_EQ(CodePageByName("no-such-charset"), 0);
  EXPECT_EQ(CodePageByName(""), 0);
}

TEST(TextDecodeTest, SingleByteCodePagesUseTheirOwnTables) {
  EXPECT_EQ(Decode(1252, "caf\xE9 \x80"), u"caf\u00E9 \u20AC");
  EXPECT_EQ(Decode(1251, "\xCF\xF0\xE8"), u"\u041F\u0440\u0438");
  EXPECT_EQ(Decode(10000, "\x8E"), u"\u00E9");  // Mac Roman
  EXPECT_EQ(Decode(1252, "\x81"), u"\uFFFD");     // undefined in Windows-1252
  EXPECT_EQ(SingleByteChar(1250, 0x9A), u'\u0161');
  EXPECT_EQ(SingleByteChar(4242, 0xE9), u'\u00E9');  // unknown: Windows-1252
}

TEST(TextDecodeTest, Utf8AndUtf16Decode) {
  EXPECT_EQ(Decode(kUtf8, "na\xC3\xAFve \xF0\x9F\x98\x80"), u"na\u00EFve \U0001F600");
  EXPECT_EQ(Decode(kUtf8, "a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Decode(kUtf16Le, std::string_view("h\0i\0!", 5)), u"hi");
  EXPECT_EQ(Decode(kUtf16Be, std::string_view("\0h\0i", 4)), u"hi");
}

// The multi-byte Asian code pages, through the system: the same characters on every platform
// for the characters each defines.
TEST(TextDecodeTest, AsianMultiByteCodePagesDecode) {
  EXPECT_EQ(Decode(932, "ab\x82\xA0\x93\x8C\x8B\x9E\xB1"), u"ab\u3042\u6771\u4EAC\uFF71");
  EXPECT_EQ(Decode(936, "\xD6\xD0\xCE\xC4"), u"\u4E2D\u6587");
  EXPECT_EQ(Decode(949, "\xC7\xD1\xB1\xB9"), u"\uD55C\uAD6D");
  EXPECT_EQ(Decode(950, "\xA4\xA4\xA4\xE5"), u"\u4E2D\u6587");
  EXPECT_EQ(Decode(20932, "\xC6\xFC\xCB\xDC"), u"\u65E5\u672C");
  EXPECT_EQ(Decode(50220, "\x1B$B$\"F|\x1B(Bx\x1B(I1"), u"\u3042\u65E5x\uFF71");
  // A lead byte at the end, with nothing after it, is no character; the text before it stays.
  const std::u16string cut = Decode(932, "a\x82");
  EXPECT_EQ(cut.substr(0, 1), u"a");
  EXPECT_EQ(cut.find_first_of(u"\u3042"), std::u16string::npos);
}

TEST(TextDecodeTest, Utf8ValidityAllowsOnlyACutAtTheEndWhenAsked) {
  EXPECT_TRUE(IsValidUtf8("plain \xC3\xA9", false));
  EXPECT_FALSE(IsValidUtf8("caf\xE9 au lait", true));
  EXPECT_FALSE(IsValidUtf8("cut \xE2\x82", false));
  EXPECT_TRUE(IsValidUtf8("cut \xE2\x82", true));
  EXPECT_FALSE(IsValidUtf8("bad \xC0", true));
}

}  // namespace
}  // namespace oru::parser
