#include "plugins/parser-pdf/pdf_cmap.h"

#include <gtest/gtest.h>

#include "plugins/parser-pdf/glyph_list.h"

namespace oru::pdf {
namespace {

std::u16string Text(const CMap& cmap, uint32_t code) {
  std::u16string out;
  return cmap.ToUnicode(code, &out) ? out : u"<none>";
}

TEST(PdfCMapTest, MapsCharsRangesArraysAndLigatures) {
  const CMap cmap = CMap::Parse(R"(/CIDInit /ProcSet findresource begin 12 dict begin begincmap
    2 begincodespacerange <00> <7F> <8000> <FFFF> endcodespacerange
    3 beginbfchar <03> <0020> <1F> <FB01> <20> <00660069> endbfchar
    2 beginbfrange <41> <43> <0061> <8001> <8003> [<0041> <D835DC00> /eacute] endbfrange
    endcmap)");
  EXPECT_EQ(Text(cmap, 0x03), u" ");
  EXPECT_EQ(Text(cmap, 0x1F), u"\uFB01");
  EXPECT_EQ(Text(cmap, 0x20), u"fi");
  EXPECT_EQ(Text(cmap, 0x42), u"b");
  EXPECT_EQ(Text(cmap, 0x8002), u"\U0001D400");
  EXPECT_EQ(Text(cmap, 0x8003), u"\u00E9");
  EXPECT_EQ(Text(cmap, 0x44), u"<none>");
  EXPECT_EQ(cmap.CodeLength("\x41\x80", 2), 1);
  EXPECT_EQ(cmap.CodeLength("\x80\x01", 1), 2);
  EXPECT_EQ(cmap.CodeLength("\x80", 2), 1);  // cut short: what is there
}

TEST(PdfCMapTest, MapsCidsAndSurvivesDamage) {
  const CMap cmap = CMap::Parse(
      "1 begincidrange <0000> <FFFF> 0 endcidrange 1 begincidchar <0010> 99 endcidchar "
      "1 beginbfrange <00> <FFFFFFFF> <0041> endbfrange 1 beginbfchar <01> [ ( <<");
  uint32_t cid = 0;
  ASSERT_TRUE(cmap.ToCid(0x0010, &cid));
  EXPECT_EQ(cid, 99u);
  ASSERT_TRUE(cmap.ToCid(0x1234, &cid));
  EXPECT_EQ(cid, 0x1234u);
  EXPECT_EQ(Text(cmap, 2), u"C");
}

TEST(PdfCMapTest, GlyphNamesFollowTheListAndItsForms) {
  EXPECT_EQ(GlyphText("A"), u"A");
  EXPECT_EQ(GlyphText("eacute"), u"\u00E9");
  EXPECT_EQ(GlyphText("fi"), u"\uFB01");
  EXPECT_EQ(GlyphText("uni00660069"), u"fi");
  EXPECT_EQ(GlyphText("u1D400"), u"\U0001D400");
  EXPECT_EQ(GlyphText("f_f_i"), u"ffi");
  EXPECT_EQ(GlyphText("a.sc"), u"a");
  EXPECT_EQ(GlyphText("g123"), u"");
  EXPECT_EQ(GlyphText("uniD800"), u"");
  EXPECT_EQ(kWinAnsiEncoding[0x80], u'\u20AC');
  EXPECT_EQ(kSymbolEncoding[0x61], u'\u03B1');  // 'a'
  EXPECT_EQ(kPdfDocEncoding[0x93], u'\uFB01');
}

}  // namespace
}  // namespace oru::pdf
