#include "plugins/parser-mp3/wide_text.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/codepage.h"
#include "platform/little_endian.h"
#include "plugins/parser-mp3/id3v2_text.h"
#include "plugins/parser-mp3/tag_layout.h"

namespace oru::mellic {
namespace {

// kTagFields[field] is the version 1 field of `field`, for the fields title to comment.
static_assert(kTitle == 0 && kArtist == 1 && kAlbum == 2 && kYear == 3 && kComment == 4);

constexpr const char16_t* kLabels[kFieldCount] = {u"Title: ",    u"Artist: ",       u"Album: ",
                                                  u"Year: ",     u"Comments: ",     u"Album artist: ",
                                                  u"Composer: "};
constexpr std::u16string_view kSeparator = u"    ";

// Writes UTF-16LE characters into a cleared buffer, never past its last but one character.
class WideWriter {
 public:
  WideWriter(uint8_t* out, uint32_t size) : out_(out), room_(size - 1) {
    std::memset(out, 0, size_t{size} * 2);
  }
  void Append(std::u16string_view text) {
    const auto n = static_cast<uint32_t>(std::min<size_t>(text.size(), room_ - written_));
    for (uint32_t k = 0; k < n; ++k, ++written_) platform::WriteLe16(out_ + 2 * written_, text[k]);
  }
  uint32_t written() const { return written_; }

 private:
  uint8_t* out_;
  uint32_t room_;
  uint32_t written_ = 0;
};

}  // namespace

bool HasAnyField(const TagFields& fields) {
  return std::any_of(fields.begin(), fields.end(), [](const auto& f) { return !f.empty(); });
}

void FillFromVersion1(const uint8_t* tag, TagFields* fields) {
  for (int field = kTitle; field <= kComment; ++field) {
    if (!(*fields)[field].empty()) continue;
    const TagField place = kTagFields[field];
    uint32_t length = place.length;
    if (field == kComment && tag[125] == 0 && tag[126] != 0) length = 28;
    std::string bytes(reinterpret_cast<const char*>(tag) + kMarkerSize + place.position, length);
    std::replace(bytes.begin(), bytes.end(), '\0', ' ');
    (*fields)[field] = platform::AnsiToWide(bytes);
    TidyText(&(*fields)[field]);
  }
}

WideText JoinFields(const TagFields& fields) {
  WideText joined;
  for (int field = 0; field < kFieldCount; ++field) {
    const std::u16string& text = fields[field];
    if (text.empty()) continue;
    if (!joined.text.empty()) joined.text.push_back(u' ');
    const size_t room = kMaxTextChars - std::min(kMaxTextChars, joined.text.size());
    const size_t taken = std::min(room, text.size());
    joined.fields[field] = {static_cast<uint32_t>(joined.text.size()),
                            static_cast<uint32_t>(taken)};
    joined.text.append(text, 0, taken);
    if (joined.text.size() >= kMaxTextChars) break;
  }
  if (joined.text.size() > kMaxTextChars) joined.text.resize(kMaxTextChars);
  return joined;
}

uint32_t WriteWideRawFragment(const WideText& text, uint8_t* out, uint32_t size) {
  WideWriter writer(out, size);
  writer.Append(text.text);
  return writer.written();
}

void WriteWideLabelledFragment(const WideText& text, uint8_t* out, uint32_t size) {
  WideWriter writer(out, size);
  bool after_comment = false;
  for (int field = 0; field < kFieldCount; ++field) {
    const WideText::Span span = text.fields[field];
    if (span.length == 0) continue;
    if (after_comment) writer.Append(kSeparator);
    writer.Append(kLabels[field]);
    writer.Append(std::u16string_view(text.text).substr(span.start, span.length));
    after_comment = field == kComment;
    if (!after_comment) writer.Append(kSeparator);
  }
}

}  // namespace oru::mellic
