#include "plugins/parser-html/charset.h"

#include <gtest/gtest.h>

#include <string>

#include "plugins/parser-common/text_decode.h"

namespace oru::ostrin {
namespace {

using parser::kUtf16Be;
using parser::kUtf16Le;
using parser::kUtf8;
using parser::kWindows1252;

int CodePage(std::string_view bytes) { return SniffEncoding(bytes).code_page; }

TEST(CharsetTest, ByteOrderMarksComeFirst) {
  const std::string meta = "<meta charset=windows-1251>";
  EXPECT_EQ(SniffEncoding("\xEF\xBB\xBF" + meta).code_page, kUtf8);
  EXPECT_EQ(SniffEncoding("\xEF\xBB\xBF" + meta).bom_length, 3u);
  EXPECT_EQ(SniffEncoding(std::string("\xFF\xFE<\0", 4) + meta).code_page, kUtf16Le);
  EXPECT_EQ(SniffEncoding(std::string("\xFE\xFF\0<", 4) + meta).code_page, kUtf16Be);
  EXPECT_EQ(SniffEncoding(std::string("\xFE\xFF\0<", 4) + meta).bom_length, 2u);
  EXPECT_EQ(SniffEncoding(meta).bom_length, 0u);
}

TEST(CharsetTest, MetaDeclarationsAreFoundAsBrowsersFindThem) {
  EXPECT_EQ(CodePage("<html><head><meta charset=\"windows-1251\">"), 1251);
  EXPECT_EQ(CodePage("<META CHARSET='KOI8-R'/>"), 20866);
  EXPECT_EQ(
      CodePage("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">"),
      1250);
  EXPECT_EQ(CodePage("<meta content='text/html;charset = \"iso-8859-2\"' http-equiv=content-type>"),
            28592);
  // A content without the http-equiv is no declaration.
  EXPECT_EQ(CodePage("<meta content=\"text/html; charset=windows-1251\">caf\xE9 au lait"),
            kWindows1252);
  // Comments and other tags' attribute values are passed over.
  EXPECT_EQ(CodePage("<!-- <meta charset=koi8-r> --><meta charset=windows-1251>"), 1251);
  EXPECT_EQ(CodePage("<a title='<meta charset=koi8-r>'><meta charset=windows-1251>"), 1251);
  // An unknown name leaves the next declaration to decide.
  EXPECT_EQ(CodePage("<meta charset=no-such><meta charset=windows-1251>"), 1251);
  // Only the first 1,024 bytes are looked at.
  EXPECT_EQ(CodePage(std::string(1100, ' ') + "<meta charset=windows-1251>caf\xE9 au lait"),
            kWindows1252);
}

TEST(CharsetTest, DeclaredNamesAreTakenAsBrowsersTakeThem) {
  EXPECT_EQ(CodePage("<meta charset=iso-8859-1>"), kWindows1252);
  EXPECT_EQ(CodePage("<meta charset=us-ascii>"), kWindows1252);
  EXPECT_EQ(CodePage("<meta charset=x-user-defined>"), kWindows1252);
  EXPECT_EQ(CodePage("<meta charset=utf-16>"), kUtf8);
  EXPECT_EQ(CodePage("<meta charset=UTF-16LE>"), kUtf8);
}

TEST(CharsetTest, XmlDeclarationCountsWhenNoMetaDeclares) {
  EXPECT_EQ(CodePage("<?xml version=\"1.0\" encoding=\"ISO-8859-5\"?><html>"), 28595);
  EXPECT_EQ(CodePage("<?xml version='1.0' encoding='utf-16'?><html>"), kUtf8);
  EXPECT_EQ(CodePage("<?xml version=\"1.0\" encoding=\"koi8-r\"?><meta charset=windows-1251>"),
            1251);
}

TEST(CharsetTest, UndeclaredPagesAreUtf8WhenTheyCanBeElseWindows1252) {
  EXPECT_EQ(CodePage("plain ASCII"), kUtf8);
  EXPECT_EQ(CodePage("caf\xC3\xA9"), kUtf8);
  EXPECT_EQ(CodePage("cut at the end \xE2\x82"), kUtf8);
  EXPECT_EQ(CodePage("caf\xE9 au lait"), kWindows1252);
  EXPECT_EQ(CodePage(""), kUtf8);
}

}  // namespace
}  // namespace oru::ostrin
