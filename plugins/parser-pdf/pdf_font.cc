#include "plugins/parser-pdf/pdf_font.h"

#include <algorithm>
#include <cmath>

#include "plugins/parser-pdf/glyph_list.h"

namespace oru::pdf {
namespace {

// Width entries read from one font's arrays.
constexpr size_t kMaxWidths = 1 << 16;

const char16_t* BuiltInEncoding(std::string_view name) {
  if (name == "WinAnsiEncoding") return kWinAnsiEncoding;
  if (name == "MacRomanEncoding") return kMacRomanEncoding;
  if (name == "StandardEncoding") return kStandardEncoding;
  if (name == "PDFDocEncoding") return kPdfDocEncoding;
  if (name == "MacExpertEncoding") return kStandardEncoding;
  return nullptr;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace

std::shared_ptr<const CMap> CMapCache::Get(Document& document, const Object& value) {
  static const auto* const kEmpty = new std::shared_ptr<const CMap>(std::make_shared<CMap>());
  const bool shared = value.type == Type::kRef && value.integer >= 0 && value.integer <= INT32_MAX;
  const uint32_t number = static_cast<uint32_t>(value.integer);
  if (shared) {
    if (const auto it = maps_.find(number); it != maps_.end()) return it->second;
  }
  const Object stream = document.Resolve(value);
  if (stream.type != Type::kStream) return *kEmpty;
  std::string program;
  document.StreamData(stream, &program);
  auto map = std::make_shared<const CMap>(CMap::Parse(program));
  if (shared) {
    if (bytes_ + map->memory() > document.budget()->limits.max_cache_bytes) {
      maps_.clear();
      bytes_ = 0;
    }
    bytes_ += map->memory();
    maps_[number] = map;
  }
  return map;
}

Font::Font(Document& document, const Dict& dict, CMapCache* cmaps) {
  CMapCache own;
  CMapCache& maps = cmaps != nullptr ? *cmaps : own;
  const Object subtype = document.Get(&dict, "Subtype");
  composite_ = subtype.IsName("Type0");
  const Object* to_unicode = dict.Find("ToUnicode");
  to_unicode_ = maps.Get(document, to_unicode != nullptr ? *to_unicode : Object());
  has_to_unicode_ = to_unicode_->has_unicode();
  encoding_ = maps.Get(document, Object());
  if (composite_) {
    const Object encoding = document.Get(&dict, "Encoding");
    if (encoding.type == Type::kName) {
      const std::string& name = encoding.text;
      vertical_ = name.size() >= 2 && name.substr(name.size() - 2) == "-V";
      ucs2_ = Contains(name, "UCS2") || Contains(name, "UTF16");
    } else if (encoding.type == Type::kStream) {
      encoding_ = maps.Get(document, *dict.Find("Encoding"));
      vertical_ = document.Get(encoding.dict.get(), "WMode").Integer() == 1;
    }
    const Object descendants = document.Get(&dict, "DescendantFonts");
    Object cid_font = descendants.AsArray() != nullptr && !descendants.array->empty()
                          ? document.Resolve((*descendants.array)[0])
                          : descendants;
    if (const Dict* cid = cid_font.AsDict()) LoadCompositeWidths(document, *cid);
    return;
  }
  if (subtype.IsName("Type3")) {
    const Object matrix = document.Get(&dict, "FontMatrix");
    if (const Array* m = matrix.AsArray(); m != nullptr && !m->empty()) {
      const double a = document.Resolve((*m)[0]).Number();
      if (std::isfinite(a) && a != 0 && std::fabs(a) < 100) scale_ = std::fabs(a);
    }
  }
  LoadSimpleEncoding(document, dict);
  LoadSimpleWidths(document, dict);
}

void Font::LoadSimpleEncoding(Document& document, const Dict& dict) {
  const std::string base_font = document.Get(&dict, "BaseFont").text;
  const char16_t* base = kStandardEncoding;
  if (Contains(base_font, "Symbol")) base = kSymbolEncoding;
  if (Contains(base_font, "ZapfDingbats") || Contains(base_font, "Dingbats")) {
    base = kZapfDingbatsEncoding;
  }
  if (document.Get(&dict, "Subtype").IsName("TrueType") && base == kStandardEncoding) {
    base = kWinAnsiEncoding;
  }
  const Object encoding = document.Get(&dict, "Encoding");
  const Dict* differences_dict = nullptr;
  if (encoding.type == Type::kName) {
    if (const char16_t* named = BuiltInEncoding(encoding.text)) base = named;
  } else if (const Dict* e = encoding.AsDict()) {
    const Object base_name = document.Get(e, "BaseEncoding");
    if (base_name.type == Type::kName) {
      if (const char16_t* named = BuiltInEncoding(base_name.text)) base = named;
    }
    differences_dict = e;
  }
  for (int code = 0; code < 256; ++code) {
    if (base[code] != 0) simple_text_[code] = std::u16string(1, base[code]);
  }
  if (differences_dict == nullptr) return;
  const Object differences = document.Get(differences_dict, "Differences");
  const Array* list = differences.AsArray();
  if (list == nullptr) return;
  int64_t code = -1;
  for (const Object& item : *list) {
    const Object value = document.Resolve(item);
    if (value.type == Type::kInt) {
      code = value.integer;
    } else if (value.type == Type::kName && code >= 0) {
      if (code < 256) simple_text_[code] = GlyphText(value.text);
      ++code;
    }
  }
}

void Font::LoadSimpleWidths(Document& document, const Dict& dict) {
  const Object descriptor = document.Get(&dict, "FontDescriptor");
  const Object missing = document.Get(descriptor.AsDict(), "MissingWidth");
  const Object widths = document.Get(&dict, "Widths");
  const Array* list = widths.AsArray();
  if (list == nullptr) {
    // One of the standard fonts may come without widths: its own metrics give them.
    const StandardFont* standard = FindStandardFont(document.Get(&dict, "BaseFont").text);
    if (standard == nullptr) return;
    has_widths_ = true;
    first_char_ = 0;
    widths_.assign(256, missing_width_);
    for (int code = 0; code < 256; ++code) {
      if (simple_text_[code].size() != 1) continue;
      const int width = StandardFontWidth(*standard, simple_text_[code][0]);
      if (width >= 0) widths_[code] = width * scale_;
    }
    return;
  }
  has_widths_ = true;
  if (missing.IsNumber()) missing_width_ = missing.Number() * scale_;
  const int64_t first = document.Get(&dict, "FirstChar").Integer();
  first_char_ = static_cast<uint32_t>(std::clamp<int64_t>(first, 0, 255));
  for (size_t k = 0; k < list->size() && k < 256; ++k) {
    const double w = document.Resolve((*list)[k]).Number();
    widths_.push_back(std::isfinite(w) ? w * scale_ : 0);
  }
}

void Font::LoadCompositeWidths(Document& document, const Dict& cid_font) {
  const Object dw = document.Get(&cid_font, "DW");
  missing_width_ = dw.IsNumber() ? dw.Number() * 0.001 : 1.0;
  const Object w = document.Get(&cid_font, "W");
  const Array* list = w.AsArray();
  has_widths_ = true;  // without /W every glyph has the default width, which is known
  if (list == nullptr) return;
  size_t kept = 0;
  for (size_t k = 0; k < list->size() && kept < kMaxWidths;) {
    const Object first = document.Resolve((*list)[k]);
    if (k + 1 >= list->size() || first.type != Type::kInt || first.integer < 0) break;
    const Object next = document.Resolve((*list)[k + 1]);
    if (const Array* each = next.AsArray()) {
      for (size_t j = 0; j < each->size() && kept < kMaxWidths; ++j, ++kept) {
        const double width = document.Resolve((*each)[j]).Number();
        cid_widths_[static_cast<uint32_t>(first.integer + static_cast<int64_t>(j))] =
            std::isfinite(width) ? width * 0.001 : 0;
      }
      k += 2;
    } else {
      if (k + 2 >= list->size()) break;
      const double width = document.Resolve((*list)[k + 2]).Number();
      if (next.IsNumber() && next.Integer() >= first.integer) {
        cid_width_ranges_.push_back({static_cast<uint32_t>(first.integer),
                                     static_cast<uint32_t>(std::min<int64_t>(next.Integer(), UINT32_MAX)),
                                     std::isfinite(width) ? width * 0.001 : 0});
        ++kept;
      }
      k += 3;
    }
  }
}

double Font::Width(uint32_t code) const {
  if (composite_) {
    if (const auto it = cid_widths_.find(code); it != cid_widths_.end()) return it->second;
    for (const WidthRange& range : cid_width_ranges_) {
      if (code >= range.low && code <= range.high) return range.width;
    }
    return missing_width_;
  }
  if (code >= first_char_ && code - first_char_ < widths_.size()) {
    return widths_[code - first_char_];
  }
  return missing_width_;
}

void Font::Decode(std::string_view bytes, std::vector<FontGlyph>* out) const {
  out->clear();
  size_t pos = 0;
  while (pos < bytes.size()) {
    int length = 1;
    if (composite_) {
      length = encoding_->has_codespace() ? encoding_->CodeLength(bytes.substr(pos), 2)
                                         : std::min<int>(2, static_cast<int>(bytes.size() - pos));
    }
    uint32_t code = 0;
    for (int k = 0; k < length; ++k) code = (code << 8) | static_cast<uint8_t>(bytes[pos + k]);
    pos += static_cast<size_t>(length);
    FontGlyph glyph;
    if (has_to_unicode_ && to_unicode_->ToUnicode(code, &glyph.text)) {
    } else if (composite_) {
      if (ucs2_ && length == 2) glyph.text.push_back(static_cast<char16_t>(code));
    } else {
      glyph.text = simple_text_[code & 0xFF];
    }
    uint32_t cid = code;
    if (composite_ && encoding_->has_cids()) encoding_->ToCid(code, &cid);
    glyph.width = Width(cid);
    glyph.word_space = length == 1 && code == 32;
    out->push_back(std::move(glyph));
  }
}

}  // namespace oru::pdf
