#include "indexer/engine/word_cache.h"

#include <cstring>
#include <utility>

#include "indexer/engine/indexer.h"

namespace oru {
namespace {

uint64_t Load64(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

}  // namespace

WordCache::WordCache() : recent_(new RecentSet[kRecentSets]) { Clear(); }

uint64_t WordCache::Key(const char* word) {
  uint64_t key = 0x9E3779B97F4A7C15ull;
  for (size_t i = 0; i < kWordBytes; i += 8) {
    key = (key ^ Load64(word + i)) * 0xFF51AFD7ED558CCDull;
    key ^= key >> 29;
  }
  return key;
}

bool WordCache::Matches(const Entry& entry, uint64_t key, const char* word, const char* pool) {
  if (entry.form == nullptr || entry.check != static_cast<uint32_t>(key >> 32) ||
      Load64(entry.prefix) != Load64(word) || Load64(entry.prefix + 8) != Load64(word + 8)) {
    return false;
  }
  // Equal first 16 bytes with a terminator among them are the same word; a longer word is
  // compared whole with its entry's text.
  if (word[sizeof(entry.prefix) - 1] == '\0') return true;
  const uint32_t text = entry.form->Text;
  return text != _Form::kNoText && SameWord(pool + text, word);
}

WordCache::RecentSet& WordCache::RecentSetOf(uint64_t key) const {
  return recent_[(key >> 24) & (kRecentSets - 1)];
}

const WordCache::Entry* WordCache::FindInTable(uint64_t key, const char* word,
                                               const char* pool) const {
  if (entries_ == nullptr) return nullptr;
  const size_t mask = capacity_ - 1;
  for (size_t i = key & mask;; i = (i + 1) & mask) {
    const Entry& entry = entries_[i];
    if (entry.form == nullptr) return nullptr;
    if (Matches(entry, key, word, pool)) return &entry;
  }
}

const WordCache::Entry* WordCache::Find(uint64_t key, const char* word, const char* pool) {
  RecentSet& set = RecentSetOf(key);
  if (Matches(set.ways[0], key, word, pool)) return &set.ways[0];
  if (Matches(set.ways[1], key, word, pool)) {
    std::swap(set.ways[0], set.ways[1]);
    return &set.ways[0];
  }
  const Entry* found = FindInTable(key, word, pool);
  if (found == nullptr) return nullptr;
  set.ways[1] = set.ways[0];
  set.ways[0] = *found;
  return &set.ways[0];
}

void WordCache::Prefetch(uint64_t key, const char* word, const char* pool) const {
  const RecentSet& set = RecentSetOf(key);
  if (entries_ == nullptr || Matches(set.ways[0], key, word, pool) ||
      Matches(set.ways[1], key, word, pool)) {
    return;
  }
  __builtin_prefetch(&entries_[key & (capacity_ - 1)]);
}

void WordCache::Insert(uint64_t key, const char* word, uint16_t hash, uint16_t slot,
                       _Form* form, const char* pool) {
  if (entries_ == nullptr) return;
  if (2 * (count_ + 1) > capacity_ && (capacity_ >= kMaxEntries || !Grow(pool))) return;
  const size_t mask = capacity_ - 1;
  size_t i = key & mask;
  while (entries_[i].form != nullptr) i = (i + 1) & mask;
  Entry& entry = entries_[i];
  entry.check = static_cast<uint32_t>(key >> 32);
  entry.hash = hash;
  entry.slot = slot;
  entry.form = form;
  std::memcpy(entry.prefix, word, sizeof(entry.prefix));
  ++count_;
}

WordCache::Entry* WordCache::Allocate(size_t capacity, platform::LargeBlock* block) {
  // Zero-filled memory is a table of unused slots.
  if (!block->Allocate(capacity * sizeof(Entry))) return nullptr;
  return static_cast<Entry*>(block->data());
}

bool WordCache::Grow(const char* pool) {
  platform::LargeBlock block;
  Entry* entries = Allocate(2 * capacity_, &block);
  if (entries == nullptr) return false;
  const size_t mask = 2 * capacity_ - 1;
  for (size_t j = 0; j < capacity_; ++j) {
    const Entry& old = entries_[j];
    if (old.form == nullptr) continue;
    // The key again, from the prefix when it holds the whole word, else from the pool.
    char word[kWordBytes] = {};
    if (old.prefix[sizeof(old.prefix) - 1] == '\0') {
      std::memcpy(word, old.prefix, sizeof(old.prefix));
    } else if (old.form->Text != _Form::kNoText) {
      const char* text = pool + old.form->Text;
      std::memcpy(word, text, strnlen(text, kWordBytes - 1));
    } else {
      continue;  // cannot happen: a word in the table has its text
    }
    size_t i = Key(word) & mask;
    while (entries[i].form != nullptr) i = (i + 1) & mask;
    entries[i] = old;
  }
  block_ = std::move(block);
  entries_ = entries;
  capacity_ *= 2;
  return true;
}

void WordCache::Clear() {
  for (size_t i = 0; i < kRecentSets; ++i) recent_[i] = RecentSet{};
  count_ = 0;
  capacity_ = kMinEntries;
  entries_ = Allocate(capacity_, &block_);
  if (entries_ == nullptr) capacity_ = 0;  // no table: every word takes the slow way
}

}  // namespace oru
