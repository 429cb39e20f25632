// Turns the 16-bit characters of a Word text region into the text the plug-in serves: Word's
// special characters and field codes go, the marks that end a cell, a line or a page become
// spaces, paragraph marks get a line end.
#ifndef ORU_PLUGINS_PARSER_WORD_TEXT_FILTER_H_
#define ORU_PLUGINS_PARSER_WORD_TEXT_FILTER_H_

#include <string>
#include <string_view>

namespace oru::dovrin {

inline constexpr char16_t kFieldBegin = 19;
inline constexpr char16_t kFieldSeparator = 20;
inline constexpr char16_t kFieldEnd = 21;
inline constexpr char16_t kParagraphMark = 13;

// One pass over `text`:
// - the cell mark 7 (which also ends a table row), the line break 11 and the page or section
//   break 12 each become one space (32), so that the word before them ends there;
// - the characters 1, 8, 21 and 31 (picture and drawing anchors, the field end, the optional
//   hyphen) are dropped, leaving no gap;
// - a field's code is dropped: from its begin 19 up to and including its separator 20, or up
//   to and including its end 21 when it has no separator; the result (separator to end)
//   stays. Fields nest: a field begun inside a code is part of that code, its 20 and 21
//   included. When the text ends inside a code, the text ends at its 19;
// - an ordinary character followed by a paragraph mark 13 is copied with that mark, then
//   13, 10 are added;
// - everything else (0, 9, 20 and a 13 not found that way included) is copied unchanged.
// The result is at most twice as long as `text`. May throw std::bad_alloc.
std::u16string FilterText(std::u16string_view text);

}  // namespace oru::dovrin

#endif  // ORU_PLUGINS_PARSER_WORD_TEXT_FILTER_H_
