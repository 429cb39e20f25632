#include "plugins/parser-common/word_rule.h"

#include <algorithm>
#include <cstring>

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

template <typename Char>
bool NextWord(const Char* text, uint32_t text_end, WordRecord* rec) {
  WordSpan word;
  if (!FindWord(text, text_end, rec->Position, &word)) return false;
  const uint64_t bytes = uint64_t{word.end - word.start} * sizeof(Char);
  const uint32_t capacity = std::min<uint32_t>(rec->Capacity, sizeof(rec->Buffer));
  const auto n = static_cast<uint32_t>(std::min<uint64_t>(capacity, bytes));
  std::memcpy(rec->Buffer, text + word.start, n);
  rec->Length = static_cast<uint16_t>(n);
  rec->Position = word.end;
  return true;
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

}  // namespace oru::parser
