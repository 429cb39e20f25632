// File-mask matching: '*', '?' and "[set]", letters a-z matching their
// capitals. Greedy matching that falls back only to the last '*', so the cost stays at
// most mask length times name length whatever the mask.
// The same matcher serves Windows: PathMatchSpecA does not keep the promises of codepage.h.
// It knows no "[set]" (so never reports a bad mask), reads ';' as a separator between masks,
// folds accented capitals as well as A-Z, and lets "*.*" match a name without a dot.
#include <cstdint>

#include "platform/codepage.h"

namespace oru::platform {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

uint8_t FoldCase(uint8_t c) { return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 0x20) : c; }

// The other letter case of an ASCII letter; any other byte unchanged.
uint8_t SwapCase(uint8_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 0x20);
  if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c + 0x20);
  return c;
}

uint8_t At(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }

// The position of the ']' that closes the set opening at mask[open], or kNone when the set
// is not closed or is empty ("[]", "[!]"). A ']' right after "[" or "[!" closes the set.
size_t SetEnd(std::string_view mask, size_t open) {
  size_t i = open + 1;
  if (i < mask.size() && mask[i] == '!') ++i;
  const size_t first = i;
  while (i < mask.size() && mask[i] != ']') ++i;
  if (i == mask.size() || i == first) return kNone;
  return i;
}

bool IsValidMask(std::string_view mask) {
  for (size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] != '[') continue;
    i = SetEnd(mask, i);
    if (i == kNone) return false;
  }
  return true;
}

// Whether byte c (in either letter case) is one of the members between first and end.
// "x-y" is a range; a '-' at either end of the set is itself a member.
bool InSet(std::string_view mask, size_t first, size_t end, uint8_t c) {
  const uint8_t other = SwapCase(c);
  for (size_t i = first; i < end; ++i) {
    uint8_t lo = At(mask, i);
    uint8_t hi = lo;
    if (i + 2 < end && mask[i + 1] == '-') {
      hi = At(mask, i + 2);
      i += 2;
    }
    if ((lo <= c && c <= hi) || (lo <= other && other <= hi)) return true;
  }
  return false;
}

// Whether the mask element at mask[m] (not '*') matches byte c; sets `next` past it.
bool MatchOne(std::string_view mask, size_t m, uint8_t c, size_t* next) {
  const char e = mask[m];
  if (e == '?') {
    *next = m + 1;
    return true;
  }
  if (e == '[') {
    const size_t end = SetEnd(mask, m);  // valid: checked before matching
    const bool negate = mask[m + 1] == '!';
    *next = end + 1;
    return InSet(mask, negate ? m + 2 : m + 1, end, c) != negate;
  }
  *next = m + 1;
  return FoldCase(static_cast<uint8_t>(e)) == FoldCase(c);
}

}  // namespace

MaskMatch MatchFileMask(std::string_view mask, std::string_view name) {
  // The common mask "*.ext": a name matches when it ends in the literal tail.
  if (!mask.empty() && mask[0] == '*' && mask.find_first_of("*?[", 1) == std::string_view::npos) {
    const std::string_view tail = mask.substr(1);
    if (name.size() < tail.size()) return MaskMatch::kNoMatch;
    const std::string_view end = name.substr(name.size() - tail.size());
    for (size_t i = 0; i < tail.size(); ++i) {
      if (FoldCase(At(tail, i)) != FoldCase(At(end, i))) return MaskMatch::kNoMatch;
    }
    return MaskMatch::kMatch;
  }
  if (!IsValidMask(mask)) return MaskMatch::kBadMask;
  size_t m = 0;
  size_t n = 0;
  size_t star = kNone;  // mask position after the last '*' seen
  size_t star_n = 0;    // name position that '*' was last tried to end at
  while (n < name.size()) {
    size_t next = 0;
    if (m < mask.size() && mask[m] == '*') {
      star = ++m;
      star_n = n;
    } else if (m < mask.size() && MatchOne(mask, m, At(name, n), &next)) {
      m = next;
      ++n;
    } else if (star != kNone) {
      m = star;
      n = ++star_n;
    } else {
      return MaskMatch::kNoMatch;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size() ? MaskMatch::kMatch : MaskMatch::kNoMatch;
}

}  // namespace oru::platform
