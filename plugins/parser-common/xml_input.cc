#include "plugins/parser-common/xml_input.h"

#include <algorithm>
#include <cstring>

#include "platform/utf8.h"

namespace oru::containers {
namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

bool XmlInput::Fill(size_t want) {
  // Drop what was taken once it is most of the buffer.
  if (at_ > 0 && at_ >= buffer_.size() / 2) {
    buffer_.erase(0, at_);
    at_ = 0;
  }
  uint8_t raw[kChunk];
  while (buffer_.size() - at_ < want && !source_ended_) {
    const size_t got = source_->Read(raw, sizeof raw);
    if (got == 0) {
      source_ended_ = true;
      if (encoding_ == Encoding::kUnknown) DetectEncoding();
      FinishInput();
      break;
    }
    if (encoding_ == Encoding::kUnknown) {
      const size_t take = std::min(got, 4 - head_.size());
      head_.append(reinterpret_cast<const char*>(raw), take);
      if (head_.size() == 4) DetectEncoding();
      Decode(raw + take, got - take);
    } else {
      Decode(raw, got);
    }
  }
  return buffer_.size() > at_;
}

void XmlInput::DetectEncoding() {
  const auto head = reinterpret_cast<const uint8_t*>(head_.data());
  const size_t size = head_.size();
  size_t bom = 0;
  if (size >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
    encoding_ = Encoding::kUtf8;
    bom = 3;
  } else if (size >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
    encoding_ = Encoding::kUtf16Le;
    bom = 2;
  } else if (size >= 2 && head[0] == 0xFE && head[1] == 0xFF) {
    encoding_ = Encoding::kUtf16Be;
    bom = 2;
  } else if (size == 4 && std::memcmp(head, "<\0?\0", 4) == 0) {
    encoding_ = Encoding::kUtf16Le;
  } else if (size == 4 && std::memcmp(head, "\0<\0?", 4) == 0) {
    encoding_ = Encoding::kUtf16Be;
  } else {
    encoding_ = Encoding::kUtf8;
  }
  Decode(head + bom, size - bom);
  head_.clear();
}

void XmlInput::Put(char32_t c) {
  if (c == '\n' && after_cr_) {
    after_cr_ = false;
    return;
  }
  after_cr_ = c == '\r';
  if (c == '\r') c = '\n';
  platform::AppendUtf8(c, &buffer_);
}

void XmlInput::Decode(const uint8_t* raw, size_t n) {
  if (encoding_ == Encoding::kUtf8) {
    // Runs without "\r" are copied whole; the bytes are not checked here.
    const uint8_t* end = raw + n;
    while (raw < end) {
      if (after_cr_ && *raw == '\n') ++raw;
      after_cr_ = false;
      const auto* cr = static_cast<const uint8_t*>(std::memchr(raw, '\r', end - raw));
      const uint8_t* stop = cr ? cr : end;
      buffer_.append(reinterpret_cast<const char*>(raw), stop - raw);
      raw = stop;
      if (cr) {
        buffer_ += '\n';
        after_cr_ = true;
        ++raw;
      }
    }
    return;
  }
  const bool little = encoding_ == Encoding::kUtf16Le;
  for (size_t i = 0; i < n; ++i) {
    if (odd_byte_ < 0) {
      odd_byte_ = raw[i];
      continue;
    }
    const auto first = static_cast<char32_t>(odd_byte_);
    const char32_t unit = little ? (first | (char32_t{raw[i]} << 8)) : ((first << 8) | raw[i]);
    odd_byte_ = -1;
    if (high_ != 0) {
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        Put(0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
        high_ = 0;
        continue;
      }
      Put(kReplacement);
      high_ = 0;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      high_ = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      Put(kReplacement);
    } else {
      Put(unit);
    }
  }
}

void XmlInput::FinishInput() {
  if (high_ != 0 || odd_byte_ >= 0) Put(kReplacement);
  high_ = 0;
  odd_byte_ = -1;
}

}  // namespace oru::containers
