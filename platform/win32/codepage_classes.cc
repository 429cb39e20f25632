// Letter-or-digit classes as IsCharAlphaNumericA and IsCharAlphaNumericW give them, asked once
// for every byte and every 16-bit unit and then answered from two tables.
#include <array>
#include <cstdint>

#include "platform/codepage.h"
#include "platform/win32/win_api.h"

namespace oru::platform {
namespace {

struct ClassTables {
  std::array<uint64_t, 65536 / 64> wide{};  // one bit per UTF-16 unit
  std::array<bool, 256> ansi{};
};

// Kept out of line, so that the look-up below stays a test and a return.
[[gnu::noinline]] ClassTables BuildTables() {
  ClassTables t;
  for (unsigned c = 0; c < 65536; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;  // surrogates never are, whatever the call says
    if (IsCharAlphaNumericW(static_cast<WCHAR>(c))) t.wide[c >> 6] |= uint64_t{1} << (c & 63);
  }
  for (int b = 0; b < 256; ++b) {
    t.ansi[static_cast<size_t>(b)] = IsCharAlphaNumericA(static_cast<CHAR>(b)) != FALSE;
  }
  return t;
}

const ClassTables& Tables() {
  static const ClassTables tables = BuildTables();
  return tables;
}

}  // namespace

bool IsWideAlphaNumeric(char16_t c) { return (Tables().wide[c >> 6] >> (c & 63)) & 1; }

bool IsAnsiAlphaNumeric(uint8_t c) { return Tables().ansi[c]; }

AlphaNumericTable AlphaNumericClasses() {
  const ClassTables& tables = Tables();
  return {tables.ansi.data(), tables.wide.data()};
}

}  // namespace oru::platform
