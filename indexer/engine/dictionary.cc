// The in-memory dictionary: 65,536 buckets of entries whose texts live in the word pool.
#include <cstring>

#include "indexer/engine/indexer.h"
#include "platform/md5.h"

namespace oru {

int BoundedLength(const char* text) {
  return text == nullptr ? 0 : static_cast<int>(strnlen(text, 128));
}

bool SameWord(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return false;
  for (int i = 0; i < 128; ++i) {
    if (a[i] != b[i]) return false;
    if (a[i] == '\0') return true;
  }
  return true;
}

std::string_view TIndexer::WordText(const _Form& form) const {
  if (form.Text == _Form::kNoText || form.Text >= kWordPoolSize) return {};
  const char* text = WordPool + form.Text;
  return std::string_view(text, strnlen(text, kWordPoolSize - form.Text));
}

int32_t TIndexer::FindWord(uint16_t hash, const char* word) const {
  const TTypedList<_Form>& bucket = WordBuckets[hash];
  for (size_t slot = 0; slot < bucket.Count(); ++slot) {
    const uint32_t text = bucket[slot]->Text;
    if (text != _Form::kNoText && SameWord(WordPool + text, word)) {
      return static_cast<int32_t>(slot);
    }
  }
  return -1;
}

int32_t TIndexer::InsertWord(uint16_t hash, const char* word, uint32_t file_ref, uint16_t flags) {
  TTypedList<_Form>& bucket = WordBuckets[hash];
  // Slot 0xFFFF would read as "empty" in the slot table.
  if (bucket.Count() >= kNoSlot) return -1;
  int length = BoundedLength(word);
  if (length > static_cast<int>(kMaxWordText)) length = kMaxWordText;
  if (uint64_t{WordPoolCursor} + static_cast<uint64_t>(length) + 1 > WordPoolEnd) return -1;
  bucket.Add(new _Form{WordPoolCursor, static_cast<uint16_t>(file_ref), flags});
  std::memcpy(WordPool + WordPoolCursor, word, static_cast<size_t>(length));
  WordPoolCursor += static_cast<uint32_t>(length) + 1;  // the terminator is the pool's fill
  return static_cast<int32_t>(bucket.Count() - 1);
}

namespace {

// TouchWord on the entry itself.
int Touch(_Form* form, uint32_t file_ref, uint16_t flags) {
  const auto file = static_cast<uint16_t>(file_ref);
  if (form->LastFile != file) {
    form->LastFile = file;
    form->Flags = flags;
    return 1;
  }
  if ((form->Flags & 0xFF) != (flags & 0xFF)) {
    form->Flags = static_cast<uint16_t>(form->Flags | (flags & 0xFF));
    return 0;
  }
  return -1;
}

AddWordOutcome OutcomeOfTouch(int touched) {
  switch (touched) {
    case 1:
      return AddWordOutcome::FirstInFile;
    case 0:
      return AddWordOutcome::FlagsMerged;
    default:
      return AddWordOutcome::AlreadyRecorded;
  }
}

}  // namespace

int TIndexer::TouchWord(uint16_t hash, int32_t slot, uint32_t file_ref, uint16_t flags) {
  return Touch(WordBuckets[hash][static_cast<size_t>(slot)], file_ref, flags);
}

AddWordOutcome TIndexer::AddWord(uint16_t hash, const char* word, uint32_t file_ref,
                                 uint16_t flags, int32_t* slot) {
  const int32_t found = FindWord(hash, word);
  if (found >= 0) {
    *slot = found;
    return OutcomeOfTouch(TouchWord(hash, found, file_ref, flags));
  }
  *slot = InsertWord(hash, word, file_ref, flags);
  return AddWordOutcome::NewEntry;
}

AddWordOutcome TIndexer::EnterWord(const char* word, uint64_t key,
                                   const WordCache::Entry* cached, uint32_t file_ref,
                                   uint16_t flags, uint16_t* hash, int32_t* slot, _Form** entry) {
  if (cached != nullptr) {
    *hash = cached->hash;
    *slot = cached->slot;
    *entry = cached->form;
    return OutcomeOfTouch(Touch(cached->form, file_ref, flags));
  }
  *hash = platform::WordHash(word, strnlen(word, kMaxWordText));
  // Every text enters the pool, so while the pool has grown only by the words the table took
  // in, the table knows every word of the dictionary and a word it does not know is new.
  const bool table_complete = WordPoolCursor == word_cache_complete_to_;
  AddWordOutcome outcome = AddWordOutcome::NewEntry;
  if (table_complete) {
    *slot = InsertWord(*hash, word, file_ref, flags);
  } else {
    outcome = AddWord(*hash, word, file_ref, flags, slot);
  }
  if (*slot >= 0) {
    *entry = WordBuckets[*hash][static_cast<size_t>(*slot)];
    const bool taken =
        word_cache_.Insert(key, word, *hash, static_cast<uint16_t>(*slot), *entry);
    if (table_complete && taken) word_cache_complete_to_ = WordPoolCursor;
  }
  return outcome;
}

void TIndexer::ResetDictionary() {
  WordsFound = 0;
  FileCount = 0;
  word_cache_.Clear();
  WordBuckets.reset(new TTypedList<_Form>[kHashCount]);
  std::memset(WordPool, 0, WordPoolCursor);
  WordPoolCursor = 0;
  word_cache_complete_to_ = 0;
  std::fill(std::begin(HashSlots), std::end(HashSlots), kNoSlot);
  deferred_logs_.reset();
  reloaded_words_ = {};
  word_list_canonical_ = false;
}

}  // namespace oru
