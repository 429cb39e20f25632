// Conversions between Windows-1252 and UTF-16.
#include <cstdint>

#include "platform/codepage.h"

namespace oru::platform {
namespace {

char UnitToByte(char16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
  for (unsigned b = 0x80; b < 0xA0; ++b) {
    if (Windows1252ToWide(static_cast<uint8_t>(b)) == u) return static_cast<char>(b);
  }
  return '?';
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

size_t AnsiToWide(const char* text, size_t n, char16_t* out) {
  for (size_t i = 0; i < n; ++i) out[i] = Windows1252ToWide(static_cast<uint8_t>(text[i]));
  return n;
}

std::u16string AnsiToWide(std::string_view text) {
  std::u16string out(text.size(), u'\0');
  AnsiToWide(text.data(), text.size(), out.data());
  return out;
}

size_t WideToAnsi(const char16_t* text, size_t n, char* out) {
  // Plain ASCII, the common case, maps unit for unit.
  char16_t any = 0;
  for (size_t i = 0; i < n; ++i) any = static_cast<char16_t>(any | text[i]);
  if (any < 0x80) {
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(text[i]);
    return n;
  }
  size_t written = 0;
  for (size_t i = 0; i < n; ++i) {
    const char16_t u = text[i];
    // A valid pair is one character outside the code page: one '?' for both units.
    if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(text[i + 1])) ++i;
    out[written++] = UnitToByte(u);
  }
  return written;
}

std::string WideToAnsi(std::u16string_view text) {
  std::string out(text.size(), '\0');
  out.resize(WideToAnsi(text.data(), text.size(), out.data()));
  return out;
}

}  // namespace oru::platform
