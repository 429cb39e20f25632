#include "plugins/parser-word/text_filter.h"

#include <optional>

namespace oru::dovrin {
namespace {

// Picture and drawing anchors (1, 8), the field end 21, the optional hyphen 31.
bool IsRemoved(char16_t c) { return c == 1 || c == 8 || c == 21 || c == 31; }

// The cell mark 7, the line break 11, the page or section break 12: each ends a word.
bool IsSeparator(char16_t c) { return c == 7 || c == 11 || c == 12; }

// Where the code of the field whose begin is at `begin` ends: just after its separator, or
// after its end mark when it has none. Fields begun inside the code nest: their separators
// and end marks belong to them. Nothing when the text ends inside the code.
std::optional<size_t> FieldCodeEnd(std::u16string_view text, size_t begin) {
  size_t depth = 0;  // fields begun inside the code and not yet ended
  for (size_t j = begin + 1; j < text.size(); ++j) {
    const char16_t c = text[j];
    if (c == kFieldBegin) {
      ++depth;
    } else if (c == kFieldSeparator && depth == 0) {
      return j + 1;
    } else if (c == kFieldEnd) {
      if (depth == 0) return j + 1;
      --depth;
    }
  }
  return std::nullopt;
}

}  // namespace

std::u16string FilterText(std::u16string_view text) {
  std::u16string out;
  out.reserve(2 * text.size());
  const size_t n = text.size();
  size_t run = 0;  // start of the pending run of characters to copy
  size_t j = 0;
  while (j < n) {
    const char16_t c = text[j];
    if (IsRemoved(c)) {
      out.append(text.substr(run, j - run));
      run = j = j + 1;
    } else if (IsSeparator(c)) {
      out.append(text.substr(run, j - run));
      out.push_back(u' ');
      run = j = j + 1;
    } else if (c == kFieldBegin) {
      out.append(text.substr(run, j - run));
      const auto code_end = FieldCodeEnd(text, j);
      if (!code_end) return out;  // the code runs to the end
      run = j = *code_end;
    } else if (j + 1 < n && text[j + 1] == kParagraphMark) {
      out.append(text.substr(run, j + 2 - run));
      out.append(u"\r\n");
      run = j = j + 2;
    } else {
      ++j;
    }
  }
  out.append(text.substr(run));
  return out;
}

}  // namespace oru::dovrin
