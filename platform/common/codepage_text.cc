// The code-page text helpers that need nothing of the platform beyond in-place lower-casing,
// and the list of the multi-byte Asian code pages.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace oru::platform {

bool IsMultiByteAsian(int code_page) {
  return code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950 ||
         code_page == 54936 || code_page == 20932 || code_page == 50220;
}

std::string LowerAnsi(std::string_view text) {
  std::string out(text);
  LowerAnsi(out.data(), out.size());
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<uint8_t>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<uint8_t>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}

}  // namespace oru::platform
