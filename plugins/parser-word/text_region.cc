#include "plugins/parser-word/text_region.h"

#include "platform/little_endian.h"
#include "plugins/parser-word/compound_file.h"

namespace oru::dovrin {

using platform::ReadLe16;
using platform::ReadLe32;

namespace {

constexpr int64_t kFibOffset = 512;
constexpr size_t kHeaderSize = kFibFcMacAt + 4;

// An encrypted document's text bytes are not text.
bool Encrypted(const uint8_t* header) {
  return (ReadLe16(header + kFibFlagsAt) & kFibEncrypted) != 0;
}

// The text region of a document whose file information block does not lie at byte 512: the
// block is read at offset 0 of the compound file's "WordDocument" stream, and the region is
// stream offsets fcMin (the low 16 bits of the field, as on the byte-512 path) up to fcMac.
// This is the byte-512 path's reading with the stream put at byte 512, except that no 512 is
// added and nothing wraps: an fcMin of 0xFE00 or more names that stream offset, not a place
// before the stream. S = fcMac - fcMin as a signed 32-bit number; S <= 0, or a region that
// passes the stream's end (tested before anything is allocated), gives nothing.
std::optional<std::vector<uint8_t>> ReadStreamTextRegion(platform::File* file) {
  const auto stream = CompoundStream::Find(file, u"WordDocument");
  uint8_t header[kHeaderSize];
  if (!stream || !stream->Read(0, header, kHeaderSize)) return std::nullopt;
  if (ReadLe16(header) != kFibIdentifier || Encrypted(header)) return std::nullopt;
  const uint32_t start = ReadLe16(header + kFibFcMinAt);
  const auto size = static_cast<int32_t>(ReadLe32(header + kFibFcMacAt) - start);
  if (size <= 0 || start + uint64_t(size) > stream->size()) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!stream->Read(start, bytes.data(), bytes.size())) return std::nullopt;
  return bytes;
}

}  // namespace

std::optional<TextRegion> LocateTextRegion(uint16_t fc_min, uint32_t fc_mac) {
  const auto start = static_cast<uint16_t>(fc_min + kFibOffset);
  const auto end = static_cast<uint32_t>(fc_mac + kFibOffset);
  const auto size = static_cast<int32_t>(end - start);
  if (size <= 0) return std::nullopt;
  return TextRegion{start, size};
}

std::optional<std::vector<uint8_t>> ReadTextRegion(platform::File* file) {
  uint8_t header[kHeaderSize];
  if (file->Seek(kFibOffset) != platform::Result::kOk) return std::nullopt;
  if (file->ReadExact(header, 2) != platform::Result::kOk ||
      ReadLe16(header) != kFibIdentifier) {
    return ReadStreamTextRegion(file);
  }
  if (file->ReadExact(header + 2, kHeaderSize - 2) != platform::Result::kOk || Encrypted(header)) {
    return std::nullopt;
  }

  const auto region =
      LocateTextRegion(ReadLe16(header + kFibFcMinAt),
                       ReadLe32(header + kFibFcMacAt));
  if (!region) return std::nullopt;
  const int64_t file_size = file->Size();
  if (file_size < 0 || int64_t{region->start} + region->size > file_size) return std::nullopt;

  std::vector<uint8_t> bytes(static_cast<size_t>(region->size));
  if (file->Seek(region->start) != platform::Result::kOk) return std::nullopt;
  if (file->ReadExact(bytes.data(), bytes.size()) != platform::Result::kOk) return std::nullopt;
  return bytes;
}

}  // namespace oru::dovrin
