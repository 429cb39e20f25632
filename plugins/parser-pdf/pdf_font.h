// A font as text extraction needs it: how a string's bytes split into codes, the Unicode text
// of each code, and each code's advance width. The text comes from the font's ToUnicode CMap
// first; else, for simple fonts (Type1, TrueType, Type3), from /Encoding (a built-in encoding
// and /Differences glyph names); a composite (Type0) font without ToUnicode maps only a UCS-2
// CMap. Glyph programs are never read.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_FONT_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_FONT_H_

#include <array>
#include <memory>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "plugins/parser-pdf/pdf_cmap.h"
#include "plugins/parser-pdf/pdf_document.h"

namespace oru::pdf {

// Parsed CMaps by the object number of their stream, shared by the fonts that name the same
// stream (a document may give each page its own font with one ToUnicode map). The maps kept
// are bounded by the budget's cache bytes.
class CMapCache {
 public:
  // The map of the stream `value` names (a reference, or a stream itself); an empty map when
  // it names no stream.
  std::shared_ptr<const CMap> Get(Document& document, const Object& value);

 private:
  std::unordered_map<uint32_t, std::shared_ptr<const CMap>> maps_;
  size_t bytes_ = 0;
};

// One code of a shown string.
struct FontGlyph {
  std::u16string text;  // empty when the code cannot be mapped
  double width = 0;     // advance in text space units per unit of font size (0.5 = half an em)
  bool word_space = false;  // a one-byte code 32, which Tw widens
};

class Font {
 public:
  // Reads the font dictionary `dict` of `document`, its CMaps through `cmaps` (may be null:
  // then parsed for this font alone). Never fails: what is missing or damaged gives unmappable
  // codes and estimated widths.
  Font(Document& document, const Dict& dict, CMapCache* cmaps = nullptr);

  // Splits `bytes` into glyphs, appending them to `out` (cleared first).
  void Decode(std::string_view bytes, std::vector<FontGlyph>* out) const;

  bool vertical() const { return vertical_; }
  // An estimate of the memory the font takes beside its shared CMaps, in bytes.
  size_t memory() const {
    return sizeof(Font) + 8 * widths_.size() + 32 * (cid_widths_.size() + cid_width_ranges_.size());
  }
  // False when the widths are estimates (no /Widths or /W), so that gaps say less.
  bool has_widths() const { return has_widths_; }

 private:
  void LoadSimpleEncoding(Document& document, const Dict& dict);
  void LoadSimpleWidths(Document& document, const Dict& dict);
  void LoadCompositeWidths(Document& document, const Dict& cid_font);
  double Width(uint32_t code) const;

  bool composite_ = false;
  bool vertical_ = false;
  bool has_widths_ = false;
  bool ucs2_ = false;             // a composite font whose codes are UTF-16 themselves
  bool has_to_unicode_ = false;
  std::shared_ptr<const CMap> to_unicode_;
  std::shared_ptr<const CMap> encoding_;  // composite fonts: an embedded encoding CMap
  std::array<std::u16string, 256> simple_text_;
  // Simple fonts: widths from /FirstChar; composite: per CID, with ranges and a default.
  std::vector<double> widths_;
  uint32_t first_char_ = 0;
  double missing_width_ = 0.5;
  std::unordered_map<uint32_t, double> cid_widths_;
  struct WidthRange { uint32_t low, high; double width; };
  std::vector<WidthRange> cid_width_ranges_;
  double scale_ = 0.001;  // glyph space to text space (a Type3 font's /FontMatrix)
};

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_FONT_H_
