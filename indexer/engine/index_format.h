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

#include "platform/little_endian.h"

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

// The index's names for the little-endian readers and writers of platform/little_endian.h.
inline void PutU16(uint8_t* p, uint16_t v) { platform::WriteLe16(p, v); }
inline void PutU32(uint8_t* p, uint32_t v) { platform::WriteLe32(p, v); }
inline uint16_t GetU16(const uint8_t* p) { return platform::ReadLe16(p); }
inline uint32_t GetU32(const uint8_t* p) { return platform::ReadLe32(p); }

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

enum class FileRecordRead {
  kRecord,     // read whole
  kBadLength,  // fewer than 14 bytes remain, the length is below 14 or runs past the end
  kBadNumber,  // read whole, but numbered 0 or 65535, which no file is given
};
// Reads the record at the start of `data` (of `available` bytes); `path` points into `data`.
// The record and its length are filled in for kRecord and kBadNumber.
FileRecordRead DecodeFileRecord(const uint8_t* data, size_t available, FileRecord* record,
                                size_t* length);

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

// What is wrong with a part, found by BucketTable or BlockReader.
enum class PartFault {
  kNone,
  kTableCut,          // the part is neither empty nor as long as its bucket table
  kOffsetOutside,     // a table entry is 1 to 4095, or at or past the end of the part
  kOffsetOutOfOrder,  // a table entry is not above every earlier non-zero entry
  kEntryCut,          // fewer than 6 bytes of the block remain for a word entry
  kNoPostings,        // a word entry with a posting count of 0
  kSlotOutOfOrder,    // a word entry whose slot is not the next of its block
  kPastBlock,         // a word entry's postings run past the end of its block
};
struct PartDamage {
  PartFault fault = PartFault::kNone;
  // Where in the part: the table entry for a table fault, the word entry for a word fault, the
  // part's size for kTableCut.
  uint64_t offset = 0;
  uint32_t value = 0;  // the table entry's value, or the word entry's count
  uint16_t slot = 0;   // the word entry's slot
  uint16_t expected_slot = 0;
};

// The bucket table of a part, checked once as a whole: every non-zero entry at least 4096,
// inside the part and above every earlier one. A bucket's block runs from its entry to the
// next non-zero entry after it, or to the end of the part when none follows; so blocks never
// overlap, and bytes between two blocks belong to the earlier one.
class BucketTable {
 public:
  struct Block {
    uint64_t begin = 0;
    uint64_t end = 0;
    bool empty() const { return begin == end; }
  };

  // Checks the table of a part of `part_size` bytes whose first kBucketTableSize bytes are at
  // `table`; a part of 0 bytes holds no words and `table` is not read. False with `damage`.
  bool Read(const uint8_t* table, uint64_t part_size, PartDamage* damage);

  // The block of `bucket` (0 to 1023), empty when the bucket holds no words.
  Block block(int bucket) const {
    const uint32_t begin = begin_[bucket];
    return begin == 0 ? Block{} : Block{begin, end_[bucket]};
  }
  // True when the part is laid out as saving writes it: blocks from offset 4096 on, or exactly
  // the table when no bucket has words. (Behind the last block nothing can follow: those bytes
  // would belong to it.) Blocks whose word entries check out are then contiguous as well.
  bool canonical() const { return canonical_; }

 private:
  uint32_t begin_[kBucketsPerPart] = {};
  uint64_t end_[kBucketsPerPart] = {};
  bool canonical_ = false;
};

// One word entry of a block, read in place.
struct WordEntry {
  PartWordHeader header;
  const uint8_t* postings = nullptr;  // header.count postings of kPartPostingSize bytes
  uint64_t offset = 0;                // of the entry in the part
};

// The word entries of one block in order, each checked: at least one posting, slots 0, 1, 2,
// ..., wholly inside the block, the last ending exactly where the block ends.
class BlockReader {
 public:
  // `bytes` holds the block, which is `block` of the part.
  BlockReader(const uint8_t* bytes, BucketTable::Block block)
      : bytes_(bytes), begin_(block.begin), size_(block.end - block.begin) {}

  // The next entry; false at the end of the block, or on damage (then damaged()).
  bool Next(WordEntry* entry) {
    if (pos_ == size_) return false;
    const uint64_t left = size_ - pos_;
    const uint8_t* at = bytes_ + pos_;
    if (left < kWordEntryHeader) return Fail(PartFault::kEntryCut, 0, 0);
    const PartWordHeader header = DecodePartWordHeader(at);
    if (header.count == 0) return Fail(PartFault::kNoPostings, 0, header.slot);
    if (header.slot != next_slot_)
      return Fail(PartFault::kSlotOutOfOrder, header.count, header.slot);
    const uint64_t length = PartWordEntrySize(header.count);
    if (length > left) return Fail(PartFault::kPastBlock, header.count, header.slot);
    entry->header = header;
    entry->postings = at + kWordEntryHeader;
    entry->offset = begin_ + pos_;
    pos_ += length;
    ++next_slot_;
    return true;
  }
  bool damaged() const { return damage_.fault != PartFault::kNone; }
  const PartDamage& damage() const { return damage_; }

 private:
  bool Fail(PartFault fault, uint32_t count, uint16_t slot) {
    damage_ = {fault, begin_ + pos_, count, slot, static_cast<uint16_t>(next_slot_)};
    return false;
  }

  const uint8_t* bytes_;
  uint64_t begin_;
  uint64_t size_;
  uint64_t pos_ = 0;
  uint32_t next_slot_ = 0;
  PartDamage damage_;
};

// One posting of a part's word entry.
struct PartPosting {
  uint16_t file = 0;
  uint16_t flags = 0;
};
inline PartPosting DecodePartPosting(const uint8_t* in) { return {GetU16(in), GetU16(in + 2)}; }

}  // namespace oru::index_format

#endif  // ORU_INDEXER_ENGINE_INDEX_FORMAT_H_
