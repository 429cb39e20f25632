// The dictionary: every distinct word of an index, named by its hash (one of 65,536 buckets)
// and its slot (its place in the bucket, in order of arrival). The pair names the word in the
// posting logs, the parts and the word list, so it never changes once given: entries are only
// appended, and their texts live in a pool of NUL-terminated strings (10 MiB by default).
//
// A word of a parsed file enters one way, Enter, which asks the word table (WordCache) before
// the bucket; a reloaded index is rebuilt with AppendUntitled and SetText. A bucket's slot count
// is the highest slot plus one: the writer sizes a part's counters by it.
#ifndef ORU_INDEXER_ENGINE_DICTIONARY_H_
#define ORU_INDEXER_ENGINE_DICTIONARY_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "indexer/engine/records.h"
#include "indexer/engine/typed_list.h"
#include "indexer/engine/word_cache.h"
#include "indexer/engine/word_filter.h"
#include "platform/memory.h"

namespace oru {

inline constexpr size_t kWordPoolSize = 10485760;
inline constexpr int kHashCount = 65536;
inline constexpr uint16_t kNoSlot = 0xFFFF;
inline constexpr uint16_t kNoFile = 0xFFFF;

enum class AddWordOutcome { NewEntry, FirstInFile, FlagsMerged, AlreadyRecorded };

class Dictionary {
 public:
  // `pool_size` bytes of text at most (lowered only by tests).
  explicit Dictionary(size_t pool_size = kWordPoolSize);
  ~Dictionary();
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;

  // What the word table knows of a word before it enters. Looking ahead lets the words loop
  // ask for the memory a word will need while earlier words enter.
  struct Probe {
    uint64_t key = 0;
    const WordCache::Entry* cached = nullptr;  // valid until the next Look or Enter
  };
  // The words below are normalised, cut to kMaxWordText bytes (the words loop cuts them, so
  // that a long word finds its own entry again) and given in kWordBytes readable bytes, zero
  // after their end.
  static constexpr size_t kWordBytes = WordCache::kWordBytes;
  static uint64_t Key(const char* word) { return WordCache::Key(word); }
  // Starts bringing what Look will read into the processor's cache.
  void Prefetch(uint64_t key, const char* word) const {
    word_cache_.Prefetch(key, word, pool_);
  }
  Probe Look(uint64_t key, const char* word) {
    Probe probe{key, word_cache_.Find(key, word, pool_)};
    if (probe.cached != nullptr) __builtin_prefetch(probe.cached->form);
    return probe;
  }

  struct Entered {
    AddWordOutcome outcome = AddWordOutcome::NewEntry;
    uint16_t hash = 0;
    int32_t slot = -1;  // -1 when the pool or the bucket is full: the word was not entered
    _Form* entry = nullptr;
  };
  // Records that the file `file_ref` (its low 16 bits) holds `word`, with `flags`: a new entry,
  // the word's first sight in that file (LastFile and Flags replaced), or a repeat in the same
  // file (the low byte of the flags merged). `probe` is Look's answer for the word.
  Entered Enter(const char* word, const Probe& probe, uint32_t file_ref, uint16_t flags) {
    if (probe.cached == nullptr) return EnterUnknown(word, probe, file_ref, flags);
    // Most words of a text were met before: the table answers without the bucket.
    Entered entered;
    entered.hash = probe.cached->hash;
    entered.slot = probe.cached->slot;
    entered.entry = probe.cached->form;
    entered.outcome = Touch(entered.entry, file_ref, flags);
    return entered;
  }
  Entered Enter(const char* word, uint32_t file_ref, uint16_t flags) {
    const uint64_t key = Key(word);
    return Enter(word, Look(key, word), file_ref, flags);
  }

  // For a reloaded index: appends an entry without text, LastFile kNoFile and Flags 0 to bucket
  // `hash`. Its slot, or -1 when the bucket is full (slot 0xFFFF would read as empty).
  int32_t AppendUntitled(uint16_t hash);
  // Gives entry (hash, slot) the text `text`, taken whole. False when there is no such entry
  // or the pool cannot hold it.
  bool SetText(uint16_t hash, uint16_t slot, std::string_view text);
  // True when every entry has a text.
  bool EveryWordHasText() const;
  // Enters the words of a reloaded dictionary into the word table: first the words of `first`
  // (hash << 16 | slot), then all, bucket by bucket, asking `go_on` every 256 words or buckets
  // and stopping when it says false. A parsed word entered finds its entry without its MD5 and
  // the walk through its bucket. A word goes in only where Enter would find it the slow way: a
  // text a parsed word can have (1 to kMaxWordText bytes), in the bucket its hash names, the
  // first of its bucket with that text.
  // Once every bucket is done (and the table took every such word), a word the table does not
  // know is new. What Enter answers is the same whether this ran, stopped or not.
  void FillWordTable(const std::vector<uint32_t>& first, const std::function<bool()>& go_on);

  // The words of bucket `hash`: its highest slot plus one.
  size_t SlotCount(uint16_t hash) const { return buckets_[hash].Count(); }
  const _Form& Entry(uint16_t hash, uint16_t slot) const { return *buckets_[hash][slot]; }
  // The text of an entry (empty for one without text).
  std::string_view Text(const _Form& form) const;
  // The words whose hash falls in part `part` (1,024 buckets each).
  uint32_t PartWordCount(int part) const;
  // Every word of the dictionary.
  int32_t word_count() const { return word_count_; }
  // The bytes of the pool in use.
  uint32_t pool_used() const { return cursor_; }

  // Forgets every word.
  void Reset();

 private:
  // A known word met again in `file_ref`.
  static AddWordOutcome Touch(_Form* form, uint32_t file_ref, uint16_t flags) {
    const auto file = static_cast<uint16_t>(file_ref);
    if (form->LastFile != file) {
      form->LastFile = file;
      form->Flags = flags;
      return AddWordOutcome::FirstInFile;
    }
    if ((form->Flags & 0xFF) != (flags & 0xFF)) {
      form->Flags = static_cast<uint16_t>(form->Flags | (flags & 0xFF));
      return AddWordOutcome::FlagsMerged;
    }
    return AddWordOutcome::AlreadyRecorded;
  }
  // Enter for a word the table did not know.
  Entered EnterUnknown(const char* word, const Probe& probe, uint32_t file_ref, uint16_t flags);
  int32_t FindWord(uint16_t hash, const char* word) const;
  int32_t InsertWord(uint16_t hash, const char* word, uint32_t file_ref, uint16_t flags);
  // FillWordTable's step for entry (hash, slot), `out_of_order` when the earlier slots of its
  // bucket may not have had theirs: false when the table is full.
  bool FillWordTableWith(uint16_t hash, uint16_t slot, bool out_of_order);

  // Zero-filled, handed out by the system as it is first touched: a word's terminator is the
  // pool's fill. A large block, so that the words of a reload or a pass fill a few large pages
  // rather than thousands of small ones, each a fault of its own.
  platform::LargeBlock pool_block_;
  char* pool_ = nullptr;
  size_t pool_size_;
  uint32_t cursor_ = 0;  // offset of the next free byte of the pool
  // The kHashCount buckets, made in a large block: a reload or a pass reaches every bucket, and
  // in small pages that would be a page fault and an address-translation miss each.
  platform::LargeBlock bucket_block_;
  TTypedList<_Form>* buckets_ = nullptr;
  int32_t word_count_ = 0;
  WordCache word_cache_;
  // The cursor as it stood when the word table last held every word. While the two agree, a
  // word the table does not know is not in the dictionary either; a text entered any other way
  // (a reload, a full table) moves the cursor alone, and words are then looked for in their
  // bucket too.
  uint32_t word_cache_complete_to_ = 0;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_DICTIONARY_H_
