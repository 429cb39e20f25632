// The text of a web page as a browser shows it, for indexing: the title first, then the
// description and keywords of its <meta> elements, then the body, tags removed.
#ifndef ORU_PLUGINS_PARSER_HTML_HTML_TEXT_H_
#define ORU_PLUGINS_PARSER_HTML_HTML_TEXT_H_

#include <string>
#include <string_view>

namespace oru::ostrin {

// The text of the page `bytes`: DecodePage, then PageText.
std::u16string HtmlText(std::string_view bytes);

// The characters of the page `bytes` in the encoding SniffEncoding (charset.h) finds, its
// byte-order mark left out.
std::u16string DecodePage(std::string_view bytes);

// The text of the decoded page `chars`. Anything is a page: markup a browser would forgive is
// read as the browser reads it (the HTML tokenizer's rules), and bytes that are no HTML at all
// give their text. Parts are separated by a line break; runs of blanks become one space, and
// elements other than the inline ones (a, b, i, em, span, font ...) start and end on a line
// of their own. Left out: tags, comments, attribute values (but the alt text of images), and the
// content of script, style, noscript, template, iframe, object, audio, video, canvas, svg and
// math; a second title. A start tag that closes itself ("<script src='x.js'/>") has no
// content, as XHTML means it. Character references are read (char_refs.h). The text holds no
// zero character; it is never longer than `chars`. Time and memory are linear in the size of
// `chars`, however deep the elements nest.
std::u16string PageText(std::u16string_view chars);

}  // namespace oru::ostrin

#endif  // ORU_PLUGINS_PARSER_HTML_HTML_TEXT_H_
