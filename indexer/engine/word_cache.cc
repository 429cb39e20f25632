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
  for (size_t i = key & kMask;; i = (i + 1) & kMask) {
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
  __builtin_prefetch(&entries_[key & kMask]);
}

bool WordCache::Insert(uint64_t key, const char* word, uint16_t hash, uint16_t slot,
                       _Form* form) {
  // Half full at most, so that a search meets an unused slot soon.
  if (entries_ == nullptr || 2 * (count_ + 1) > kEntries) return false;
  size_t i = key & kMask;
  while (entries_[i].form != nullptr) i = (i + 1) & kMask;
  Entry& entry = entries_[i];
  entry.check = static_cast<uint32_t>(key >> 32);
  entry.hash = hash;
  entry.slot = slot;
  entry.form = form;
  std::memcpy(entry.prefix, word, sizeof(entry.prefix));
  ++count_;
  return true;
}

void WordCache::Clear() {
  for (size_t i = 0; i < kRecentSets; ++i) recent_[i] = RecentSet{};
  count_ = 0;
  // Fresh zero-filled memory is a table of unused slots.
  entries_ = block_.Allocate(kEntries * sizeof(Entry)) ? static_cast<Entry*>(block_.data())
                                                       : nullptr;
}

}  // namespace oru
