// Lower-casing and the case-blind comparison of Windows-1252 text.
#include <algorithm>
#include <array>

#include "platform/codepage.h"

namespace oru::platform {
namespace {

constexpr std::array<uint8_t, 256> MakeLowerTable() {
  std::array<uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = static_cast<uint8_t>(c);
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<uint8_t>(c + 0x20);
  for (int c = 0xC0; c <= 0xDE; ++c) {
    if (c != 0xD7) table[c] = static_cast<uint8_t>(c + 0x20);
  }
  table[0x8A] = 0x9A;  // S with caron
  table[0x8C] = 0x9C;  // OE
  table[0x8E] = 0x9E;  // Z with caron
  table[0x9F] = 0xFF;  // Y with diaeresis
  return table;
}

constexpr std::array<uint8_t, 256> kLower = MakeLowerTable();

}  // namespace

uint8_t LowerAnsiChar(uint8_t c) { return kLower[c]; }

void LowerAnsi(char* text, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    text[i] = static_cast<char>(kLower[static_cast<uint8_t>(text[i])]);
  }
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ca = kLower[static_cast<uint8_t>(a[i])];
    const int cb = kLower[static_cast<uint8_t>(b[i])];
    if (ca != cb) return ca - cb;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace oru::platform
