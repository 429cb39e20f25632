// A part's blocks read in place, for the reload and for the merge of an update's save: every
// word entry of every bucket in bucket and slot order, each offset and length checked against
// the bytes read.
#ifndef ORU_INDEXER_ENGINE_PART_READER_H_
#define ORU_INDEXER_ENGINE_PART_READER_H_

#include <cstddef>
#include <cstdint>

#include "indexer/engine/index_format.h"

namespace oru {

// How a part reads: damaged (the reload fails), canonical (exactly the bytes saving writes
// for the postings read from it), or readable but laid out otherwise (bytes between the table
// and the first block, or behind an empty table).
enum class PartShape { kDamaged, kCanonical, kIrregular };

// Walks the blocks of part `part` (`size` bytes at `data`) as the reload reads them, calling
// `pump` once per bucket up to the part's last block (every bucket of a part without words)
// and `on_word(hash, entry)` for every word entry in bucket and slot order; `on_word` returns
// false to fail the walk.
template <typename Pump, typename OnWord>
PartShape WalkPart(const uint8_t* data, size_t size, int part, Pump&& pump, OnWord&& on_word) {
  index_format::BucketTable table;
  index_format::PartDamage damage;
  if (!table.Read(data, size, &damage)) return PartShape::kDamaged;
  for (int k = 0; k < index_format::kBucketsPerPart; ++k) {
    pump();
    const index_format::BucketTable::Block block = table.block(k);
    if (block.empty()) continue;
    const auto hash = static_cast<uint16_t>(part * index_format::kBucketsPerPart + k);
    index_format::BlockReader words(data + block.begin, block);
    index_format::WordEntry entry;
    while (words.Next(&entry)) {
      if (!on_word(hash, entry)) return PartShape::kDamaged;
    }
    if (words.damaged()) return PartShape::kDamaged;
    if (block.end == size) break;  // the last block: no bucket after it has words
  }
  return table.canonical() ? PartShape::kCanonical : PartShape::kIrregular;
}

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_PART_READER_H_
