#include "plugins/parser-pdf/pdf_text.h"

#include <algorithm>
#include <cstdint>

#include "plugins/parser-pdf/glyph_list.h"
#include "plugins/parser-pdf/pdf_content.h"
#include "plugins/parser-pdf/pdf_crypt.h"
#include "plugins/parser-pdf/pdf_document.h"
#include "plugins/parser-pdf/pdf_layout.h"

namespace oru::pdf {
namespace {

// The header may follow some bytes of junk, as some producers leave.
constexpr size_t kHeaderWindow = 1024;

}  // namespace

std::u16string DecodeTextString(std::string_view bytes) {
  std::u16string out;
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFE &&
      static_cast<uint8_t>(bytes[1]) == 0xFF) {
    for (size_t k = 2; k + 1 < bytes.size(); k += 2) {
      out.push_back(static_cast<char16_t>((static_cast<uint8_t>(bytes[k]) << 8) |
                                          static_cast<uint8_t>(bytes[k + 1])));
    }
    return out;
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    // UTF-8 (PDF 2.0): decoded here without checks beyond the byte patterns.
    for (size_t k = 3; k < bytes.size();) {
      const uint8_t c = bytes[k];
      uint32_t cp = c;
      int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
      if (extra > 0) cp = c & (0x3F >> extra);
      ++k;
      for (; extra > 0 && k < bytes.size(); --extra, ++k) cp = (cp << 6) | (bytes[k] & 0x3F);
      if (cp >= 0x10000 && cp <= 0x10FFFF) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
      } else if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
      }
    }
    return out;
  }
  for (const char c : bytes) {
    const char16_t u = kPdfDocEncoding[static_cast<uint8_t>(c)];
    out.push_back(u == 0 ? u' ' : u);
  }
  return out;
}

TextStatus ExtractText(std::string_view bytes, const Limits& limits, std::u16string* text) {
  text->clear();
  if (bytes.substr(0, kHeaderWindow).find("%PDF-") == std::string_view::npos) {
    return TextStatus::kNotPdf;
  }
  Limits bounded = limits;
  const size_t scaled = bytes.size() > (SIZE_MAX - limits.decoded_floor) / limits.decoded_per_file_byte
                            ? SIZE_MAX
                            : limits.decoded_floor + limits.decoded_per_file_byte * bytes.size();
  bounded.max_decoded_bytes = std::min(limits.max_decoded_bytes, scaled);
  Budget budget(bounded);
  Document document(bytes, &budget);
  if (!document.Open()) return TextStatus::kNotPdf;
  if (const Object* reference = document.trailer().Find("Encrypt"); reference != nullptr) {
    const Object encrypt = document.Resolve(*reference);
    if (const Dict* dict = encrypt.AsDict()) {
      const Object ids = document.Get(&document.trailer(), "ID");
      const Array* id = ids.AsArray();
      const std::string first_id =
          id != nullptr && !id->empty() ? document.Resolve((*id)[0]).text : std::string();
      std::unique_ptr<Decryptor> decryptor;
      if (OpenStandardSecurity(document, *dict, first_id, &decryptor) != CryptStatus::kOpened) {
        return TextStatus::kNeedsPassword;
      }
      const uint32_t number =
          reference->type == Type::kRef ? static_cast<uint32_t>(reference->integer) : UINT32_MAX;
      document.SetDecryptor(std::move(decryptor), number);
    }
  }
  Layout layout(text, limits.max_text_chars);

  const Object info = document.Get(&document.trailer(), "Info");
  for (const char* key : {"Title", "Author", "Subject", "Keywords"}) {
    const Object value = document.Get(info.AsDict(), key);
    if (value.type != Type::kString) continue;
    PlacedGlyph field;
    const std::u16string decoded = DecodeTextString(value.text);
    field.text = decoded;
    layout.Glyph(field);
    layout.EndBlock();
  }
  ContentRunner runner(document, &layout);
  runner.RunPages();
  return TextStatus::kOk;
}

}  // namespace oru::pdf
