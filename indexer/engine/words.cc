// ExtractWords: the filters between a parser plug-in's words and the dictionary.
#include <algorithm>
#include <cstring>

#include "indexer/engine/indexer.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/md5.h"

namespace oru {

bool IsJunkWord(const char* word, int length) {
  if (length <= 0) return false;
  bool all_same = true;
  int digits = 0;
  for (int i = 0; i < length; ++i) {
    if (word[i] != word[0]) all_same = false;
    if (word[i] >= '0' && word[i] <= '9') ++digits;
  }
  return all_same || digits > 4 || digits == length;
}

bool NormaliseWord(char* out, const char* in) {
  if (out == nullptr) return false;
  std::memset(out, 0, 128);
  int length = BoundedLength(in);
  if (length == 0) return true;
  if (length == 128) length = 127;
  std::memcpy(out, in, static_cast<size_t>(length));
  platform::LowerAnsi(out, static_cast<size_t>(length));
  return true;
}

void TIndexer::LoadStopWords() {
  StopWords.clear();
  std::string text;
  if (platform::ReadWholeFile(StopListPath, &text) != platform::Result::kOk) return;
  // Reading stops at the first NUL; lines end at CR, LF or CR LF and are taken whole (P13).
  text.resize(strnlen(text.data(), text.size()));
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    StopWords.emplace_back(text, start, end - start);
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  std::sort(StopWords.begin(), StopWords.end(), [](const std::string& a, const std::string& b) {
    return platform::CompareIgnoringCase(a, b) < 0;
  });
}

bool TIndexer::IsStopWord(std::string_view word) const {
  auto it = std::lower_bound(
      StopWords.begin(), StopWords.end(), word,
      [](const std::string& a, std::string_view b) { return platform::CompareIgnoringCase(a, b) < 0; });
  return it != StopWords.end() && platform::CompareIgnoringCase(*it, word) == 0;
}

void TIndexer::ExtractWords(const std::string& file_name, uint32_t file_ref, uint16_t flags) {
  if (ParseIt == nullptr || GetNextWord == nullptr || StopParse == nullptr) return;
  if (!ParseIt(file_name.c_str(), ParserArg.c_str())) {
    StopParse();
    return;
  }
  WordRecord rec{};
  rec.Capacity = sizeof(rec.Buffer);
  rec.Position = 0;
  char normal[128];
  try {
    for (;;) {
      const uint32_t before = rec.Position;
      std::memset(rec.Buffer, 0, sizeof(rec.Buffer));
      if (!GetNextWord(&rec) || rec.Position == 0) break;
      // A plug-in that does not move on would hand out the same word forever (F25).
      if (rec.Position <= before) break;
      char* raw = reinterpret_cast<char*>(rec.Buffer);
      int length = rec.Length;
      if (rec.IsWide) {
        char16_t wide[64];
        size_t units = 0;
        for (; units < 64; ++units) {
          const auto unit = static_cast<char16_t>(rec.Buffer[2 * units] |
                                                  (rec.Buffer[2 * units + 1] << 8));
          if (unit == 0) break;
          wide[units] = unit;
        }
        const std::string ansi = platform::WideToAnsi(std::u16string_view(wide, units));
        length = static_cast<int>(std::min<size_t>(ansi.size(), 127));
        std::memcpy(raw, ansi.data(), static_cast<size_t>(length));
        rec.Length = static_cast<uint16_t>(length);
      }
      if (length < 3) continue;
      if (length >= 128) length = 127;
      raw[length] = '\0';
      if (IsJunkWord(raw, length)) continue;
      NormaliseWord(normal, raw);
      if (length <= 5 && IsStopWord(std::string_view(raw, static_cast<size_t>(length)))) continue;
      // Long words are cut to what the dictionary keeps before hashing, so that they find
      // their own entry again (F4).
      normal[kMaxWordText] = '\0';
      const uint16_t hash = platform::WordHash(normal, strnlen(normal, kMaxWordText));
      int32_t slot = -1;
      const AddWordOutcome outcome = AddWord(hash, normal, file_ref, flags, &slot);
      if (slot < 0) continue;  // the pool or the bucket is full: the word is skipped (F5)
      if (outcome == AddWordOutcome::NewEntry) {
        ++WordsFound;
        if (++WordsSinceRefresh > 999) {
          WordsSinceRefresh = 0;
          Show(WordsFoundLabel, std::to_string(WordsFound));
        }
        if (HashSlots[hash] == kNoSlot || HashSlots[hash] <= slot) {
          HashSlots[hash] = static_cast<uint16_t>(slot);
        }
      }
      if (outcome == AddWordOutcome::NewEntry || outcome == AddWordOutcome::FirstInFile) {
        ++PostingCount;
        FileWords->Add(new _Dict{hash, static_cast<uint16_t>(slot)});
      }
    }
  } catch (...) {
    // What was recorded so far stays; the file's words end here.
  }
  StopParse();
}

}  // namespace oru
