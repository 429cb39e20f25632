// Letter-or-digit classes as IsCharAlphaNumericA and IsCharAlphaNumericW give them, asked once
// for every byte and every 16-bit unit (the look-ups live in common/codepage_classes.cc).
#include <cstdint>

#include "platform/codepage.h"
#include "platform/common/class_tables.h"
#include "platform/win32/win_api.h"

namespace oru::platform {

ClassTables BuildClassTables() {
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

}  // namespace oru::platform
