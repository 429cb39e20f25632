#include "plugins/parser-word/piece_table.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/little_endian.h"
#include "plugins/parser-common/text_decode.h"
#include "plugins/parser-word/text_decode.h"

namespace oru::dovrin {

using platform::ReadLe16;
using platform::ReadLe32;

namespace {

constexpr uint8_t kPropertyEntry = 0x01;
constexpr uint8_t kPieceList = 0x02;
constexpr size_t kCpSize = 4;
constexpr size_t kDescriptorSize = 8;
constexpr size_t kFcInDescriptor = 2;
constexpr uint32_t kEightBit = 0x40000000;
constexpr uint32_t kReserved = 0x80000000;

// Where the piece list starts in the Clx (at its 0x02 mark), past the property entries.
std::optional<size_t> FindPieceList(const uint8_t* clx, size_t size) {
  size_t at = 0;
  while (at < size && clx[at] == kPropertyEntry) {
    if (size - at < 3) return std::nullopt;
    at += 3 + ReadLe16(clx + at + 1);
  }
  if (at >= size || clx[at] != kPieceList) return std::nullopt;
  return at;
}

}  // namespace

std::optional<std::vector<Piece>> ParsePieceTable(const uint8_t* clx, size_t size,
                                                  PieceFormat format, uint64_t stream_size) {
  const auto list_at = FindPieceList(clx, size);
  if (!list_at || size - *list_at < 5) return std::nullopt;
  const uint64_t list_size = ReadLe32(clx + *list_at + 1);
  const uint8_t* list = clx + *list_at + 5;
  constexpr size_t kPerPiece = kCpSize + kDescriptorSize;
  if (list_size != size - *list_at - 5 || list_size < kCpSize + kPerPiece ||
      (list_size - kCpSize) % kPerPiece != 0) {
    return std::nullopt;
  }
  const size_t n = static_cast<size_t>((list_size - kCpSize) / kPerPiece);
  const uint8_t* descriptors = list + kCpSize * (n + 1);

  std::vector<Piece> pieces;
  pieces.reserve(n);
  uint64_t total_bytes = 0;
  for (size_t k = 0; k < n; ++k) {
    const uint32_t cp = ReadLe32(list + kCpSize * k);
    const uint32_t next_cp = ReadLe32(list + kCpSize * (k + 1));
    if (next_cp < cp) return std::nullopt;
    const uint32_t fc = ReadLe32(descriptors + kDescriptorSize * k + kFcInDescriptor);
    Piece piece;
    piece.chars = next_cp - cp;
    if (format == PieceFormat::kWord6) {
      piece.eight_bit = true;
      piece.offset = fc;
    } else {
      if ((fc & kReserved) != 0) return std::nullopt;
      piece.eight_bit = (fc & kEightBit) != 0;
      piece.offset = piece.eight_bit ? (fc & ~kEightBit) / 2 : fc;
    }
    const uint64_t bytes = uint64_t{piece.chars} * (piece.eight_bit ? 1 : 2);
    total_bytes += bytes;
    if (piece.offset + bytes > stream_size || total_bytes > stream_size) return std::nullopt;
    if (piece.chars > 0) pieces.push_back(piece);
  }
  if (pieces.empty()) return std::nullopt;  // Word ends every text with a paragraph mark
  return pieces;
}

std::optional<std::u16string> ReadPieces(const CompoundStream& stream,
                                         const std::vector<Piece>& pieces, int code_page) {
  auto bytes_of = [](const Piece& p) { return uint64_t{p.chars} * (p.eight_bit ? 1 : 2); };
  uint64_t first = stream.size(), end = 0, chars = 0;
  for (const Piece& piece : pieces) {
    first = std::min<uint64_t>(first, piece.offset);
    end = std::max(end, piece.offset + bytes_of(piece));
    chars += piece.chars;
  }
  std::u16string text;
  if (pieces.empty()) return text;
  std::vector<uint8_t> span(static_cast<size_t>(end - first));
  if (!stream.Read(first, span.data(), span.size())) return std::nullopt;

  text.resize(static_cast<size_t>(chars));
  size_t written = 0;
  for (const Piece& piece : pieces) {
    const uint8_t* from = span.data() + (piece.offset - first);
    char16_t* to = text.data() + written;
    if (piece.eight_bit && code_page != 0) {
      for (uint32_t i = 0; i < piece.chars; ++i) to[i] = parser::SingleByteChar(code_page, from[i]);
      written += piece.chars;
    } else if (piece.eight_bit) {
      written += platform::AnsiToWide(reinterpret_cast<const char*>(from), piece.chars, to);
    } else {
      DecodeUtf16Le(from, piece.chars, to);
      written += piece.chars;
    }
  }
  text.resize(written);
  return text;
}

}  // namespace oru::dovrin
