// What the text of a web page makes of each element: whether it separates words, whether its
// content is shown, and how the tokenizer reads its content.
#ifndef ORU_PLUGINS_PARSER_HTML_HTML_ELEMENTS_H_
#define ORU_PLUGINS_PARSER_HTML_HTML_ELEMENTS_H_

#include <cstdint>
#include <string_view>

namespace oru::ostrin {

enum class ElementKind : uint8_t {
  kBlock,          // separates the words before and after it (every element not listed)
  kInline,         // joins the text around it: "<b>bo</b>ld" is one word
  kImage,          // inline; its alt text is shown
  kMeta,           // may carry a description or keywords
  kTitle,          // text up to its own end tag, references read; the first one is the title
  kHiddenRawText,  // text up to its own end tag, not shown (script, style, noscript, iframe ...)
  kShownRawText,   // text up to its own end tag, shown as it is (xmp)
  kShownRcdata,    // text up to its own end tag, references read, shown (textarea)
  kPlaintext,      // everything after it is text
  kHiddenSubtree,  // HTML content not shown, up to the matching end tag (template, object ...)
  kForeign,        // SVG or MathML content, not shown, up to the matching end tag
};

struct ElementInfo {
  ElementKind kind = ElementKind::kBlock;
  // An HTML element that a browser takes out of SVG or MathML content when it starts there
  // ("<svg><p>" closes the svg). <font> does so only with a color, face or size attribute.
  bool leaves_foreign = false;
};

// A tag name of up to 10 ASCII letters and digits, case ignored, as one number (6 bits a
// character); 0 for any other name (none of those is an element this table knows).
constexpr uint64_t ElementKey(std::u16string_view name) {
  if (name.empty() || name.size() > 10) return 0;
  uint64_t key = 0;
  for (const char16_t c : name) {
    uint64_t code;
    if (c >= u'a' && c <= u'z') {
      code = c - u'a' + 1;
    } else if (c >= u'A' && c <= u'Z') {
      code = c - u'A' + 1;
    } else if (c >= u'0' && c <= u'9') {
      code = c - u'0' + 27;
    } else {
      return 0;
    }
    key = key << 6 | code;
  }
  return key;
}

// The element whose name has the key `key` (ElementKey); a block for any name not listed.
ElementInfo LookUpElement(uint64_t key);

}  // namespace oru::ostrin

#endif  // ORU_PLUGINS_PARSER_HTML_HTML_ELEMENTS_H_
