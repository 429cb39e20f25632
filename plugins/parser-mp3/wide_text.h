// The 16-bit text Mellic serves for a file with a usable ID3v2 tag: the fields joined by one
// space in a fixed order, and the two display forms of that text. Byte work only: no files,
// no state.
#ifndef ORU_PLUGINS_PARSER_MP3_WIDE_TEXT_H_
#define ORU_PLUGINS_PARSER_MP3_WIDE_TEXT_H_

#include <array>
#include <cstdint>
#include <string>

#include "plugins/parser-mp3/id3v2_tag.h"

namespace oru::mellic {

struct WideText {
  struct Span {
    uint32_t start = 0;
    uint32_t length = 0;  // 0: the field is absent
  };
  std::u16string text;  // holds no zero character
  std::array<Span, kFieldCount> fields;
};

// True when at least one field has text.
bool HasAnyField(const TagFields& fields);

// Gives every empty field the text of its version 1 field: the 128 tag bytes at `tag`, zero
// bytes read as spaces, converted from the system code page and tidied. A version 1.1 comment
// leaves out its zero byte and track number.
void FillFromVersion1(const uint8_t* tag, TagFields* fields);

// The fields that have text, in field order, joined by one space; cut at kMaxTextChars.
WideText JoinFields(const TagFields& fields);

// Fill `out`, `size` 16-bit characters (2 * size bytes, written as UTF-16LE): both clear it
// first and never write past it, and leave at least one zero character at the end. The raw
// form copies the text, as much as fits, and returns the characters copied. The labelled form
// writes "Title: ", "Artist: ", "Album: ", "Year: ", "Comments: ", "Album artist: " and
// "Composer: " with their fields' text, leaving out absent fields; four spaces follow every
// field but the comment, and precede a field that comes right after the comment.
uint32_t WriteWideRawFragment(const WideText& text, uint8_t* out, uint32_t size);
void WriteWideLabelledFragment(const WideText& text, uint8_t* out, uint32_t size);

}  // namespace oru::mellic

#endif  // ORU_PLUGINS_PARSER_MP3_WIDE_TEXT_H_
