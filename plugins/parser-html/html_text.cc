#include "plugins/parser-html/html_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugins/parser-common/text_decode.h"
#include "plugins/parser-html/char_refs.h"
#include "plugins/parser-html/charset.h"
#include "plugins/parser-html/html_elements.h"
#include "plugins/parser-html/raw_text.h"
#include "plugins/parser-html/text_sink.h"

namespace oru::ostrin {
namespace {

constexpr size_t kNone = std::u16string_view::npos;
// Longer tag names name no element this walk knows; they are kept only this far.
constexpr size_t kLongestName = 16;

constexpr uint64_t kBrKey = ElementKey(u"br");
constexpr uint64_t kFontKey = ElementKey(u"font");
constexpr uint64_t kImgKey = ElementKey(u"img");
constexpr uint64_t kMetaKey = ElementKey(u"meta");
constexpr uint64_t kPKey = ElementKey(u"p");
constexpr uint64_t kPlaintextKey = ElementKey(u"plaintext");
constexpr uint64_t kScriptKey = ElementKey(u"script");

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool EqualsNoCase(std::u16string_view text, std::u16string_view lower) {
  if (text.size() != lower.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (Lower(text[i]) != lower[i]) return false;
  }
  return true;
}

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && IsHtmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsHtmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

// One attribute of the tag just read: where its name and value are in the page.
struct Attribute {
  std::u16string_view name;
  std::u16string_view value;
};

// One walk over a page, as the HTML tokenizer reads it, keeping track only of what decides
// whether text is shown: no tree and no stack of open elements, so nesting costs nothing.
class PageWalk {
 public:
  explicit PageWalk(std::u16string_view page) : page_(page) {
    // The body is never longer than the page; what is reserved but not written costs no memory.
    body_.Reserve(page.size());
  }

  std::u16string Run() {
    const size_t size = page_.size();
    while (at_ < size) {
      const char16_t c = page_[at_];
      if (c == u'<') {
        Markup();
      } else if (hidden_depth_ > 0) {
        at_ = std::min(page_.find(u'<', at_), size);
      } else if (c == u'&') {
        const size_t taken = PutCharRef(&body_, page_, at_, /*in_attribute=*/false);
        if (taken == 0) body_.Put(c);
        at_ += taken > 0 ? taken : 1;
      } else {
        do {
          body_.Put(page_[at_++]);
        } while (at_ < size && page_[at_] != u'<' && page_[at_] != u'&');
      }
    }
    return Assemble();
  }

 private:
  // The title, then the meta text, then the body, one line break between the parts present.
  std::u16string Assemble() {
    std::u16string head = title_.Take();
    if (!meta_.empty()) {
      if (!head.empty()) head.push_back(u'\n');
      head += meta_.text();
    }
    std::u16string text = body_.Take();
    if (!head.empty()) {
      if (!text.empty()) head.push_back(u'\n');
      text.insert(0, head);
    }
    // The body was reserved at the page's size; a text much shorter gives the rest back.
    if (text.capacity() / 2 > text.size()) text.shrink_to_fit();
    return text;
  }

  // Where text goes now: the body, or nowhere inside hidden content.
  TextSink* Shown() { return hidden_depth_ > 0 ? nullptr : &body_; }

  // Reads the character reference at text[at] into `sink`; the characters taken, 0 for none.
  size_t PutCharRef(TextSink* sink, std::u16string_view text, size_t at, bool in_attribute) {
    scratch_.clear();
    const size_t taken = ReadCharRef(text.substr(at), in_attribute, &scratch_);
    for (const char16_t c : scratch_) sink->Put(c);
    return taken;
  }

  // Puts `text` into `sink` (none: dropped), its character references read or not.
  void Emit(TextSink* sink, std::u16string_view text, bool read_refs, bool in_attribute = false) {
    if (sink == nullptr) return;
    for (size_t i = 0; i < text.size();) {
      if (read_refs && text[i] == u'&') {
        if (const size_t taken = PutCharRef(sink, text, i, in_attribute)) {
          i += taken;
          continue;
        }
      }
      sink->Put(text[i++]);
    }
  }

  // At a '<': a tag, a comment, a declaration, or just the character.
  void Markup() {
    const size_t size = page_.size();
    const char16_t next = at_ + 1 < size ? page_[at_ + 1] : u'\0';
    if (IsAsciiLetter(next)) {
      if (ReadTag(at_ + 1)) StartTag();
    } else if (next == u'/') {
      const char16_t after = at_ + 2 < size ? page_[at_ + 2] : u'\0';
      if (IsAsciiLetter(after)) {
        if (ReadTag(at_ + 2)) EndTag();
      } else if (after == u'>') {
        at_ += 3;  // "</>" is nothing
      } else if (at_ + 2 == size) {
        Emit(Shown(), page_.substr(at_), false);
        at_ = size;
      } else {
        SkipPast(u'>', at_ + 2);  // "</ ...>": a comment
      }
    } else if (next == u'!') {
      if (page_.substr(at_, 4) == u"<!--") {
        at_ = CommentEnd(page_, at_ + 4);
      } else if (page_.substr(at_, 9) == u"<![CDATA[") {
        // XHTML's character data: text up to "]]>" as it is.
        const size_t end = page_.find(u"]]>", at_ + 9);
        Emit(Shown(), page_.substr(at_ + 9, end == kNone ? kNone : end - at_ - 9), false);
        at_ = end == kNone ? size : end + 3;
      } else {
        SkipPast(u'>', at_ + 2);  // <!DOCTYPE ...> and other declarations
      }
    } else if (next == u'?') {
      SkipPast(u'>', at_ + 2);  // <?xml ...?> and other processing instructions
    } else {
      if (TextSink* sink = Shown()) sink->Put(u'<');
      ++at_;
    }
  }

  void SkipPast(char16_t c, size_t from) {
    const size_t found = page_.find(c, from);
    at_ = found == kNone ? page_.size() : found + 1;
  }

  // Reads the tag whose name starts at `name_start` into name_, self_closing_ and (for the few
  // elements whose attributes matter) attributes_, and moves past its '>'. False when the page
  // ends inside the tag: as in a browser the unfinished tag is dropped, and the walk is over.
  bool ReadTag(size_t name_start) {
    const size_t size = page_.size();
    size_t i = name_start;
    name_.clear();
    for (; i < size && !IsHtmlSpace(page_[i]) && page_[i] != u'/' && page_[i] != u'>'; ++i) {
      if (name_.size() <= kLongestName) name_.push_back(Lower(page_[i]));
    }
    key_ = ElementKey(name_);
    const bool keep = key_ == kMetaKey || key_ == kImgKey || key_ == kFontKey;
    attributes_.clear();
    self_closing_ = false;
    while (true) {
      while (i < size && IsHtmlSpace(page_[i])) ++i;
      if (i == size) break;
      if (page_[i] == u'>') {
        at_ = i + 1;
        return true;
      }
      if (page_[i] == u'/') {
        if (i + 1 < size && page_[i + 1] == u'>') {
          self_closing_ = true;
          at_ = i + 2;
          return true;
        }
        ++i;
        continue;
      }
      // A name: its first character may be '='.
      const size_t name_begin = i++;
      while (i < size && !IsHtmlSpace(page_[i]) && page_[i] != u'/' && page_[i] != u'>' &&
             page_[i] != u'=') {
        ++i;
      }
      Attribute attribute{page_.substr(name_begin, i - name_begin), {}};
      while (i < size && IsHtmlSpace(page_[i])) ++i;
      if (i < size && page_[i] == u'=') {
        ++i;
        while (i < size && IsHtmlSpace(page_[i])) ++i;
        if (i == size) break;
        if (page_[i] == u'"' || page_[i] == u'\'') {
          const size_t close = page_.find(page_[i], i + 1);
          if (close == kNone) break;
          attribute.value = page_.substr(i + 1, close - i - 1);
          i = close + 1;
        } else {
          const size_t value_begin = i;
          while (i < size && !IsHtmlSpace(page_[i]) && page_[i] != u'>') ++i;
          attribute.value = page_.substr(value_begin, i - value_begin);
        }
      }
      if (keep) attributes_.push_back(attribute);
    }
    at_ = size;
    return false;
  }

  std::u16string_view AttributeValue(std::u16string_view lower_name) const {
    for (const Attribute& attribute : attributes_) {
      if (EqualsNoCase(attribute.name, lower_name)) return attribute.value;
    }
    return {};
  }
  bool HasAttribute(std::u16string_view lower_name) const {
    for (const Attribute& attribute : attributes_) {
      if (EqualsNoCase(attribute.name, lower_name)) return true;
    }
    return false;
  }

  void StartTag() {
    const ElementInfo info = LookUpElement(key_);
    if (hidden_depth_ > 0) {
      if (!hidden_foreign_) {
        // HTML inside hidden content: elements of raw text still end only at their end tag.
        if (key_ == hidden_key_ && !self_closing_) {
          ++hidden_depth_;
        } else if (IsRawText(info.kind) && !self_closing_) {
          RawText(nullptr, false);
        }
        return;
      }
      const bool leaves = info.leaves_foreign ||
                          (key_ == kFontKey && (HasAttribute(u"color") || HasAttribute(u"face") ||
                                                HasAttribute(u"size")));
      if (!leaves) {
        if (key_ == hidden_key_ && !self_closing_) ++hidden_depth_;
        return;
      }
      hidden_depth_ = 0;  // the browser closes the SVG or MathML content and goes on in HTML
      body_.Break();
    }
    if (self_closing_ && HasContent(info.kind)) {
      // XHTML writes "<script src='x.js'/>" and "<iframe .../>": taken as empty, as an XML
      // reader takes them, rather than running to an end tag that never comes.
      if (info.kind != ElementKind::kTitle) body_.Break();
      return;
    }
    switch (info.kind) {
      case ElementKind::kInline:
        return;
      case ElementKind::kImage:
        if (const std::u16string_view alt = AttributeValue(u"alt"); !alt.empty()) {
          body_.Space();
          Emit(&body_, alt, true, /*in_attribute=*/true);
          body_.Space();
        }
        return;
      case ElementKind::kMeta:
        MetaText();
        return;
      case ElementKind::kTitle:
        RawText(have_title_ ? nullptr : &title_, true);
        have_title_ = true;
        return;
      case ElementKind::kHiddenRawText:
        body_.Break();
        RawText(nullptr, false);
        body_.Break();
        return;
      case ElementKind::kShownRawText:
      case ElementKind::kShownRcdata:
        body_.Break();
        RawText(&body_, info.kind == ElementKind::kShownRcdata);
        body_.Break();
        return;
      case ElementKind::kPlaintext:
        body_.Break();
        Emit(&body_, page_.substr(at_), false);
        at_ = page_.size();
        return;
      case ElementKind::kForeign:
        body_.Break();
        hidden_depth_ = 1;
        hidden_foreign_ = true;
        hidden_key_ = key_;
        return;
      case ElementKind::kHiddenSubtree:
        body_.Break();
        hidden_depth_ = 1;
        hidden_foreign_ = false;
        hidden_key_ = key_;
        return;
      case ElementKind::kBlock:
        body_.Break();
        return;
    }
  }

  // Whether the element's content runs to its own end tag (and is not shown or read as markup).
  static bool HasContent(ElementKind kind) {
    return IsRawText(kind) || kind == ElementKind::kHiddenSubtree || kind == ElementKind::kForeign;
  }

  static bool IsRawText(ElementKind kind) {
    return kind == ElementKind::kTitle || kind == ElementKind::kHiddenRawText ||
           kind == ElementKind::kShownRawText || kind == ElementKind::kShownRcdata ||
           kind == ElementKind::kPlaintext;
  }

  void EndTag() {
    if (hidden_depth_ > 0) {
      if (key_ == hidden_key_) {
        if (--hidden_depth_ == 0) body_.Break();
      } else if (hidden_foreign_ && (key_ == kPKey || key_ == kBrKey)) {
        hidden_depth_ = 0;  // these end tags leave SVG and MathML content too
        body_.Break();
      }
      return;
    }
    const ElementKind kind = LookUpElement(key_).kind;
    if (kind != ElementKind::kInline && kind != ElementKind::kImage) body_.Break();
  }

  // The content of the raw-text element name_, from at_ up to its end tag (or the end of the
  // page), into `sink` (none: dropped); at_ moves past the end tag.
  void RawText(TextSink* sink, bool read_refs) {
    if (key_ == kPlaintextKey) {
      at_ = page_.size();
      return;
    }
    const size_t end =
        key_ == kScriptKey ? FindScriptEnd(page_, at_) : FindEndTag(page_, at_, name_);
    Emit(sink, page_.substr(at_, end == kNone ? kNone : end - at_), read_refs);
    if (end == kNone) {
      at_ = page_.size();
    } else {
      ReadTag(end + 2);
    }
  }

  // <meta name="description" content="..."> and <meta name="keywords" content="...">.
  void MetaText() {
    const std::u16string_view name = Trimmed(AttributeValue(u"name"));
    if (!EqualsNoCase(name, u"description") && !EqualsNoCase(name, u"keywords")) return;
    Emit(&meta_, AttributeValue(u"content"), true, /*in_attribute=*/true);
    meta_.Break();
  }

  const std::u16string_view page_;
  size_t at_ = 0;
  TextSink title_;
  TextSink meta_;
  TextSink body_;
  bool have_title_ = false;
  // The element whose content is hidden (svg, template ...) and how many of its name are open.
  size_t hidden_depth_ = 0;
  bool hidden_foreign_ = false;
  uint64_t hidden_key_ = 0;
  // The tag just read: its name (ASCII letters lower-cased) and the name's ElementKey.
  std::u16string name_;
  uint64_t key_ = 0;
  bool self_closing_ = false;
  std::vector<Attribute> attributes_;
  std::u16string scratch_;
};

}  // namespace

std::u16string DecodePage(std::string_view bytes) {
  const PageEncoding encoding = SniffEncoding(bytes);
  std::u16string chars;
  parser::AppendDecoded(encoding.code_page, bytes.substr(encoding.bom_length), &chars);
  return chars;
}

std::u16string PageText(std::u16string_view chars) { return PageWalk(chars).Run(); }

std::u16string HtmlText(std::string_view bytes) { return PageText(DecodePage(bytes)); }

}  // namespace oru::ostrin
