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

// The text of a glyph name: the list's entry, else the forms uniXXXX[XXXX...] and uXXXX[XX],
// else the components of a ligature name "f_f_i" joined, each looked up alone; a suffix after
// '.' ("a.sc", "one.oldstyle") is dropped first. Empty when the name says nothing.
std::u16string GlyphText(std::string_view name);

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_GLYPH_LIST_H_
