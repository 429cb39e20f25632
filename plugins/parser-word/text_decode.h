// Bringing a raw text region to 16-bit characters. Word stores a text either as 8-bit
// characters in the ANSI code page or as UTF-16LE; the plug-in guesses which from a sample.
#ifndef ORU_PLUGINS_PARSER_WORD_TEXT_DECODE_H_
#define ORU_PLUGINS_PARSER_WORD_TEXT_DECODE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace oru::dovrin {

// How many leading bytes of a region make the sample.
inline constexpr size_t kSampleSize = 1024;

// True when the region's bytes are taken as 16-bit characters: of its first min(size, 1024)
// bytes, more than a third (integer division) are below 9 as signed 8-bit numbers, that is
// 0x00-0x08 or 0x80-0xFF.
bool LooksWide(const uint8_t* bytes, size_t size);

// The region as 16-bit characters: 16-bit text read little-endian ((size + 1) / 2 characters,
// an odd last byte standing alone), 8-bit text converted from the ANSI code page (one character
// per byte). May throw std::bad_alloc.
std::u16string DecodeText(const uint8_t* bytes, size_t size);

// Reads `chars` UTF-16LE units from `bytes` (2 * `chars` bytes) into `out`.
void DecodeUtf16Le(const uint8_t* bytes, size_t chars, char16_t* out);

}  // namespace oru::dovrin

#endif  // ORU_PLUGINS_PARSER_WORD_TEXT_DECODE_H_
