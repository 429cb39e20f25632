// Fonts, content and layout together: small documents whose pages show text in the ways PDF
// producers do, read through ExtractText.
#include <gtest/gtest.h>

#include "plugins/parser-pdf/pdf_test_util.h"
#include "plugins/parser-pdf/pdf_text.h"

namespace oru::pdf {
namespace {

using test::MakePdf;
using test::Stream;

// A one-page document showing `content` with font /F1 = `font` (object 4), and `extra`
// objects from number 5 on.
std::string Page(const std::string& content, const std::string& font,
                 const std::vector<std::string>& extra = {}, const std::string& xobjects = "") {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 /Resources << /Font << /F1 4 0 R >> " + xobjects +
          " >> >>",
      "<< /Type /Page /Parent 2 0 R /Contents 5 0 R >>", font, Stream("", content)};
  objects.insert(objects.end(), extra.begin(), extra.end());
  return MakePdf(objects);
}

const std::string kHelvetica =
    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /FirstChar 32 /LastChar 126 /Widths [" +
    [] {
      std::string w;
      for (int c = 32; c <= 126; ++c) w += c == 32 ? "278 " : "500 ";
      return w;
    }() + "] /Encoding /WinAnsiEncoding >>";

std::u16string Text(const std::string& pdf) {
  std::u16string text;
  EXPECT_EQ(ExtractText(pdf, Limits(), &text), TextStatus::kOk);
  while (!text.empty() && (text.back() == u'\n' || text.back() == u' ')) text.pop_back();
  return text;
}

TEST(PdfContentTest, GapsMakeWordsAndBaselinesMakeLines) {
  // Each glyph is 0.5 em wide at size 10: 5 units. "ab" glued, a 3-unit gap, then "cd"; a new
  // line by Td; TJ with a kerning offset (small: no break) and a wide one (a break).
  EXPECT_EQ(Text(Page("BT /F1 10 Tf 100 700 Td (ab) Tj 13 0 Td (cd) Tj ET "
                      "BT /F1 10 Tf 20 TL 100 680 Td [(ke) -30 (rn) -400 (wide)] TJ 0 -20 Td (x) Tj "
                      "(y) ' 0 0 Td (y) Tj (exam-) ' (ple) ' (Well-) ' (Known) ' ET",
                      kHelvetica)),
            u"ab cd\nkern wide\nx\ny\nexample\nWell-\nKnown");
}

TEST(PdfContentTest, LiteralSpacesWordSpacingAndScaling) {
  EXPECT_EQ(Text(Page("BT /F1 12 Tf 2 0 0 2 0 0 Tm 50 Tz 3 Tw (one two) Tj ET", kHelvetica)),
            u"one two");
  // Slight letter spacing keeps a word; wide spacing alone separates words (as some producers
  // place them).
  EXPECT_EQ(Text(Page("BT /F1 10 Tf 1 Tc (spaced) Tj ET", kHelvetica)), u"spaced");
  EXPECT_EQ(Text(Page("BT /F1 10 Tf (staf) Tj 2.5 Tc (fo) Tj ET", kHelvetica)), u"staff o");
}

TEST(PdfContentTest, BoldByOverprintingIsKeptOnce) {
  EXPECT_EQ(Text(Page("BT /F1 10 Tf 100 700 Td (B) Tj 0.3 0 Td (B) Tj -0.3 0 Td (o) Tj ET",
                      kHelvetica)),
            u"Bo");
}

TEST(PdfContentTest, DifferencesAndToUnicodeAndType0) {
  const std::string differences =
      "<< /Type /Font /Subtype /Type1 /BaseFont /X /Encoding << /BaseEncoding "
      "/WinAnsiEncoding /Differences [65 /f_i /uni00E9 /g77 66 /eacute] >> >>";
  // Without widths a 0.5 em estimate and a wider gap: one word from glyphs placed by Tj.
  EXPECT_EQ(Text(Page("BT /F1 10 Tf (AB\x43z) Tj ET", differences)), u"fi\u00E9 z");
  const std::string type0 =
      "<< /Type /Font /Subtype /Type0 /BaseFont /Y /Encoding /Identity-H /DescendantFonts "
      "[<< /Type /Font /Subtype /CIDFontType2 /DW 500 /W [1 [600 600] 3 4 250] >>] "
      "/ToUnicode 6 0 R >>";
  const std::string to_unicode = Stream("", "1 begincodespacerange <0000> <FFFF> endcodespacerange "
                                            "2 beginbfchar <0001> <0048> <0002> <0069> endbfchar "
                                            "1 beginbfrange <0003> <0004> <0020> endbfrange");
  EXPECT_EQ(Text(Page("BT /F1 10 Tf <000100020003000100050002> Tj ET", type0, {to_unicode})),
            u"Hi H i");
  const std::string no_map =
      "<< /Type /Font /Subtype /Type0 /BaseFont /Y /Encoding /Identity-H /DescendantFonts "
      "[<< /Subtype /CIDFontType2 >>] >>";
  EXPECT_EQ(Text(Page("BT /F1 10 Tf (word) Tj ET", no_map)), u"");
}

TEST(PdfContentTest, FormsInlineImagesAndCycles) {
  // The form draws text and then itself; the page draws it twice; an inline image holding
  // "EI" and binary bytes sits between.
  const std::string form = Stream("/Type /XObject /Subtype /Form /Resources << /Font << /F1 4 0 R >> "
                                  "/XObject << /Me 6 0 R >> >>",
                                  "BT /F1 10 Tf (form) Tj ET /Me Do");
  EXPECT_EQ(Text(Page("/Fm Do BI /W 4 /H 1 /BPC 8 /CS /G ID \x01" "EI\xFF\xFE EI "
                      "BT /F1 10 Tf 0 -100 Td (page) Tj ET",
                      kHelvetica, {form}, "/XObject << /Fm 6 0 R >>")),
            u"form\npage");
}

TEST(PdfContentTest, Type3StandardSymbolAndUcs2Fonts) {
  // A Type3 font's widths are in its own glyph space (FontMatrix 0.01: 50 units = 0.5 em).
  const std::string type3 =
      "<< /Type /Font /Subtype /Type3 /FontMatrix [0.01 0 0 0.01 0 0] /FirstChar 97 "
      "/Widths [50 50] /Encoding << /Differences [97 /x /y] >> >>";
  EXPECT_EQ(Text(Page("BT /F1 10 Tf (abba) Tj 2 0 Td (a) Tj ET", type3)), u"xyyx x");
  // A standard font without /Widths: its own metrics ("m" is 0.833 em), not an estimate.
  EXPECT_EQ(Text(Page("BT /F1 10 Tf 100 700 Td (mm) Tj 17 0 Td (x) Tj 10 0 Td (y) Tj ET",
                      "<< /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+Arial,Bold >>")),
            u"mmx y");
  EXPECT_EQ(Text(Page("BT /F1 10 Tf (abg) Tj ET",
                      "<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>")),
            u"αβγ");
  EXPECT_EQ(Text(Page("BT /F1 10 Tf <00500069006E> Tj ET",
                      "<< /Type /Font /Subtype /Type0 /Encoding /UniGB-UCS2-H "
                      "/DescendantFonts [<< /Subtype /CIDFontType0 >>] >>")),
            u"Pin");
}

TEST(PdfContentTest, AnOperatorLimitKeepsTheWordsBeforeIt) {
  Limits limits;
  limits.max_operators = 6;
  std::u16string text;
  EXPECT_EQ(ExtractText(Page("BT /F1 10 Tf (first) Tj 0 -20 Td (second) Tj ET", kHelvetica),
                        limits, &text),
            TextStatus::kOk);
  EXPECT_EQ(text, u"first\nsecond\n");
  limits.max_operators = 3;
  EXPECT_EQ(ExtractText(Page("BT /F1 10 Tf (first) Tj 0 -20 Td (second) Tj ET", kHelvetica),
                        limits, &text),
            TextStatus::kOk);
  EXPECT_EQ(text, u"first\n");
}

TEST(PdfContentTest, PageTreeOrderInheritanceAndLoops) {
  const std::string pdf = MakePdf({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R 2 0 R] /Count 2147483647 "
      "/Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Type /Pages /Kids [6 0 R 3 0 R] >>",
      "<< /Type /Page /Contents [7 0 R 8 0 R] >>",
      kHelvetica,
      "<< /Type /Page /Contents 9 0 R >>",
      Stream("", "BT /F1 10 Tf (sec)"),
      Stream("", "Tj (ond) Tj ET"),
      Stream("", "BT /F1 10 Tf (first) Tj ET"),
  });
  EXPECT_EQ(Text(pdf), u"first\nsecond");
}

TEST(PdfContentTest, MetadataComesFirst) {
  const std::string pdf = MakePdf(
      {"<< /Type /Catalog >>", "<< /Title (Annual \\215report\\216) /Author <FEFF00C90076> "
                               "/Keywords (a, b) /Producer (never) >>"},
      "/Info 2 0 R");
  EXPECT_EQ(Text(pdf), u"Annual \u201Creport\u201D\n\u00C9v\na, b");
  std::u16string text;
  EXPECT_EQ(ExtractText("not a pdf at all", Limits(), &text), TextStatus::kNotPdf);
}

}  // namespace
}  // namespace oru::pdf
