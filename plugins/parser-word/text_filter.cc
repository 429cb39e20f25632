#include "plugins/parser-word/text_filter.h"

namespace oru::dovrin {
namespace {

// Cell mark 7, line break 11, page break 12, field end 21 and a few other marks.
bool IsRemoved(char16_t c) {
  return c == 1 || c == 7 || c == 8 || c == 11 || c == 12 || c == 21 || c == 31;
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
    } else if (c == kFieldBegin) {
      out.append(text.substr(run, j - run));
      const size_t separator = text.find(kFieldSeparator, j + 1);
      if (separator == std::u16string_view::npos) return out;  // the code runs to the end
      run = j = separator + 1;
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
