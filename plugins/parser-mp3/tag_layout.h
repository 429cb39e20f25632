// The ID3 version 1 tag: the last 128 bytes of an MP3 file, the text Mellic serves from them,
// and the two display forms of that text. Byte work only: no files, no state.
#ifndef ORU_PLUGINS_PARSER_MP3_TAG_LAYOUT_H_
#define ORU_PLUGINS_PARSER_MP3_TAG_LAYOUT_H_

#include <cstdint>
#include <string>

namespace oru::mellic {

// Tag: "TAG", title 30, artist 30, album 30, year 4, comment 30, genre 1. The text is all of it
// after the marker, so a field's text position is its tag offset minus 3.
inline constexpr uint32_t kTagSize = 128;
inline constexpr uint32_t kMarkerSize = 3;
inline constexpr uint32_t kTextLength = kTagSize - kMarkerSize;  // 125; the text ends here

// A field of the text: where it starts in the text and its length in bytes.
struct TagField {
  uint32_t position;
  uint32_t length;
  constexpr uint32_t end() const { return position + length; }
};
inline constexpr TagField kTitleField{0, 30};
inline constexpr TagField kArtistField{30, 30};
inline constexpr TagField kAlbumField{60, 30};
inline constexpr TagField kYearField{90, 4};
inline constexpr TagField kCommentField{94, 30};
inline constexpr TagField kGenreField{124, 1};
// The fields in order; they cover the text without gap.
inline constexpr TagField kTagFields[] = {kTitleField, kArtistField,  kAlbumField,
                                          kYearField,  kCommentField, kGenreField};
static_assert(kGenreField.end() == kTextLength);

// The end of the field that holds text position `position` (below kTextLength); kTextLength
// for any position at or past it.
uint32_t FieldEnd(uint32_t position);

// Fragment buffers below kMinFragmentSize get nothing; from kLabelledFragmentSize on they get
// the labelled line instead of the raw text. The raw form reports kRawFragmentLength.
inline constexpr uint32_t kMinFragmentSize = 128;
inline constexpr uint32_t kLabelledFragmentSize = 176;
inline constexpr uint32_t kRawFragmentLength = 127;

// True when the tag's first three bytes are "TAG" (upper case only).
bool HasTagMarker(const uint8_t* tag);

// Turns the kTextLength bytes at `text` into the served text: every zero byte becomes a space.
void BlankZeroBytes(uint8_t* text);

// The labelled summary of a text, without terminator: "Title: ", "Artist: ", "Album: ",
// "Year: " and "Comments: " with their fields' bytes (the comment's first 29), each without its
// trailing blanks and followed by four spaces (except the comment); a blank field and its label
// are left out. At most 177 bytes.
std::string LabelledLine(const uint8_t* text);

// Fill `out`, `size` bytes (at least kMinFragmentSize): both clear it first and never write past
// `size`. The raw form copies the text with its terminator; the labelled form copies the
// labelled line, cut to size - 1 bytes so that a terminator always follows.
void WriteRawFragment(const uint8_t* text, uint8_t* out, uint32_t size);
void WriteLabelledFragment(const uint8_t* text, uint8_t* out, uint32_t size);

}  // namespace oru::mellic

#endif  // ORU_PLUGINS_PARSER_MP3_TAG_LAYOUT_H_
