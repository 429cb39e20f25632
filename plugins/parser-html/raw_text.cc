#include "plugins/parser-html/raw_text.h"

#include "plugins/parser-html/text_sink.h"

namespace oru::ostrin {
namespace {

constexpr std::u16string_view kScript = u"script";

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// Whether `name` (lower case) is at `at` in `text`, ASCII case ignored, followed by a blank,
// '/' or '>'.
bool NameAt(std::u16string_view text, size_t at, std::u16string_view name) {
  if (text.size() - at <= name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (Lower(text[at + i]) != name[i]) return false;
  }
  const char16_t after = text[at + name.size()];
  return IsHtmlSpace(after) || after == u'/' || after == u'>';
}

bool IsEndTagAt(std::u16string_view text, size_t at, std::u16string_view name) {
  return at + 1 < text.size() && text[at + 1] == u'/' && NameAt(text, at + 2, name);
}

}  // namespace

size_t FindEndTag(std::u16string_view text, size_t from, std::u16string_view name) {
  for (size_t at = text.find(u'<', from); at != std::u16string_view::npos;
       at = text.find(u'<', at + 1)) {
    if (IsEndTagAt(text, at, name)) return at;
  }
  return std::u16string_view::npos;
}

size_t FindScriptEnd(std::u16string_view text, size_t from) {
  enum class State { kData, kEscaped, kDoubleEscaped } state = State::kData;
  for (size_t at = from; at < text.size(); ++at) {
    const char16_t c = text[at];
    if (c == u'<') {
      if (IsEndTagAt(text, at, kScript)) {
        if (state != State::kDoubleEscaped) return at;
        state = State::kEscaped;
        at += 1 + kScript.size();
      } else if (state == State::kData && text.substr(at, 4) == u"<!--") {
        state = State::kEscaped;
        at += 1;  // the dashes may also begin "-->" ("<!-->")
      } else if (state == State::kEscaped && NameAt(text, at + 1, kScript)) {
        state = State::kDoubleEscaped;
        at += kScript.size();
      }
    } else if (c == u'-' && state != State::kData && text.substr(at, 3) == u"-->") {
      state = State::kData;
      at += 2;
    }
  }
  return std::u16string_view::npos;
}

size_t CommentEnd(std::u16string_view text, size_t from) {
  if (from < text.size() && text[from] == u'>') return from + 1;
  if (text.substr(from, 2) == u"->") return from + 2;
  for (size_t at = text.find(u"--", from); at != std::u16string_view::npos;
       at = text.find(u"--", at + 1)) {
    if (at + 2 < text.size() && text[at + 2] == u'>') return at + 3;
    if (text.substr(at + 2, 2) == u"!>") return at + 4;
  }
  return text.size();
}

}  // namespace oru::ostrin
