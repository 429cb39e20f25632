// A streaming XML reader for the parts of Office Open XML and OpenDocument files: the caller
// pulls one event at a time (Next) while the reader pulls bytes from an InputStream (a ZIP
// entry, a flat file) as it needs them. Memory stays bounded by XmlLimits: the open elements
// and their namespace declarations, one start tag, one piece of text.
//
// What comes out:
//  - start and end tags (an empty element `<a/>` gives both), names resolved to namespace URIs
//    through the xmlns declarations in scope (callers match on URI and local name, never on a
//    prefix); an unprefixed element takes the default namespace, an unprefixed attribute none;
//    a prefix without a declaration gives an empty URI. The prefix "xml" is always bound.
//  - attributes with decoded values; xmlns declarations are applied, not listed.
//  - character data, also of CDATA sections, in pieces: the five predefined entities and
//    decimal and hexadecimal character references are decoded (a reference to a code point
//    that XML does not allow gives U+FFFD). A reference to any other entity is passed over: it
//    gives nothing, and no entity is ever expanded. An '&' that starts no reference (no ';'
//    within 32 bytes, or no name) is kept as text.
//  - only what lies inside the root element: the XML declaration, processing instructions,
//    comments and a DOCTYPE (its internal subset included) are skipped; reading ends when the
//    root element closes, and nothing after it is read.
// All text is UTF-8, as it came (bytes that are not UTF-8 pass through; AppendUtf8AsUtf16
// replaces them); line ends are "\n". Attribute values have their tabs and line ends made spaces.
//
// Well-formedness is checked as far as reading needs: tags must nest, names be there, quotes
// close, the input not end inside the root element. Duplicate attributes are not looked for.
#ifndef ORU_PLUGINS_PARSER_COMMON_XML_READER_H_
#define ORU_PLUGINS_PARSER_COMMON_XML_READER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/parser-common/container_limits.h"
#include "plugins/parser-common/input_stream.h"
#include "plugins/parser-common/xml_input.h"

namespace oru::containers {

enum class XmlEvent {
  kStartElement,  // uri(), local_name(), attributes()
  kEndElement,    // uri(), local_name()
  kText,          // text(): the next piece of character data
  kEnd,           // the root element closed; Next keeps returning kEnd
  kMalformed,     // reading stopped at malformed input (what came before stands); Next keeps
                  // returning kMalformed
};

struct XmlAttribute {
  std::string_view uri;    // empty for an unprefixed attribute
  int uri_number = 0;      // as XmlReader::uri_number()
  std::string_view local;  // the name after the prefix
  std::string_view value;  // decoded
  bool cut = false;        // the value passed XmlLimits::max_attribute_bytes and was cut
};

class XmlReader {
 public:
  // Reads `source`, which the caller keeps alive while the reader is used. Every start tag (and
  // its attributes) and every entity or character reference read (also by Skip, also past the
  // tracked depth) is charged to the source's work budget.
  explicit XmlReader(InputStream* source, const XmlLimits& limits = {});
  ~XmlReader();
  XmlReader(const XmlReader&) = delete;
  XmlReader& operator=(const XmlReader&) = delete;

  // Reads up to the next event. The views below stay valid until the next call.
  XmlEvent Next();
  // Reads on past the end of the element of the last kStartElement without giving anything it
  // holds, and returns what Next would have given there: its kEndElement (uri() and
  // local_name() are the element's), or kEnd or kMalformed when reading ended inside it. The
  // content is read as Next reads it (tags must nest, names and attributes be well formed), so
  // it stops at the same damage; only the names are not resolved nor the text kept.
  XmlEvent Skip();

  // Numbers namespaces, so that callers match them without comparing URIs: the namespace
  // uris[k] is numbered k + 1, any other namespace and none 0. `uris` stays alive while the
  // reader is used. Callable at any time; the names given afterwards carry the numbers.
  void NumberNamespaces(std::span<const std::string_view> uris);

  // The element of the last kStartElement or kEndElement.
  std::string_view uri() const { return uri_; }
  int uri_number() const { return uri_number_; }  // see NumberNamespaces
  std::string_view local_name() const { return local_; }
  bool Is(std::string_view uri, std::string_view local) const {
    return uri_ == uri && local_ == local;
  }
  // The attributes of the last kStartElement, in document order.
  const std::vector<XmlAttribute>& attributes() const { return attributes_; }
  // The value of its attribute (uri, local), or null when it has none.
  const std::string_view* Attribute(std::string_view uri, std::string_view local) const;
  // The piece of character data of the last kText (never empty). Consecutive pieces continue
  // one another; a piece ends on a UTF-8 character boundary.
  std::string_view text() const { return text_; }

  // Tracked elements open: after a kStartElement counting it, after a kEndElement not.
  // Elements deeper than XmlLimits::max_depth give no events (their text does).
  size_t depth() const { return open_.size() - (popping_ ? 1 : 0); }
  // The work budget of the source, or null.
  WorkBudget* work_budget() const { return budget_; }
  // After kMalformed, what was wrong (for logs and tests); else empty.
  std::string_view malformed_reason() const { return reason_; }

 private:
  struct Open {                 // a tracked element that is open
    size_t name_at, name_size;  // in names_
    size_t bindings;            // bindings_ in scope before its declarations
    size_t namespaces_size;     // namespaces_ before its declarations
    // Its name as resolved at its start tag, for its end tag: valid while `resolved_in` is
    // namespaces_'s bytes (the URI may lie there), null when it was not resolved.
    const char* resolved_in = nullptr;
    std::string_view uri;
    int uri_number = 0;
    std::string_view::size_type local_at = 0;
  };
  struct Binding {
    size_t prefix_at, prefix_size, uri_at, uri_size;  // in namespaces_
    int number;                                       // of the URI
  };
  struct Namespace {
    std::string_view uri;
    int number = 0;
  };
  struct RawAttribute {
    size_t name_at, name_size, value_at, value_size;  // in tag_
    bool cut;
    bool declares;  // a namespace declaration
  };

  // The parts of Next; those returning an optional give nothing when they read markup that
  // makes no event (an element deeper than the tracked depth, an empty CDATA section).
  XmlEvent Fail(const char* reason);
  XmlEvent ReadProlog();
  XmlEvent ReadContent();
  std::optional<XmlEvent> ReadStartTag();
  // The name and attributes of a start tag into tag_ and raw_attributes_. ReadPlainTag takes
  // the common case: the whole tag at hand, within the limits, with no value to decode; false
  // when it is not, having taken nothing. ReadTag takes any tag; it returns why the tag is
  // malformed, or null.
  bool ReadPlainTag(size_t* name_size, bool* empty);
  // The bytes of a plain start tag (without its '<') at the head of `w`, or 0.
  size_t ScanPlainTag(std::string_view w, size_t* name_size, bool* empty);
  const char* ReadTag(size_t* name_size, bool* empty);
  // An end tag that closes open_.back() as it should, when it is at hand; false when it is not
  // (ReadEndTag then reads it the general way), having taken nothing.
  bool ReadPlainEndTag();
  std::optional<XmlEvent> ReadEndTag();
  XmlEvent EmitEnd();
  void PopTop();  // forgets open_.back() and the namespaces it declared
  // Skip's quick way: passes over text, plain tags wholly at hand, comments, instructions and
  // CDATA sections just as Next would, without events. True when the element open at `depth`
  // closed (popping_ is then set); false when what follows needs the general way.
  bool SkipPlain(size_t depth);
  void ResolveTop();  // uri_ and local_ of open_.back()
  std::optional<XmlEvent> ReadText(bool cdata);
  std::optional<XmlEvent> SkipText();  // as ReadText, keeping nothing
  bool SkipPast(std::string_view end);
  bool SkipDoctype();
  bool ReadName(std::string* to);
  bool ReadAttributeValue(size_t* budget, RawAttribute* attribute);
  void DecodeReference(std::string* to);
  void SkipSpace();
  bool DeclareNamespaces();
  // The namespace bound to `prefix`; the last lookups are kept until the bindings change.
  const Namespace& Lookup(std::string_view prefix);
  Namespace FindBinding(std::string_view prefix) const;
  void ForgetLookups();
  int NumberOf(std::string_view uri) const;
  void Resolve(std::string_view qname, bool is_attribute, std::string_view* uri, int* number,
               std::string_view* local);

  // Count a start tag just read (with its tag_attributes_) or a reference against the source's
  // work budget.
  void ChargeTag() {
    if (budget_ != nullptr) {
      budget_->used += budget_->element_weight + tag_attributes_ * budget_->attribute_weight;
    }
  }
  void ChargeReference() {
    if (budget_ != nullptr) budget_->used += budget_->element_weight;
  }

  XmlInput input_;
  WorkBudget* budget_;
  XmlLimits limits_;
  enum class State { kProlog, kContent, kEmptyEnd, kDone, kMalformed } state_ = State::kProlog;
  bool popping_ = false;   // the last event ended open_.back(): pop it first
  bool in_cdata_ = false;  // inside a CDATA section whose text is being delivered
  bool quiet_ = false;     // Skip is reading: no names resolved, no attributes or text kept
  size_t untracked_ = 0;   // elements open below max_depth
  const char* reason_ = "";

  std::vector<Open> open_;
  std::string names_;  // qualified names of the open elements, one after another
  std::vector<Binding> bindings_;
  std::string namespaces_;  // prefixes and URIs of bindings_
  std::span<const std::string_view> numbered_;  // see NumberNamespaces
  int xml_number_ = 0;
  bool default_known_ = false;  // default_ is the default namespace
  Namespace default_;
  bool last_known_ = false;  // last_ is the namespace of last_prefix_
  std::string last_prefix_;
  Namespace last_;
  // The resolutions of the qualified names last met, until the bindings change: a part uses
  // a few names over and over (an OpenDocument cell alone five, with its attributes).
  struct CachedName {
    char name[32];
    size_t size = 0;  // 0: the slot is free
    bool is_attribute;
    size_t local_at;  // where the local name begins
    Namespace found;
  };
  // One slot per hash of a name; a name takes its slot over.
  static constexpr size_t kCachedNames = 64;
  static size_t NameSlot(std::string_view qname, bool is_attribute);
  CachedName cached_names_[kCachedNames];
  Namespace xml_;
  std::string tag_;         // names and values of a start tag read the general way
  std::string_view tag_view_;  // those of the last start tag: tag_, or its bytes in the input
  std::vector<RawAttribute> raw_attributes_;
  size_t tag_attributes_ = 0;  // attributes of the last start tag (declarations included)

  std::string_view uri_, local_;
  int uri_number_ = 0;
  std::vector<XmlAttribute> attributes_;
  std::string text_;
  std::string text_carry_;  // the start of a character cut by the end of a piece
};

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_XML_READER_H_
