#include "plugins/parser-mp3/tag_layout.h"

#include <algorithm>
#include <cstring>

namespace oru::mellic {
namespace {

struct LabelledField {
  const char* label;
  uint32_t position;  // in the text
  uint32_t length;    // bytes shown
  bool separated;     // followed by kSeparator
};

// The comment shows 29 of its 30 bytes; the genre byte is never shown.
constexpr LabelledField kFields[] = {
    {"Title: ", kTitleField.position, kTitleField.length, true},
    {"Artist: ", kArtistField.position, kArtistField.length, true},
    {"Album: ", kAlbumField.position, kAlbumField.length, true},
    {"Year: ", kYearField.position, kYearField.length, true},
    {"Comments: ", kCommentField.position, kCommentField.length - 1, false},
};
constexpr char kSeparator[] = "    ";

bool IsTrailingBlank(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

}  // namespace

bool HasTagMarker(const uint8_t* tag) { return std::memcmp(tag, "TAG", kMarkerSize) == 0; }

uint32_t FieldEnd(uint32_t position) {
  for (const TagField& field : kTagFields) {
    if (position < field.end()) return field.end();
  }
  return kTextLength;
}

void BlankZeroBytes(uint8_t* text) {
  std::replace(text, text + kTextLength, uint8_t{0}, uint8_t{' '});
}

std::string LabelledLine(const uint8_t* text) {
  std::string line;
  for (const LabelledField& field : kFields) {
    const size_t start = line.size();
    const size_t label_length = std::strlen(field.label);
    line += field.label;
    line.append(reinterpret_cast<const char*>(text) + field.position, field.length);
    size_t end = line.size();
    while (end > start && IsTrailingBlank(line[end - 1])) --end;
    if (end - start <= label_length) {
      line.resize(start);
      continue;
    }
    line.resize(end);
    if (field.separated) line += kSeparator;
  }
  return line;
}

void WriteRawFragment(const uint8_t* text, uint8_t* out, uint32_t size) {
  std::memset(out, 0, size);
  std::memcpy(out, text, std::min<uint32_t>(kTextLength, size - 1));
}

void WriteLabelledFragment(const uint8_t* text, uint8_t* out, uint32_t size) {
  std::memset(out, 0, size);
  const std::string line = LabelledLine(text);
  std::memcpy(out, line.data(), std::min<size_t>(line.size(), size - 1));
}

}  // namespace oru::mellic
