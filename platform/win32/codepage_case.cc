// Lower-casing and the stop-word comparison in the system's ANSI code page: CharLowerBuffA
// and CompareStringA, as the real platform does them.
#include <array>
#include <climits>

#include "platform/codepage.h"
#include "platform/win32/win_api.h"

namespace oru::platform {
namespace {

struct CaseTable {
  std::array<uint8_t, 256> lower{};
  bool single_byte = true;  // the ANSI code page has one byte per character
};

// CharLowerBuffA over every byte once. In a single-byte code page a byte is a character, so
// the table answers exactly as the call would; the words loop then lower-cases without a call.
CaseTable BuildTable() {
  CaseTable table;
  char bytes[256];
  for (int b = 0; b < 256; ++b) bytes[b] = static_cast<char>(b);
  CharLowerBuffA(bytes, 256);
  for (int b = 0; b < 256; ++b) table.lower[static_cast<size_t>(b)] = static_cast<uint8_t>(bytes[b]);
  CPINFO info;
  table.single_byte = !GetCPInfo(CP_ACP, &info) || info.MaxCharSize == 1;
  return table;
}

const CaseTable& Table() {
  static const CaseTable table = BuildTable();
  return table;
}

}  // namespace

uint8_t LowerAnsiChar(uint8_t c) { return Table().lower[c]; }

void LowerAnsi(char* text, size_t n) {
  const CaseTable& table = Table();
  if (table.single_byte) {
    for (size_t i = 0; i < n; ++i) {
      text[i] = static_cast<char>(table.lower[static_cast<uint8_t>(text[i])]);
    }
    return;
  }
  // A double-byte code page: only the call knows which bytes pair up.
  while (n > 0) {
    const DWORD chunk = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    CharLowerBuffA(text, chunk);
    text += chunk;
    n -= chunk;
  }
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() <= INT_MAX && b.size() <= INT_MAX) {
    const int order =
        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                       b.data(), static_cast<int>(b.size()));
    if (order != 0) return order - CSTR_EQUAL;
  }
  // The call failed (it takes no text longer than INT_MAX): lower-cased byte order instead.
  const std::string la = LowerAnsi(a);
  const std::string lb = LowerAnsi(b);
  return la.compare(lb);
}

}  // namespace oru::platform
