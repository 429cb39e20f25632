// Plain text files as the text plug-in reads them: the encoding decided per file, and binary
// files with a text extension told apart from text.
#ifndef ORU_PLUGINS_PARSER_TEXT_PLAIN_TEXT_H_
#define ORU_PLUGINS_PARSER_TEXT_PLAIN_TEXT_H_

#include <optional>
#include <string>
#include <string_view>

namespace oru::tavrel {

// The extensions read as plain text, in the order the filter string lists them.
inline constexpr const char* kPlainTextExtensions[] = {
    "txt", "text", "md",  "markdown", "csv", "tsv", "log", "ini", "cfg",
    "json", "yaml", "yml", "tex",     "rst", "org", "srt",
};

enum class TextEncoding { kUtf8, kUtf16Le, kUtf16Be, kWindows1252 };

// How `bytes` (the start of a file, or all of it) is encoded: a UTF-8, UTF-16LE or UTF-16BE
// byte-order mark; else UTF-8 when the bytes are valid UTF-8 (a sequence cut at the very end
// allowed, since a file may be read only in part); else UTF-16 without a mark when its zero
// bytes fall on one side of each byte pair; else Windows-1252. `bom_size` receives the size of
// the mark (0 without one).
TextEncoding DetectEncoding(std::string_view bytes, size_t* bom_size);

// The text of a plain text file's bytes, or nothing when the file is binary: zero bytes spread
// through it where the encoding has none (a zeroed tail, as a crashed program leaves in a log,
// does not count). Zero characters that remain become spaces, so that no word is cut from the
// text that follows. Line ends of every platform are kept as they are.
std::optional<std::u16string> PlainText(std::string_view bytes);

}  // namespace oru::tavrel

#endif  // ORU_PLUGINS_PARSER_TEXT_PLAIN_TEXT_H_
