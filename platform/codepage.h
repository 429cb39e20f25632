// The system's single-byte ("ANSI") code page and its 16-bit counterpart: case mapping,
// character classes and conversions, the stop-word comparison and file-mask matching.
// On POSIX the code page is Windows-1252.
#ifndef ORU_PLATFORM_CODEPAGE_H_
#define ORU_PLATFORM_CODEPAGE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace oru::platform {

// The byte lower-cased as the code page's lower-casing does it.
uint8_t LowerAnsiChar(uint8_t c);
// Lower-cases `n` bytes in place.
void LowerAnsi(char* text, size_t n);
std::string LowerAnsi(std::string_view text);

// True when the byte's character is a letter or a decimal digit.
bool IsAnsiAlphaNumeric(uint8_t c);
// True when the 16-bit unit is a letter or a decimal digit (surrogates never are).
bool IsWideAlphaNumeric(char16_t c);

// Converts single-byte text to UTF-16. Every byte gives exactly one unit.
std::u16string AnsiToWide(std::string_view text);
// Converts `n` bytes into `out`, which must hold `n` units. Returns the units written (`n`).
size_t AnsiToWide(const char* text, size_t n, char16_t* out);
// Converts UTF-16 text to the code page; a character without a form there becomes '?'.
// A valid surrogate pair gives one '?', an unpaired surrogate one '?' of its own.
std::string WideToAnsi(std::u16string_view text);

// `text` without its leading and trailing bytes of value 32 or below (blanks and control
// characters), as roots, filters and extensions are trimmed.
std::string_view TrimBlanks(std::string_view text);

// Compares two stop-list entries: both lower-cased by LowerAnsi, then by byte order.
// Negative, zero or positive like strcmp.
int CompareIgnoringCase(std::string_view a, std::string_view b);

enum class MaskMatch { kNoMatch, kMatch, kBadMask };
// Matches the whole of `name` against a file mask: '*' any run of bytes (separators too),
// '?' any one byte, "[set]" one byte of a set (ranges, leading '!' negates); letters a-z
// also match their capitals. kBadMask for a '[' without ']' and for an empty set "[]" or "[!]";
// the whole mask is checked first, so a bad mask is reported whatever the name.
MaskMatch MatchFileMask(std::string_view mask, std::string_view name);

}  // namespace oru::platform

#endif  // ORU_PLATFORM_CODEPAGE_H_
