// The piece table of a Word document: the list that says where each run of the document's
// characters lies in the "WordDocument" stream and how wide its characters are. Word writes the
// text as pieces in any order in the stream; after a fast save the stream also holds text that
// no piece names any more, so the pieces, not the stream's fcMin..fcMac range, are the text.
#ifndef ORU_PLUGINS_PARSER_WORD_PIECE_TABLE_H_
#define ORU_PLUGINS_PARSER_WORD_PIECE_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plugins/parser-word/compound_file.h"

namespace oru::dovrin {

// One piece: `chars` characters from byte `offset` of the "WordDocument" stream, one byte each
// (the ANSI code page) or two (UTF-16LE).
struct Piece {
  uint32_t chars = 0;
  uint32_t offset = 0;
  bool eight_bit = false;
  bool operator==(const Piece&) const = default;
};

// Where the piece offsets come from.
enum class PieceFormat {
  kWord97,  // bit 30 of fc marks 8-bit text at (fc without bit 30) / 2, else 16-bit at fc
  kWord6,   // every piece is 8-bit text at fc
};

// The pieces of a Clx, in character-position order, empty ones left out: property entries
// (0x01, a 16-bit size, that many bytes) are passed over up to the piece list (0x02, a 32-bit
// size, then n + 1 character positions and n 8-byte descriptors whose fc is at byte 2), which
// ends the Clx. Nothing when the Clx is inconsistent: no piece list, a list that does not end
// exactly at the Clx's end, no piece or no character, character positions that decrease, a
// piece that passes `stream_size`, pieces that together take more bytes than `stream_size`
// (overlapping pieces could otherwise make the text grow without bound), or a Word 97 fc with
// its reserved bit 31 set. Time and memory are linear in `size`.
std::optional<std::vector<Piece>> ParsePieceTable(const uint8_t* clx, size_t size,
                                                  PieceFormat format, uint64_t stream_size);

// The text of `pieces`, read from `stream` and brought to 16-bit characters, in order: 8-bit
// pieces in the single-byte `code_page` (parser-common's text_decode.h), or with 0 through the
// ANSI code page, as the rest of the plug-in converts them. The stream is read once, over the
// range the pieces span. Nothing when a read fails. May throw std::bad_alloc.
std::optional<std::u16string> ReadPieces(const CompoundStream& stream,
                                         const std::vector<Piece>& pieces, int code_page = 0);

}  // namespace oru::dovrin

#endif  // ORU_PLUGINS_PARSER_WORD_PIECE_TABLE_H_
