// The two text encodings an index keeps its words and paths in, and the words a UTF-8 index
// makes of one parsed word. A Windows-1252 index keeps a parsed word as one word, converted to
// the code page (word_filter.h). A UTF-8 index keeps every script: a parsed word is folded to
// small letters by Unicode's simple case folding, and where it holds letters of Han, Hiragana,
// Katakana or Hangul, which are written without spaces between words, each run of them gives
// its overlapping pairs of characters (a lone character gives itself), and each other run of
// the word is a word of its own, filtered as in a Windows-1252 index but counting characters.
// The indexer and the search tool both make words here, so that a query finds what was kept.
#ifndef ORU_INDEXER_ENGINE_WORD_FORMS_H_
#define ORU_INDEXER_ENGINE_WORD_FORMS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "indexer/engine/word_filter.h"

namespace oru {

enum class TextEncoding : uint8_t { kWindows1252, kUtf8 };

// "Windows-1252" or "UTF-8", as records and settings write them.
const char* EncodingName(TextEncoding encoding);
// The encoding a record or setting names (letter case aside); nothing for any other text.
std::optional<TextEncoding> EncodingByName(std::string_view name);

// Only the first this many 16-bit units of a parsed word are looked at: what a parser hands
// out at most (its 128-byte buffer).
inline constexpr size_t kMaxWordUnits = 64;

// One word a UTF-8 index makes of a parsed word: folded, in UTF-8, cut to at most kMaxWordText
// bytes at a character boundary. `verdict` says whether the index keeps it; a word it leaves
// out still has its text (a phrase's words are compared in this form, kept or not).
struct WordForm {
  char text[kMaxWordText + 1];  // NUL-terminated
  uint8_t length;
  WordVerdict verdict;
};

// The words of one parsed word, in their order. Reused from word to word without allocating.
class Utf8WordForms {
 public:
  // Makes the words of `word` (16-bit units; only its first kMaxWordUnits are looked at),
  // filtering the words that are not pairs with `stop_words` (its UTF-8 form, see
  // StopList::Folded).
  void Make(std::u16string_view word, const StopList& stop_words);

  void Clear() { count_ = 0; }
  size_t size() const { return count_; }
  const WordForm& operator[](size_t i) const { return forms_[i]; }

 private:
  // Makes the one word of a word of ASCII characters.
  void MakeAscii(std::u16string_view word, const StopList& stop_words);
  // Appends the folded units [begin, end) of `word` as a word with `verdict`.
  void Add(const char16_t* begin, const char16_t* end, WordVerdict verdict);

  std::array<WordForm, kMaxWordUnits> forms_;
  size_t count_ = 0;
};

// The stop list of a UTF-8 index: each word of `list` (its bytes in UTF-8 when they are valid
// UTF-8, else in the code page) folded as a UTF-8 index folds words, compared byte for byte.
StopList Utf8StopList(const StopList& list);

// Appends the UTF-8 form of `units` folded by simple case folding to `out`, cut to at most
// `max_bytes` at a character boundary (a surrogate pair is one character; a lone surrogate
// becomes U+FFFD). Returns the bytes appended.
size_t AppendFoldedUtf8(std::u16string_view units, size_t max_bytes, char* out);

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_WORD_FORMS_H_
