// The conversions between the code page and UTF-16 that are the same on every platform: the
// string forms over the buffer forms, and plain ASCII, which maps unit for unit in every ANSI
// code page, ahead of the platform's own conversion.
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/common/wide_to_ansi.h"

namespace oru::platform {

std::u16string AnsiToWide(std::string_view text) {
  std::u16string out(text.size(), u'\0');
  out.resize(AnsiToWide(text.data(), text.size(), out.data()));
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
  return WideToAnsiBeyondAscii(text, n, out);
}

std::string WideToAnsi(std::u16string_view text) {
  std::string out(text.size(), '\0');
  out.resize(WideToAnsi(text.data(), text.size(), out.data()));
  return out;
}

}  // namespace oru::platform
