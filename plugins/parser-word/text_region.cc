#include "plugins/parser-word/text_region.h"

namespace oru::dovrin {
namespace {

constexpr int64_t kFibOffset = 512;
constexpr size_t kFcMinAt = 24;  // offsets inside the file information block
constexpr size_t kFcMacAt = 28;
constexpr size_t kHeaderSize = kFcMacAt + 4;

uint32_t ReadLittleEndian(const uint8_t* p, size_t width) {
  uint32_t value = 0;
  for (size_t i = width; i > 0; --i) value = (value << 8) | p[i - 1];
  return value;
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
  if (file->ReadExact(header, 2) != platform::Result::kOk) return std::nullopt;
  if (ReadLittleEndian(header, 2) != kFibIdentifier) return std::nullopt;
  if (file->ReadExact(header + 2, kHeaderSize - 2) != platform::Result::kOk) return std::nullopt;

  const auto region =
      LocateTextRegion(static_cast<uint16_t>(ReadLittleEndian(header + kFcMinAt, 2)),
                       ReadLittleEndian(header + kFcMacAt, 4));
  if (!region) return std::nullopt;
  const int64_t file_size = file->Size();
  if (file_size < 0 || int64_t{region->start} + region->size > file_size) return std::nullopt;

  std::vector<uint8_t> bytes(static_cast<size_t>(region->size));
  if (file->Seek(region->start) != platform::Result::kOk) return std::nullopt;
  if (file->ReadExact(bytes.data(), bytes.size()) != platform::Result::kOk) return std::nullopt;
  return bytes;
}

}  // namespace oru::dovrin
