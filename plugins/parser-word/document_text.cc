#include "plugins/parser-word/document_text.h"

#include <algorithm>
#include <vector>

#include "platform/codepage.h"
#include "platform/little_endian.h"
#include "plugins/parser-word/compound_file.h"
#include "plugins/parser-word/piece_table.h"
#include "plugins/parser-word/text_decode.h"
#include "plugins/parser-word/text_region.h"

namespace oru::dovrin {

using platform::ReadLe16;
using platform::ReadLe32;

namespace {

// Offsets in the file information block at the start of the "WordDocument" stream.
constexpr size_t kWord97ClxAt = 0x1A2;  // fcClx, then lcbClx
constexpr size_t kWord6ClxAt = 0x160;
constexpr size_t kBlockRead = kWord97ClxAt + 8;
constexpr size_t kBlockMinimum = kFibFcMacAt + 4;

enum class Outcome { kRead, kRefused, kFallBack };

// The pieces of the Clx of `lcb` bytes at `fc` in `table`; nothing when it lies outside the
// stream or is inconsistent. The Clx is read whole: it is bounded by the stream's size.
std::optional<std::vector<Piece>> ReadPieceTable(const CompoundStream& table, uint32_t fc,
                                                 uint32_t lcb, PieceFormat format,
                                                 uint64_t text_stream_size) {
  if (lcb == 0 || uint64_t{fc} + lcb > table.size()) return std::nullopt;
  std::vector<uint8_t> clx(lcb);
  if (!table.Read(fc, clx.data(), clx.size())) return std::nullopt;
  return ParsePieceTable(clx.data(), clx.size(), format, text_stream_size);
}

// The text of `pieces`, when there are pieces and they can be read.
Outcome FromPieces(const CompoundStream& stream, const std::optional<std::vector<Piece>>& pieces,
                   std::u16string* text) {
  if (!pieces) return Outcome::kFallBack;
  auto read = ReadPieces(stream, *pieces);
  if (!read) return Outcome::kFallBack;
  *text = std::move(*read);
  return Outcome::kRead;
}

// Word 6 and Word 95: one 8-bit text, through the piece table of a fast-saved document or
// else from fcMin to fcMac.
Outcome ReadWord6(const CompoundStream& stream, const uint8_t* block, size_t have,
                  std::u16string* text) {
  const uint16_t flags = ReadLe16(block + kFibFlagsAt);
  if ((flags & kFibComplex) != 0 && have >= kWord6ClxAt + 8) {
    const auto pieces =
        ReadPieceTable(stream, ReadLe32(block + kWord6ClxAt), ReadLe32(block + kWord6ClxAt + 4),
                       PieceFormat::kWord6, stream.size());
    if (FromPieces(stream, pieces, text) == Outcome::kRead) return Outcome::kRead;
  }
  const uint32_t start = ReadLe32(block + kFibFcMinAt);
  const uint32_t end = ReadLe32(block + kFibFcMacAt);
  if (end <= start || end > stream.size()) return Outcome::kRefused;
  std::vector<uint8_t> bytes(end - start);
  if (!stream.Read(start, bytes.data(), bytes.size())) return Outcome::kRefused;
  text->resize(bytes.size());
  text->resize(platform::AnsiToWide(reinterpret_cast<const char*>(bytes.data()), bytes.size(),
                                    text->data()));
  return Outcome::kRead;
}

Outcome ReadThroughPieces(platform::File* file, std::u16string* text) {
  const auto compound = CompoundFile::Open(file);
  if (!compound) return Outcome::kFallBack;
  // An encrypted Office Open XML package travels in a compound file: refused, not read as junk.
  if (compound->Find(u"EncryptedPackage") || compound->Find(u"EncryptionInfo")) {
    return Outcome::kRefused;
  }
  const auto stream = compound->Find(u"WordDocument");
  if (!stream) return Outcome::kFallBack;
  uint8_t block[kBlockRead] = {};
  const size_t have = static_cast<size_t>(std::min<uint64_t>(stream->size(), kBlockRead));
  if (have < kBlockMinimum || !stream->Read(0, block, have)) return Outcome::kFallBack;
  const uint16_t identifier = ReadLe16(block);
  if (identifier != kFibIdentifier && identifier != kWord6FibIdentifier) {
    return Outcome::kFallBack;
  }
  const uint16_t flags = ReadLe16(block + kFibFlagsAt);
  if ((flags & kFibEncrypted) != 0) return Outcome::kRefused;
  if (identifier == kWord6FibIdentifier) return ReadWord6(*stream, block, have, text);

  if (have < kBlockRead) return Outcome::kFallBack;
  const auto table = compound->Find((flags & kFibWhichTable) != 0 ? u"1Table" : u"0Table");
  if (!table) return Outcome::kFallBack;
  const auto pieces =
      ReadPieceTable(*table, ReadLe32(block + kWord97ClxAt), ReadLe32(block + kWord97ClxAt + 4),
                     PieceFormat::kWord97, stream->size());
  return FromPieces(*stream, pieces, text);
}

}  // namespace

std::optional<std::u16string> ReadDocumentText(platform::File* file) {
  std::u16string text;
  switch (ReadThroughPieces(file, &text)) {
    case Outcome::kRead:
      return text;
    case Outcome::kRefused:
      return std::nullopt;
    case Outcome::kFallBack:
      break;
  }
  const auto raw = ReadTextRegion(file);
  if (!raw) return std::nullopt;
  return DecodeText(raw->data(), raw->size());
}

}  // namespace oru::dovrin
