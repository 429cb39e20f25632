// Where content that the HTML tokenizer reads without looking for tags ends: comments, and the
// content of elements read as raw text (script, style, title, textarea ...), which ends only at
// the element's own end tag. Every search goes forward once: no position is looked at twice.
#ifndef ORU_PLUGINS_PARSER_HTML_RAW_TEXT_H_
#define ORU_PLUGINS_PARSER_HTML_RAW_TEXT_H_

#include <cstddef>
#include <string_view>

namespace oru::ostrin {

// The position of the first "</NAME" at or after `from` (`name` lower case, ASCII case ignored in
// `text`) followed by a blank, '/' or '>'; npos when there is none.
size_t FindEndTag(std::u16string_view text, size_t from, std::u16string_view name);

// FindEndTag for script content, with the escapes browsers keep: after "<!--" a "<script"
// begins a nested script whose "</script>" does not end the content, until the next "-->".
size_t FindScriptEnd(std::u16string_view text, size_t from);

// The position after the comment whose "<!--" ends at `from`: after "-->" or "--!>", or after
// ">" or "->" right at `from`; text.size() when the comment is not closed (the rest of the text
// is the comment).
size_t CommentEnd(std::u16string_view text, size_t from);

}  // namespace oru::ostrin

#endif  // ORU_PLUGINS_PARSER_HTML_RAW_TEXT_H_
