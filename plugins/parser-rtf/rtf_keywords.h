// The control words a Rich Text reader acts on, and what each one does to the text. Every word
// not listed (formatting, layout, revision marks ...) changes nothing in the text.
#ifndef ORU_PLUGINS_PARSER_RTF_RTF_KEYWORDS_H_
#define ORU_PLUGINS_PARSER_RTF_RTF_KEYWORDS_H_

#include <cstdint>
#include <string_view>

namespace oru::rtf {

// clang-format off
enum class Action : uint8_t {
  kChar,  // gives the character `ch`: a separator or a special character
  // Document and font state: the code pages (\ansi \mac \pc \pca \ansicpg), the default
  // font, the current font, a font's \fcharset and \cpg in the font table, \plain, \u, \uc.
  // \bin, whose data is only passed over, is not listed.
  kAnsi, kMac, kPc, kPca, kAnsiCpg, kDeff, kFont, kCharset, kFontCodePage, kPlain,
  kUnicode, kUnicodeSkip,
  // Destinations: the group's text goes somewhere else, or nowhere.
  kSkip,         // not text (tables, pictures, field codes, bookmarks, list numbers ...)
  kFontTable,    // the font table: font numbers and their character sets
  kInfo,         // document properties: only the five below give text
  kTitle, kSubject, kKeywords, kAuthor, kComment,
  kBlock,        // text of its own (header, footer, footnote, text box): set apart by newlines
  kText,         // text that continues the group's text (a field's result, a shape's body)
  kUnicodePair,  // \upr: an 8-bit text and its Unicode twin; the 8-bit one is dropped
  kUnicodeTwin,  // \ud: the Unicode twin of \upr
};
// clang-format on

struct Keyword {
  std::string_view name;
  Action action;
  char16_t ch;  // for kChar
};

// The entry of the control word `name` (its letters, without backslash or parameter); nullptr
// when the word changes nothing in the text.
const Keyword* FindKeyword(std::string_view name);

// True when the action starts a destination that `\*` may precede and that still gives text;
// any other word after `\*` starts a group that is skipped whole.
bool KeepsTextAfterStar(Action action);

}  // namespace oru::rtf

#endif  // ORU_PLUGINS_PARSER_RTF_RTF_KEYWORDS_H_
