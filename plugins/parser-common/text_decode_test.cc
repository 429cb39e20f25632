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
  // Multi-byte Asian code pages keep ASCII and give no junk letters.
  EXPECT_EQ(Decode(932, "ab\x82\xA0"), u"ab\uFFFD\uFFFD");
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
