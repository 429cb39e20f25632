#include "plugins/parser-common/xml_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/utf8.h"
#include "plugins/parser-common/buffer_cache.h"

namespace oru::containers {
namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
// A reference is '&', a name or '#' and digits, and ';' within this many bytes.
constexpr size_t kLongestReference = 34;
constexpr size_t kLongestUtf8 = 4;
// The bytes at hand a start tag is looked for in by the quick way (a longer one takes the
// general way).
constexpr size_t kPlainTagWindow = 512;

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Per byte value: what ends a name, a run of text and an attribute value, so that the scanning
// loops look a byte up once.
enum ByteClass : uint8_t {
  kNotName = 1,         // ends a name: space, control bytes, markup characters
  kEndsText = 2,        // '<' and '&'
  kEndsAttribute = 4,   // '<', '&', tab, line end, both quotes (the caller checks which one)
};

constexpr std::array<uint8_t, 256> MakeByteClasses() {
  std::array<uint8_t, 256> classes{};
  for (int c = 0; c <= ' '; ++c) classes[c] |= kNotName;
  for (const char c : {'<', '>', '/', '=', '&', '\'', '"', '!', '?'}) {
    classes[static_cast<uint8_t>(c)] |= kNotName;
  }
  classes['<'] |= kEndsText | kEndsAttribute;
  classes['&'] |= kEndsText | kEndsAttribute;
  for (const char c : {'\t', '\n', '\'', '"'}) classes[static_cast<uint8_t>(c)] |= kEndsAttribute;
  return classes;
}
constexpr std::array<uint8_t, 256> kByteClasses = MakeByteClasses();

// Whether two short strings (names, prefixes) are equal, without a call for the common case.
bool Same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() > 16) return std::memcmp(a.data(), b.data(), a.size()) == 0;
  for (size_t k = 0; k < a.size(); ++k) {
    if (a[k] != b[k]) return false;
  }
  return true;
}

[[gnu::always_inline]] inline uint64_t Load8(const char* at) {
  uint64_t v;
  std::memcpy(&v, at, 8);
  return v;
}

// The first n bytes (1 to 8) at `at` as a number, the rest zero: loads that may overlap, none
// past the n bytes, and no call.
[[gnu::always_inline]] inline uint64_t LoadShort(const char* at, size_t n) {
  if (n >= 8) return Load8(at);
  const auto byte = [at](size_t k) { return uint64_t{static_cast<uint8_t>(at[k])}; };
  if (n >= 4) {
    uint32_t low;
    uint32_t high;
    std::memcpy(&low, at, 4);
    std::memcpy(&high, at + n - 4, 4);
    return uint64_t{low} | (uint64_t{high} << (8 * (n - 4)));
  }
  return byte(0) | (byte(n / 2) << (8 * (n / 2))) | (byte(n - 1) << (8 * (n - 1)));
}

// Whether `b` (1 to 32 bytes) is the same as the first b.size() bytes of `a`.
bool SameShort(const char* a, std::string_view b) {
  const size_t n = b.size();
  if (n <= 8) return LoadShort(a, n) == LoadShort(b.data(), n);
  for (size_t k = 0; k + 8 < n; k += 8) {
    if (Load8(a + k) != Load8(b.data() + k)) return false;
  }
  return Load8(a + n - 8) == Load8(b.data() + n - 8);
}

// Whether an attribute of this name declares a namespace ("xmlns" or "xmlns:prefix").
bool Declares(std::string_view name) {
  return name.size() >= 5 && name[0] == 'x' && name[1] == 'm' && name[2] == 'l' &&
         name[3] == 'n' && name[4] == 's' && (name.size() == 5 || name[5] == ':');
}

bool HasClass(char c, ByteClass of) { return (kByteClasses[static_cast<uint8_t>(c)] & of) != 0; }
bool IsNameByte(int c) { return c >= 0 && !HasClass(static_cast<char>(c), kNotName); }

// The first byte of w[at, end) of the class `of`, or `end`. Names, attribute values and text
// are scanned 16 bytes at a time where SSE2 is there: a part is mostly these runs.
#if defined(__SSE2__)
template <ByteClass kOf>
int ClassMask(__m128i b) {
  const auto is = [b](char c) { return _mm_cmpeq_epi8(b, _mm_set1_epi8(c)); };
  __m128i m = _mm_or_si128(is('<'), is('&'));
  if constexpr (kOf == kNotName) {
    // Bytes up to ' ', and the markup characters.
    m = _mm_or_si128(m, _mm_cmpeq_epi8(_mm_max_epu8(b, _mm_set1_epi8(' ')), _mm_set1_epi8(' ')));
    m = _mm_or_si128(m, _mm_or_si128(is('>'), is('/')));
    m = _mm_or_si128(m, _mm_or_si128(is('='), is('\'')));
    m = _mm_or_si128(m, _mm_or_si128(is('"'), is('!')));
    m = _mm_or_si128(m, is('?'));
  } else if constexpr (kOf == kEndsAttribute) {
    m = _mm_or_si128(m, _mm_or_si128(is('\t'), is('\n')));
    m = _mm_or_si128(m, _mm_or_si128(is('\''), is('"')));
  }
  return _mm_movemask_epi8(m);
}
#endif

template <ByteClass kOf>
size_t FindClass(const char* w, size_t at, size_t end) {
#if defined(__SSE2__)
  // Most names and values are short: their first bytes one by one, the rest by blocks.
  for (const size_t first = std::min(end, at + 8); at < first; ++at) {
    if (HasClass(w[at], kOf)) return at;
  }
  for (; end - at >= 16; at += 16) {
    const int bits = ClassMask<kOf>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w + at)));
    if (bits != 0) return at + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(bits)));
  }
#endif
  while (at < end && !HasClass(w[at], kOf)) ++at;
  return at;
}

// Whether XML allows the character: a reference to one it does not gives U+FFFD.
bool IsXmlChar(uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
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
    : input_(source), budget_(source->work_budget()), limits_(limits), text_(TakeBuffer()) {
  limits_.max_depth = std::max<size_t>(limits_.max_depth, 1);
  limits_.text_piece_bytes = std::max(limits_.text_piece_bytes, kLongestUtf8);
}

XmlReader::~XmlReader() { GiveBuffer(std::move(text_)); }

XmlEvent XmlReader::Next() {
  attributes_.clear();
  if (popping_) {
    PopTop();
    popping_ = false;
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

void XmlReader::PopTop() {
  const Open& top = open_.back();
  names_.resize(top.name_at);
  if (bindings_.size() != top.bindings) ForgetLookups();
  bindings_.resize(top.bindings);
  namespaces_.resize(top.namespaces_size);
  open_.pop_back();
  if (open_.empty()) state_ = State::kDone;
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
      if (const auto event = quiet_ ? SkipText() : ReadText(in_cdata_)) return *event;
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
  size_t name_size = 0;
  bool empty = false;
  if (!ReadPlainTag(&name_size, &empty)) {
    if (const char* failure = ReadTag(&name_size, &empty)) return Fail(failure);
  }
  ChargeTag();
  if (open_.size() >= limits_.max_depth) {
    if (!empty) ++untracked_;
    return std::nullopt;
  }
  const Open open{names_.size(), name_size, bindings_.size(), namespaces_.size(), nullptr, {}, 0, 0};
  if (!DeclareNamespaces()) return Fail("too many namespace declarations");
  names_.append(tag_view_.data(), name_size);
  open_.push_back(open);
  if (empty) state_ = State::kEmptyEnd;
  if (quiet_) return XmlEvent::kStartElement;

  const std::string_view tag = tag_view_;
  Resolve(tag.substr(0, name_size), false, &uri_, &uri_number_, &local_);
  Open& opened = open_.back();
  opened.resolved_in = namespaces_.data();
  opened.uri = uri_;
  opened.uri_number = uri_number_;
  opened.local_at = name_size - local_.size();
  for (const RawAttribute& raw : raw_attributes_) {
    if (raw.declares) continue;
    const std::string_view name = tag.substr(raw.name_at, raw.name_size);
    XmlAttribute attribute;
    Resolve(name, true, &attribute.uri, &attribute.uri_number, &attribute.local);
    attribute.value = tag.substr(raw.value_at, raw.value_size);
    attribute.cut = raw.cut;
    attributes_.push_back(attribute);
  }
  return XmlEvent::kStartElement;
}

bool XmlReader::ReadPlainTag(size_t* name_size, bool* empty) {
  const std::string_view w = input_.Window(kPlainTagWindow);
  const size_t taken = ScanPlainTag(w, name_size, empty);
  if (taken == 0) return false;
  tag_view_ = w.substr(0, taken);  // the bytes stay in place until the next call of Next
  input_.Skip(taken);
  return true;
}

size_t XmlReader::ScanPlainTag(std::string_view w, size_t* name_size, bool* empty) {
  const size_t size = w.size();
  size_t at = 0;
  auto name = [&] {
    const size_t start = at;
    at = FindClass<kNotName>(w.data(), at, size);
    return at - start;
  };
  auto space = [&] {
    while (at < size && IsSpace(w[at])) ++at;
  };
  *name_size = name();
  if (*name_size == 0 || *name_size > limits_.max_name_bytes) return 0;
  raw_attributes_.clear();
  size_t attributes = 0;
  size_t value_bytes = 0;
  for (;;) {
    space();
    if (at == size) return 0;
    if (w[at] == '>') {
      ++at;
      *empty = false;
      break;
    }
    if (w[at] == '/') {
      if (at + 1 == size || w[at + 1] != '>') return 0;
      at += 2;
      *empty = true;
      break;
    }
    if (attributes++ == limits_.max_attributes) return 0;
    RawAttribute attribute{at, 0, 0, 0, false, false};
    attribute.name_size = name();
    if (attribute.name_size == 0 || attribute.name_size > limits_.max_name_bytes) return 0;
    attribute.declares = Declares(w.substr(attribute.name_at, attribute.name_size));
    space();
    if (at == size || w[at] != '=') return 0;
    ++at;
    space();
    if (at == size || (w[at] != '"' && w[at] != '\'')) return 0;
    const char quote = w[at++];
    attribute.value_at = at;
    at = FindClass<kEndsAttribute>(w.data(), at, size);
    if (at == size || w[at] != quote) return 0;  // something to decode, or more to read
    attribute.value_size = at++ - attribute.value_at;
    value_bytes += attribute.value_size;
    if (value_bytes > limits_.max_attribute_bytes) return 0;
    // Skip keeps only the namespace declarations, which it must apply.
    if (!quiet_ || attribute.declares) raw_attributes_.push_back(attribute);
  }
  tag_attributes_ = attributes;
  return at;
}

const char* XmlReader::ReadTag(size_t* name_size, bool* empty) {
  tag_.clear();
  raw_attributes_.clear();
  if (!ReadName(&tag_)) return "bad element name";
  *name_size = tag_.size();
  size_t budget = limits_.max_attribute_bytes;
  *empty = false;
  for (;;) {
    SkipSpace();
    const int c = input_.Peek();
    if (c < 0) return "input ends inside a tag";
    if (c == '>') {
      input_.Take();
      tag_view_ = tag_;
      tag_attributes_ = raw_attributes_.size();
      return nullptr;
    }
    if (c == '/') {
      input_.Take();
      if (input_.Peek() != '>') return "'/' not followed by '>'";
      input_.Take();
      *empty = true;
      tag_view_ = tag_;
      tag_attributes_ = raw_attributes_.size();
      return nullptr;
    }
    if (raw_attributes_.size() == limits_.max_attributes) return "too many attributes";
    RawAttribute attribute{tag_.size(), 0, 0, 0, false, false};
    if (!ReadName(&tag_)) return "bad attribute name";
    attribute.name_size = tag_.size() - attribute.name_at;
    attribute.declares = Declares(std::string_view(tag_).substr(attribute.name_at));
    SkipSpace();
    if (input_.Peek() != '=') return "attribute without a value";
    input_.Take();
    SkipSpace();
    if (!ReadAttributeValue(&budget, &attribute)) return "bad attribute value";
    raw_attributes_.push_back(attribute);
  }
}

std::optional<XmlEvent> XmlReader::ReadEndTag() {
  if (untracked_ == 0 && ReadPlainEndTag()) return EmitEnd();
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

bool XmlReader::ReadPlainEndTag() {
  const Open& top = open_.back();
  const std::string_view name = std::string_view(names_).substr(top.name_at, top.name_size);
  const std::string_view w = input_.Window(name.size() + 2);
  size_t at = name.size();
  if (w.size() <= at || !HasClass(w[at], kNotName)) return false;
  if (at <= 32 ? !SameShort(name.data(), w.substr(0, at)) : !Same(w.substr(0, at), name)) {
    return false;
  }
  while (at < w.size() && IsSpace(w[at])) ++at;
  if (at == w.size() || w[at] != '>') return false;
  input_.Skip(at + 1);
  return true;
}

XmlEvent XmlReader::EmitEnd() {
  if (!quiet_) ResolveTop();
  popping_ = true;
  return XmlEvent::kEndElement;
}

void XmlReader::ResolveTop() {
  const Open& top = open_.back();
  if (top.resolved_in != nullptr && top.resolved_in == namespaces_.data()) {
    uri_ = top.uri;
    uri_number_ = top.uri_number;
    local_ = std::string_view(names_).substr(top.name_at + top.local_at, top.name_size - top.local_at);
    return;
  }
  Resolve(std::string_view(names_).substr(top.name_at, top.name_size), false, &uri_, &uri_number_,
          &local_);
}

XmlEvent XmlReader::Skip() {
  const size_t depth = this->depth();
  quiet_ = true;
  XmlEvent event;
  for (;;) {
    if (popping_) {
      PopTop();
      popping_ = false;
    }
    if (state_ == State::kContent && !in_cdata_ && text_carry_.empty() && SkipPlain(depth)) {
      event = XmlEvent::kEndElement;
      break;
    }
    // What the quick way leaves, one step the general way.
    event = Next();
    if (event == XmlEvent::kEnd || event == XmlEvent::kMalformed ||
        (event == XmlEvent::kEndElement && this->depth() < depth)) {
      break;
    }
  }
  quiet_ = false;
  if (event == XmlEvent::kEndElement) ResolveTop();
  return event;
}

bool XmlReader::SkipPlain(size_t depth) {
  for (;;) {
    const std::string_view w = input_.Window(kPlainTagWindow);
    const size_t size = w.size();
    size_t at = 0;
    for (;;) {
      const void* open = std::memchr(w.data() + at, '<', size - at);
      if (open == nullptr) {  // text to the end of the bytes at hand
        at = size;
        break;
      }
      at = static_cast<size_t>(static_cast<const char*>(open) - w.data());
      const std::string_view markup = w.substr(at);
      size_t taken = 0;
      if (markup.size() < 2) break;
      if (markup[1] == '/') {
        if (untracked_ > 0) break;
        const Open& top = open_.back();
        const std::string_view name = std::string_view(names_).substr(top.name_at, top.name_size);
        taken = name.size() + 2;
        if (markup.size() <= taken || !Same(markup.substr(2, name.size()), name) ||
            !HasClass(markup[taken], kNotName)) {
          break;
        }
        while (taken < markup.size() && IsSpace(markup[taken])) ++taken;
        if (taken == markup.size() || markup[taken] != '>') break;
        ++taken;
        if (open_.size() == depth) {  // the skipped element closes
          input_.Skip(at + taken);
          popping_ = true;
          return true;
        }
        PopTop();
      } else if (markup[1] == '?' || markup[1] == '!') {
        // Instructions, comments and CDATA sections wholly at hand; what they hold is no markup.
        std::string_view end;
        if (markup[1] == '?') {
          end = "?>";
          taken = 2;
        } else if (markup.starts_with("<!--")) {
          end = "-->";
          taken = 4;
        } else if (markup.starts_with("<![CDATA[")) {
          end = "]]>";
          taken = 9;
        } else {
          break;
        }
        const size_t found = markup.find(end, taken);
        if (found == std::string_view::npos) break;
        taken = found + end.size();
      } else {
        size_t name_size = 0;
        bool empty = false;
        taken = ScanPlainTag(markup.substr(1), &name_size, &empty);
        // Namespace declarations are applied the general way, which also checks their bounds.
        if (taken == 0 || !raw_attributes_.empty()) break;
        ++taken;
        ChargeTag();
        if (open_.size() >= limits_.max_depth) {
          if (!empty) ++untracked_;
        } else if (!empty) {
          open_.push_back(
              {names_.size(), name_size, bindings_.size(), namespaces_.size(), nullptr, {}, 0, 0});
          names_.append(markup.data() + 1, name_size);
        }
      }
      at += taken;
    }
    input_.Skip(at);
    if (at == 0) return false;
  }
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
      const void* bracket = std::memchr(w.data(), ']', limit);
      n = bracket != nullptr ? static_cast<size_t>(static_cast<const char*>(bracket) - w.data())
                             : limit;
    } else {
      n = FindClass<kEndsText>(w.data(), 0, limit);
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

std::optional<XmlEvent> XmlReader::SkipText() {
  text_carry_.clear();
  if (in_cdata_) {
    if (!SkipPast("]]>")) return Fail("input ends inside CDATA");
    in_cdata_ = false;
    return std::nullopt;
  }
  // References never hold a '<', so the text ends at the next one whatever it holds.
  for (;;) {
    const std::string_view w = input_.Window();
    if (w.empty()) return Fail("input ends inside an element");
    const void* open = std::memchr(w.data(), '<', w.size());
    if (open != nullptr) {
      input_.Skip(static_cast<size_t>(static_cast<const char*>(open) - w.data()));
      return std::nullopt;
    }
    input_.Skip(w.size());
  }
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
  for (;;) {
    const std::string_view w = input_.Window();
    size_t n = 0;
    while (n < w.size() && !HasClass(w[n], kNotName)) ++n;
    size += n;
    if (size > limits_.max_name_bytes) return false;
    to->append(w.data(), n);
    input_.Skip(n);
    if (n < w.size() || w.empty()) return size > 0;
  }
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
    while (n < w.size() && !HasClass(w[n], kEndsAttribute)) ++n;
    append(w.substr(0, n));
    input_.Skip(n);
    if (n == w.size()) continue;
    const char c = w[n];
    if (c == quote) {
      input_.Take();
      break;
    }
    if (c == '"' || c == '\'') {  // the other quote is a character of the value
      append(w.substr(n, 1));
      input_.Take();
      continue;
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
  ChargeReference();
  const std::string_view w = input_.Window(kLongestReference);
  const size_t semicolon = w.substr(0, kLongestReference).find(';');
  const std::string_view name =
      semicolon == std::string_view::npos ? std::string_view() : w.substr(1, semicolon - 1);
  bool known = !name.empty();
  if (known && name[0] == '#') {
    if (const auto code = CharacterReference(name)) {
      platform::AppendUtf8(IsXmlChar(*code) ? *code : 0xFFFD, to);
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
  for (;;) {
    const std::string_view w = input_.Window();
    size_t n = 0;
    while (n < w.size() && IsSpace(w[n])) ++n;
    input_.Skip(n);
    if (n < w.size() || w.empty()) return;
  }
}

bool XmlReader::DeclareNamespaces() {
  const std::string_view tag = tag_view_;
  for (const RawAttribute& raw : raw_attributes_) {
    if (!raw.declares) continue;
    const std::string_view name = tag.substr(raw.name_at, raw.name_size);
    const std::string_view prefix = name.substr(std::min<size_t>(name.size(), 6));
    const std::string_view uri = tag.substr(raw.value_at, raw.value_size);
    if (prefix.size() + uri.size() > limits_.max_namespace_bytes - namespaces_.size()) {
      return false;
    }
    ForgetLookups();
    bindings_.push_back({namespaces_.size(), prefix.size(), namespaces_.size() + prefix.size(),
                         uri.size(), NumberOf(uri)});
    namespaces_ += prefix;
    namespaces_ += uri;
  }
  return true;
}

void XmlReader::NumberNamespaces(std::span<const std::string_view> uris) {
  numbered_ = uris;
  for (Binding& binding : bindings_) {
    binding.number = NumberOf(std::string_view(namespaces_).substr(binding.uri_at, binding.uri_size));
  }
  xml_number_ = NumberOf(kXmlNamespace);
  ForgetLookups();
  for (Open& open : open_) open.resolved_in = nullptr;  // their end tags resolve anew
}

int XmlReader::NumberOf(std::string_view uri) const {
  if (uri.empty()) return 0;
  for (size_t k = 0; k < numbered_.size(); ++k) {
    if (numbered_[k] == uri) return static_cast<int>(k + 1);
  }
  return 0;
}

const XmlReader::Namespace& XmlReader::Lookup(std::string_view prefix) {
  if (prefix.empty()) {
    if (!default_known_) default_ = FindBinding(prefix);
    default_known_ = true;
    return default_;
  }
  if (prefix.size() == 3 && prefix == "xml") {
    xml_ = {kXmlNamespace, xml_number_};
    return xml_;
  }
  if (!last_known_ || !Same(last_prefix_, prefix)) {
    last_prefix_.assign(prefix);
    last_ = FindBinding(prefix);
    last_known_ = true;
  }
  return last_;
}

void XmlReader::ForgetLookups() {
  default_known_ = false;
  last_known_ = false;
  for (CachedName& cached : cached_names_) cached.size = 0;
}

XmlReader::Namespace XmlReader::FindBinding(std::string_view prefix) const {
  const std::string_view all(namespaces_);
  for (auto it = bindings_.rbegin(); it != bindings_.rend(); ++it) {
    if (Same(all.substr(it->prefix_at, it->prefix_size), prefix)) {
      return {all.substr(it->uri_at, it->uri_size), it->number};
    }
  }
  return {};
}

size_t XmlReader::NameSlot(std::string_view qname, bool is_attribute) {
  // The first and last 8 bytes (all of a shorter name) and the size, mixed by a multiplication.
  // `qname` is 1 to 32 bytes.
  const size_t n = qname.size();
  const uint64_t head = LoadShort(qname.data(), n);
  const uint64_t tail = n > 8 ? Load8(qname.data() + n - 8) : 0;
  const uint64_t mixed =
      (head ^ (tail * 0x9E3779B97F4A7C15u) ^ (n << 1 | (is_attribute ? 1 : 0))) *
      0xBF58476D1CE4E5B9u;
  return static_cast<size_t>(mixed >> 58);  // 64 slots
}

void XmlReader::Resolve(std::string_view qname, bool is_attribute, std::string_view* uri,
                        int* number, std::string_view* local) {
  const bool cacheable = !qname.empty() && qname.size() <= sizeof(CachedName::name);
  CachedName* slot = cacheable ? &cached_names_[NameSlot(qname, is_attribute)] : nullptr;
  if (slot != nullptr && slot->size == qname.size() && slot->is_attribute == is_attribute &&
      SameShort(slot->name, qname)) {
    *uri = slot->found.uri;
    *number = slot->found.number;
    *local = qname.substr(slot->local_at);
    return;
  }
  size_t colon = 0;
  while (colon < qname.size() && qname[colon] != ':') ++colon;
  Namespace found;
  size_t local_at = 0;
  if (colon < qname.size() && colon > 0) {
    found = Lookup(qname.substr(0, colon));
    local_at = colon + 1;
  } else if (!is_attribute) {
    found = Lookup({});
  }
  *uri = found.uri;
  *number = found.number;
  *local = qname.substr(local_at);
  if (slot == nullptr) return;
  std::memcpy(slot->name, qname.data(), qname.size());
  slot->size = qname.size();
  slot->is_attribute = is_attribute;
  slot->local_at = local_at;
  slot->found = found;
}

}  // namespace oru::containers
