#include "plugins/parser-mp3/id3v2_text.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/codepage.h"
#include "platform/little_endian.h"
#include "platform/utf8.h"

namespace oru::mellic {
namespace {

constexpr uint8_t kLatin1 = 0;
constexpr uint8_t kUtf16 = 1;
constexpr uint8_t kUtf16BigEndian = 2;
constexpr uint8_t kUtf8 = 3;
constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kByteOrderMark = 0xFEFF;

bool IsWideEncoding(uint8_t encoding) {
  return encoding == kUtf16 || encoding == kUtf16BigEndian;
}
size_t TerminatorSize(uint8_t encoding) { return IsWideEncoding(encoding) ? 2 : 1; }

// Where the string that starts at `start` ends: at its terminator, or at `size` when it has
// none. A 16-bit terminator is two zero bytes at an even distance from the start.
size_t StringEnd(uint8_t encoding, const uint8_t* data, size_t size, size_t start) {
  if (IsWideEncoding(encoding)) {
    size_t k = start;
    while (k + 1 < size && (data[k] | data[k + 1]) != 0) k += 2;
    return k + 1 < size ? k : size;
  }
  const void* zero = std::memchr(data + start, 0, size - start);
  return zero == nullptr ? size : static_cast<size_t>(static_cast<const uint8_t*>(zero) - data);
}

// A byte-order mark decides the byte order; without one `big_endian` stands. An odd last
// byte is dropped.
void DecodeUtf16(const uint8_t* s, size_t n, bool big_endian, size_t limit, std::u16string* out) {
  if (n >= 2 && s[0] == 0xFF && s[1] == 0xFE) {
    big_endian = false;
    s += 2;
    n -= 2;
  } else if (n >= 2 && s[0] == 0xFE && s[1] == 0xFF) {
    big_endian = true;
    s += 2;
    n -= 2;
  }
  for (size_t k = 0; k + 1 < n && out->size() < limit; k += 2) {
    out->push_back(big_endian ? static_cast<char16_t>((s[k] << 8) | s[k + 1])
                              : platform::ReadLe16(s + k));
  }
}

// Each malformed sequence becomes one U+FFFD, and decoding goes on after it.
void DecodeUtf8(const uint8_t* s, size_t n, size_t limit, std::u16string* out) {
  const std::string_view text(reinterpret_cast<const char*>(s), n);
  size_t i = 0;
  while (i < n && out->size() < limit) {
    char32_t c = 0;
    if (!platform::NextUtf8(text, &i, &c)) c = kReplacement;
    if (c >= 0x10000 && out->size() + 2 > limit) break;
    platform::AppendUtf16(c, out);
  }
}

// One string's units, tidied.
std::u16string DecodeString(uint8_t encoding, const uint8_t* s, size_t n, size_t limit) {
  std::u16string text;
  switch (encoding) {
    case kLatin1:
      // ISO-8859-1 by the tag's rules, but taggers on Windows write the ANSI code page there,
      // so bytes 0x80-0x9F (control characters in ISO-8859-1, never meant as such in a tag)
      // are read as Windows-1252: curly quotes, dashes, the euro sign.
      text.resize(std::min(n, limit));
      std::transform(s, s + text.size(), text.begin(), platform::Windows1252ToWide);
      break;
    case kUtf16:
    case kUtf16BigEndian:
      DecodeUtf16(s, n, encoding == kUtf16BigEndian, limit, &text);
      break;
    case kUtf8:
      DecodeUtf8(s, n, limit, &text);
      break;
    default:
      return text;
  }
  TidyText(&text);
  return text;
}

// The strings of data[0, size), decoded and joined by one space, empty ones left out.
std::u16string JoinedStrings(uint8_t encoding, const uint8_t* data, size_t size, size_t limit) {
  std::u16string text;
  size_t start = 0;
  while (start < size && text.size() < limit) {
    const size_t end = StringEnd(encoding, data, size, start);
    const std::u16string one = DecodeString(encoding, data + start, end - start, limit);
    if (!one.empty()) {
      if (!text.empty()) text.push_back(u' ');
      text.append(one, 0, limit - std::min(limit, text.size()));
    }
    start = end + TerminatorSize(encoding);
  }
  if (text.size() > limit) text.resize(limit);
  // A cut must not leave the first half of a surrogate pair at the end.
  if (text.size() == limit && !text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) {
    text.pop_back();
  }
  return text;
}

}  // namespace

void TidyText(std::u16string* text) {
  std::erase(*text, kByteOrderMark);
  std::replace_if(text->begin(), text->end(), [](char16_t c) { return c < 0x20; }, u' ');
  const size_t first = text->find_first_not_of(u' ');
  if (first == std::u16string::npos) {
    text->clear();
    return;
  }
  text->erase(text->find_last_not_of(u' ') + 1);
  text->erase(0, first);
}

std::u16string TextFrameText(const uint8_t* body, size_t size, size_t limit) {
  if (size < 1) return {};
  return JoinedStrings(body[0], body + 1, size - 1, limit);
}

std::u16string CommentFrameText(const uint8_t* body, size_t size, size_t limit, bool* described) {
  *described = false;
  if (size < 4) return {};
  const uint8_t encoding = body[0];
  const uint8_t* data = body + 4;  // after the encoding byte and the language
  const size_t data_size = size - 4;
  const size_t description_end = StringEnd(encoding, data, data_size, 0);
  // Taggers built on id3lib label the user's own comment "ID3v1 Comment": that one is no
  // application's note.
  const std::u16string description = DecodeString(encoding, data, description_end, limit);
  *described = !description.empty() && description != u"ID3v1 Comment";
  const size_t text_start = description_end + TerminatorSize(encoding);
  if (text_start >= data_size) return {};
  return JoinedStrings(encoding, data + text_start, data_size - text_start, limit);
}

size_t RemoveUnsynchronisation(uint8_t* data, size_t size) {
  size_t out = 0;
  uint8_t previous = 0;
  for (size_t k = 0; k < size; ++k) {
    const uint8_t byte = data[k];
    if (byte != 0x00 || previous != 0xFF) data[out++] = byte;
    previous = byte;
  }
  return out;
}

}  // namespace oru::mellic
