#include "plugins/parser-word/document_text.h"

#include <algorithm>
#include <vector>

#include "platform/codepage.h"
#include "platform/little_endian.h"
#include "plugins/parser-common/text_decode.h"
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
constexpr size_t kFibLidAt = 6;  // the document's language
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

// The code page of the 8-bit text of a Word 6 or Word 95 document in the language `lid` (a
// Windows language identifier): Word wrote it in the code page of the document's language.
// 0 for the Western languages, whose text is read in the ANSI code page as ever, and for the
// Asian double-byte code pages, which have no table here.
int CodePageOfLanguage(uint16_t lid) {
  switch (lid & 0x3FF) {  // the primary language
    case 0x02: case 0x19: case 0x22: case 0x23: case 0x2F: case 0x3F: case 0x40: case 0x44:
      return 1251;  // Bulgarian, Russian, Ukrainian, Belarusian, Macedonian, Kazakh, Kyrgyz, Tatar
    case 0x1A:  // Serbian in Cyrillic; Croatian, Bosnian and Serbian in Latin
      return lid == 0x0C1A || lid == 0x1C1A ? 1251 : 1250;
    case 0x05: case 0x0E: case 0x15: case 0x18: case 0x1B: case 0x1C: case 0x24:
      return 1250;  // Czech, Hungarian, Polish, Romanian, Slovak, Albanian, Slovenian
    case 0x08:
      return 1253;  // Greek
    case 0x1F: case 0x2C: case 0x43:
      return 1254;  // Turkish, Azeri, Uzbek
    case 0x0D:
      return 1255;  // Hebrew
    case 0x01: case 0x20: case 0x29:
      return 1256;  // Arabic, Urdu, Farsi
    case 0x25: case 0x26: case 0x27:
      return 1257;  // Estonian, Latvian, Lithuanian
    case 0x2A:
      return 1258;  // Vietnamese
    case 0x1E:
      return 874;  // Thai
    default:
      return 0;
  }
}

// The text of `pieces`, when there are pieces and they can be read.
Outcome FromPieces(const CompoundStream& stream, const std::optional<std::vector<Piece>>& pieces,
                   std::u16string* text, int code_page = 0) {
  if (!pieces) return Outcome::kFallBack;
  auto read = ReadPieces(stream, *pieces, code_page);
  if (!read) return Outcome::kFallBack;
  *text = std::move(*read);
  return Outcome::kRead;
}

// Word 6 and Word 95: one 8-bit text in the code page of the document's language, through the
// piece table of a fast-saved document or else from fcMin to fcMac.
Outcome ReadWord6(const CompoundStream& stream, const uint8_t* block, size_t have,
                  std::u16string* text) {
  const int code_page = CodePageOfLanguage(ReadLe16(block + kFibLidAt));
  const uint16_t flags = ReadLe16(block + kFibFlagsAt);
  if ((flags & kFibComplex) != 0 && have >= kWord6ClxAt + 8) {
    const auto pieces =
        ReadPieceTable(stream, ReadLe32(block + kWord6ClxAt), ReadLe32(block + kWord6ClxAt + 4),
                       PieceFormat::kWord6, stream.size());
    if (FromPieces(stream, pieces, text, code_page) == Outcome::kRead) return Outcome::kRead;
  }
  const uint32_t start = ReadLe32(block + kFibFcMinAt);
  const uint32_t end = ReadLe32(block + kFibFcMacAt);
  if (end <= start || end > stream.size()) return Outcome::kRefused;
  std::vector<uint8_t> bytes(end - start);
  if (!stream.Read(start, bytes.data(), bytes.size())) return Outcome::kRefused;
  if (code_page != 0) {
    text->clear();
    parser::AppendDecoded(code_page, std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                                      bytes.size()),
                          text);
    return Outcome::kRead;
  }
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
