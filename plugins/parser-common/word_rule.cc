#include "plugins/parser-common/word_rule.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"

namespace oru::parser {
namespace {

bool IsAlphaNumeric(uint8_t c) { return platform::IsAnsiAlphaNumeric(c); }
bool IsAlphaNumeric(char16_t c) { return platform::IsWideAlphaNumeric(c); }

template <typename Char>
bool IsWordChar(const Char* text, uint32_t text_end, uint32_t k) {
  const Char c = text[k];
  if (IsAlphaNumeric(c)) return true;
  if (c != '_' && c != '-') return false;
  const Char next = k + 1 < text_end ? text[k + 1] : Char{0};
  return next != c;
}

template <typename Char>
bool FindWord(const Char* text, uint32_t text_end, uint32_t position, WordSpan* word) {
  uint32_t pos = position;
  bool open = false;
  uint32_t start = 0;
  while (pos < text_end) {
    if (IsWordChar(text, text_end, pos)) {
      if (!open) {
        open = true;
        start = pos;
      }
      ++pos;
      continue;
    }
    if (open && pos - start >= 2) {
      *word = {start, pos};
      return true;
    }
    open = false;
    while (pos < text_end && !IsWordChar(text, text_end, pos)) ++pos;
    if (pos == text_end) return false;
    open = true;
    start = pos;
    ++pos;
  }
  if (!open) return false;
  *word = {start, text_end};
  return true;
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
