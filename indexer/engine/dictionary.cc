#include "indexer/engine/dictionary.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "indexer/engine/word_text.h"
#include "platform/md5.h"

namespace oru {

Dictionary::Dictionary(size_t pool_size)
    : pool_size_(pool_size < kWordPoolSize ? pool_size : kWordPoolSize) {
  if (!pool_block_.Allocate(kWordPoolSize) ||
      !bucket_block_.Allocate(kHashCount * sizeof(TTypedList<_Form>))) {
    throw std::bad_alloc();
  }
  pool_ = static_cast<char*>(pool_block_.data());
  buckets_ = static_cast<TTypedList<_Form>*>(bucket_block_.data());
  for (int h = 0; h < kHashCount; ++h) new (&buckets_[h]) TTypedList<_Form>();
}

Dictionary::~Dictionary() {
  for (int h = kHashCount; h-- > 0;) buckets_[h].~TTypedList();
}

std::string_view Dictionary::Text(const _Form& form) const {
  if (form.Text == _Form::kNoText || form.Text >= kWordPoolSize) return {};
  const char* text = pool_ + form.Text;
  return std::string_view(text, strnlen(text, kWordPoolSize - form.Text));
}

int32_t Dictionary::FindWord(uint16_t hash, const char* word) const {
  const TTypedList<_Form>& bucket = buckets_[hash];
  for (size_t slot = 0; slot < bucket.Count(); ++slot) {
    const uint32_t text = bucket[slot]->Text;
    if (text != _Form::kNoText && SameWord(pool_ + text, word)) {
      return static_cast<int32_t>(slot);
    }
  }
  return -1;
}

int32_t Dictionary::InsertWord(uint16_t hash, const char* word, uint32_t file_ref,
                               uint16_t flags) {
  TTypedList<_Form>& bucket = buckets_[hash];
  // Slot 0xFFFF would read as "empty" in a part's counters.
  if (bucket.Count() >= kNoSlot) return -1;
  int length = BoundedLength(word);
  if (length > static_cast<int>(kMaxWordText)) length = kMaxWordText;
  if (uint64_t{cursor_} + static_cast<uint64_t>(length) + 1 > pool_size_) return -1;
  bucket.Add(new _Form{cursor_, static_cast<uint16_t>(file_ref), flags});
  std::memcpy(pool_ + cursor_, word, static_cast<size_t>(length));
  cursor_ += static_cast<uint32_t>(length) + 1;  // the terminator is the pool's fill
  ++word_count_;
  return static_cast<int32_t>(bucket.Count() - 1);
}

Dictionary::Entered Dictionary::EnterUnknown(const char* word, const Probe& probe,
                                             uint32_t file_ref, uint16_t flags) {
  Entered entered;
  entered.hash = platform::WordHash(word, strnlen(word, kMaxWordText));
  // Every text enters the pool, so while the pool has grown only by the words the table took
  // in, the table knows every word and a word it does not know is new.
  const bool table_complete = cursor_ == word_cache_complete_to_;
  if (!table_complete) entered.slot = FindWord(entered.hash, word);
  if (entered.slot >= 0) {
    entered.entry = buckets_[entered.hash][static_cast<size_t>(entered.slot)];
    entered.outcome = Touch(entered.entry, file_ref, flags);
  } else {
    entered.slot = InsertWord(entered.hash, word, file_ref, flags);
    if (entered.slot < 0) return entered;
    entered.entry = buckets_[entered.hash][static_cast<size_t>(entered.slot)];
  }
  const bool taken = word_cache_.Insert(probe.key, word, entered.hash,
                                        static_cast<uint16_t>(entered.slot), entered.entry);
  if (table_complete && taken) word_cache_complete_to_ = cursor_;
  return entered;
}

int32_t Dictionary::AppendUntitled(uint16_t hash) {
  TTypedList<_Form>& bucket = buckets_[hash];
  if (bucket.Count() >= kNoSlot) return -1;
  bucket.Add(new _Form{_Form::kNoText, kNoFile, 0});
  ++word_count_;
  return static_cast<int32_t>(bucket.Count() - 1);
}

bool Dictionary::SetText(uint16_t hash, uint16_t slot, std::string_view text) {
  const TTypedList<_Form>& bucket = buckets_[hash];
  if (slot >= bucket.Count()) return false;
  // One byte is always left at the pool's end.
  if (cursor_ + uint64_t{text.size()} + 1 >= pool_size_) return false;
  std::memcpy(pool_ + cursor_, text.data(), text.size());
  pool_[cursor_ + text.size()] = '\0';
  bucket[slot]->Text = cursor_;
  cursor_ += static_cast<uint32_t>(text.size() + 1);
  return true;
}

bool Dictionary::EveryWordHasText() const {
  for (int h = 0; h < kHashCount; ++h) {
    for (const _Form* form : buckets_[h]) {
      if (form->Text == _Form::kNoText) return false;
    }
  }
  return true;
}

bool Dictionary::FillWordTableWith(uint16_t hash, uint16_t slot, bool out_of_order) {
  _Form* form = buckets_[hash][slot];
  if (form->Text == _Form::kNoText) return true;
  const char* text = pool_ + form->Text;
  const size_t n = strnlen(text, kMaxWordText + 1);
  if (n == 0 || n > kMaxWordText) return true;  // no parsed word has this text
  char word[kWordBytes] = {};
  std::memcpy(word, text, n);
  const uint64_t key = Key(word);
  // In the table already (entered first, or an earlier slot of its bucket has the text), or a
  // parsed word with this text looks in another bucket: nothing to enter.
  if (word_cache_.Find(key, word, pool_) != nullptr || platform::WordHash(text, n) != hash) {
    return true;
  }
  // A text of the bucket that an earlier slot also has is found at the earlier slot (in bucket
  // order that slot came first and is in the table).
  for (size_t earlier = 0; out_of_order && earlier < slot; ++earlier) {
    const uint32_t other = buckets_[hash][earlier]->Text;
    if (other != _Form::kNoText && SameWord(pool_ + other, word)) return true;
  }
  return word_cache_.Insert(key, word, hash, slot, form);
}

void Dictionary::FillWordTable(const std::vector<uint32_t>& first,
                               const std::function<bool()>& go_on) {
  for (size_t i = 0; i < first.size(); ++i) {
    if (i % 256 == 0 && !go_on()) return;
    const auto hash = static_cast<uint16_t>(first[i] >> 16);
    const auto slot = static_cast<uint16_t>(first[i]);
    if (slot >= buckets_[hash].Count()) continue;
    if (!FillWordTableWith(hash, slot, true)) return;  // the table is full: the buckets answer the rest
  }
  for (int h = 0; h < kHashCount; ++h) {
    if (h % 256 == 0 && !go_on()) return;
    const auto hash = static_cast<uint16_t>(h);
    for (size_t slot = 0; slot < buckets_[hash].Count(); ++slot) {
      if (!FillWordTableWith(hash, static_cast<uint16_t>(slot), false)) return;
    }
  }
  // Every text Enter could find in a bucket is in the table now.
  word_cache_complete_to_ = cursor_;
}

uint32_t Dictionary::PartWordCount(int part) const {
  uint32_t words = 0;
  const int first = part * 1024;
  for (int h = first; h < first + 1024; ++h) words += static_cast<uint32_t>(buckets_[h].Count());
  return words;
}

void Dictionary::Reset() {
  word_count_ = 0;
  word_cache_.Clear();
  for (int h = 0; h < kHashCount; ++h) buckets_[h].Clear();
  std::memset(pool_, 0, cursor_);
  cursor_ = 0;
  word_cache_complete_to_ = 0;
}

}  // namespace oru
