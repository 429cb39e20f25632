#include "indexer/engine/index_format.h"

#include <algorithm>
#include <cstring>

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

bool DecodeFileRecord(const uint8_t* data, size_t available, FileRecord* record, size_t* length) {
  if (available < kFileRecordHeader) return false;
  const size_t n = GetU16(data);
  if (n < kFileRecordHeader || n > available) return false;
  record->number = GetU16(data + 2);
  record->path_hash = GetU16(data + 4);
  record->size = GetU32(data + 6);
  record->time = GetU32(data + 10);
  record->path = std::string_view(reinterpret_cast<const char*>(data + kFileRecordHeader),
                                  n - kFileRecordHeader);
  *length = n;
  return true;
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

bool DecodeBucketOffset(const uint8_t* part, size_t size, int bucket, uint32_t* offset) {
  const size_t at = 4 * static_cast<size_t>(bucket);
  if (bucket < 0 || bucket >= kBucketsPerPart || size < at + 4) return false;
  *offset = GetU32(part + at);
  return true;
}

WordEntryRead DecodeWordEntry(const uint8_t* part, size_t size, uint64_t offset, WordEntry* entry) {
  if (offset > size || size - offset < 4) return WordEntryRead::kPartEnd;
  if (size - offset < kWordEntryHeader) return WordEntryRead::kCut;
  entry->header = DecodePartWordHeader(part + offset);
  entry->postings = offset + kWordEntryHeader;
  entry->end = offset + PartWordEntrySize(entry->header.count);
  return WordEntryRead::kEntry;
}

}  // namespace oru::index_format
