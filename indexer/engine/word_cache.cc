#include "indexer/engine/word_cache.h"

#include <cstring>
#include <utility>

#include "indexer/engine/word_text.h"

namespace oru {

WordCache::WordCache() : recent_(new RecentSet[kRecentSets]) { Clear(); }

bool WordCache::SameText(const Entry& entry, const char* word, const char* pool) {
  const uint32_t text = entry.form->Text;
  return text != _Form::kNoText && SameWord(pool + text, word);
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

const WordCache::Entry* WordCache::FindBeyondRecent(RecentSet& set, uint64_t key,
                                                    const char* word, const char* pool) {
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
  // A table that never took a word is all unused slots still, and the recent sets are filled
  // only from it.
  if (entries_ != nullptr && count_ == 0) return;
  for (size_t i = 0; i < kRecentSets; ++i) recent_[i] = RecentSet{};
  count_ = 0;
  // Fresh zero-filled memory is a table of unused slots.
  entries_ = block_.Allocate(kEntries * sizeof(Entry)) ? static_cast<Entry*>(block_.data())
                                                       : nullptr;
}

}  // namespace oru
