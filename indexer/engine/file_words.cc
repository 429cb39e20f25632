#include "indexer/engine/file_words.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/codepage.h"
#include "platform/little_endian.h"

namespace oru {

namespace {

// Copies the 16-bit word of a record's 128-byte buffer (UTF-16LE) to the 64 units of `wide`;
// returns its units, up to the first zero unit.
size_t WideUnits(const uint8_t* buffer, char16_t* wide) {
  // On a little-endian machine the buffer's bytes are the units already.
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(wide, buffer, 128);
  } else {
    for (size_t k = 0; k < 64; ++k) wide[k] = platform::ReadLe16(buffer + 2 * k);
  }
  size_t units = 0;
  while (units < 64 && wide[units] != 0) ++units;
  return units;
}

}  // namespace

FileWords::FileWords(Dictionary* dictionary, const StopList* stop_words,
                     platform::Label* words_found)
    : dictionary_(dictionary), stop_words_(stop_words), words_found_(words_found) {}

bool FileWords::NextKeptWord(GetNextWordFn next_word, WordRecord* rec, char* kept) {
  for (;;) {
    while (next_form_ < forms_.size()) {
      const WordForm& form = forms_[next_form_++];
      if (form.verdict != WordVerdict::kKept) continue;
      std::memset(kept, 0, Dictionary::kWordBytes);
      std::memcpy(kept, form.text, std::min<size_t>(form.length, kMaxWordText));
      return true;
    }
    const uint32_t before = rec->Position;
    std::memset(rec->Buffer, 0, sizeof(rec->Buffer));
    if (!next_word(rec) || rec->Position == 0) return false;
    // A plug-in that does not move on would hand out the same word forever.
    if (rec->Position <= before) return false;
    char* raw = reinterpret_cast<char*>(rec->Buffer);
    int length = rec->Length;
    if (encoding_ == TextEncoding::kUtf8) {
      // 8-bit words are in the code page. A word ends at its first zero unit or NUL, as in a
      // Windows-1252 index.
      char16_t wide[kMaxRawWord];
      size_t units = 0;
      if (rec->IsWide) {
        units = WideUnits(rec->Buffer, wide);
      } else {
        const size_t bytes = strnlen(raw, std::min<size_t>(rec->Length, kMaxRawWord));
        units = platform::AnsiToWide(raw, bytes, wide);
      }
      forms_.Make(std::u16string_view(wide, units), *utf8_stop_words_);
      next_form_ = 0;
      continue;
    }
    if (rec->IsWide) {
      char16_t wide[64];
      const size_t units = WideUnits(rec->Buffer, wide);
      // At most 64 units give at most 64 bytes, well within the 127 kept.
      length = static_cast<int>(platform::WideToAnsi(wide, units, raw));
      rec->Length = static_cast<uint16_t>(length);
    }
    if (length > static_cast<int>(kMaxRawWord)) length = kMaxRawWord;
    raw[length] = '\0';
    const std::string_view word(raw, static_cast<size_t>(length));
    char normal[kNormalWordSize];
    if (FilterWord(word, *stop_words_, normal) == WordVerdict::kKept) {
      std::memcpy(kept, normal, Dictionary::kWordBytes);
      kept[kMaxWordText] = '\0';
      return true;
    }
  }
}

void FileWords::RecordWord(const char* normal, const Dictionary::Probe& probe,
                           uint32_t file_ref, uint16_t flags, std::vector<_Dict>* words) {
  const Dictionary::Entered word = dictionary_->Enter(normal, probe, file_ref, flags);
  if (word.slot < 0) return;  // the pool or the bucket is full: the word is skipped
  if (word.outcome == AddWordOutcome::NewEntry && ++words_since_refresh_ > 999) {
    words_since_refresh_ = 0;
    if (words_found_ != nullptr) words_found_->SetCaption(std::to_string(dictionary_->word_count()));
  }
  if (word.outcome == AddWordOutcome::NewEntry || word.outcome == AddWordOutcome::FirstInFile) {
    ++posting_count_;
    words->push_back({word.hash, static_cast<uint16_t>(word.slot), word.entry});
  }
}

bool FileWords::Find(const ParserExports& parser, const std::string& type_name,
                     const std::string& path, FoundWordsSink* sink) {
  forms_.Clear();
  next_form_ = 0;
  if (parser.parse == nullptr || parser.next_word == nullptr || parser.stop == nullptr) {
    return false;
  }
  if (!parser.parse(path.c_str(), type_name.c_str())) {
    parser.stop();
    return false;
  }
  WordRecord rec{};
  rec.Capacity = sizeof(rec.Buffer);
  rec.Position = 0;
  std::vector<FoundWord> found;
  found.reserve(kBatchWords);
  FoundWord word;
  try {
    while (NextKeptWord(parser.next_word, &rec, word.text)) {
      word.key = Dictionary::Key(word.text);
      found.push_back(word);
      if (found.size() == kBatchWords) sink->Take(&found);
    }
    if (!found.empty()) sink->Take(&found);
  } catch (...) {
    // Memory exhausted, most likely: the parse is ended and the run fails with the reason.
    parser.stop();
    throw;
  }
  parser.stop();
  return true;
}

void FileWords::Enter(const std::vector<FoundWord>& found, uint32_t file_ref, uint16_t flags,
                      std::vector<_Dict>* words) {
  // The memory the dictionary will need for a word is requested kAhead words before its turn,
  // so that it has arrived when the word enters. The words still enter one by one, in order.
  constexpr size_t kAhead = 4;
  const size_t count = found.size();
  for (size_t i = 0; i < std::min(kAhead, count); ++i) {
    dictionary_->Prefetch(found[i].key, found[i].text);
  }
  for (size_t i = 0; i < count; ++i) {
    const FoundWord& word = found[i];
    const Dictionary::Probe probe = dictionary_->Look(word.key, word.text);
    if (i + kAhead < count) dictionary_->Prefetch(found[i + kAhead].key, found[i + kAhead].text);
    RecordWord(word.text, probe, file_ref, flags, words);
  }
}

}  // namespace oru
