// Reading a part's blocks in place, for the reload and for rebuilding a posting log from a
// part: every word entry of every bucket in bucket and slot order, each offset and length
// checked against the bytes read.
#ifndef ORU_INDEXER_ENGINE_PART_READER_H_
#define ORU_INDEXER_ENGINE_PART_READER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "indexer/engine/index_format.h"

namespace oru {

// How a part reads: damaged (the reload fails), canonical (exactly the bytes MergePart writes
// for the postings read from it), or readable but laid out otherwise (a table entry below 4096
// that is not 0, a gap between blocks, a block without words, bytes behind the last block).
enum class PartShape { kDamaged, kCanonical, kIrregular };

// Walks the blocks of part `part` (`size` bytes at `data`) as the reload reads them, calling
// `pump` once per bucket up to the part's end and `on_word(hash, entry)` for every word entry
// in bucket and slot order; `on_word` returns false to fail the walk.
template <typename Pump, typename OnWord>
PartShape WalkPart(const uint8_t* data, size_t size, int part, Pump&& pump, OnWord&& on_word) {
  bool canonical = true;
  // Blocks lie in ascending bucket order, each behind the previous: a block starting inside
  // one already read is damage (it would make one stretch of the part feed many buckets).
  uint64_t read_up_to = index_format::kBucketTableSize;
  for (int k = 0; k < index_format::kBucketsPerPart; ++k) {
    pump();
    uint32_t offset = 0;
    if (!index_format::DecodeBucketOffset(data, size, k, &offset)) return PartShape::kDamaged;
    if (offset < index_format::kBucketTableSize) {  // no words
      canonical = canonical && offset == 0;
      continue;
    }
    if (offset < read_up_to) return PartShape::kDamaged;
    canonical = canonical && offset == read_up_to;
    const auto hash = static_cast<uint16_t>(part * index_format::kBucketsPerPart + k);
    uint64_t pos = offset;
    for (int words = 0;; ++words) {
      index_format::WordEntry entry;
      switch (index_format::DecodeWordEntry(data, size, pos, &entry)) {
        case index_format::WordEntryRead::kPartEnd: {
          // The part ends here: the remaining buckets are empty by construction.
          canonical = canonical && words > 0 && pos == size;
          for (int rest = k + 1; canonical && rest < index_format::kBucketsPerPart; ++rest) {
            uint32_t later = 0;
            canonical = index_format::DecodeBucketOffset(data, size, rest, &later) && later == 0;
          }
          return canonical ? PartShape::kCanonical : PartShape::kIrregular;
        }
        case index_format::WordEntryRead::kCut:
          return PartShape::kDamaged;
        case index_format::WordEntryRead::kEntry:
          break;
      }
      if (entry.header.slot == 0 && words > 0) break;  // the next bucket's block begins
      // An entry without postings, or one running past the part's end, is damage.
      if (entry.header.count == 0 || entry.end > size) return PartShape::kDamaged;
      if (!on_word(hash, entry)) return PartShape::kDamaged;
      pos = entry.end;
    }
    read_up_to = pos;
  }
  return canonical && read_up_to == size ? PartShape::kCanonical : PartShape::kIrregular;
}

// The posting log of a part: each 4-byte posting of a word entry becomes an 8-byte posting
// with the word's hash and slot, in bucket, slot and posting order.
class LogBuilder {
 public:
  LogBuilder(const uint8_t* data, size_t size) : data_(data) {
    const size_t table = index_format::kBucketTableSize;
    if (size > table) log_.reserve(2 * (size - table));
  }
  bool operator()(uint16_t hash, const index_format::WordEntry& entry) {
    const size_t first = log_.size();
    log_.resize(first + size_t{entry.header.count} * index_format::kPostingSize);
    const uint8_t* in = data_ + entry.postings;
    uint8_t* out = log_.data() + first;
    for (uint32_t i = 0; i < entry.header.count; ++i) {
      const index_format::PartPosting posting = index_format::DecodePartPosting(in);
      index_format::EncodePosting({hash, entry.header.slot, posting.file, posting.flags}, out);
      in += index_format::kPartPostingSize;
      out += index_format::kPostingSize;
    }
    ++words_;
    return true;
  }
  const std::vector<uint8_t>& log() const { return log_; }
  uint32_t words() const { return words_; }

 private:
  const uint8_t* data_;
  std::vector<uint8_t> log_;
  uint32_t words_ = 0;
};

// The posting log of a part read whole (`size` bytes at `data`) into `log`, when the part is
// laid out exactly as saving writes it and holds `words` words; false otherwise.
inline bool CanonicalPartLog(const uint8_t* data, size_t size, int part, uint32_t words,
                             std::vector<uint8_t>* log) {
  LogBuilder builder(data, size);
  if (WalkPart(data, size, part, [] {}, builder) != PartShape::kCanonical ||
      builder.words() != words) {
    return false;
  }
  *log = builder.log();
  return true;
}

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_PART_READER_H_
