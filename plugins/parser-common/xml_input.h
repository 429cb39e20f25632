// The bytes of an XML document as the XML reader sees them: UTF-8 (a byte order mark is
// dropped) or UTF-16 LE/BE (with a byte order mark, or starting "<?" without one) turned into
// UTF-8, and every line end ("\r\n" or a lone "\r") turned into "\n". The input is read in
// chunks as it is needed, so only a chunk and what the reader has not taken yet are held.
#ifndef ORU_PLUGINS_PARSER_COMMON_XML_INPUT_H_
#define ORU_PLUGINS_PARSER_COMMON_XML_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "plugins/parser-common/buffer_cache.h"
#include "plugins/parser-common/input_stream.h"

namespace oru::containers {

class XmlInput {
 public:
  // Reads `source`, which the caller keeps alive while this is used. The buffer comes from
  // and goes back to the buffer cache (buffer_cache.h).
  explicit XmlInput(InputStream* source) : source_(source), buffer_(TakeBuffer()) {}
  ~XmlInput() { GiveBuffer(std::move(buffer_)); }
  XmlInput(const XmlInput&) = delete;
  XmlInput& operator=(const XmlInput&) = delete;

  // The next byte, or -1 at the end of the input.
  int Peek() {
    if (at_ < buffer_.size()) return static_cast<uint8_t>(buffer_[at_]);
    return Fill(1) ? static_cast<uint8_t>(buffer_[at_]) : -1;
  }
  // Takes the next byte (which Peek has shown to be there).
  void Take() { ++at_; }
  // The bytes at hand: at least `want` of them (or 1 when `want` is 0) unless the input ends
  // first; empty only at the end. Valid until the next call of Window or Peek.
  std::string_view Window(size_t want = 0) {
    if (buffer_.size() - at_ < (want > 0 ? want : 1)) Fill(want > 0 ? want : 1);
    return std::string_view(buffer_.data() + at_, buffer_.size() - at_);
  }
  // Takes `n` bytes of the window.
  void Skip(size_t n) { at_ += n; }

 private:
  enum class Encoding { kUnknown, kUtf8, kUtf16Le, kUtf16Be };
  // Decodes input until at least `want` bytes are at hand or the input ends; false when none
  // is at hand.
  bool Fill(size_t want);
  void DetectEncoding();
  void Decode(const uint8_t* raw, size_t n);
  void Put(char32_t c);
  void FinishInput();

  InputStream* source_;
  Encoding encoding_ = Encoding::kUnknown;
  std::string buffer_;  // decoded bytes; those before at_ are taken
  size_t at_ = 0;
  bool source_ended_ = false;
  bool after_cr_ = false;  // the last character put was a "\r" (put as "\n")
  int odd_byte_ = -1;      // UTF-16: the first byte of a unit cut by a chunk end
  char32_t high_ = 0;      // UTF-16: a high surrogate waiting for its low one
  std::string head_;       // the first bytes, kept until the encoding is known
};

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_XML_INPUT_H_
