// The part of the conversion from UTF-16 to the code page that each platform does its own way
// (posix/ and win32/codepage_convert.cc); common/codepage_convert.cc takes plain ASCII, which
// maps unit for unit in every ANSI code page, before calling it.
#ifndef ORU_PLATFORM_COMMON_WIDE_TO_ANSI_H_
#define ORU_PLATFORM_COMMON_WIDE_TO_ANSI_H_

#include <cstddef>

namespace oru::platform {

// WideToAnsi's buffer form for text that holds at least one unit of 0x80 or above: the same
// contract (`out` holds `n` bytes; returns the bytes written).
size_t WideToAnsiBeyondAscii(const char16_t* text, size_t n, char* out);

inline bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace oru::platform

#endif  // ORU_PLATFORM_COMMON_WIDE_TO_ANSI_H_
