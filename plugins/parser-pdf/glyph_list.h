// Glyph names and the built-in encodings of simple fonts, as Unicode. The tables are generated
// (glyph_list.cc, by scripts/make-glyph-list.py); the lookups are in glyph_names.cc.
#ifndef ORU_PLUGINS_PARSER_PDF_GLYPH_LIST_H_
#define ORU_PLUGINS_PARSER_PDF_GLYPH_LIST_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace oru::pdf {

struct GlyphName {
  const char* name;
  const char16_t* text;
};

// The Adobe Glyph List, sorted by name (byte order). Private-use targets are left out.
extern const GlyphName kGlyphNames[];
extern const size_t kGlyphNameCount;

// Code -> Unicode (0: no character) of each built-in encoding.
extern const char16_t kStandardEncoding[256];
extern const char16_t kMacRomanEncoding[256];
extern const char16_t kWinAnsiEncoding[256];
extern const char16_t kPdfDocEncoding[256];
extern const char16_t kSymbolEncoding[256];
extern const char16_t kZapfDingbatsEncoding[256];

// The advance widths (thousandths of an em) of one of the 14 standard fonts, by character,
// sorted by `unicode`.
struct StandardWidth {
  char16_t unicode;
  int width;
};
struct StandardFont {
  const char* name;  // "Helvetica-Bold"...
  const StandardWidth* widths;
  size_t count;
};
// Sorted by name (byte order).
extern const StandardFont kStandardFonts[];
extern const size_t kStandardFontCount;

// The standard font a /BaseFont names ("ABCDEF+Helvetica", "Arial,Bold", "TimesNewRoman"...),
// or null.
const StandardFont* FindStandardFont(std::string_view base_font);
// The width of the character `c` in `font`, or -1 when the font has no such glyph.
int StandardFontWidth(const StandardFont& font, char16_t c);

// The text of a glyph name: the list's entry, else the forms uniXXXX[XXXX...] and uXXXX[XX],
// else the components of a ligature name "f_f_i" joined, each looked up alone; a suffix after
// '.' ("a.sc", "one.oldstyle") is dropped first. Empty when the name says nothing.
std::u16string GlyphText(std::string_view name);

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_GLYPH_LIST_H_
