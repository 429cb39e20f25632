// The bodies of ID3v2 text and comment frames: an encoding byte, then zero-terminated strings
// in that encoding. Byte work only: no files, no state.
#ifndef ORU_PLUGINS_PARSER_MP3_ID3V2_TEXT_H_
#define ORU_PLUGINS_PARSER_MP3_ID3V2_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace oru::mellic {

// The most characters (16-bit units) of text one tag gives; a field is also cut here.
inline constexpr size_t kMaxTextChars = size_t{1} << 20;

// The text of a text frame's body (`size` bytes from its encoding byte): its strings decoded
// to UTF-16 and joined by one space, empty strings left out, control characters turned into
// spaces and blanks at either end removed; cut at `limit` units. Encodings: 0 ISO-8859-1,
// 1 UTF-16 with a byte-order mark (little-endian when it has none), 2 UTF-16BE, 3 UTF-8 (a
// malformed sequence gives U+FFFD). An unknown encoding or an empty body gives "".
std::u16string TextFrameText(const uint8_t* body, size_t size, size_t limit);

// The same for a comment frame's body: encoding, three bytes of language, a short description
// and then the text. `described` is set when the description marks an application's note: it
// is not empty and not "ID3v1 Comment", the label some taggers give the user's comment.
std::u16string CommentFrameText(const uint8_t* body, size_t size, size_t limit, bool* described);

// Tidies a decoded text for showing on one line: control characters become spaces, stray
// byte-order marks go, and the spaces at either end are removed.
void TidyText(std::u16string* text);

// Replaces every 0xFF 0x00 pair of data[0, size) by 0xFF in place (undoes unsynchronisation);
// returns the new size.
size_t RemoveUnsynchronisation(uint8_t* data, size_t size);

}  // namespace oru::mellic

#endif  // ORU_PLUGINS_PARSER_MP3_ID3V2_TEXT_H_
