// The byte layouts of an index folder's files, shared by the writer, the reload and the search
// tool. docs/index-format.md describes every file byte by byte, with the checks a reader makes.
// Every integer is little-endian and unsigned; fields are packed and written one byte at a
// time, never by casting structs over bytes.
#ifndef ORU_INDEXER_ENGINE_INDEX_FORMAT_H_
#define ORU_INDEXER_ENGINE_INDEX_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace oru::index_format {

inline constexpr int kPartCount = 64;
inline constexpr int kBucketsPerPart = 1024;
inline constexpr size_t kBucketTableSize = 4 * kBucketsPerPart;
inline constexpr size_t kFileRecordHeader = 14;
inline constexpr size_t kMaxFileRecord = 1024;
inline constexpr size_t kPostingSize = 8;
inline constexpr size_t kWordEntryHeader = 6;
inline constexpr size_t kPartPostingSize = 4;
inline constexpr size_t kWordRecordExtra = 5;
inline constexpr size_t kMaxWordRecord = 133;

inline constexpr char kFileIndexName[] = "Fileindex.fnd";
inline constexpr char kWordListName[] = "0.fnw";

// The part of the index a word hash belongs to, and its bucket within that part.
inline int PartOf(uint16_t hash) { return hash >> 10; }
inline int BucketOf(uint16_t hash) { return hash & 0x3FF; }

// "N.tf" and "N.fnx" for part N.
std::string PostingLogName(int part);
std::string PartFileName(int part);

inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

struct FileRecord {
  uint16_t number = 0;
  uint16_t path_hash = 0;
  uint32_t size = 0;
  uint32_t time = 0;
  std::string_view path;
};

// Writes the record into `out` (at least kMaxFileRecord bytes) and returns its length, or 0
// when the record would exceed kMaxFileRecord bytes (nothing is written then).
size_t EncodeFileRecord(const FileRecord& record, uint8_t* out);
// Reads the record at the start of `data` (of `available` bytes); `path` points into `data`.
// False when fewer than 14 bytes remain, when the length field is below 14, or when the record
// runs past `available`.
bool DecodeFileRecord(const uint8_t* data, size_t available, FileRecord* record, size_t* length);

struct Posting {
  uint16_t hash = 0;
  uint16_t slot = 0;
  uint16_t file = 0;
  uint16_t flags = 0;
};

inline void EncodePosting(const Posting& posting, uint8_t* out) {
  PutU16(out, posting.hash);
  PutU16(out + 2, posting.slot);
  PutU16(out + 4, posting.file);
  PutU16(out + 6, posting.flags);
}
inline Posting DecodePosting(const uint8_t* in) {
  return {GetU16(in), GetU16(in + 2), GetU16(in + 4), GetU16(in + 6)};
}

// Where a file record keeps the file's size and time (4 bytes each, in that order): the bytes
// an update rewrites in place for a file it indexed again.
inline constexpr size_t kFileStampOffset = 6;
inline constexpr size_t kFileStampSize = 8;
inline void EncodeFileStamp(uint32_t size, uint32_t time, uint8_t* out) {
  PutU32(out, size);
  PutU32(out + 4, time);
}

// Writes the word-list record of `word` (at most 128 bytes are taken) into `out` (at least
// kMaxWordRecord bytes) and returns its length.
size_t EncodeWordRecord(std::string_view word, uint16_t hash, uint16_t slot, uint8_t* out);

struct WordListEntry {
  std::string_view word;
  uint16_t hash = 0;
  uint16_t slot = 0;
};

// Reads the word-list record at the start of `data` (of `available` bytes); `word` points into
// `data`. False when no byte remains, when the length byte is below 5, or when the record runs
// past `available`.
bool DecodeWordRecord(const uint8_t* data, size_t available, WordListEntry* entry, size_t* length);

// The header of one word's entry in a part's block: its posting count and slot.
struct PartWordHeader {
  uint32_t count = 0;
  uint16_t slot = 0;
};
inline PartWordHeader DecodePartWordHeader(const uint8_t* in) {
  return {GetU32(in), GetU16(in + 4)};
}
// The bytes of a part's word entry with `count` postings (64-bit, so no count can wrap it).
inline uint64_t PartWordEntrySize(uint32_t count) {
  return kWordEntryHeader + uint64_t{kPartPostingSize} * count;
}

// Table entry `bucket` of a part of `size` bytes: the block's offset, below kBucketTableSize
// (normally 0) when the bucket has no words. False when the part is too short to hold it.
bool DecodeBucketOffset(const uint8_t* part, size_t size, int bucket, uint32_t* offset);

// One word entry of a part read in place. `end`, the offset just past its postings, may lie
// past the end of the part; the caller checks.
struct WordEntry {
  PartWordHeader header;
  uint64_t postings = 0;  // offset of the first posting
  uint64_t end = 0;
};
enum class WordEntryRead {
  kEntry,    // count and slot read
  kPartEnd,  // fewer than 4 bytes remain at `offset`: nothing follows in the part
  kCut,      // the count is there but the slot is cut off
};
WordEntryRead DecodeWordEntry(const uint8_t* part, size_t size, uint64_t offset, WordEntry* entry);

// One posting of a part's word entry.
struct PartPosting {
  uint16_t file = 0;
  uint16_t flags = 0;
};
inline PartPosting DecodePartPosting(const uint8_t* in) { return {GetU16(in), GetU16(in + 2)}; }

}  // namespace oru::index_format

#endif  // ORU_INDEXER_ENGINE_INDEX_FORMAT_H_
