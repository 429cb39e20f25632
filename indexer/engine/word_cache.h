// A hash table in front of the dictionary: from a word's text straight to its hash, slot and
// entry, so that a word seen before costs neither its MD5 nor the walk through its bucket. It
// answers exactly what WordHash and FindWord would: the hash is a function of the text, and
// the first entry of a bucket holding a text stays the first one, since entries are only ever
// appended. Whoever removes entries or changes their texts (Dictionary::Reset) clears it.
//
// Open addressing over kEntries slots (16 MiB, mapped by the platform as pages are first
// touched), keyed by a fast 64-bit hash of the text. It takes words until it is half full
// (262,144 words) and then no more; the dictionary answers the others the slow way. In front
// of it a small two-way cache (64 KiB) keeps the words met most recently, which in natural
// text are mostly the frequent ones: they are answered without touching the table at all.
#ifndef ORU_INDEXER_ENGINE_WORD_CACHE_H_
#define ORU_INDEXER_ENGINE_WORD_CACHE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "indexer/engine/records.h"
#include "platform/memory.h"

namespace oru {

class WordCache {
 public:
  // The bytes a word is given in: at most 31 bytes, its terminator, zero after it.
  static constexpr size_t kWordBytes = 32;

  // 32 bytes. A slot whose form is null is unused.
  struct Entry {
    uint32_t check;   // the key's upper half
    uint16_t hash;
    uint16_t slot;
    _Form* form;      // the dictionary's entry
    char prefix[16];  // the word's first 16 bytes (zero after its end)
  };

  WordCache();
  WordCache(const WordCache&) = delete;
  WordCache& operator=(const WordCache&) = delete;

  // The key of `word` (kWordBytes readable bytes as above).
  static uint64_t Key(const char* word) {
    uint64_t key = Mix(0x9E3779B97F4A7C15ull, Load64(word));
    key = Mix(key, Load64(word + 8));
    // Most words end within their first 16 bytes; the rest are zero then.
    if (word[15] != '\0') key = Mix(Mix(key, Load64(word + 16)), Load64(word + 24));
    return key;
  }

  // The entry of `word` under its `key`, or null. Words of 16 bytes or more are confirmed
  // against their text in `pool`. The entry stays valid until the next call.
  const Entry* Find(uint64_t key, const char* word, const char* pool) {
    RecentSet& set = RecentSetOf(key);
    if (Matches(set.ways[0], key, word, pool)) return &set.ways[0];
    return FindBeyondRecent(set, key, word, pool);
  }
  // Starts bringing what a Find of `word` will read into the processor's cache.
  void Prefetch(uint64_t key, const char* word, const char* pool) const {
    const RecentSet& set = RecentSetOf(key);
    if (entries_ == nullptr || Matches(set.ways[0], key, word, pool) ||
        Matches(set.ways[1], key, word, pool)) {
      return;
    }
    __builtin_prefetch(&entries_[key & kMask]);
  }
  // Adds `word`, which Find did not know, as entry `slot` of bucket `hash`. False when the
  // table is full (or could not be had) and took nothing.
  bool Insert(uint64_t key, const char* word, uint16_t hash, uint16_t slot, _Form* form);
  // Forgets every word.
  void Clear();

 private:
  struct alignas(64) RecentSet {
    Entry ways[2];  // ways[0] is the more recently used
  };
  static constexpr size_t kRecentSets = 1024;
  static constexpr size_t kEntries = size_t{1} << 19;
  static constexpr size_t kMask = kEntries - 1;

  static uint64_t Load64(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof(v));
    return v;
  }
  static uint64_t Mix(uint64_t key, uint64_t chunk) {
    key = (key ^ chunk) * 0xFF51AFD7ED558CCDull;
    return key ^ (key >> 29);
  }
  static bool Matches(const Entry& entry, uint64_t key, const char* word, const char* pool) {
    if (entry.form == nullptr || entry.check != static_cast<uint32_t>(key >> 32) ||
        Load64(entry.prefix) != Load64(word) || Load64(entry.prefix + 8) != Load64(word + 8)) {
      return false;
    }
    // Equal first 16 bytes with a terminator among them are the same word; a longer word is
    // compared whole with its entry's text.
    return word[sizeof(entry.prefix) - 1] == '\0' || SameText(entry, word, pool);
  }
  static bool SameText(const Entry& entry, const char* word, const char* pool);
  RecentSet& RecentSetOf(uint64_t key) const { return recent_[(key >> 24) & (kRecentSets - 1)]; }
  const Entry* FindBeyondRecent(RecentSet& set, uint64_t key, const char* word, const char* pool);
  const Entry* FindInTable(uint64_t key, const char* word, const char* pool) const;

  std::unique_ptr<RecentSet[]> recent_;
  platform::LargeBlock block_;
  Entry* entries_ = nullptr;  // kEntries slots in block_; null when it could not be had
  size_t count_ = 0;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_WORD_CACHE_H_
