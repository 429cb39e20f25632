#include "indexer/engine/word_forms.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/unicode.h"
#include "platform/utf8.h"

namespace oru {

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

const char* EncodingName(TextEncoding encoding) {
  return encoding == TextEncoding::kUtf8 ? "UTF-8" : "Windows-1252";
}

std::optional<TextEncoding> EncodingByName(std::string_view name) {
  const auto same = [name](std::string_view known) {
    if (name.size() != known.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
      const char a = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] + 32) : name[i];
      const char b =
          known[i] >= 'A' && known[i] <= 'Z' ? static_cast<char>(known[i] + 32) : known[i];
      if (a != b) return false;
    }
    return true;
  };
  if (same("UTF-8")) return TextEncoding::kUtf8;
  if (same("Windows-1252")) return TextEncoding::kWindows1252;
  return std::nullopt;
}

size_t AppendFoldedUtf8(std::u16string_view units, size_t max_bytes, char* out) {
  size_t written = 0;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = platform::FoldCase(units[i]);
    if (IsHighSurrogate(c) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = 0xFFFD;
    }
    char bytes[4];
    const size_t n = platform::PutUtf8(c, bytes);
    if (written + n > max_bytes) break;
    std::memcpy(out + written, bytes, n);
    written += n;
  }
  return written;
}

StopList Utf8StopList(const StopList& list) {
  std::vector<std::string> words;
  for (const std::string& word : list.words()) {
    std::u16string units;
    size_t at = 0;
    char32_t c = 0;
    while (at < word.size() && platform::NextUtf8(word, &at, &c)) platform::AppendUtf16(c, &units);
    if (at < word.size()) units = platform::AnsiToWide(word);
    std::string folded(4 * units.size(), '\0');
    folded.resize(AppendFoldedUtf8(units, folded.size(), folded.data()));
    words.push_back(std::move(folded));
  }
  return StopList::Exact(std::move(words));
}

void Utf8WordForms::MakeAscii(std::u16string_view word, const StopList& stop_words) {
  WordForm& form = forms_[count_++];
  const size_t length = std::min(word.size(), kMaxWordText);
  for (size_t i = 0; i < length; ++i) {
    const char c = static_cast<char>(word[i]);
    form.text[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  }
  form.text[length] = '\0';
  form.length = static_cast<uint8_t>(length);
  const char16_t* begin = word.data();
  const char16_t* end = begin + word.size();
  if (word.size() < kMinWordLength) {
    form.verdict = WordVerdict::kTooShort;
  } else if (IsJunkWord(begin, static_cast<int>(end - begin))) {
    form.verdict = WordVerdict::kJunk;
  } else if (word.size() <= kMaxStopWordLength &&
             stop_words.Contains(std::string_view(form.text, form.length))) {
    form.verdict = WordVerdict::kStopWord;
  } else {
    form.verdict = WordVerdict::kKept;
  }
}

void Utf8WordForms::Add(const char16_t* begin, const char16_t* end, WordVerdict verdict) {
  WordForm& form = forms_[count_++];
  form.length = static_cast<uint8_t>(AppendFoldedUtf8(
      std::u16string_view(begin, static_cast<size_t>(end - begin)), kMaxWordText, form.text));
  form.text[form.length] = '\0';
  form.verdict = verdict;
}

void Utf8WordForms::Make(std::u16string_view word, const StopList& stop_words) {
  count_ = 0;
  if (word.size() > kMaxWordUnits) word = word.substr(0, kMaxWordUnits);
  // Most words are ASCII: one word, folded by lower-casing, in one pass.
  char16_t any = 0;
  for (const char16_t c : word) any |= c;
  if (any < 0x80 && !word.empty()) return MakeAscii(word, stop_words);
  const char16_t* const end = word.data() + word.size();
  const char16_t* run = word.data();
  while (run < end) {
    const bool paired = platform::IsPairedScript(*run);
    const char16_t* run_end = run + 1;
    while (run_end < end && platform::IsPairedScript(*run_end) == paired) ++run_end;
    if (paired) {
      if (run_end - run == 1) Add(run, run_end, WordVerdict::kKept);
      for (const char16_t* c = run; c + 1 < run_end; ++c) Add(c, c + 2, WordVerdict::kKept);
    } else if (run_end - run < static_cast<ptrdiff_t>(kMinWordLength)) {
      Add(run, run_end, WordVerdict::kTooShort);
    } else if (IsJunkWord(run, static_cast<int>(run_end - run))) {
      Add(run, run_end, WordVerdict::kJunk);
    } else {
      Add(run, run_end, WordVerdict::kKept);
      WordForm& form = forms_[count_ - 1];
      if (run_end - run <= static_cast<ptrdiff_t>(kMaxStopWordLength) &&
          stop_words.Contains(std::string_view(form.text, form.length))) {
        form.verdict = WordVerdict::kStopWord;
      }
    }
    run = run_end;
  }
}

}  // namespace oru
