#include "plugins/parser-common/xml_reader.h"

#include <algorithm>

namespace oru::containers {
namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
// A reference is '&', a name or '#' and digits, and ';' within this many bytes.
constexpr size_t kLongestReference = 34;
constexpr size_t kLongestUtf8 = 4;

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsNameByte(int c) {
  if (c <= ' ') return false;
  switch (c) {
    case '<':
    case '>':
    case '/':
    case '=':
    case '&':
    case '\'':
    case '"':
    case '!':
    case '?':
      return false;
    default:
      return true;
  }
}

// Whether XML allows the character: a reference to one it does not gives U+FFFD.
bool IsXmlChar(uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendUtf8(uint32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (c >> 18));
    *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code point of a character reference's digits ("#65", "#x41"), or nothing when they are
// not digits. Values past U+10FFFF stop growing there.
std::optional<uint32_t> CharacterReference(std::string_view digits) {
  const bool hex = digits.size() > 1 && digits[1] == 'x';
  digits.remove_prefix(hex ? 2 : 1);
  if (digits.empty()) return std::nullopt;
  uint32_t value = 0;
  for (const char d : digits) {
    uint32_t v;
    if (d >= '0' && d <= '9') {
      v = static_cast<uint32_t>(d - '0');
    } else if (hex && d >= 'a' && d <= 'f') {
      v = static_cast<uint32_t>(d - 'a' + 10);
    } else if (hex && d >= 'A' && d <= 'F') {
      v = static_cast<uint32_t>(d - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = std::min<uint32_t>(value * (hex ? 16 : 10) + v, 0x110000);
  }
  return value;
}

// The length of the last character of `text` when it is cut short by the end of `text`: the
// bytes to carry to the next piece (0 when the text ends on a character boundary).
size_t CutCharacter(std::string_view text) {
  size_t lead = text.size();
  for (size_t back = 0; lead > 0 && back < kLongestUtf8; ++back) {
    --lead;
    if ((static_cast<uint8_t>(text[lead]) & 0xC0) != 0x80) break;
  }
  if (lead == text.size()) return 0;
  const auto byte = static_cast<uint8_t>(text[lead]);
  const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
  return lead + length > text.size() ? text.size() - lead : 0;
}

}  // namespace

XmlReader::XmlReader(InputStream* source, const XmlLimits& limits)
    : input_(source), limits_(limits) {
  limits_.max_depth = std::max<size_t>(limits_.max_depth, 1);
  limits_.text_piece_bytes = std::max(limits_.text_piece_bytes, kLongestUtf8);
}

XmlEvent XmlReader::Next() {
  attributes_.clear();
  if (popping_) {
    const Open& top = open_.back();
    names_.resize(top.name_at);
    bindings_.resize(top.bindings);
    namespaces_.resize(top.namespaces_size);
    open_.pop_back();
    popping_ = false;
    if (open_.empty()) state_ = State::kDone;
  }
  switch (state_) {
    case State::kProlog:
      return ReadProlog();
    case State::kContent:
      return ReadContent();
    case State::kEmptyEnd:
      state_ = State::kContent;
      return EmitEnd();
    case State::kDone:
      return XmlEvent::kEnd;
    case State::kMalformed:
      break;
  }
  return XmlEvent::kMalformed;
}

const std::string_view* XmlReader::Attribute(std::string_view uri, std::string_view local) const {
  for (const XmlAttribute& attribute : attributes_) {
    if (attribute.uri == uri && attribute.local == local) return &attribute.value;
  }
  return nullptr;
}

XmlEvent XmlReader::Fail(const char* reason) {
  state_ = State::kMalformed;
  reason_ = reason;
  return XmlEvent::kMalformed;
}

XmlEvent XmlReader::ReadProlog() {
  for (;;) {
    SkipSpace();
    const int c = input_.Peek();
    if (c < 0) return Fail("no root element");
    if (c != '<') return Fail("text before the root element");
    const std::string_view w = input_.Window(9);
    if (w.starts_with("<?")) {
      input_.Skip(2);
      if (!SkipPast("?>")) return Fail("unclosed processing instruction");
    } else if (w.starts_with("<!--")) {
      input_.Skip(4);
      if (!SkipPast("-->")) return Fail("unclosed comment");
    } else if (w.starts_with("<!DOCTYPE")) {
      input_.Skip(9);
      if (!SkipDoctype()) return Fail("unclosed DOCTYPE");
    } else if (w.starts_with("<!")) {
      return Fail("unexpected declaration before the root element");
    } else {
      input_.Skip(1);
      state_ = State::kContent;
      if (const auto event = ReadStartTag()) return *event;
      return Fail("bad root element");  // not reached: the root is always tracked
    }
  }
}

XmlEvent XmlReader::ReadContent() {
  for (;;) {
    if (in_cdata_ || !text_carry_.empty() || (input_.Peek() >= 0 && input_.Peek() != '<')) {
      if (const auto event = ReadText(in_cdata_)) return *event;
      continue;
    }
    const std::string_view w = input_.Window(9);
    if (w.empty()) return Fail("input ends inside an element");
    if (w.size() < 2) return Fail("input ends inside a tag");
    std::optional<XmlEvent> event;
    if (w[1] == '/') {
      input_.Skip(2);
      event = ReadEndTag();
    } else if (w[1] == '?') {
      input_.Skip(2);
      if (!SkipPast("?>")) return Fail("unclosed processing instruction");
    } else if (w.starts_with("<!--")) {
      input_.Skip(4);
      if (!SkipPast("-->")) return Fail("unclosed comment");
    } else if (w.starts_with("<![CDATA[")) {
      input_.Skip(9);
      in_cdata_ = true;
    } else if (w[1] == '!') {
      return Fail("unexpected declaration inside an element");
    } else {
      input_.Skip(1);
      event = ReadStartTag();
    }
    if (event) return *event;
  }
}

std::optional<XmlEvent> XmlReader::ReadStartTag() {
  tag_.clear();
  raw_attributes_.clear();
  if (!ReadName(&tag_)) return Fail("bad element name");
  const size_t name_size = tag_.size();
  size_t budget = limits_.max_attribute_bytes;
  bool empty = false;
  for (;;) {
    SkipSpace();
    const int c = input_.Peek();
    if (c < 0) return Fail("input ends inside a tag");
    if (c == '>') {
      input_.Take();
      break;
    }
    if (c == '/') {
      input_.Take();
      if (input_.Peek() != '>') return Fail("'/' not followed by '>'");
      input_.Take();
      empty = true;
      break;
    }
    if (raw_attributes_.size() == limits_.max_attributes) return Fail("too many attributes");
    RawAttribute attribute{tag_.size(), 0, 0, 0, false};
    if (!ReadName(&tag_)) return Fail("bad attribute name");
    attribute.name_size = tag_.size() - attribute.name_at;
    SkipSpace();
    if (input_.Peek() != '=') return Fail("attribute without a value");
    input_.Take();
    SkipSpace();
    if (!ReadAttributeValue(&budget, &attribute)) return Fail("bad attribute value");
    raw_attributes_.push_back(attribute);
  }

  if (open_.size() >= limits_.max_depth) {
    if (!empty) ++untracked_;
    return std::nullopt;
  }
  const Open open{names_.size(), name_size, bindings_.size(), namespaces_.size()};
  if (!DeclareNamespaces()) return Fail("too many namespace declarations");
  names_.append(tag_, 0, name_size);
  open_.push_back(open);

  const std::string_view tag(tag_);
  Resolve(tag.substr(0, name_size), false, &uri_, &local_);
  for (const RawAttribute& raw : raw_attributes_) {
    const std::string_view name = tag.substr(raw.name_at, raw.name_size);
    if (name == "xmlns" || name.starts_with("xmlns:")) continue;
    XmlAttribute attribute;
    Resolve(name, true, &attribute.uri, &attribute.local);
    attribute.value = tag.substr(raw.value_at, raw.value_size);
    attribute.cut = raw.cut;
    attributes_.push_back(attribute);
  }
  if (empty) state_ = State::kEmptyEnd;
  return XmlEvent::kStartElement;
}

std::optional<XmlEvent> XmlReader::ReadEndTag() {
  tag_.clear();
  if (!ReadName(&tag_)) return Fail("bad end tag name");
  SkipSpace();
  if (input_.Peek() != '>') return Fail("unclosed end tag");
  input_.Take();
  if (untracked_ > 0) {
    --untracked_;
    return std::nullopt;
  }
  const Open& top = open_.back();
  if (std::string_view(names_).substr(top.name_at, top.name_size) != tag_) {
    return Fail("end tag does not match the start tag");
  }
  return EmitEnd();
}

XmlEvent XmlReader::EmitEnd() {
  const Open& top = open_.back();
  Resolve(std::string_view(names_).substr(top.name_at, top.name_size), false, &uri_, &local_);
  popping_ = true;
  return XmlEvent::kEndElement;
}

std::optional<XmlEvent> XmlReader::ReadText(bool cdata) {
  text_.swap(text_carry_);
  text_carry_.clear();
  const size_t piece = limits_.text_piece_bytes;
  bool full = false;  // the piece ends where it is full, maybe inside a character
  bool ended = false;
  for (;;) {
    if (text_.size() >= piece) {
      full = true;
      break;
    }
    const std::string_view w = input_.Window();
    if (w.empty()) {
      ended = true;
      break;
    }
    const size_t limit = std::min(w.size(), piece - text_.size());
    size_t n = 0;
    if (cdata) {
      while (n < limit && w[n] != ']') ++n;
    } else {
      while (n < limit && w[n] != '<' && w[n] != '&') ++n;
    }
    text_.append(w.data(), n);
    input_.Skip(n);
    if (n == limit) continue;
    const char c = w[n];
    if (c == '<') break;
    if (c == '&') {
      if (text_.size() + kLongestUtf8 > piece) break;  // the next piece decodes it
      DecodeReference(&text_);
      continue;
    }
    if (input_.Window(3).starts_with("]]>")) {
      input_.Skip(3);
      in_cdata_ = false;
      break;
    }
    text_ += ']';
    input_.Skip(1);
  }
  if (text_.empty()) {
    if (ended) return Fail(cdata ? "input ends inside CDATA" : "input ends inside an element");
    return std::nullopt;
  }
  if (full) {
    const size_t carry = CutCharacter(text_);
    text_carry_.assign(text_, text_.size() - carry, carry);
    text_.resize(text_.size() - carry);
  }
  return XmlEvent::kText;
}

bool XmlReader::SkipPast(std::string_view end) {
  for (;;) {
    const std::string_view w = input_.Window(end.size());
    if (w.size() < end.size()) return false;
    const size_t found = w.find(end);
    if (found != std::string_view::npos) {
      input_.Skip(found + end.size());
      return true;
    }
    input_.Skip(w.size() - (end.size() - 1));
  }
}

bool XmlReader::SkipDoctype() {
  int brackets = 0;  // depth inside the internal subset
  for (;;) {
    const int c = input_.Peek();
    if (c < 0) return false;
    if (c == '"' || c == '\'') {
      input_.Take();
      const char quote[] = {static_cast<char>(c), '\0'};
      if (!SkipPast(quote)) return false;
      continue;
    }
    if (c == '<') {
      const std::string_view w = input_.Window(4);
      if (w.starts_with("<!--")) {
        input_.Skip(4);
        if (!SkipPast("-->")) return false;
        continue;
      }
      if (w.starts_with("<?")) {
        input_.Skip(2);
        if (!SkipPast("?>")) return false;
        continue;
      }
    }
    input_.Take();
    if (c == '[') {
      ++brackets;
    } else if (c == ']' && brackets > 0) {
      --brackets;
    } else if (c == '>' && brackets == 0) {
      return true;
    }
  }
}

bool XmlReader::ReadName(std::string* to) {
  size_t size = 0;
  for (int c = input_.Peek(); c >= 0 && IsNameByte(c); c = input_.Peek()) {
    if (++size > limits_.max_name_bytes) return false;
    to->push_back(static_cast<char>(c));
    input_.Take();
  }
  return size > 0;
}

bool XmlReader::ReadAttributeValue(size_t* budget, RawAttribute* attribute) {
  const int quote = input_.Peek();
  if (quote != '"' && quote != '\'') return false;
  input_.Take();
  attribute->value_at = tag_.size();
  auto append = [&](std::string_view bytes) {
    const size_t take = std::min(bytes.size(), *budget);
    tag_.append(bytes.data(), take);
    *budget -= take;
    if (take < bytes.size()) attribute->cut = true;
  };
  std::string decoded;
  for (;;) {
    const std::string_view w = input_.Window();
    if (w.empty()) return false;
    size_t n = 0;
    while (n < w.size() && w[n] != quote && w[n] != '&' && w[n] != '<' && w[n] != '\t' &&
           w[n] != '\n') {
      ++n;
    }
    append(w.substr(0, n));
    input_.Skip(n);
    if (n == w.size()) continue;
    const char c = w[n];
    if (c == quote) {
      input_.Take();
      break;
    }
    if (c == '<') return false;
    if (c == '&') {
      decoded.clear();
      DecodeReference(&decoded);
      append(decoded);
      continue;
    }
    input_.Take();
    append(" ");
  }
  attribute->value_size = tag_.size() - attribute->value_at;
  return true;
}

void XmlReader::DecodeReference(std::string* to) {
  const std::string_view w = input_.Window(kLongestReference);
  const size_t semicolon = w.substr(0, kLongestReference).find(';');
  const std::string_view name =
      semicolon == std::string_view::npos ? std::string_view() : w.substr(1, semicolon - 1);
  bool known = !name.empty();
  if (known && name[0] == '#') {
    if (const auto code = CharacterReference(name)) {
      AppendUtf8(IsXmlChar(*code) ? *code : 0xFFFD, to);
    } else {
      known = false;
    }
  } else if (name == "lt") {
    *to += '<';
  } else if (name == "gt") {
    *to += '>';
  } else if (name == "amp") {
    *to += '&';
  } else if (name == "quot") {
    *to += '"';
  } else if (name == "apos") {
    *to += '\'';
  } else {
    // Any other entity is passed over; a name it cannot be leaves the '&' as text.
    known = known && std::all_of(name.begin(), name.end(), [](char c) { return IsNameByte(c); });
  }
  if (!known) {
    *to += '&';
    input_.Skip(1);
    return;
  }
  input_.Skip(semicolon + 1);
}

void XmlReader::SkipSpace() {
  while (IsSpace(input_.Peek())) input_.Take();
}

bool XmlReader::DeclareNamespaces() {
  const std::string_view tag(tag_);
  for (const RawAttribute& raw : raw_attributes_) {
    const std::string_view name = tag.substr(raw.name_at, raw.name_size);
    std::string_view prefix;
    if (name.starts_with("xmlns:")) {
      prefix = name.substr(6);
    } else if (name != "xmlns") {
      continue;
    }
    const std::string_view uri = tag.substr(raw.value_at, raw.value_size);
    if (prefix.size() + uri.size() > limits_.max_namespace_bytes - namespaces_.size()) {
      return false;
    }
    bindings_.push_back(
        {namespaces_.size(), prefix.size(), namespaces_.size() + prefix.size(), uri.size()});
    namespaces_ += prefix;
    namespaces_ += uri;
  }
  return true;
}

std::string_view XmlReader::Lookup(std::string_view prefix) const {
  if (prefix == "xml") return kXmlNamespace;
  const std::string_view all(namespaces_);
  for (auto it = bindings_.rbegin(); it != bindings_.rend(); ++it) {
    if (all.substr(it->prefix_at, it->prefix_size) == prefix) {
      return all.substr(it->uri_at, it->uri_size);
    }
  }
  return {};
}

void XmlReader::Resolve(std::string_view qname, bool is_attribute, std::string_view* uri,
                        std::string_view* local) const {
  const size_t colon = qname.find(':');
  if (colon != std::string_view::npos && colon > 0) {
    *uri = Lookup(qname.substr(0, colon));
    *local = qname.substr(colon + 1);
  } else {
    *uri = is_attribute ? std::string_view() : Lookup("");
    *local = qname;
  }
}

}  // namespace oru::containers
