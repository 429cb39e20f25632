#include "plugins/parser-mp3/id3v2_tag.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "plugins/parser-mp3/id3v2_text.h"

namespace oru::mellic {
namespace {

// Tag header flags.
constexpr uint8_t kUnsynchronised = 0x80;
constexpr uint8_t kExtendedHeader = 0x40;  // in version 2.2 this bit means "compressed"
constexpr uint8_t kFooter = 0x10;
// Second flag byte of a version 2.3 frame header.
constexpr uint8_t kV3Compressed = 0x80;
constexpr uint8_t kV3Encrypted = 0x40;
constexpr uint8_t kV3Grouped = 0x20;
// Second flag byte of a version 2.4 frame header.
constexpr uint8_t kV4Grouped = 0x40;
constexpr uint8_t kV4Compressed = 0x08;
constexpr uint8_t kV4Encrypted = 0x04;
constexpr uint8_t kV4Unsynchronised = 0x02;
constexpr uint8_t kV4DataLength = 0x01;

constexpr size_t kReadBlock = 64 * 1024;

bool IsSyncsafe(const uint8_t* b) { return ((b[0] | b[1] | b[2] | b[3]) & 0x80) == 0; }
uint32_t Syncsafe(const uint8_t* b) {
  return (uint32_t{b[0]} << 21) | (uint32_t{b[1]} << 14) | (uint32_t{b[2]} << 7) | b[3];
}
uint32_t BigEndian(const uint8_t* b, size_t n) {
  uint32_t value = 0;
  for (size_t k = 0; k < n; ++k) value = (value << 8) | b[k];
  return value;
}

// The bytes of a tag after its header, read in order through a small buffer. With tag-wide
// unsynchronisation (versions 2.2 and 2.3) every 0xFF 0x00 pair is read as 0xFF, so sizes
// count the bytes as they were before the tag was written.
class TagReader {
 public:
  TagReader(platform::File* file, uint64_t size, bool unsynchronised)
      : file_(file), unread_(size), unsynchronised_(unsynchronised) {}

  // Bytes of the tag not yet read, as stored (an upper bound when unsynchronised).
  uint64_t left() const { return unread_ + (end_ - pos_); }

  // False when the tag or the file ends first; the reader is then at the end.
  bool Read(uint8_t* out, size_t n) {
    if (unsynchronised_) {
      for (size_t k = 0; k < n; ++k) {
        if (!NextUnsynchronised(out + k)) return false;
      }
      return true;
    }
    while (n > 0) {
      if (pos_ == end_ && !Fill()) return false;
      const size_t k = std::min(n, end_ - pos_);
      std::memcpy(out, buffer_.data() + pos_, k);
      pos_ += k;
      out += k;
      n -= k;
    }
    return true;
  }

  bool Skip(uint64_t n) {
    if (unsynchronised_) {
      uint8_t ignored;
      for (uint64_t k = 0; k < n; ++k) {
        if (!NextUnsynchronised(&ignored)) return false;
      }
      return true;
    }
    const size_t buffered = end_ - pos_;
    if (n <= buffered) {
      pos_ += n;
      return true;
    }
    n -= buffered;
    pos_ = end_;
    if (n > unread_) {
      unread_ = 0;
      return false;
    }
    offset_ += n;
    unread_ -= n;
    return true;
  }

 private:
  bool Fill() {
    if (unread_ == 0) return false;
    const auto n = static_cast<size_t>(std::min<uint64_t>(unread_, kReadBlock));
    buffer_.resize(n);
    if (file_->Seek(static_cast<int64_t>(offset_)) != platform::Result::kOk ||
        file_->ReadExact(buffer_.data(), n) != platform::Result::kOk) {
      unread_ = 0;
      pos_ = end_ = 0;
      return false;
    }
    offset_ += n;
    unread_ -= n;
    pos_ = 0;
    end_ = n;
    return true;
  }

  bool NextUnsynchronised(uint8_t* out) {
    for (;;) {
      if (pos_ == end_ && !Fill()) return false;
      const uint8_t byte = buffer_[pos_++];
      const bool stuffed = after_ff_ && byte == 0x00;
      after_ff_ = byte == 0xFF;
      if (!stuffed) {
        *out = byte;
        return true;
      }
    }
  }

  platform::File* file_;
  uint64_t offset_ = kTagHeaderSize;  // file offset of the first byte not yet buffered
  uint64_t unread_;                   // tag bytes not yet buffered
  bool unsynchronised_;
  bool after_ff_ = false;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
};

struct FrameHeader {
  uint8_t id[4] = {};
  uint32_t size = 0;
  uint8_t format_flags = 0;  // the second flag byte
};

bool IsFrameId(const uint8_t* id, size_t n) {
  return std::all_of(id, id + n, [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// Passes over the extended header, if the tag has one. False when it cannot be.
bool SkipExtendedHeader(const TagHeader& header, TagReader* reader) {
  if (header.version == 2 || (header.flags & kExtendedHeader) == 0) return true;
  uint8_t size[4];
  if (!reader->Read(size, 4)) return false;
  if (header.version == 3) return reader->Skip(BigEndian(size, 4));  // the size leaves itself out
  return IsSyncsafe(size) && Syncsafe(size) >= 4 && reader->Skip(Syncsafe(size) - 4);
}

// Walks the frames, handing each to `visit`, which reads its body or leaves it (returns false)
// to be passed over. Ends at the end of the tag, at padding, or at the first header that is
// not a frame's or whose frame runs past the tag; true for the first two.
template <typename Visit>
bool WalkFrames(const TagHeader& header, bool syncsafe_sizes, TagReader* reader, Visit visit) {
  const size_t header_size = header.version == 2 ? 6 : 10;
  const size_t id_size = header.version == 2 ? 3 : 4;
  uint8_t bytes[10];
  for (;;) {
    if (reader->left() < header_size) return true;
    if (!reader->Read(bytes, header_size)) return false;
    if (bytes[0] == 0) return true;  // padding
    if (!IsFrameId(bytes, id_size)) return false;
    FrameHeader frame;
    std::memcpy(frame.id, bytes, id_size);
    if (header.version == 2) {
      frame.size = BigEndian(bytes + 3, 3);
    } else if (syncsafe_sizes) {
      if (!IsSyncsafe(bytes + 4)) return false;
      frame.size = Syncsafe(bytes + 4);
      frame.format_flags = bytes[9];
    } else {
      frame.size = BigEndian(bytes + 4, 4);
      frame.format_flags = bytes[9];
    }
    if (frame.size > reader->left()) return false;
    if (!visit(frame) && !reader->Skip(frame.size)) return false;
  }
}

// True when the frames of a version 2.4 tag, their sizes read as syncsafe or plain, walk to
// the tag's end or its padding.
bool WalksToTheEnd(platform::File* file, uint64_t tag_bytes, const TagHeader& header,
                   bool syncsafe) {
  TagReader reader(file, tag_bytes, false);
  return SkipExtendedHeader(header, &reader) &&
         WalkFrames(header, syncsafe, &reader, [](const FrameHeader&) { return false; });
}

int FieldOf(const FrameHeader& frame, uint8_t version) {
  struct Known {
    char id[5];
    Field field;
  };
  static constexpr Known kVersion2[] = {{"TT2", kTitle}, {"TP1", kArtist},      {"TAL", kAlbum},
                                        {"TYE", kYear},  {"COM", kComment},     {"TP2", kAlbumArtist},
                                        {"TCM", kComposer}};
  static constexpr Known kVersion34[] = {
      {"TIT2", kTitle}, {"TPE1", kArtist},  {"TALB", kAlbum},       {"TYER", kYear},
      {"TDRC", kYear},  {"COMM", kComment}, {"TPE2", kAlbumArtist}, {"TCOM", kComposer}};
  const size_t id_size = version == 2 ? 3 : 4;
  for (const Known& known : version == 2 ? std::span<const Known>(kVersion2)
                                         : std::span<const Known>(kVersion34)) {
    if (std::memcmp(known.id, frame.id, id_size) == 0) return known.field;
  }
  return -1;
}

// The frame's body without the bytes its flags put before it, unsynchronisation undone.
// False for a frame that cannot be read: compressed or encrypted.
bool UnwrapBody(const FrameHeader& frame, const TagHeader& header, std::vector<uint8_t>* body) {
  size_t prefix = 0;
  bool unsynchronised = false;
  if (header.version == 3) {
    if (frame.format_flags & (kV3Compressed | kV3Encrypted)) return false;
    if (frame.format_flags & kV3Grouped) prefix = 1;
  } else if (header.version == 4) {
    if (frame.format_flags & (kV4Compressed | kV4Encrypted)) return false;
    if (frame.format_flags & kV4Grouped) prefix += 1;
    if (frame.format_flags & kV4DataLength) prefix += 4;
    unsynchronised =
        (frame.format_flags & kV4Unsynchronised) || (header.flags & kUnsynchronised);
  }
  if (prefix > body->size()) return false;
  body->erase(body->begin(), body->begin() + static_cast<std::ptrdiff_t>(prefix));
  if (unsynchronised) body->resize(RemoveUnsynchronisation(body->data(), body->size()));
  return true;
}

}  // namespace

uint64_t TagHeader::end() const {
  return uint64_t{kTagHeaderSize} + size + (version == 4 && (flags & kFooter) ? 10 : 0);
}

bool ParseTagHeader(const uint8_t* bytes, TagHeader* header) {
  if (std::memcmp(bytes, "ID3", 3) != 0) return false;
  if (bytes[3] < 2 || bytes[3] > 4 || bytes[4] == 0xFF || !IsSyncsafe(bytes + 6)) return false;
  header->version = bytes[3];
  header->flags = bytes[5];
  header->size = Syncsafe(bytes + 6);
  return true;
}

void ReadTagFields(platform::File* file, int64_t file_size, const TagHeader& header,
                   TagFields* fields) {
  // A version 2.2 tag compressed as a whole has no defined compression: nothing is read.
  if (header.version == 2 && (header.flags & kExtendedHeader)) return;
  if (file_size <= static_cast<int64_t>(kTagHeaderSize)) return;
  // A tag that claims more bytes than the file has is read as far as the file goes.
  const uint64_t tag_bytes =
      std::min<uint64_t>(header.size, static_cast<uint64_t>(file_size) - kTagHeaderSize);
  const TagFields given = *fields;
  // Reads the fields with the frame sizes read as syncsafe or plain; true when the frames
  // walked to the tag's end or its padding.
  const auto read_fields = [&](bool syncsafe_sizes) {
    TagReader reader(file, tag_bytes, header.version < 4 && (header.flags & kUnsynchronised));
    if (!SkipExtendedHeader(header, &reader)) return false;
    std::vector<uint8_t> body;
    return WalkFrames(header, syncsafe_sizes, &reader, [&](const FrameHeader& frame) {
      const int field = FieldOf(frame, header.version);
      if (field < 0 || !(*fields)[field].empty()) return false;
      const uint32_t taken = std::min(frame.size, kMaxFrameRead);
      body.resize(taken);
      if (!reader.Read(body.data(), taken) || !reader.Skip(frame.size - taken)) return true;
      if (!UnwrapBody(frame, header, &body)) return true;
      if (field == kComment) {
        // A comment with a description is an application's note (player gain figures and the
        // like), not what the user wrote.
        bool described = false;
        std::u16string text =
            CommentFrameText(body.data(), body.size(), kMaxTextChars, &described);
        if (!described) (*fields)[field] = std::move(text);
      } else {
        (*fields)[field] = TextFrameText(body.data(), body.size(), kMaxTextChars);
      }
      return true;
    });
  };
  // Version 2.4 frame sizes are syncsafe, but some writers put plain sizes there. The plain
  // reading is taken only when the syncsafe one does not walk the frames to their end and the
  // plain one does; the tag is read once when the syncsafe reading walks.
  if (header.version != 4) {
    read_fields(false);
    return;
  }
  if (read_fields(true) || !WalksToTheEnd(file, tag_bytes, header, false)) return;
  *fields = given;
  read_fields(false);
}

}  // namespace oru::mellic
