// The word filter: which of a parser's words the index keeps, and the form it keeps them in.
// Tamsel applies it to every parsed word; the search tool applies it to query words, so that a
// query word finds exactly the entry the indexer made for it.
#ifndef ORU_INDEXER_ENGINE_WORD_FILTER_H_
#define ORU_INDEXER_ENGINE_WORD_FILTER_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace oru {

// Words shorter than this many bytes (in the code page) are dropped.
inline constexpr size_t kMinWordLength = 3;
// Only the first this many bytes of a raw word are looked at.
inline constexpr size_t kMaxRawWord = 127;
// Only words of at most this many bytes are looked up in the stop list.
inline constexpr size_t kMaxStopWordLength = 5;
// The bytes of a word the dictionary keeps: longer words are cut to this before hashing, so
// that they find their own entry again.
inline constexpr size_t kMaxWordText = 31;
// The size of the buffer a normalised word is written to (zero-filled behind the word).
inline constexpr size_t kNormalWordSize = 128;

// The words the index leaves out, compared without regard to case. Copyable.
class StopList {
 public:
  StopList() = default;
  explicit StopList(std::vector<std::string> words);

  // The list in the file at `path`, read through `fs`: one word per line (lines end at CR, LF
  // or CR LF and are taken whole, blanks included), read up to the first NUL. Empty when the
  // file cannot be read.
  static StopList Load(platform::FileSystem* fs, const std::string& path);
  static StopList Load(const std::string& path) { return Load(platform::RealFileSystem(), path); }
  // The list Tamsel and the search tool use: "Stop.lst" in the program's folder `folder`
  // (ending in the separator), read through `fs`; BesideProgram reads the disk.
  static StopList In(platform::FileSystem* fs, const std::string& folder);
  static StopList BesideProgram();

  // A list whose words are compared byte for byte: they are in the form of the words looked
  // up (a UTF-8 index's folded words, see Utf8StopList in word_forms.h).
  static StopList Exact(std::vector<std::string> words);

  bool Contains(std::string_view word) const;
  size_t size() const { return words_.size(); }
  const std::vector<std::string>& words() const { return words_; }

 private:
  std::vector<std::string> words_;  // sorted by CompareIgnoringCase, or by bytes when exact_
  bool exact_ = false;
};

// What the filter made of one raw word.
enum class WordVerdict {
  kKept,
  kTooShort,  // under kMinWordLength bytes
  kJunk,      // one repeated character, more than 4 digits, or digits only
  kStopWord,  // a word of the stop list
};

// Filters the raw word `raw` (bytes in the code page; only its first kMaxRawWord are looked
// at). A kept word is written to the kNormalWordSize-byte `normal`: up to its first NUL,
// lower-cased, cut to kMaxWordText bytes and zero-filled; `normal` is left alone otherwise.
WordVerdict FilterWord(std::string_view raw, const StopList& stop_words, char* normal);

// True for a word made of one repeated character, with more than 4 digits, or of digits only:
// bytes in the code page, or 16-bit characters (a UTF-8 index's words before folding).
template <typename Char>
bool IsJunkWord(const Char* word, int length) {
  if (length <= 0) return false;
  int digits = 0;
  for (int i = 0; i < length; ++i) {
    if (word[i] >= '0' && word[i] <= '9') ++digits;
  }
  if (digits > 4 || digits == length) return true;
  for (int i = 1; i < length; ++i) {
    if (word[i] != word[0]) return false;
  }
  return true;  // one character, repeated
}
// Copies at most 127 bytes of `in` to the 128-byte `out`, zero-filled, and lower-cases them.
bool NormaliseWord(char* out, const char* in);

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_WORD_FILTER_H_
