// Conversions between Windows-1252 and UTF-16.
#include <array>
#include <cstdint>

#include "platform/codepage.h"

namespace oru::platform {
namespace {

// The units of the bytes 0x80-0x9F; the five undefined bytes keep the code points of the same value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

char16_t ByteToUnit(uint8_t b) {
  return (b >= 0x80 && b < 0xA0) ? kHighControls[b - 0x80] : static_cast<char16_t>(b);
}

char UnitToByte(char16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == u) return static_cast<char>(0x80 + i);
  }
  return '?';
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

size_t AnsiToWide(const char* text, size_t n, char16_t* out) {
  for (size_t i = 0; i < n; ++i) out[i] = ByteToUnit(static_cast<uint8_t>(text[i]));
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
