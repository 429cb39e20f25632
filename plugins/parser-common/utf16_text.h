// UTF-8 text (what the XML reader gives) made UTF-16 (what the parser plug-ins hold).
#ifndef ORU_PLUGINS_PARSER_COMMON_UTF16_TEXT_H_
#define ORU_PLUGINS_PARSER_COMMON_UTF16_TEXT_H_

#include <string>
#include <string_view>

namespace oru::containers {

// Appends `text` to `out` as UTF-16 (a surrogate pair past U+FFFF). Each malformed sequence (a
// stray byte, a sequence cut short or overlong, a surrogate) gives one U+FFFD.
void AppendUtf8AsUtf16(std::string_view text, std::u16string* out);

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_UTF16_TEXT_H_
