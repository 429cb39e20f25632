#include "tools/trovella/row_text.h"

#include <cstdio>

#include "platform/codepage.h"
#include "platform/utf8.h"
#include "tools/oru/normalise.h"
#include "tools/oru/text.h"

namespace oru::trovella {

void SplitPath(std::string_view path, std::string* name, std::string* folder) {
  const size_t cut = path.find_last_of("/\\");
  if (cut == std::string_view::npos) {
    *name = tool::PathToUtf8(path);
    folder->clear();
    return;
  }
  *name = tool::PathToUtf8(path.substr(cut + 1));
  *folder = tool::PathToUtf8(path.substr(0, cut == 0 ? 1 : cut));
}

std::string DateText(uint32_t packed) {
  if (packed == 0) return "";
  const uint32_t date = packed >> 16;
  const uint32_t clock = packed & 0xFFFF;
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", 1980 + (date >> 9),
                (date >> 5) & 0xF, date & 0x1F, clock >> 11, (clock >> 5) & 0x3F);
  return text;
}

namespace {

// Decodes the UTF-8 character at `text[*at]` and moves past it; U+FFFD for a bad byte.
char32_t NextCharacter(std::string_view text, size_t* at) {
  const auto byte = static_cast<unsigned char>(text[*at]);
  size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
  if (*at + length > text.size()) length = 1;
  char32_t c = length == 1 ? byte : byte & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[*at + i]);
    if ((next & 0xC0) != 0x80) {
      length = 1;
      c = 0xFFFD;
      break;
    }
    c = (c << 6) | (next & 0x3F);
  }
  *at += length;
  return byte >= 0x80 && length == 1 ? char32_t{0xFFFD} : c;
}

// A word character as the parsers split text: a letter or digit, '-' or '_'.
bool IsWordCharacter(char32_t c) {
  if (c == '-' || c == '_') return true;
  return c < 0x10000 && platform::IsWideAlphaNumeric(static_cast<char16_t>(c));
}

}  // namespace

std::vector<Span> HitSpans(std::string_view fragment, const tool::Query& query) {
  std::vector<Span> spans;
  std::vector<tool::IndexWord> made;
  size_t at = 0;
  while (at < fragment.size()) {
    size_t begin = at;
    if (!IsWordCharacter(NextCharacter(fragment, &at))) continue;
    size_t end = at;
    while (end < fragment.size()) {
      size_t next = end;
      if (!IsWordCharacter(NextCharacter(fragment, &next))) break;
      end = next;
    }
    at = end;
    // Dashes and underscores at a word's ends are not part of what the indexer keeps.
    while (begin < end && (fragment[begin] == '-' || fragment[begin] == '_')) ++begin;
    while (end > begin && (fragment[end - 1] == '-' || fragment[end - 1] == '_')) --end;
    if (begin == end ||
        !tool::IndexWordsOf(fragment.substr(begin, end - begin), query.rules, &made)) {
      continue;
    }
    // The word is marked when a word the index makes of it (one, or the pairs of a CJK run) is
    // a word of the query.
    bool hit = false;
    for (const tool::IndexWord& normal : made) {
      for (const tool::TextTerm& term : query.terms) {
        if (!term.positive) continue;
        for (const std::string& word : term.words) {
          hit = hit || (term.kind == tool::NodeKind::kPrefix ? normal.text.rfind(word, 0) == 0
                                                             : normal.text == word);
        }
      }
    }
    if (hit) spans.push_back({begin, end});
  }
  return spans;
}

}  // namespace oru::trovella
