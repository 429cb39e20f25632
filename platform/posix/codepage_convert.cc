// Conversions between Windows-1252 and UTF-16.
#include <cstdint>

#include "platform/codepage.h"
#include "platform/common/wide_to_ansi.h"

namespace oru::platform {
namespace {

char UnitToByte(char16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
  for (unsigned b = 0x80; b < 0xA0; ++b) {
    if (Windows1252ToWide(static_cast<uint8_t>(b)) == u) return static_cast<char>(b);
  }
  return '?';
}

}  // namespace

size_t AnsiToWide(const char* text, size_t n, char16_t* out) {
  for (size_t i = 0; i < n; ++i) out[i] = Windows1252ToWide(static_cast<uint8_t>(text[i]));
  return n;
}

size_t WideToAnsiBeyondAscii(const char16_t* text, size_t n, char* out) {
  size_t written = 0;
  for (size_t i = 0; i < n; ++i) {
    const char16_t u = text[i];
    // A valid pair is one character outside the code page: one '?' for both units.
    if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(text[i + 1])) ++i;
    out[written++] = UnitToByte(u);
  }
  return written;
}

}  // namespace oru::platform

namespace oru::platform {

const bool kNativePathsAreUtf8 = true;
std::string NativePathToUtf8(std::string_view path) { return std::string(path); }
std::string Utf8PathToNative(std::string_view path) { return std::string(path); }

}  // namespace oru::platform
