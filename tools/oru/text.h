// Text for the terminal and for JSON: UTF-8 in and out, Windows-1252 and UTF-16 from the index
// and the plug-ins.
#ifndef ORU_TOOLS_ORU_TEXT_H_
#define ORU_TOOLS_ORU_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace oru::tool {

// Decodes UTF-8 into UTF-16. False for malformed input: a bad or cut sequence, an overlong
// form, an encoded surrogate or a code point above U+10FFFF.
bool Utf8ToWide(std::string_view utf8, std::u16string* wide);
// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(std::u16string_view wide);
// True when `text` is valid UTF-8 (as Utf8ToWide takes it).
bool IsUtf8(std::string_view text);
// A path's bytes for display: kept when they are valid UTF-8, else read as the system code page.
std::string PathToUtf8(std::string_view path);
// Text for one line of the terminal, as UTF-8: control characters become spaces, runs of
// blanks one space, and the ends lose their blanks.
std::string DisplayText(std::u16string_view text);
// UTF-8 text for the terminal with every control character escaped, as `ls -b` does: "\n",
// "\t" and the like; the other control characters (below 0x20, and U+0080 to U+009F) and DEL
// as "\ooo", the octal of their code; and the backslash doubled, so that a file name can
// neither fake a line of output nor send a terminal escape.
std::string EscapeControls(std::string_view utf8);
// The bytes as lower-case hexadecimal digits, two per byte.
std::string HexBytes(std::string_view bytes);
// `utf8` as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view utf8);
// `seconds` since 1970 as "YYYY-MM-DDTHH:MM:SSZ" (UTC).
std::string IsoTime(int64_t seconds);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_TEXT_H_
