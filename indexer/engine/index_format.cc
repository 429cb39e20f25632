#include "indexer/engine/index_format.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace oru::index_format {

std::string PostingLogName(int part) { return std::to_string(part) + ".tf"; }
std::string PartFileName(int part) { return std::to_string(part) + ".fnx"; }

size_t EncodeFileRecord(const FileRecord& record, uint8_t* out) {
  const size_t length = kFileRecordHeader + record.path.size();
  if (length > kMaxFileRecord) return 0;
  PutU16(out, static_cast<uint16_t>(length));
  PutU16(out + 2, record.number);
  PutU16(out + 4, record.path_hash);
  PutU32(out + 6, record.size);
  PutU32(out + 10, record.time);
  std::memcpy(out + kFileRecordHeader, record.path.data(), record.path.size());
  return length;
}

FileRecordRead DecodeFileRecord(const uint8_t* data, size_t available, FileRecord* record,
                                size_t* length) {
  if (available < kFileRecordHeader) return FileRecordRead::kBadLength;
  const size_t n = GetU16(data);
  if (n < kFileRecordHeader || n > available) return FileRecordRead::kBadLength;
  record->number = GetU16(data + 2);
  record->path_hash = GetU16(data + 4);
  record->size = GetU32(data + 6);
  record->time = GetU32(data + 10);
  record->path = std::string_view(reinterpret_cast<const char*>(data + kFileRecordHeader),
                                  n - kFileRecordHeader);
  *length = n;
  const bool numbered = record->number != 0 && record->number != 0xFFFF;
  return numbered ? FileRecordRead::kRecord : FileRecordRead::kBadNumber;
}

size_t EncodeWordRecord(std::string_view word, uint16_t hash, uint16_t slot, uint8_t* out) {
  const size_t n = std::min<size_t>(word.size(), kMaxWordRecord - kWordRecordExtra);
  const size_t length = n + kWordRecordExtra;
  out[0] = static_cast<uint8_t>(length);
  std::memcpy(out + 1, word.data(), n);
  PutU16(out + 1 + n, hash);
  PutU16(out + 3 + n, slot);
  return length;
}

bool DecodeWordRecord(const uint8_t* data, size_t available, WordListEntry* entry, size_t* length) {
  if (available == 0) return false;
  const size_t n = data[0];
  if (n < kWordRecordExtra || n > available) return false;
  entry->word = std::string_view(reinterpret_cast<const char*>(data + 1), n - kWordRecordExtra);
  entry->hash = GetU16(data + n - 4);
  entry->slot = GetU16(data + n - 2);
  *length = n;
  return true;
}

bool BucketTable::Read(const uint8_t* table, uint64_t part_size, PartDamage* damage) {
  std::fill(std::begin(begin_), std::end(begin_), 0);
  canonical_ = false;
  if (part_size == 0) return true;
  if (part_size < kBucketTableSize) {
    *damage = {PartFault::kTableCut, part_size, 0, 0, 0};
    return false;
  }
  uint32_t first = 0;
  uint32_t previous = 0;
  for (int k = 0; k < kBucketsPerPart; ++k) {
    const uint32_t offset = GetU32(table + 4 * k);
    if (offset == 0) continue;
    const uint64_t at = 4 * static_cast<uint64_t>(k);
    if (offset < kBucketTableSize || offset >= part_size) {
      *damage = {PartFault::kOffsetOutside, at, offset, 0, 0};
      return false;
    }
    if (offset <= previous) {
      *damage = {PartFault::kOffsetOutOfOrder, at, offset, 0, 0};
      return false;
    }
    if (first == 0) first = offset;
    begin_[k] = previous = offset;
  }
  // Each block ends where the next non-zero entry points, the last at the end of the part.
  uint64_t next = part_size;
  for (int k = kBucketsPerPart - 1; k >= 0; --k) {
    if (begin_[k] == 0) continue;
    end_[k] = next;
    next = begin_[k];
  }
  canonical_ = first == 0 ? part_size == kBucketTableSize : first == kBucketTableSize;
  return true;
}

}  // namespace oru::index_format
