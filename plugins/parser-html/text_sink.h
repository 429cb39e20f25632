// Text gathered as a browser lays it out: runs of blanks become one space, a block boundary a
// line break, and neither appears at the start or twice in a row.
#ifndef ORU_PLUGINS_PARSER_HTML_TEXT_SINK_H_
#define ORU_PLUGINS_PARSER_HTML_TEXT_SINK_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace oru::ostrin {

// The blanks of HTML (ASCII white space).
inline bool IsHtmlSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

class TextSink {
 public:
  // Adds one character of text: a blank stands for a space before the next character; a zero
  // character is left out (a browser shows nothing for it).
  void Put(char16_t c) {
    if (c > u' ' && pending_ == Pending::kNone) {
      text_.push_back(c);
    } else if (IsHtmlSpace(c)) {
      if (pending_ == Pending::kNone) pending_ = Pending::kSpace;
    } else if (c != 0) {
      if (pending_ != Pending::kNone && !text_.empty()) {
        text_.push_back(pending_ == Pending::kLine ? u'\n' : u' ');
      }
      pending_ = Pending::kNone;
      text_.push_back(c);
    }
  }
  // A space before the next character (an image between two words).
  void Space() { Put(u' '); }
  // A line break before the next character (a block starts or ends).
  void Break() { pending_ = Pending::kLine; }

  void Reserve(size_t size) { text_.reserve(size); }

  bool empty() const { return text_.empty(); }
  const std::u16string& text() const { return text_; }
  std::u16string Take() { return std::move(text_); }

 private:
  enum class Pending : uint8_t { kNone, kSpace, kLine };
  std::u16string text_;
  Pending pending_ = Pending::kNone;
};

}  // namespace oru::ostrin

#endif  // ORU_PLUGINS_PARSER_HTML_TEXT_SINK_H_
