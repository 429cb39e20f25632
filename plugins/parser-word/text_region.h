// Finding and reading the raw text region of a Word 97 document, the reading for documents
// whose piece table cannot be used (document_text.h). The file information block is taken to
// begin at byte 512 of the file when the identifier is there, else at the start of the
// compound file's "WordDocument" stream; its fcMin and fcMac fields give the text region.
#ifndef ORU_PLUGINS_PARSER_WORD_TEXT_REGION_H_
#define ORU_PLUGINS_PARSER_WORD_TEXT_REGION_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/files.h"

namespace oru::dovrin {

// The identifier of a Word 97 file information block, and of a Word 6 or Word 95 one.
inline constexpr uint16_t kFibIdentifier = 0xA5EC;
inline constexpr uint16_t kWord6FibIdentifier = 0xA5DC;

// Offsets of the flags, fcMin and fcMac in the block.
inline constexpr size_t kFibFlagsAt = 10;
inline constexpr size_t kFibFcMinAt = 24;
inline constexpr size_t kFibFcMacAt = 28;

// Flags of the block: fast-saved, encrypted (obfuscated documents set it too),
// and, in Word 97, which table stream holds the piece table ("1Table" when set).
inline constexpr uint16_t kFibComplex = 0x0004;
inline constexpr uint16_t kFibEncrypted = 0x0100;
inline constexpr uint16_t kFibWhichTable = 0x0200;

// Where the text lies: `size` bytes from file offset `start`.
struct TextRegion {
  uint32_t start = 0;
  int32_t size = 0;
};

// The region named by the block's fields: start = (fc_min + 512) mod 65536 (fc_min being the
// low 16 bits of the field), size = (fc_mac + 512 mod 2^32) - start as a signed 32-bit number.
// Nothing when the size is 0 or negative.
std::optional<TextRegion> LocateTextRegion(uint16_t fc_min, uint32_t fc_mac);

// Reads the whole text region of `file` (open for reading). With the identifier 0xA5EC at 512,
// fcMin is the 2 bytes at 536 and fcMac the 4 bytes at 540, and the region is read in one
// piece. Otherwise, in a compound file, the same fields are read from the "WordDocument" stream
// and the region follows the stream's sectors (text_region.cc tells the exact reading). Nothing
// when the header is short or wrong, the document is encrypted (flag 0x0100), the region is
// empty, extends past the end of the file or of the stream (tested before anything is
// allocated, so the size is bounded by the file's), or cannot be read whole.
std::optional<std::vector<uint8_t>> ReadTextRegion(platform::File* file);

}  // namespace oru::dovrin

#endif  // ORU_PLUGINS_PARSER_WORD_TEXT_REGION_H_
