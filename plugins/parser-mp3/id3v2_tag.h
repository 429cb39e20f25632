// The ID3 version 2 tag at the start of an MP3 file (versions 2.2, 2.3 and 2.4): its header,
// and the text of the frames Mellic indexes. The frames are read one by one from the file;
// frames of other kinds (pictures above all) are passed over without being read.
#ifndef ORU_PLUGINS_PARSER_MP3_ID3V2_TAG_H_
#define ORU_PLUGINS_PARSER_MP3_ID3V2_TAG_H_

#include <array>
#include <cstdint>
#include <string>

#include "platform/files.h"

namespace oru::mellic {

// The fields indexed, in the order their text is served.
enum Field { kTitle, kArtist, kAlbum, kYear, kComment, kAlbumArtist, kComposer, kFieldCount };
using TagFields = std::array<std::u16string, kFieldCount>;

inline constexpr uint32_t kTagHeaderSize = 10;
// A wanted frame is read up to this many bytes; the rest of it is passed over. Enough for
// kMaxTextChars characters in any encoding.
inline constexpr uint32_t kMaxFrameRead = uint32_t{8} << 20;

struct TagHeader {
  uint8_t version = 0;  // 2, 3 or 4
  uint8_t flags = 0;
  uint32_t size = 0;  // the bytes after the header, a footer not counted
  // Bytes from the start of the file to the end of the tag, its footer included.
  uint64_t end() const;
};

// True when the first kTagHeaderSize bytes of a file start an ID3v2 tag: "ID3", major version
// 2, 3 or 4, a revision other than 0xFF and a syncsafe size.
bool ParseTagHeader(const uint8_t* bytes, TagHeader* header);

// Reads the fields of the tag that `header` describes from `file`, which is `file_size` bytes
// long. A field holds the text of the first frame of its kind that has any (for the comment,
// the first comment frame without a description); fields the tag lacks stay empty. Frames that
// are compressed or encrypted are passed over; a read failure, a frame that runs past its tag
// or the file, or bytes that are not a frame end the walk with the fields found so far.
void ReadTagFields(platform::File* file, int64_t file_size, const TagHeader& header,
                   TagFields* fields);

}  // namespace oru::mellic

#endif  // ORU_PLUGINS_PARSER_MP3_ID3V2_TAG_H_
