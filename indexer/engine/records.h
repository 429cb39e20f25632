// The small records the engine keeps in its lists.
#ifndef ORU_INDEXER_ENGINE_RECORDS_H_
#define ORU_INDEXER_ENGINE_RECORDS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "indexer/engine/record_pool.h"

namespace oru {

// One distinct word of the file being indexed: its bucket and slot, and its dictionary entry
// (which holds the file's flags for it), so that its posting needs no second look-up.
struct _Form;
struct _Dict {
  uint16_t Hash;
  uint16_t Slot;
  const _Form* Entry;
};

// A dictionary entry. Text is an offset into the word pool, kNoText for none: an offset rather
// than a pointer keeps the entry at 8 bytes on 64-bit builds.
struct _Form {
  static constexpr uint32_t kNoText = 0xFFFFFFFF;
  uint32_t Text;
  uint16_t LastFile;  // number of the last file the word was seen in; 0xFFFF for none
  uint16_t Flags;
  // One per distinct word: made from the record pool, so that entries lie side by side.
  static void* operator new(size_t size) { return RecordPool::Allocate(size); }
  static void operator delete(void* p, size_t size) noexcept { RecordPool::Free(p, size); }
};

// A file record of a reloaded index.
struct FileNode {
  // The longest path a record may hold, in bytes: a longer one makes the file index damaged.
  static constexpr size_t kMaxPath = 263;
  uint16_t Number = 0;
  uint16_t PathHash = 0;
  uint32_t Time = 0;
  uint32_t Size = 0;
  uint32_t Offset = 0;  // where its record starts in the file index (rewritten in place)
  // The path up to its first NUL byte, in the bytes of the file index the node was read from
  // (which its table keeps).
  std::string_view Path;
};

// One posting while a part is merged.
struct FileFlag {
  uint16_t File;
  uint16_t Flags;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_RECORDS_H_
