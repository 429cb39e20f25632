// The text of a Rich Text document: its words as a reader sees them, without the control words,
// tables, pictures and field codes around them.
#ifndef ORU_PLUGINS_PARSER_RTF_RTF_TEXT_H_
#define ORU_PLUGINS_PARSER_RTF_RTF_TEXT_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace oru::rtf {

// Groups nested deeper than this are still read for text, but with the state of the deepest
// group kept: what they change in it (font, \uc, destination) outlasts them.
inline constexpr size_t kMaxGroupDepth = 10000;

// True when `bytes` begin, after an optional UTF-8 byte order mark and white space, with "{\rtf".
bool LooksLikeRtf(std::string_view bytes);

// The text of the Rich Text document `bytes`, or nullopt when LooksLikeRtf is false. The title,
// subject, keywords, author and comments of the document's properties come first, each followed
// by a newline, then the body, headers, footers, footnotes and text boxes where they stand.
// Paragraphs, line, page and section breaks and table rows give a newline, tabs and cells a tab.
// 8-bit characters are read in the code page of their font's character set, or the document's.
// A document cut short (unterminated groups, a control word at the very end) gives the text
// read up to its end; reading stops where the outermost group closes. Time is linear in the
// size of `bytes`; the text has at most one character per byte read, and no zero characters.
// May throw std::bad_alloc.
std::optional<std::u16string> RtfText(std::string_view bytes);

}  // namespace oru::rtf

#endif  // ORU_PLUGINS_PARSER_RTF_RTF_TEXT_H_
