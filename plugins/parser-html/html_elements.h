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

// The element named `name`, given lower case (ASCII letters only are folded).
ElementInfo LookUpElement(std::u16string_view name);

}  // namespace oru::ostrin

#endif  // ORU_PLUGINS_PARSER_HTML_HTML_ELEMENTS_H_
