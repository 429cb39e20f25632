// Glyph name lookups over the generated Adobe Glyph List (glyph_list.cc).
#include <algorithm>
#include <cstring>

#include "plugins/parser-pdf/glyph_list.h"

namespace oru::pdf {
namespace {

bool ListText(std::string_view name, std::u16string* out) {
  const GlyphName* end = kGlyphNames + kGlyphNameCount;
  const GlyphName* it = std::lower_bound(
      kGlyphNames, end, name, [](const GlyphName& g, std::string_view n) { return g.name < n; });
  if (it == end || it->name != name) return false;
  *out += it->text;
  return true;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // the uni/u forms take upper-case digits only
}

// Appends the code point `cp` as UTF-16; false for surrogates and values past U+10FFFF.
bool AppendCodePoint(uint32_t cp, std::u16string* out) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out->push_back(static_cast<char16_t>(cp));
  }
  return true;
}

bool HexRun(std::string_view digits, uint32_t* value) {
  *value = 0;
  for (const char c : digits) {
    const int h = Hex(c);
    if (h < 0) return false;
    *value = *value * 16 + static_cast<uint32_t>(h);
  }
  return true;
}

// One component of a glyph name (no '_' and no '.').
bool ComponentText(std::string_view name, std::u16string* out) {
  if (ListText(name, out)) return true;
  uint32_t value = 0;
  if (name.size() >= 7 && name.substr(0, 3) == "uni" && (name.size() - 3) % 4 == 0) {
    std::u16string text;
    for (size_t k = 3; k < name.size(); k += 4) {
      if (!HexRun(name.substr(k, 4), &value) || !AppendCodePoint(value, &text)) return false;
    }
    *out += text;
    return true;
  }
  if (name.size() >= 5 && name.size() <= 7 && name[0] == 'u' && HexRun(name.substr(1), &value)) {
    return AppendCodePoint(value, out);
  }
  return false;
}

}  // namespace

const StandardFont* FindStandardFont(std::string_view base_font) {
  if (const size_t plus = base_font.find('+'); plus != std::string_view::npos) {
    base_font.remove_prefix(plus + 1);  // a subset's tag
  }
  auto starts = [&](std::string_view prefix) { return base_font.substr(0, prefix.size()) == prefix; };
  const bool bold = base_font.find("Bold") != std::string_view::npos;
  const bool italic = base_font.find("Italic") != std::string_view::npos ||
                      base_font.find("Oblique") != std::string_view::npos;
  std::string name;
  if (starts("Helvetica") || starts("Arial")) {
    name = bold ? (italic ? "Helvetica-BoldOblique" : "Helvetica-Bold")
                : (italic ? "Helvetica-Oblique" : "Helvetica");
  } else if (starts("Times")) {
    name = bold ? (italic ? "Times-BoldItalic" : "Times-Bold")
                : (italic ? "Times-Italic" : "Times-Roman");
  } else if (starts("Courier")) {
    name = bold ? (italic ? "Courier-BoldOblique" : "Courier-Bold")
                : (italic ? "Courier-Oblique" : "Courier");
  } else if (starts("Symbol")) {
    name = "Symbol";
  } else if (starts("ZapfDingbats")) {
    name = "ZapfDingbats";
  } else {
    return nullptr;
  }
  const StandardFont* end = kStandardFonts + kStandardFontCount;
  const StandardFont* it = std::lower_bound(
      kStandardFonts, end, name,
      [](const StandardFont& f, const std::string& n) { return std::string_view(f.name) < n; });
  return it != end && it->name == name ? it : nullptr;
}

int StandardFontWidth(const StandardFont& font, char16_t c) {
  const StandardWidth* end = font.widths + font.count;
  const StandardWidth* it = std::lower_bound(
      font.widths, end, c, [](const StandardWidth& w, char16_t u) { return w.unicode < u; });
  return it != end && it->unicode == c ? it->width : -1;
}

std::u16string GlyphText(std::string_view name) {
  std::u16string out;
  if (ListText(name, &out)) return out;
  const size_t dot = name.find('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  if (name.empty()) return out;
  while (!name.empty()) {
    const size_t cut = name.find('_');
    const std::string_view part = name.substr(0, cut);
    if (!part.empty() && !ComponentText(part, &out)) return std::u16string();
    if (cut == std::string_view::npos) break;
    name.remove_prefix(cut + 1);
  }
  return out;
}

}  // namespace oru::pdf
