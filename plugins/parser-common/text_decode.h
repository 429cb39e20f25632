// Bytes of a document turned into UTF-16 text: UTF-8, UTF-16 in either byte order, and the
// single-byte code pages documents declare (the Windows code pages, ISO 8859, KOI8, Mac, DOS),
// the same on every platform (the tables are ours, not the system's); and the multi-byte Asian
// code pages, through the system's converters (platform/codepage.h).
#ifndef ORU_PLUGINS_PARSER_COMMON_TEXT_DECODE_H_
#define ORU_PLUGINS_PARSER_COMMON_TEXT_DECODE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace oru::parser {

inline constexpr int kWindows1252 = 1252;
inline constexpr int kUtf16Le = 1200;
inline constexpr int kUtf16Be = 1201;
inline constexpr int kUtf8 = 65001;

// The code page a charset name stands for ("windows-1251", "ISO-8859-2", "utf-8", "koi8-r",
// "cp1250" ...), compared without regard to case, surrounding blanks and quotes ignored; 0 when
// the name is unknown. Multi-byte Asian encodings have numbers (932, 936, 949, 950 ...): see
// AppendDecoded.
int CodePageByName(std::string_view name);

// True when AppendDecoded reads `code_page` exactly: UTF-8, UTF-16, the tabled single-byte
// code pages, and the multi-byte Asian ones the system can decode.
bool CanDecode(int code_page);

// The character of one byte in a single-byte code page; U+FFFD where the code page leaves the
// byte undefined. A code page without a table is read as Windows-1252.
char16_t SingleByteChar(int code_page, uint8_t byte);

// Appends `bytes` decoded in `code_page`. UTF-8: each malformed sequence gives one U+FFFD, as a
// browser shows it. UTF-16: a last odd byte is dropped. A multi-byte Asian code page goes through
// the system's converter; where the system has none, its ASCII bytes are kept and every other
// byte gives U+FFFD, so that no junk letters appear. Any other unknown number is read as
// Windows-1252.
void AppendDecoded(int code_page, std::string_view bytes, std::u16string* out);

// True when `bytes` is well-formed UTF-8. With `allow_cut_end`, a sequence cut short by the
// end of `bytes` (a file read only in part) still counts as well-formed.
bool IsValidUtf8(std::string_view bytes, bool allow_cut_end);

}  // namespace oru::parser

#endif  // ORU_PLUGINS_PARSER_COMMON_TEXT_DECODE_H_
