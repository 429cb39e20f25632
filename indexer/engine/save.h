// Saving a pass: each part of the inverted index is built from the part saved before (an
// update's), less the postings of the files the update forgets, and the run's posting log of
// that part; then the word list is written. Every file is written beside the old one under a
// new name and put in place with the others only when all are complete (IndexSwitch), so a
// reader never sees half a file and a failure never costs the old index.
#ifndef ORU_INDEXER_ENGINE_SAVE_H_
#define ORU_INDEXER_ENGINE_SAVE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/dictionary.h"
#include "indexer/engine/file_numbers.h"
#include "indexer/engine/index_switch.h"
#include "indexer/engine/posting_logs.h"
#include "indexer/engine/reload.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace oru {

// The words no posting names any more once an update has forgotten files, as hash << 16 | slot
// in ascending order. Saving leaves them out of the parts and the word list, and the words
// behind one in its bucket move up a slot, so that every word saved has a posting and the
// slots of a block still run 0, 1, 2, ... A fresh pass drops none.
using DroppedWords = std::vector<uint32_t>;

// The postings of one part, in the order they are saved.
struct PartSources {
  // The part saved before (an update's, `old_size` bytes; null for a fresh index), which must
  // hold `old_words` words; its postings come first, less those of the files in `forget`.
  const uint8_t* old_part = nullptr;
  size_t old_size = 0;
  uint32_t old_words = 0;
  const FileNumberSet* forget = nullptr;
  // Then this run's log of the part: 8-byte postings in the order of the walk.
  std::string_view log;
};

// Builds parts one after the other, keeping its memory from one to the next.
class PartBuilder {
 public:
  // Builds part `part` of `dictionary` from `sources` into part(): the 4,096-byte bucket table,
  // then each bucket's words in slot order, each word's postings in the order of its sources.
  // Appends the words left without postings to `dropped` and counts the old postings forgotten
  // in `*forgotten`. Returns null, or why the part cannot be built: a posting names a slot the
  // dictionary does not have, or the old part is damaged or not the one the reload read.
  const char* Build(const Dictionary& dictionary, int part, const PartSources& sources,
                    DroppedWords* dropped, size_t* forgotten);
  // The bytes of the part built last.
  const std::vector<uint8_t>& part() const { return part_; }

 private:
  std::vector<uint32_t> slot_base_;  // per bucket, its first counter
  std::vector<const uint8_t*> old_postings_;  // per counter, its postings in the old part
  std::vector<uint32_t> old_counts_;          // and how many there are
  std::vector<uint32_t> start_;      // per counter (bucket and slot), its first posting
  std::vector<uint32_t> fill_;
  std::vector<uint32_t> sorted_;     // the log's postings by counter: file, flags << 16
  std::vector<uint8_t> part_;
};

class IndexSaver {
 public:
  // `index_dir` ends in the separator. `step` moves the progress bar by one (once per part
  // built or left as it is, once for the word list); `pump` handles the window's messages.
  // Both are called on the calling thread only. `disk` and `pending` outlive the object.
  IndexSaver(platform::FileSystem* disk, std::string index_dir, IndexSwitch* pending,
             std::function<void()> step, std::function<void()> pump);

  // Writes the new parts and word list of `dictionary` from the logs of `logs` and, in an
  // update (`reloaded.ok`), the parts saved before less the postings of the files in `forget`.
  // What does not change is left as it is. The parts are built on the calling thread and, when
  // one can be had, a second one (which has ended when Save returns; `disk` must take calls
  // from both); the files are handed to the switch in part order. The first failure in part
  // order is returned.
  platform::Status Save(const Dictionary& dictionary, const PostingLogs& logs,
                        const ReloadedDictionary& reloaded, const FileNumberSet& forget);
  // Writes the new version of the word list, without the words of `dropped`.
  platform::Status WriteWordList(const Dictionary& dictionary, const DroppedWords& dropped);

 private:
  // What saving one part came to.
  struct PartOutcome {
    platform::Status status;
    bool written = false;  // a new version was written: it goes to the switch
    bool stepped = false;  // the bar moves for it
    DroppedWords dropped;
  };
  // The memory of one thread's parts, kept from one part to the next.
  struct PartWork {
    PartBuilder builder;
    std::string old_part;  // the part saved before, read again
    std::string log;
  };
  void SavePart(const Dictionary& dictionary, int part, const std::string& log_path,
                const ReloadedDictionary& reloaded, const FileNumberSet& forget, PartWork* work,
                PartOutcome* outcome) const;

  platform::FileSystem* disk_;
  std::string dir_;
  IndexSwitch* pending_;
  std::function<void()> step_;
  std::function<void()> pump_;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_SAVE_H_
