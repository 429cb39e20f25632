// The word rule that both parser plug-ins apply to their held text: a word is a run of word
// characters, where a word character is a letter or digit, or a '_' or '-' not followed by
// another of the same. Runs of one character are skipped, except right before the end.
#ifndef ORU_PLUGINS_PARSER_COMMON_WORD_RULE_H_
#define ORU_PLUGINS_PARSER_COMMON_WORD_RULE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin-api/parser_plugin.h"

namespace oru::parser {

// A word found in a text: characters [start, end).
struct WordSpan {
  uint32_t start = 0;
  uint32_t end = 0;
};

// Finds the next word of text[0, text_end) at or after `position`. The character after the
// last one (the look-ahead at text_end) counts as a zero character; text[text_end] is never
// read. False when no word is left.
bool FindNextWord(const uint8_t* text, uint32_t text_end, uint32_t position, WordSpan* word);
bool FindNextWord(const char16_t* text, uint32_t text_end, uint32_t position, WordSpan* word);

// Serves one _GetNextWord call over a held text: finds the word at rec->Position, copies its
// first min(Capacity, 128, its size in bytes) bytes into Buffer, sets Length and moves Position
// past the word. Past the word, Buffer's bytes are left as they were or cleared (up to the
// 32nd, where Capacity allows), never anything else: callers read a word up to a zero unit.
// With no word the record is left as it was and the result is false. IsWide is the caller's
// to set.
bool NextWordInto(const uint8_t* text, uint32_t text_end, WordRecord* rec);
bool NextWordInto(const char16_t* text, uint32_t text_end, WordRecord* rec);

// The word characters of one 16-bit text, marked once so that its words are found without
// classifying each character again for every word: the same words as NextWordInto over the
// text, at a fraction of the cost per word.
class WordMarks {
 public:
  // Marks text[0, text_end); the text must not change while its marks are used.
  void Mark(const char16_t* text, uint32_t text_end);
  // NextWordInto over the marked text.
  bool NextWordInto(const char16_t* text, uint32_t text_end, WordRecord* rec) const;
  // Forgets the marks; their room is kept up to `keep_words` words of 64 marks.
  void Clear(size_t keep_words);

 private:
  std::vector<uint64_t> bits_;  // bit k % 64 of bits_[k / 64]: text[k] is a word character
};

}  // namespace oru::parser

#endif  // ORU_PLUGINS_PARSER_COMMON_WORD_RULE_H_
