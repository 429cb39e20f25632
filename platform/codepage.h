// The system's single-byte ("ANSI") code page and its 16-bit counterpart: case mapping,
// character classes and conversions, the stop-word comparison and file-mask matching.
// On Windows the code page is the system's (GetACP) and the answers are the system's own
// (CharLowerBuffA, IsCharAlphaNumericA/W, MultiByteToWideChar, WideCharToMultiByte,
// CompareStringA); on POSIX the code page is always Windows-1252 and tables of our own
// (posix/codepage_*.cc) stand in for those calls.
#ifndef ORU_PLATFORM_CODEPAGE_H_
#define ORU_PLATFORM_CODEPAGE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace oru::platform {

// The byte lower-cased as the code page's lower-casing (CharLowerA) does it.
uint8_t LowerAnsiChar(uint8_t c);
// Lower-cases `n` bytes in place.
void LowerAnsi(char* text, size_t n);
std::string LowerAnsi(std::string_view text);

// True when the byte's character is a letter or a digit (IsCharAlphaNumericA).
bool IsAnsiAlphaNumeric(uint8_t c);
// True when the 16-bit unit is a letter or a digit (IsCharAlphaNumericW). Surrogates
// never are.
bool IsWideAlphaNumeric(char16_t c);

// The tables behind the two calls above, for loops that classify many characters: fetched
// once, they answer inline. They live as long as the program.
struct AlphaNumericTable {
  const bool* ansi;      // ansi[b]: byte b is a letter or digit
  const uint64_t* wide;  // bit (c & 63) of wide[c >> 6]: unit c is one
  bool Is(uint8_t b) const { return ansi[b]; }
  bool Is(char16_t c) const { return (wide[c >> 6] >> (c & 63)) & 1; }
};
AlphaNumericTable AlphaNumericClasses();

// Converts single-byte text to UTF-16. In a single-byte code page (Windows-1252 always on
// POSIX) every byte gives exactly one unit; a double-byte code page gives one per character.
std::u16string AnsiToWide(std::string_view text);
// Converts `n` bytes into `out`, which must hold `n` units. Returns the units written (`n` in
// a single-byte code page, at most `n` in any).
size_t AnsiToWide(const char* text, size_t n, char16_t* out);
// The UTF-16 unit of a byte read as Windows-1252, whatever the system's code page: the bytes
// 0x80-0x9F through that code page's table (its five undefined bytes keep the code points of
// the same value), every other byte as the code point of its value. On POSIX, where the code
// page is always Windows-1252, the conversions here use it.
inline char16_t Windows1252ToWide(uint8_t byte) {
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
  };
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char16_t{byte};
}
// Converts UTF-16 text to the code page; a character without an exact form there (no best
// fit) becomes the default character '?'. A valid surrogate pair gives one '?', an unpaired
// surrogate one '?' of its own.
std::string WideToAnsi(std::u16string_view text);
// The same conversion of `n` units into `out`, which must hold `n` bytes; allocates nothing.
// Returns the bytes written (at most `n`: a surrogate pair gives one byte; in a double-byte
// code page the text is cut after the last character that fits).
size_t WideToAnsi(const char16_t* text, size_t n, char* out);

// A path as the system names it (the names the storage plug-in hands out and files are opened
// by), in UTF-8, and back, as a UTF-8 index records paths. POSIX: the same bytes, names being
// bytes (UTF-8 on any current system). Windows: the ANSI code page to UTF-8 and back; a
// character the code page lacks becomes '?'.
std::string NativePathToUtf8(std::string_view path);
std::string Utf8PathToNative(std::string_view path);
// True where both conversions give the path as it is (POSIX), so that callers can skip them.
extern const bool kNativePathsAreUtf8;

// The multi-byte Asian code pages documents declare: 932 (Japanese Shift-JIS), 936 (Chinese
// GBK), 949 (Korean), 950 (Traditional Chinese Big5), 54936 (GB18030), 20932 (EUC-JP) and
// 50220 (ISO-2022-JP). True for one of them.
bool IsMultiByteAsian(int code_page);
// True when the system can decode `code_page`, one of them. POSIX: the C library's converters
// (iconv); Windows: MultiByteToWideChar.
bool CanDecodeMultiByte(int code_page);
// Appends `bytes` of such a code page decoded to UTF-16; a sequence the code page does not
// define gives U+FFFD (on POSIX one for each byte that cannot start a character). False, with
// nothing appended, when the system cannot decode the code page. Keeps what it opens per thread.
bool AppendMultiByte(int code_page, std::string_view bytes, std::u16string* out);

// `text` without its leading and trailing bytes of value 32 or below (blanks and control
// characters), as roots, filters and extensions are trimmed.
std::string_view TrimBlanks(std::string_view text);

// Compares two stop-list entries without regard to letter case; negative, zero or positive
// like strcmp, and a consistent order to sort and search by. Windows: the user's locale
// (CompareStringA with NORM_IGNORECASE), so an accented letter sorts beside its base letter.
// POSIX: both lower-cased by LowerAnsi, then by byte order.
int CompareIgnoringCase(std::string_view a, std::string_view b);

enum class MaskMatch { kNoMatch, kMatch, kBadMask };
// Matches the whole of `name` against a file mask: '*' any run of bytes (separators too),
// '?' any one byte, "[set]" one byte of a set (ranges, leading '!' negates); letters a-z
// also match their capitals. kBadMask for a '[' without ']' and for an empty set "[]" or "[!]";
// the whole mask is checked first, so a bad mask is reported whatever the name. The same on
// every platform.
MaskMatch MatchFileMask(std::string_view mask, std::string_view name);

}  // namespace oru::platform

#endif  // ORU_PLATFORM_CODEPAGE_H_
