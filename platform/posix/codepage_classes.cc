// Letter-or-digit classes of Windows-1252 bytes and UTF-16 units, taken from
// ICU's general categories (the look-ups live in common/codepage_classes.cc).
#include <unicode/uchar.h>

#include <cstdint>

#include "platform/codepage.h"
#include "platform/common/class_tables.h"

namespace oru::platform {
namespace {

bool IsLetterOrDigit(UChar32 c) {
  // Characters assigned in Unicode 15 or later are left out, so that the answer does not
  // change with the version of ICU the program happens to run on.
  UVersionInfo age;
  u_charAge(c, age);
  if (age[0] >= 15) return false;
  const uint32_t mask = U_GC_L_MASK | U_GC_ND_MASK;
  return (U_GET_GC_MASK(c) & mask) != 0;
}

}  // namespace

ClassTables BuildClassTables() {
  ClassTables t;
  for (UChar32 c = 0; c < 65536; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;  // surrogates never are
    if (IsLetterOrDigit(c)) t.wide[static_cast<size_t>(c) >> 6] |= uint64_t{1} << (c & 63);
  }
  // Every byte has one unit; the five undefined bytes map to the control characters U+0080-U+009F, which are not
  // letters, so they come out false without a special case.
  for (int b = 0; b < 256; ++b) {
    char byte = static_cast<char>(b);
    char16_t unit = 0;
    AnsiToWide(&byte, 1, &unit);
    t.ansi[static_cast<size_t>(b)] = (t.wide[unit >> 6] >> (unit & 63)) & 1;
  }
  return t;
}

}  // namespace oru::platform
