#include "platform/unicode.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace oru::platform {
namespace {

struct FoldPair {
  char16_t from;
  char16_t to;
};

struct CharRange {
  char16_t first;
  char16_t last;
};

#include "platform/common/unicode_tables.inc"

// One bit per character: set when it has a folding. Most text is of small letters, which have
// none, so a bit answers for them before any search.
struct FoldBits {
  std::array<uint64_t, 65536 / 64> bits{};
  FoldBits() {
    for (const FoldPair& pair : kFoldPairs) bits[pair.from >> 6] |= uint64_t{1} << (pair.from & 63);
  }
  bool Has(char16_t c) const { return (bits[c >> 6] >> (c & 63)) & 1; }
};

}  // namespace

char16_t FoldCase(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  static const FoldBits fold_bits;
  if (!fold_bits.Has(c)) return c;
  const auto* it = std::lower_bound(std::begin(kFoldPairs), std::end(kFoldPairs), c,
                                    [](const FoldPair& pair, char16_t v) { return pair.from < v; });
  return it->to;
}

bool IsPairedScript(char16_t c) {
  if (c < kPairedRanges[0].first) return false;
  const auto* it =
      std::upper_bound(std::begin(kPairedRanges), std::end(kPairedRanges), c,
                       [](char16_t v, const CharRange& range) { return v < range.first; });
  return it != std::begin(kPairedRanges) && c <= (it - 1)->last;
}

}  // namespace oru::platform
