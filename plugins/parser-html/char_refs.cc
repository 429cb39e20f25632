#include "plugins/parser-html/char_refs.h"

#include <algorithm>
#include <cstdint>

#include "plugins/parser-common/text_decode.h"
#include "plugins/parser-html/char_ref_table.h"

namespace oru::ostrin {
namespace {

// The longest name in the table, ';' included.
constexpr size_t kLongestName = 32;
// The longest old name that may go without ';'.
constexpr size_t kLongestBareName = 6;

bool IsAsciiAlnum(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Compares a table name with `name` (ASCII characters) in byte order.
int CompareName(const CharRef& ref, std::u16string_view name) {
  const char* chars = kCharRefNames + ref.name_offset;
  const size_t common = std::min<size_t>(ref.name_length, name.size());
  for (size_t i = 0; i < common; ++i) {
    const auto a = static_cast<unsigned char>(chars[i]);
    if (a != name[i]) return a < name[i] ? -1 : 1;
  }
  if (ref.name_length == name.size()) return 0;
  return ref.name_length < name.size() ? -1 : 1;
}

const CharRef* FindName(std::u16string_view name) {
  const CharRef* end = kCharRefs + kCharRefCount;
  const CharRef* found = std::lower_bound(
      kCharRefs, end, name,
      [](const CharRef& ref, std::u16string_view key) { return CompareName(ref, key) < 0; });
  return found != end && CompareName(*found, name) == 0 ? found : nullptr;
}

void AppendCodePoint(uint32_t c, std::u16string* out) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out->push_back(static_cast<char16_t>(c));
  }
}

size_t ReadNumeric(std::u16string_view text, std::u16string* out) {
  // text starts with "&#".
  size_t i = 2;
  const bool hex = i < text.size() && (text[i] == u'x' || text[i] == u'X');
  if (hex) ++i;
  const size_t digits_start = i;
  uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit =
        hex ? HexValue(text[i]) : (text[i] >= u'0' && text[i] <= u'9' ? text[i] - u'0' : -1);
    if (digit < 0) break;
    // Past U+10FFFF the value stays out of range however many digits follow.
    value = std::min<uint32_t>(value * (hex ? 16 : 10) + static_cast<uint32_t>(digit), 0x110000);
  }
  if (i == digits_start) return 0;
  if (i < text.size() && text[i] == u';') ++i;
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    value = 0xFFFD;
  } else if (value >= 0x80 && value <= 0x9F) {
    // The bytes that Windows-1252 leaves undefined stay the control characters they name.
    const char16_t c = parser::SingleByteChar(parser::kWindows1252, static_cast<uint8_t>(value));
    if (c != 0xFFFD) value = c;
  }
  AppendCodePoint(value, out);
  return i;
}

size_t ReadNamed(std::u16string_view text, bool in_attribute, std::u16string* out) {
  // The name's letters and digits after the '&', as many as the longest name could use.
  size_t end = 1;
  while (end < text.size() && end <= kLongestName && IsAsciiAlnum(text[end])) ++end;
  if (end < text.size() && text[end] == u';' && end <= kLongestName) {
    if (const CharRef* ref = FindName(text.substr(1, end))) {
      out->append(ref->value, ref->value_length);
      return end + 1;
    }
  }
  // An old name without ';': the longest one the letters begin with.
  for (size_t length = std::min(end - 1, kLongestBareName); length >= 2; --length) {
    const CharRef* ref = FindName(text.substr(1, length));
    if (ref == nullptr) continue;
    const size_t after = 1 + length;
    if (in_attribute && after < text.size() && (text[after] == u'=' || IsAsciiAlnum(text[after]))) {
      return 0;
    }
    out->append(ref->value, ref->value_length);
    return after;
  }
  return 0;
}

}  // namespace

size_t ReadCharRef(std::u16string_view text, bool in_attribute, std::u16string* out) {
  if (text.size() < 2 || text[0] != u'&') return 0;
  if (text[1] == u'#') return ReadNumeric(text, out);
  return ReadNamed(text, in_attribute, out);
}

}  // namespace oru::ostrin
