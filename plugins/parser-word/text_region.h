// Finding and reading the raw text of a Word 97 document. The file information block is taken
// to begin at byte 512 of the file; its fcMin and fcMac fields give the text region. No
// compound-file directory and no piece table are read.
#ifndef ORU_PLUGINS_PARSER_WORD_TEXT_REGION_H_
#define ORU_PLUGINS_PARSER_WORD_TEXT_REGION_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/files.h"

namespace oru::dovrin {

// The identifier of a Word 97 file information block.
inline constexpr uint16_t kFibIdentifier = 0xA5EC;

// Where the text lies: `size` bytes from file offset `start`.
struct TextRegion {
  uint32_t start = 0;
  int32_t size = 0;
};

// The region named by the block's fields: start = (fc_min + 512) mod 65536 (fc_min being the
// low 16 bits of the field), size = (fc_mac + 512 mod 2^32) - start as a signed 32-bit number.
// Nothing when the size is 0 or negative.
std::optional<TextRegion> LocateTextRegion(uint16_t fc_min, uint32_t fc_mac);

// Reads the whole text region of `file` (open for reading) in one piece: the identifier at 512
// must be 0xA5EC, fcMin is the 2 bytes at 536 and fcMac the 4 bytes at 540. Nothing when the
// header is short or wrong, the region is empty, extends past the end of the file (tested
// before anything is allocated, so the size is bounded by the file's), or cannot be read whole.
std::optional<std::vector<uint8_t>> ReadTextRegion(platform::File* file);

}  // namespace oru::dovrin

#endif  // ORU_PLUGINS_PARSER_WORD_TEXT_REGION_H_
