#include "platform/utf8.h"

#include <cstdint>

namespace oru::platform {

bool NextUtf8(std::string_view text, size_t* i, char32_t* c) {
  const auto lead = static_cast<uint8_t>(text[*i]);
  // The sequence's length, the bits of its lead byte and the least code point it may encode.
  size_t extra = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    *c = lead;
    ++*i;
    return true;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    least = 0x10000;
  } else {
    ++*i;
    return false;
  }
  char32_t value = lead & (0x3F >> extra);
  size_t taken = 1;
  while (taken <= extra && *i + taken < text.size() &&
         (static_cast<uint8_t>(text[*i + taken]) & 0xC0) == 0x80) {
    value = (value << 6) | (static_cast<uint8_t>(text[*i + taken]) & 0x3F);
    ++taken;
  }
  *i += taken;
  if (taken <= extra || value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return false;
  }
  *c = value;
  return true;
}

void AppendUtf16(char32_t c, std::u16string* out) {
  if (c < 0x10000) {
    out->push_back(static_cast<char16_t>(c));
    return;
  }
  out->push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
  out->push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
}

size_t PutUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

void AppendUtf8(char32_t c, std::string* out) {
  char bytes[4];
  out->append(bytes, PutUtf8(c, bytes));
}

}  // namespace oru::platform
