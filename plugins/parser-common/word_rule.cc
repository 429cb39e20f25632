#include "plugins/parser-common/word_rule.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/codepage.h"

namespace oru::parser {
namespace {

// The class tables are fetched once per search; each character is then classified inline.
template <typename Char>
bool IsWordChar(const platform::AlphaNumericTable& classes, const Char* text, uint32_t text_end,
                uint32_t k) {
  const Char c = text[k];
  if (classes.Is(c)) return true;
  if (c != '_' && c != '-') return false;
  const Char next = k + 1 < text_end ? text[k + 1] : Char{0};
  return next != c;
}

// Runs of word characters, the one-character runs before the end skipped: a run that reaches
// the end is a word whatever its length.
template <typename Char>
bool FindWord(const Char* text, uint32_t text_end, uint32_t position, WordSpan* word) {
  const platform::AlphaNumericTable classes = platform::AlphaNumericClasses();
  uint32_t pos = position;
  for (;;) {
    while (pos < text_end && !IsWordChar(classes, text, text_end, pos)) ++pos;
    if (pos >= text_end) return false;
    const uint32_t start = pos++;
    while (pos < text_end && IsWordChar(classes, text, text_end, pos)) ++pos;
    if (pos >= text_end || pos - start >= 2) {
      *word = {start, pos};
      return true;
    }
  }
}

#if defined(__SSE2__)
// Most text is ASCII, where a word character is a letter or digit, save '_' and '-'. A block of
// 8 units is classified at once: `word`, its ASCII letters and digits, and `other`, the units
// the block cannot decide ('_', '-' and everything above 0x7F), which the table then decides
// one by one. One bit per unit.
struct BlockMasks {
  uint32_t word;
  uint32_t other;
};

inline __m128i InRange(__m128i v, char low, char high) {
  return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(low - 1))),
                       _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(high + 1))));
}

inline BlockMasks ClassifyBlock(const char16_t* at) {
  const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  const __m128i ascii16 = _mm_cmpeq_epi16(_mm_srli_epi16(units, 7), _mm_setzero_si128());
  // Narrowed with unsigned saturation: an ASCII unit keeps its value, any other becomes 0xFF
  // or 0, which no range below matches.
  const __m128i bytes = _mm_packus_epi16(units, units);
  const __m128i folded = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
  const __m128i word = _mm_or_si128(InRange(bytes, '0', '9'), InRange(folded, 'a', 'z'));
  const __m128i joiner = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('_')),
                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8('-')));
  const auto other = static_cast<uint32_t>(
      (_mm_movemask_epi8(joiner) | ~_mm_movemask_epi8(_mm_packs_epi16(ascii16, ascii16))) & 0xFF);
  return {static_cast<uint32_t>(_mm_movemask_epi8(word)) & 0xFF & ~other, other};
}

// The table must agree with the block's rule for ASCII. It does on every platform the indexer
// runs on; a table that did not would take the one-by-one path.
bool AsciiIsPlain(const platform::AlphaNumericTable& classes) {
  for (char16_t c = 0; c < 0x80; ++c) {
    const char16_t lower = c | 0x20;
    const bool plain = (c >= '0' && c <= '9') || (lower >= 'a' && lower <= 'z');
    if (classes.Is(c) != plain) return false;
  }
  return true;
}
#endif

// The bits of the 64 units from `base` (fewer at the end of the text).
uint64_t MarkBits(const platform::AlphaNumericTable& classes, const char16_t* text,
                  uint32_t text_end, uint32_t base, [[maybe_unused]] bool plain) {
  uint64_t bits = 0;
  uint32_t k = 0;
#if defined(__SSE2__)
  if (plain && text_end - base >= 64) {
    for (; k < 64; k += 8) {
      const BlockMasks masks = ClassifyBlock(text + base + k);
      uint64_t block = masks.word;
      for (uint32_t other = masks.other; other != 0; other &= other - 1) {
        const auto at = static_cast<uint32_t>(__builtin_ctz(other));
        if (IsWordChar(classes, text, text_end, base + k + at)) block |= uint64_t{1} << at;
      }
      bits |= block << k;
    }
    return bits;
  }
#endif
  for (; k < 64 && base + k < text_end; ++k) {
    if (IsWordChar(classes, text, text_end, base + k)) bits |= uint64_t{1} << k;
  }
  return bits;
}

// The first position at or after `pos` whose bit is `wanted`, or text_end.
uint32_t NextBit(const std::vector<uint64_t>& marks, uint32_t text_end, uint32_t pos,
                 bool wanted) {
  while (pos < text_end) {
    uint64_t bits = marks[pos >> 6];
    if (!wanted) bits = ~bits;
    bits >>= pos & 63;
    if (bits != 0) return std::min(text_end, pos + static_cast<uint32_t>(__builtin_ctzll(bits)));
    pos = (pos | 63) + 1;
  }
  return text_end;
}

// Copies a word's n bytes into the record. Callers read a 16-bit word up to its first zero
// unit, so no byte past the word may be written but a zero. Most words fit in 32 bytes: where
// the text and the record both have 32 bytes of room, the word is copied with the rest of the
// 32 bytes cleared, in the same few moves whatever its size (a copy of a size known only at
// run time costs more to start than to do).
template <typename Char>
bool CopyWord(const Char* text, uint32_t text_end, WordSpan word, WordRecord* rec) {
  const uint64_t bytes = uint64_t{word.end - word.start} * sizeof(Char);
  const uint32_t capacity = std::min<uint32_t>(rec->Capacity, sizeof(rec->Buffer));
  const auto n = static_cast<uint32_t>(std::min<uint64_t>(capacity, bytes));
  const auto* from = reinterpret_cast<const uint8_t*>(text + word.start);
#if defined(__SSE2__)
  constexpr uint32_t kQuick = 32;
  if (n <= kQuick && capacity >= kQuick && (text_end - word.start) * sizeof(Char) >= kQuick) {
    const __m128i size = _mm_set1_epi8(static_cast<char>(n));
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16));
    const __m128i index = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m128i keep_low = _mm_cmplt_epi8(index, size);
    const __m128i keep_high = _mm_cmplt_epi8(_mm_add_epi8(index, _mm_set1_epi8(16)), size);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(rec->Buffer), _mm_and_si128(low, keep_low));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(rec->Buffer + 16),
                     _mm_and_si128(high, keep_high));
  } else {
    std::memcpy(rec->Buffer, from, n);
  }
#else
  (void)text_end;
  std::memcpy(rec->Buffer, from, n);
#endif
  rec->Length = static_cast<uint16_t>(n);
  rec->Position = word.end;
  return true;
}

template <typename Char>
bool NextWord(const Char* text, uint32_t text_end, WordRecord* rec) {
  WordSpan word;
  if (!FindWord(text, text_end, rec->Position, &word)) return false;
  return CopyWord(text, text_end, word, rec);
}

}  // namespace

bool FindNextWord(const uint8_t* text, uint32_t text_end, uint32_t position, WordSpan* word) {
  return FindWord(text, text_end, position, word);
}
bool FindNextWord(const char16_t* text, uint32_t text_end, uint32_t position, WordSpan* word) {
  return FindWord(text, text_end, position, word);
}
bool NextWordInto(const uint8_t* text, uint32_t text_end, WordRecord* rec) {
  return NextWord(text, text_end, rec);
}
bool NextWordInto(const char16_t* text, uint32_t text_end, WordRecord* rec) {
  return NextWord(text, text_end, rec);
}

void WordMarks::Mark(const char16_t* text, uint32_t text_end) {
  const platform::AlphaNumericTable classes = platform::AlphaNumericClasses();
#if defined(__SSE2__)
  static const bool plain = AsciiIsPlain(classes);
#else
  constexpr bool plain = false;
#endif
  bits_.resize((size_t{text_end} + 63) / 64);
  for (uint32_t base = 0; base < text_end; base += 64) {
    bits_[base >> 6] = MarkBits(classes, text, text_end, base, plain);
  }
}

void WordMarks::Clear(size_t keep_words) {
  bits_.clear();
  if (bits_.capacity() > keep_words) bits_.shrink_to_fit();
}

bool WordMarks::NextWordInto(const char16_t* text, uint32_t text_end, WordRecord* rec) const {
  uint32_t pos = rec->Position;
  for (;;) {
    pos = NextBit(bits_, text_end, pos, true);
    if (pos >= text_end) return false;
    const uint32_t start = pos;
    pos = NextBit(bits_, text_end, pos + 1, false);
    if (pos >= text_end || pos - start >= 2) return CopyWord(text, text_end, {start, pos}, rec);
  }
}

}  // namespace oru::parser
