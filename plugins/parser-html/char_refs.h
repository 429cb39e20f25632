// Character references of HTML ("&amp;", "&copy", "&#233;", "&#xE9;") read as a browser reads
// them.
#ifndef ORU_PLUGINS_PARSER_HTML_CHAR_REFS_H_
#define ORU_PLUGINS_PARSER_HTML_CHAR_REFS_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace oru::ostrin {

// Reads the character reference that `text` starts with (text[0] is the '&') and appends the
// characters it stands for to `out`. Returns the characters it took (the '&' included, a ';'
// ending it too), or 0 when `text` does not start with one: the caller then keeps the '&' as it
// is. A name is looked for in at most 34 characters; a number takes all its digits.
//
// Named references are matched longest first; the old names that HTML allows without ';'
// ("&amp", "&copy") match without it, so "&notit;" is U+00AC then "it;". In an attribute value
// such a name followed by '=' or a letter or digit is no reference ("?a=1&copy=2").
// Numeric references take any number of digits; 0, values past U+10FFFF and surrogates give
// U+FFFD, and 0x80-0x9F are read as the Windows-1252 characters of those bytes.
size_t ReadCharRef(std::u16string_view text, bool in_attribute, std::u16string* out);

}  // namespace oru::ostrin

#endif  // ORU_PLUGINS_PARSER_HTML_CHAR_REFS_H_
