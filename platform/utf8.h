// UTF-8 read one sequence at a time, and code points written as UTF-16. Plain text work, the
// same on every platform.
#ifndef ORU_PLATFORM_UTF8_H_
#define ORU_PLATFORM_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace oru::platform {

// Reads the sequence that starts at text[*i] (*i before the end): on success stores its code
// point in `c`, moves *i past it and returns true. A malformed sequence (a bad lead byte, a cut
// or overlong sequence, a surrogate or a code point past U+10FFFF) returns false and moves *i
// past its lead byte and the continuation bytes that followed it.
bool NextUtf8(std::string_view text, size_t* i, char32_t* c);

// Appends `c` (at most U+10FFFF) as one UTF-16 unit, or as a surrogate pair past U+FFFF.
void AppendUtf16(char32_t c, std::u16string* out);

// Writes `c` (at most U+10FFFF) as UTF-8 to `out`, which must hold 4 bytes; returns the bytes
// written (1 to 4).
size_t PutUtf8(char32_t c, char* out);
// Appends `c` (at most U+10FFFF) as UTF-8.
void AppendUtf8(char32_t c, std::string* out);

}  // namespace oru::platform

#endif  // ORU_PLATFORM_UTF8_H_
