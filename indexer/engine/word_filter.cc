#include "indexer/engine/word_filter.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "platform/folders.h"

namespace oru {

namespace {

constexpr char kStopListName[] = "Stop.lst";

bool LessIgnoringCase(std::string_view a, std::string_view b) {
  return platform::CompareIgnoringCase(a, b) < 0;
}

// Writes the first `length` bytes of `in` (at most kMaxRawWord) to `out`, zero-filled behind
// them, lower-cased. Kept out of line: where the copy's small bound is known, the compiler
// copies with a string instruction that is several times slower than the library's copy for
// words of a few bytes, and this runs for every word of every file.
[[gnu::noinline]] void Normalise(const char* in, size_t length, char* out) {
  std::memset(out, 0, kNormalWordSize);
  if (length > 0) std::memcpy(out, in, length);
  platform::LowerAnsi(out, length);
}

}  // namespace

StopList::StopList(std::vector<std::string> words) : words_(std::move(words)) {
  std::sort(words_.begin(), words_.end(), LessIgnoringCase);
}

StopList StopList::Load(platform::FileSystem* fs, const std::string& path) {
  std::string text;
  if (!fs->ReadWhole(path, &text).ok()) return StopList();
  // Reading stops at the first NUL; lines end at CR, LF or CR LF and are taken whole.
  text.resize(strnlen(text.data(), text.size()));
  std::vector<std::string> words;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    words.emplace_back(text, start, end - start);
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return StopList(std::move(words));
}

StopList StopList::In(platform::FileSystem* fs, const std::string& folder) {
  return Load(fs, folder + kStopListName);
}

StopList StopList::BesideProgram() {
  return In(platform::RealFileSystem(), platform::ProgramFolder());
}

StopList StopList::Exact(std::vector<std::string> words) {
  StopList list;
  list.words_ = std::move(words);
  std::sort(list.words_.begin(), list.words_.end());
  list.exact_ = true;
  return list;
}

bool StopList::Contains(std::string_view word) const {
  if (exact_) return std::binary_search(words_.begin(), words_.end(), word);
  const auto it = std::lower_bound(words_.begin(), words_.end(), word, LessIgnoringCase);
  return it != words_.end() && platform::CompareIgnoringCase(*it, word) == 0;
}

WordVerdict FilterWord(std::string_view raw, const StopList& stop_words, char* normal) {
  if (raw.size() < kMinWordLength) return WordVerdict::kTooShort;
  raw = raw.substr(0, kMaxRawWord);
  if (IsJunkWord(raw.data(), static_cast<int>(raw.size()))) return WordVerdict::kJunk;
  // The stop list is looked up with the word's bytes as given, NULs included.
  if (raw.size() <= kMaxStopWordLength && stop_words.Contains(raw)) return WordVerdict::kStopWord;
  Normalise(raw.data(), strnlen(raw.data(), raw.size()), normal);  // at most kMaxRawWord
  normal[kMaxWordText] = '\0';
  return WordVerdict::kKept;
}

bool NormaliseWord(char* out, const char* in) {
  if (out == nullptr) return false;
  Normalise(in, in == nullptr ? 0 : strnlen(in, kMaxRawWord), out);
  return true;
}

}  // namespace oru
