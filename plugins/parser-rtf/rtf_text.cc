#include "plugins/parser-rtf/rtf_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "plugins/parser-common/text_decode.h"
#include "plugins/parser-rtf/rtf_code_pages.h"
#include "plugins/parser-rtf/rtf_keywords.h"

namespace oru::rtf {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
// More fonts than any document defines; further definitions are ignored, so that a forged font
// table cannot grow the map without bound.
constexpr size_t kMaxFonts = 32768;
// Parameters beyond this magnitude are clamped to it.
constexpr int64_t kMaxParameter = 0x7FFFFFFF;

// What a byte of the body is to the reader.
enum ByteClass : uint8_t { kPlain, kBackslash, kOpen, kClose, kIgnored, kTab, kHigh };

constexpr std::array<ByteClass, 256> MakeByteClasses() {
  std::array<ByteClass, 256> classes{};
  for (int b = 0; b < 256; ++b) {
    classes[b] = b >= 0x80 ? kHigh : b < 0x20 ? kIgnored : kPlain;
  }
  classes['\\'] = kBackslash;
  classes['{'] = kOpen;
  classes['}'] = kClose;
  classes['\t'] = kTab;
  return classes;
}
constexpr std::array<ByteClass, 256> kByteClasses = MakeByteClasses();

constexpr bool IsLetter(uint8_t b) { return (b | 0x20) >= 'a' && (b | 0x20) <= 'z'; }
constexpr bool IsDigit(uint8_t b) { return b >= '0' && b <= '9'; }
constexpr int HexValue(uint8_t b) {
  if (IsDigit(b)) return b - '0';
  if ((b | 0x20) >= 'a' && (b | 0x20) <= 'f') return (b | 0x20) - 'a' + 10;
  return -1;
}

// Characters the text must not hold: zeros and other controls become blanks.
constexpr char16_t Printable(char16_t c) {
  return c >= 0x20 || c == u'\t' || c == u'\n' ? c : u' ';
}

// Where the text of a group goes.
enum class Dest : uint8_t { kBody, kTitle, kSubject, kKeywords, kAuthor, kComment, kNone, kFonts };
constexpr int kInfoFields = 5;  // kTitle .. kComment, in the order they lead the text

// Inside \upr: its first part (8-bit text, dropped), or its \ud part (the same in Unicode).
enum class Pair : uint8_t { kNone, kEightBit, kUnicode };

// The state a group inherits from the group around it and loses when it closes.
struct Group {
  Dest dest = Dest::kBody;
  Dest twin_dest = Dest::kBody;  // where \ud sends the text inside \upr
  Pair pair = Pair::kNone;
  bool block = false;  // a newline follows the group's text
  int fallback = 1;    // \uc: the characters after \u that stand in for it
  int font = -1;       // \f; -1: the default font
  int code_page = 0;   // the font's code page, valid while code_page_era == era_
  uint32_t code_page_era = 0;
};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : in_(bytes) {}

  std::u16string Read(size_t start) {
    pos_ = start;
    // The text never has more characters than the document has bytes: reserving that much
    // once spares the copies and fresh pages of a growing string (pages never written stay
    // untouched).
    body_.reserve(in_.size() - start);
    const size_t end = in_.size();
    while (pos_ < end && !done_) {
      const auto b = static_cast<uint8_t>(in_[pos_]);
      switch (kByteClasses[b]) {
        case kPlain:
          if (fallback_left_ > 0 || lead_ != 0) {
            Byte(b);
            ++pos_;
          } else {
            PlainRun();
          }
          break;
        case kHigh:
          Byte(b);
          ++pos_;
          break;
        case kTab:
          ++pos_;
          EndPair();
          if (!SkipsFallback()) Put(u'\t');
          break;
        case kIgnored:
          ++pos_;  // line ends and controls in the file are not text
          break;
        case kOpen:
          ++pos_;
          Open();
          break;
        case kClose:
          ++pos_;
          Close();
          break;
        case kBackslash:
          ++pos_;
          Control();
          break;
      }
    }
    return Finish();
  }

 private:
  // --- Output -----------------------------------------------------------------------------

  std::u16string* Sink() {
    const Dest dest = groups_.back().dest;
    if (dest == Dest::kBody) return &body_;
    if (dest >= Dest::kTitle && dest <= Dest::kComment) {
      return &info_[static_cast<int>(dest) - static_cast<int>(Dest::kTitle)];
    }
    return nullptr;
  }

  void Put(char16_t c) {
    if (std::u16string* sink = Sink()) sink->push_back(Printable(c));
  }

  // A run of printable ASCII goes across in one piece.
  void PlainRun() {
    const size_t start = pos_;
    const size_t end = in_.size();
    while (pos_ < end && kByteClasses[static_cast<uint8_t>(in_[pos_])] == kPlain) ++pos_;
    std::u16string* sink = Sink();
    if (sink == nullptr) return;
    const size_t old = sink->size();
    sink->resize(old + (pos_ - start));
    char16_t* out = sink->data() + old;
    for (size_t k = start; k < pos_; ++k) *out++ = static_cast<uint8_t>(in_[k]);
  }

  // One byte of text, given as itself or as \'hh, in the current font's code page.
  void Byte(uint8_t b) {
    if (SkipsFallback()) return;
    const int code_page = CodePage();
    if (lead_ != 0) {
      const char pair[2] = {static_cast<char>(lead_), static_cast<char>(b)};
      lead_ = 0;
      std::u16string* sink = Sink();
      if (sink == nullptr) return;
      // Without a table for the code page the pair is one unknown character, never two.
      if (parser::CanDecode(code_page)) {
        parser::AppendDecoded(code_page, std::string_view(pair, 2), sink);
      } else {
        sink->push_back(kReplacement);
      }
      return;
    }
    if (b < 0x80) return Put(b);
    if (code_page == kSymbolCodePage) return;
    if (IsDoubleByteCodePage(code_page)) {
      if (IsLeadByte(code_page, b)) {
        lead_ = b;
        return;
      }
      const char single = static_cast<char>(b);
      if (std::u16string* sink = Sink()) {
        parser::AppendDecoded(code_page, std::string_view(&single, 1), sink);
      }
      return;
    }
    Put(HighChar(code_page, b));
  }

  // A lead byte that no trail byte followed is one unknown character.
  void EndPair() {
    if (lead_ == 0) return;
    lead_ = 0;
    Put(kReplacement);
  }

  // Bytes 0x80..0xFF of the code pages met so far, a few at a time.
  char16_t HighChar(int code_page, uint8_t b) {
    for (const HighTable& t : high_tables_) {
      if (t.code_page == code_page) return t.chars[b - 0x80];
    }
    HighTable& t = high_tables_[next_high_table_++ % high_tables_.size()];
    t.code_page = code_page;
    const bool tabled = parser::CanDecode(code_page) && code_page != parser::kUtf8 &&
                        code_page != parser::kUtf16Le && code_page != parser::kUtf16Be;
    if (tabled) {  // one table lookup for all 128 bytes
      char high[128];
      for (int k = 0; k < 128; ++k) high[k] = static_cast<char>(0x80 + k);
      std::u16string chars;
      parser::AppendDecoded(code_page, std::string_view(high, 128), &chars);
      std::copy_n(chars.data(), std::min<size_t>(chars.size(), 128), t.chars);
    } else {
      for (int k = 0; k < 128; ++k) {
        t.chars[k] = parser::SingleByteChar(code_page, static_cast<uint8_t>(0x80 + k));
      }
    }
    return t.chars[b - 0x80];
  }

  // --- Code pages ---------------------------------------------------------------------------

  int CodePage() {
    Group& g = groups_.back();
    if (g.code_page_era != era_) {
      const int font = g.font >= 0 ? g.font : default_font_;
      const auto it = fonts_.find(font);
      const int cp = it != fonts_.end() ? it->second : kDocumentCodePage;
      g.code_page = cp == kDocumentCodePage ? document_code_page_ : cp;
      g.code_page_era = era_;
    }
    return g.code_page;
  }

  // The fonts or the document's code page changed: every group looks its code page up again.
  void NewEra() { ++era_; }

  void SetDocumentCodePage(int code_page) {
    if (code_page <= 0) return;
    document_code_page_ = code_page;
    NewEra();
  }

  void DefineFont(int number) {
    defining_font_ = number;
    defining_has_cpg_ = false;
    if (fonts_.size() < kMaxFonts || fonts_.count(number) != 0) {
      fonts_[number] = kDocumentCodePage;
      NewEra();
    }
  }

  void SetFontCodePage(int code_page, bool from_cpg) {
    if (defining_font_ < 0 || (defining_has_cpg_ && !from_cpg)) return;
    const auto it = fonts_.find(defining_font_);
    if (it == fonts_.end()) return;
    it->second = code_page;
    defining_has_cpg_ = defining_has_cpg_ || from_cpg;
    NewEra();
  }

  // --- Groups -------------------------------------------------------------------------------

  void Open() {
    EndPair();
    fallback_left_ = 0;
    star_ = false;
    if (groups_.empty()) {
      groups_.emplace_back();  // the document's group
      return;
    }
    if (groups_.size() >= kMaxGroupDepth) {
      ++overflow_;
      return;
    }
    Group inner = groups_.back();
    inner.block = false;
    groups_.push_back(inner);
  }

  void Close() {
    EndPair();
    fallback_left_ = 0;
    star_ = false;
    if (overflow_ > 0) {
      --overflow_;
      return;
    }
    if (groups_.size() <= 1) {
      done_ = true;  // the document's group closed
      return;
    }
    const bool block = groups_.back().block;
    groups_.pop_back();
    if (block) Put(u'\n');
  }

  // Passes over the rest of the current group, its subgroups and binary data included, and
  // stops before its closing brace (or at the end of the bytes).
  void SkipGroup() {
    const size_t end = in_.size();
    size_t depth = 1;
    while (pos_ < end) {
      const char c = in_[pos_++];
      if (c == '{') {
        ++depth;
      } else if (c == '}') {
        if (--depth == 0) {
          --pos_;
          return;
        }
      } else if (c == '\\' && pos_ < end) {
        if (!IsLetter(static_cast<uint8_t>(in_[pos_]))) {
          ++pos_;  // an escaped brace or backslash is no group boundary
          continue;
        }
        const Word word = ReadWord();
        if (word.name == "bin") SkipBinary(word);
      }
    }
  }

  // --- Control words and symbols ------------------------------------------------------------

  struct Word {
    std::string_view name;
    bool has_parameter = false;
    int parameter = 0;
  };

  // Reads a control word's letters, its optional signed parameter (clamped) and the space that
  // ends it; pos_ is at the first letter.
  Word ReadWord() {
    const size_t end = in_.size();
    const size_t start = pos_;
    while (pos_ < end && IsLetter(static_cast<uint8_t>(in_[pos_]))) ++pos_;
    Word word;
    word.name = in_.substr(start, pos_ - start);
    bool negative = false;
    if (pos_ + 1 < end && in_[pos_] == '-' && IsDigit(static_cast<uint8_t>(in_[pos_ + 1]))) {
      negative = true;
      ++pos_;
    }
    int64_t value = 0;
    while (pos_ < end && IsDigit(static_cast<uint8_t>(in_[pos_]))) {
      word.has_parameter = true;
      value = value * 10 + (in_[pos_] - '0');
      if (value > kMaxParameter) value = kMaxParameter;
      ++pos_;
    }
    word.parameter = static_cast<int>(negative ? -value : value);
    if (pos_ < end && in_[pos_] == ' ') ++pos_;
    return word;
  }

  // \binN: N bytes of binary data follow; a negative N runs to the end.
  void SkipBinary(const Word& word) {
    const size_t left = in_.size() - pos_;
    if (word.parameter < 0 || static_cast<size_t>(word.parameter) >= left) {
      pos_ = in_.size();
    } else {
      pos_ += static_cast<size_t>(word.parameter);
    }
  }

  // True (and one fewer left) while the characters that stand in for a \u are passed over.
  bool SkipsFallback() {
    if (fallback_left_ == 0) return false;
    --fallback_left_;
    return true;
  }

  // pos_ is after a backslash.
  void Control() {
    const size_t end = in_.size();
    if (pos_ >= end) return;
    const auto c = static_cast<uint8_t>(in_[pos_]);
    if (c == '\'') {
      ++pos_;
      star_ = false;
      if (pos_ + 1 < end) {
        const int high = HexValue(static_cast<uint8_t>(in_[pos_]));
        const int low = HexValue(static_cast<uint8_t>(in_[pos_ + 1]));
        if (high >= 0 && low >= 0) {
          pos_ += 2;
          Byte(static_cast<uint8_t>(high << 4 | low));
        }
      }
      return;
    }
    if (c == '{' || c == '}' || c == '\\') {
      ++pos_;
      star_ = false;
      return Byte(c);  // may be a double-byte character's trail byte
    }
    EndPair();
    if (!IsLetter(c)) {
      ++pos_;
      star_ = false;
      if (SkipsFallback()) return;
      switch (c) {
        case '*':
          star_ = true;
          break;
        case '~':
          Put(u'\u00A0');
          break;
        case '_':  // a hyphen that does not break: the word keeps it
          Put(u'-');
          break;
        case '\r':  // a backslash before a line end is \par
        case '\n':
          Put(u'\n');
          break;
        default:  // \- (optional hyphen), \| and \: give nothing
          break;
      }
      return;
    }
    const Word word = ReadWord();
    const bool star = std::exchange(star_, false);
    if (word.name == "bin") {
      if (fallback_left_ > 0) --fallback_left_;
      return SkipBinary(word);
    }
    if (SkipsFallback()) return;
    const Keyword* keyword = FindKeyword(word.name);
    if (star && (keyword == nullptr || !KeepsTextAfterStar(keyword->action))) return SkipGroup();
    if (keyword != nullptr) Act(*keyword, word);
  }

  void Act(const Keyword& keyword, const Word& word) {
    Group& g = groups_.back();
    switch (keyword.action) {
      case Action::kChar:
        Put(keyword.ch);
        break;
      case Action::kAnsi:
        SetDocumentCodePage(1252);
        break;
      case Action::kMac:
        SetDocumentCodePage(10000);
        break;
      case Action::kPc:
        SetDocumentCodePage(437);
        break;
      case Action::kPca:
        SetDocumentCodePage(850);
        break;
      case Action::kAnsiCpg:
        SetDocumentCodePage(word.parameter);
        break;
      case Action::kDeff:
        default_font_ = word.parameter;
        NewEra();
        break;
      case Action::kFont:
        if (g.dest == Dest::kFonts) {
          DefineFont(word.parameter);
        } else {
          g.font = word.parameter;
          g.code_page_era = era_ - 1;
        }
        break;
      case Action::kCharset:
        if (g.dest == Dest::kFonts) SetFontCodePage(CharsetCodePage(word.parameter), false);
        break;
      case Action::kFontCodePage:
        if (g.dest == Dest::kFonts && word.parameter > 0) SetFontCodePage(word.parameter, true);
        break;
      case Action::kPlain:
        g.font = -1;
        g.code_page_era = era_ - 1;
        break;
      case Action::kUnicode: {
        if (!word.has_parameter) break;
        const int value = word.parameter < 0 ? word.parameter + 65536 : word.parameter;
        Put(value >= 0 && value <= 0xFFFF ? static_cast<char16_t>(value) : kReplacement);
        fallback_left_ = g.fallback;
        break;
      }
      case Action::kUnicodeSkip:
        g.fallback = word.parameter < 0 ? 0 : word.parameter;
        break;
      case Action::kSkip:
        SkipGroup();
        break;
      case Action::kFontTable:
        g.dest = Dest::kFonts;
        defining_font_ = -1;
        break;
      case Action::kInfo:
        g.dest = Dest::kNone;
        break;
      case Action::kTitle:
        return Property(Dest::kTitle);
      case Action::kSubject:
        return Property(Dest::kSubject);
      case Action::kKeywords:
        return Property(Dest::kKeywords);
      case Action::kAuthor:
        return Property(Dest::kAuthor);
      case Action::kComment:
        return Property(Dest::kComment);
      case Action::kBlock:
        if (groups_.size() > 1 && !g.block) {
          Put(u'\n');
          g.block = true;
        }
        break;
      case Action::kText:
        break;
      case Action::kUnicodePair:
        g.twin_dest = g.dest;
        g.pair = Pair::kEightBit;
        g.dest = Dest::kNone;
        break;
      case Action::kUnicodeTwin:
        if (g.pair == Pair::kEightBit) {
          g.dest = g.twin_dest;
          g.pair = Pair::kUnicode;
        }
        break;
    }
  }

  // A document property's group: the first one of each kind gives its text (LibreOffice, for
  // one, writes the author twice).
  void Property(Dest dest) {
    Group& g = groups_.back();
    // Inside the property's own group, or in the 8-bit part of a \upr pair.
    if (g.dest == dest || g.pair == Pair::kEightBit) return;
    g.dest =
        info_[static_cast<int>(dest) - static_cast<int>(Dest::kTitle)].empty() ? dest : Dest::kNone;
  }

  std::u16string Finish() {
    EndPair();
    std::u16string properties;
    for (const std::u16string& field : info_) {
      if (field.empty()) continue;
      properties += field;
      properties += u'\n';
    }
    body_.insert(0, properties);  // within the reserved capacity: moved in place
    // A text much shorter than its document (pictures, tables of styles) gives back the rest.
    if (body_.capacity() / 2 > body_.size()) body_.shrink_to_fit();
    return std::move(body_);
  }

  struct HighTable {
    int code_page = 0;  // 0: unused
    char16_t chars[128] = {};
  };

  std::string_view in_;
  size_t pos_ = 0;
  bool done_ = false;
  std::vector<Group> groups_;
  size_t overflow_ = 0;  // groups opened past kMaxGroupDepth and not yet closed
  std::u16string body_;
  std::u16string info_[kInfoFields];

  std::unordered_map<int, int> fonts_;  // font number -> code page (or kDocumentCodePage ...)
  int document_code_page_ = parser::kWindows1252;
  int default_font_ = -1;
  int defining_font_ = -1;  // the font the font table describes now
  bool defining_has_cpg_ = false;
  uint32_t era_ = 1;  // changes whenever a group's code page may have changed

  int fallback_left_ = 0;  // characters after a \u still to pass over
  bool star_ = false;      // a \* came right before
  uint8_t lead_ = 0;       // a double-byte character's lead byte waiting for its trail byte
  std::array<HighTable, 8> high_tables_;
  size_t next_high_table_ = 0;
};

size_t RtfStart(std::string_view bytes) {
  size_t pos = 0;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;
  while (pos < bytes.size() &&
         (bytes[pos] == ' ' || bytes[pos] == '\t' || bytes[pos] == '\r' || bytes[pos] == '\n')) {
    ++pos;
  }
  return bytes.substr(pos, 5) == "{\\rtf" ? pos : std::string_view::npos;
}

}  // namespace

bool LooksLikeRtf(std::string_view bytes) { return RtfStart(bytes) != std::string_view::npos; }

std::optional<std::u16string> RtfText(std::string_view bytes) {
  const size_t start = RtfStart(bytes);
  if (start == std::string_view::npos) return std::nullopt;
  return Reader(bytes).Read(start);
}

}  // namespace oru::rtf
