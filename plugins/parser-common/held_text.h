// What every parser plug-in with a 16-bit text shares: the descriptor block, the one parse it
// holds, its words by the word rule, and fragments cut around a position. A plug-in keeps one
// HeldText as its module state and forwards its exports to it.
#ifndef ORU_PLUGINS_PARSER_COMMON_HELD_TEXT_H_
#define ORU_PLUGINS_PARSER_COMMON_HELD_TEXT_H_

#include <optional>
#include <string>

#include "plugin-api/parser_plugin.h"
#include "plugins/parser-common/word_rule.h"

namespace oru::parser {

// The three strings of a plug-in's descriptor block.
struct PluginStrings {
  const char* filter;        // at most 1023 bytes
  const char* description;   // at most 1023 bytes
  const char* display_name;  // at most 31 bytes
};

// Serves _GetFPlugData: clears the whole Filter field, then copies the three strings with their
// terminators (each cut to its field). False for a null block, which is left untouched.
bool FillDescriptor(const PluginStrings& strings, DescriptorBlock* block);

// The text of the last successful parse, until it is released.
class HeldText {
 public:
  // The most characters of room kept from a released text for the next parse.
  static constexpr size_t kMaxSpareChars = size_t{1} << 20;

  void Hold(std::u16string text) {
    text_ = std::move(text);
    marked_ = false;
  }
  // Drops the text; its room is kept (up to kMaxSpareChars) for TakeSpare, so that a stream of
  // documents does not hand the same memory back to the system and take it again every time.
  void Release();
  // An empty text with the room of the last one released, if it was kept.
  std::u16string TakeSpare();
  bool holding() const { return text_.has_value(); }
  const std::u16string& text() const { return *text_; }

  // Serves _GetNextWord: IsWide is set to 1 on every call with a record; false with no text or
  // no word left (the record's Buffer, Length and Position then stay as they were).
  bool NextWord(WordRecord* rec) const;

  // Serves _GetFragmentAtPos: a window of at most rec->Size characters that begins Size / 2
  // characters before rec->Position (or at the start), zero characters at its head skipped and
  // the copy ended at the first zero character. Writes back the start (Position), the
  // characters delivered (Size and Length) and IsWide = 1; the buffer (Size characters) is
  // cleared first. False with no text, no buffer or a Position at or past the end (Length 0).
  bool CutFragment(FragmentRecord* rec) const;

 private:
  std::optional<std::u16string> text_;
  std::u16string spare_;
  // The held text's word characters, marked at the first NextWord.
  mutable WordMarks marks_;
  mutable bool marked_ = false;
};

}  // namespace oru::parser

#endif  // ORU_PLUGINS_PARSER_COMMON_HELD_TEXT_H_
