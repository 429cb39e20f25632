#include "tools/oru/normalise.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/little_endian.h"
#include "tools/oru/text.h"

namespace oru::tool {

namespace {

QueryWord KindOf(WordVerdict verdict) {
  switch (verdict) {
    case WordVerdict::kKept:
      return QueryWord::kIndexable;
    case WordVerdict::kTooShort:
      return QueryWord::kTooShort;
    case WordVerdict::kJunk:
      return QueryWord::kJunk;
    case WordVerdict::kStopWord:
      return QueryWord::kStopWord;
  }
  return QueryWord::kIndexable;
}

// The word of a Windows-1252 index made of `raw` (bytes in the code page) as the indexer makes
// it: up to its first NUL and kMaxRawWord bytes, filtered, lower-cased, cut to kMaxWordText.
IndexWord CodePageWord(std::string raw, const StopList& stop_words) {
  raw.resize(std::min(raw.find('\0'), raw.size()));
  char normal[kNormalWordSize];
  const WordVerdict verdict = FilterWord(raw, stop_words, normal);
  if (verdict != WordVerdict::kKept) NormaliseWord(normal, raw.c_str());
  normal[kMaxWordText] = '\0';
  return {normal, KindOf(verdict)};
}

void Utf8Words(std::u16string_view word, const StopList& stop_words,
               std::vector<IndexWord>* words) {
  Utf8WordForms forms;
  forms.Make(word, stop_words);
  for (size_t i = 0; i < forms.size(); ++i) {
    words->push_back({std::string(forms[i].text, forms[i].length), KindOf(forms[i].verdict)});
  }
}

}  // namespace

WordRules::WordRules(TextEncoding encoding_in, const StopList& stop_list)
    : encoding(encoding_in),
      stop_words(encoding_in == TextEncoding::kUtf8 ? Utf8StopList(stop_list) : stop_list) {}

bool IndexWordsOf(std::string_view utf8, const WordRules& rules, std::vector<IndexWord>* words) {
  words->clear();
  std::u16string wide;
  if (!Utf8ToWide(utf8, &wide)) return false;
  if (rules.encoding == TextEncoding::kUtf8) {
    Utf8Words(wide, rules.stop_words, words);
  } else {
    words->push_back(CodePageWord(platform::WideToAnsi(wide), rules.stop_words));
  }
  return true;
}

void IndexWordsOf(const WordRecord& rec, const WordRules& rules, std::vector<IndexWord>* words) {
  words->clear();
  std::u16string wide;
  if (rec.IsWide) {
    // 16-bit words end at their first zero character within the buffer.
    for (size_t i = 0; i + 1 < sizeof(rec.Buffer); i += 2) {
      const char16_t unit = platform::ReadLe16(rec.Buffer + i);
      if (unit == 0) break;
      wide.push_back(unit);
    }
  }
  const size_t length = std::min<size_t>(rec.Length, kMaxRawWord);
  std::string raw(reinterpret_cast<const char*>(rec.Buffer), rec.IsWide ? 0 : length);
  if (rules.encoding == TextEncoding::kUtf8) {
    if (!rec.IsWide) wide = platform::AnsiToWide(raw.substr(0, std::min(raw.find('\0'), raw.size())));
    Utf8Words(wide, rules.stop_words, words);
  } else {
    words->push_back(CodePageWord(rec.IsWide ? platform::WideToAnsi(wide) : raw, rules.stop_words));
  }
}

bool NormalisePrefix(std::string_view utf8, TextEncoding encoding, std::string* normal) {
  normal->clear();
  std::u16string wide;
  if (!Utf8ToWide(utf8, &wide)) return false;
  if (encoding == TextEncoding::kUtf8) {
    char text[kMaxWordText];
    normal->assign(text, AppendFoldedUtf8(wide, kMaxWordText, text));
  } else {
    char text[kNormalWordSize];
    NormaliseWord(text, platform::WideToAnsi(wide).c_str());
    text[kMaxWordText] = '\0';
    *normal = text;
  }
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
