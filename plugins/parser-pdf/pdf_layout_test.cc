#include "plugins/parser-pdf/pdf_layout.h"

#include <gtest/gtest.h>

namespace oru::pdf {
namespace {

// Glyphs of `text` one per character, each `advance` along (dx, dy) from (x, y), size 10.
void Draw(Layout& layout, std::u16string_view text, double x, double y, double dx = 1,
          double dy = 0, double advance = 5) {
  for (size_t k = 0; k < text.size(); ++k) {
    PlacedGlyph g;
    g.text = text.substr(k, 1);
    g.x = x + dx * advance * static_cast<double>(k);
    g.y = y + dy * advance * static_cast<double>(k);
    g.end_x = g.x + dx * advance;
    g.end_y = g.y + dy * advance;
    g.size = 10;
    layout.Glyph(g);
  }
}

TEST(PdfLayoutTest, RotatedTextKeepsItsWordsAndLines) {
  std::u16string out;
  Layout layout(&out, 1000);
  // Upwards (90 degrees): words along y, a gap of 3 units, then a new line further left.
  Draw(layout, u"up", 100, 100, 0, 1);
  Draw(layout, u"word", 100, 113, 0, 1);
  Draw(layout, u"next", 85, 100, 0, 1);
  EXPECT_EQ(out, u"up word\nnext");
}

TEST(PdfLayoutTest, UnmappedCodesAndControlsSeparate) {
  std::u16string out;
  Layout layout(&out, 1000);
  PlacedGlyph unmapped;
  unmapped.x = 10;
  unmapped.end_x = 15;
  unmapped.size = 10;
  Draw(layout, u"ab", 0, 0);
  layout.Glyph(unmapped);
  Draw(layout, std::u16string_view(u"c\u0000d\uFFFDe", 5), 15, 0);
  EXPECT_EQ(out, u"ab c d e");
}

TEST(PdfLayoutTest, StopsAtTheCharacterCap) {
  std::u16string out;
  Layout layout(&out, 6);
  Draw(layout, u"abcdefgh", 0, 0);
  EXPECT_TRUE(layout.full());
  EXPECT_EQ(out, u"abcdef");
}

}  // namespace
}  // namespace oru::pdf
