#include "tools/oru/normalise.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/little_endian.h"
#include "tools/oru/text.h"

namespace oru::tool {

namespace {

// The word as the indexer enters it: up to its first NUL and kMaxRawWord bytes, lower-cased,
// cut to kMaxWordText bytes.
std::string Normalise(const std::string& raw) {
  char normal[kNormalWordSize];
  NormaliseWord(normal, raw.c_str());
  normal[kMaxWordText] = '\0';
  return normal;
}

}  // namespace

QueryWord NormaliseQueryWord(std::string_view utf8, const StopList& stop_words,
                             std::string* normal) {
  normal->clear();
  std::u16string wide;
  if (!Utf8ToWide(utf8, &wide)) return QueryWord::kNotUtf8;
  std::string raw = platform::WideToAnsi(wide);
  // A NUL ends a word's text in the indexer.
  raw.resize(std::min(raw.find('\0'), raw.size()));
  char kept[kNormalWordSize];
  switch (FilterWord(raw, stop_words, kept)) {
    case WordVerdict::kTooShort:
      return QueryWord::kTooShort;
    case WordVerdict::kJunk:
      return QueryWord::kJunk;
    case WordVerdict::kStopWord:
      return QueryWord::kStopWord;
    case WordVerdict::kKept:
      break;
  }
  *normal = kept;
  return QueryWord::kIndexable;
}

bool NormaliseUnfiltered(std::string_view utf8, std::string* normal) {
  normal->clear();
  std::u16string wide;
  if (!Utf8ToWide(utf8, &wide)) return false;
  *normal = Normalise(platform::WideToAnsi(wide));
  return true;
}

bool SplitPhrase(std::string_view utf8, std::vector<std::string>* words) {
  words->clear();
  std::u16string wide;
  if (!Utf8ToWide(utf8, &wide)) return false;
  std::u16string word;
  for (size_t i = 0; i <= wide.size(); ++i) {
    const char16_t c = i < wide.size() ? wide[i] : u' ';
    if (platform::IsWideAlphaNumeric(c) || c == u'-' || c == u'_') {
      word.push_back(c);
    } else if (!word.empty()) {
      words->push_back(WideToUtf8(word));
      word.clear();
    }
  }
  return true;
}

bool IsKeptWord(const std::string& normal, const StopList& stop_words) {
  char kept[kNormalWordSize];
  return FilterWord(normal, stop_words, kept) == WordVerdict::kKept;
}

std::string NormaliseParsedWord(const WordRecord& rec) {
  std::string raw;
  if (rec.IsWide) {
    // 16-bit words end at their first zero character within the buffer.
    std::u16string wide;
    for (size_t i = 0; i + 1 < sizeof(rec.Buffer); i += 2) {
      const char16_t unit = platform::ReadLe16(rec.Buffer + i);
      if (unit == 0) break;
      wide.push_back(unit);
    }
    raw = platform::WideToAnsi(wide);
  } else {
    const size_t length = std::min<size_t>(rec.Length, sizeof(rec.Buffer));
    raw.assign(reinterpret_cast<const char*>(rec.Buffer), length);
  }
  return Normalise(raw);
}

const char* QueryWordProblem(QueryWord state) {
  switch (state) {
    case QueryWord::kIndexable:
      return "";
    case QueryWord::kNotUtf8:
      return "is not valid UTF-8";
    case QueryWord::kTooShort:
      return "is shorter than 3 characters, and the indexer keeps no such word";
    case QueryWord::kJunk:
      return "is a run of one character or mostly digits, and the indexer keeps no such word";
    case QueryWord::kStopWord:
      return "is a stop word, and the indexer keeps no such word";
  }
  return "";
}

}  // namespace oru::tool
