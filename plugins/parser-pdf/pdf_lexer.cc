#include "plugins/parser-pdf/pdf_lexer.h"

#include <memory>
#include <utility>

namespace oru::pdf {
namespace {

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsContainerStop(const std::string& keyword) {
  return keyword != "true" && keyword != "false" && keyword != "null";
}

}  // namespace

void Lexer::SkipSpace() {
  while (pos_ < data_.size()) {
    const unsigned char c = data_[pos_];
    if (IsPdfSpace(c)) {
      ++pos_;
    } else if (c == '%') {
      while (pos_ < data_.size() && data_[pos_] != '\n' && data_[pos_] != '\r') ++pos_;
    } else {
      break;
    }
  }
}

void Lexer::ReadNumber(Token* kind, int64_t* integer, double* real) {
  bool negative = false;
  while (pos_ < data_.size() && (data_[pos_] == '+' || data_[pos_] == '-')) {
    negative = data_[pos_] == '-' ? !negative : negative;
    ++pos_;
  }
  uint64_t whole = 0;
  bool overflow = false;
  double value = 0;
  while (pos_ < data_.size() && data_[pos_] >= '0' && data_[pos_] <= '9') {
    const int digit = data_[pos_] - '0';
    if (whole > (UINT64_MAX - 9) / 10 || whole * 10 + digit > static_cast<uint64_t>(INT64_MAX)) {
      overflow = true;
    } else {
      whole = whole * 10 + digit;
    }
    value = value * 10 + digit;
    ++pos_;
  }
  if (pos_ < data_.size() && data_[pos_] == '.') {
    ++pos_;
    double scale = 0.1;
    while (pos_ < data_.size() && data_[pos_] >= '0' && data_[pos_] <= '9') {
      value += (data_[pos_] - '0') * scale;
      scale *= 0.1;
      ++pos_;
    }
    *kind = Token::kReal;
    *real = negative ? -value : value;
  } else if (overflow) {
    *kind = Token::kReal;
    *real = negative ? -value : value;
  } else {
    *kind = Token::kInt;
    *integer = negative ? -static_cast<int64_t>(whole) : static_cast<int64_t>(whole);
  }
  // Garbage glued to a number ("12abc", "1.2.3") is dropped with it.
  while (pos_ < data_.size() && IsPdfRegular(data_[pos_])) ++pos_;
}

void Lexer::ReadLiteralString(std::string* out) {
  int nesting = 1;
  while (pos_ < data_.size()) {
    const char c = data_[pos_++];
    if (c == '(') {
      ++nesting;
    } else if (c == ')') {
      if (--nesting == 0) return;
    } else if (c == '\r') {
      // An end of line inside a string is one line feed, whatever its bytes.
      if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
      out->push_back('\n');
      continue;
    } else if (c == '\\') {
      if (pos_ >= data_.size()) return;
      const char e = data_[pos_++];
      switch (e) {
        case 'n': out->push_back('\n'); break;
        case 'r': out->push_back('\r'); break;
        case 't': out->push_back('\t'); break;
        case 'b': out->push_back('\b'); break;
        case 'f': out->push_back('\f'); break;
        case '\r':
          if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
          break;
        case '\n': break;
        default:
          if (e >= '0' && e <= '7') {
            int value = e - '0';
            for (int k = 0; k < 2 && pos_ < data_.size() && data_[pos_] >= '0' &&
                            data_[pos_] <= '7';
                 ++k) {
              value = value * 8 + (data_[pos_++] - '0');
            }
            out->push_back(static_cast<char>(value & 0xFF));
          } else {
            out->push_back(e);  // \( \) \\ and unknown escapes give the character itself
          }
      }
      continue;
    }
    out->push_back(c);
  }
}

void Lexer::ReadHexString(std::string* out) {
  int high = -1;
  while (pos_ < data_.size()) {
    const unsigned char c = data_[pos_++];
    if (c == '>') break;
    const int v = HexValue(c);
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      out->push_back(static_cast<char>(high * 16 + v));
      high = -1;
    }
  }
  if (high >= 0) out->push_back(static_cast<char>(high * 16));
}

void Lexer::ReadName(std::string* out) {
  while (pos_ < data_.size() && IsPdfRegular(data_[pos_])) {
    const char c = data_[pos_++];
    if (c == '#' && pos_ + 1 < data_.size()) {
      const int h = HexValue(data_[pos_]);
      const int l = HexValue(data_[pos_ + 1]);
      if (h >= 0 && l >= 0) {
        out->push_back(static_cast<char>(h * 16 + l));
        pos_ += 2;
        continue;
      }
    }
    out->push_back(c);
  }
}

Lexer::Token Lexer::NextToken(std::string* text, int64_t* integer, double* real) {
  SkipSpace();
  // A stray '>' or ')' is dropped.
  while (pos_ < data_.size() && (data_[pos_] == ')' ||
                                 (data_[pos_] == '>' && (pos_ + 1 >= data_.size() ||
                                                         data_[pos_ + 1] != '>')))) {
    ++pos_;
    SkipSpace();
  }
  if (pos_ >= data_.size()) return Token::kEnd;
  const unsigned char c = data_[pos_];
  switch (c) {
    case '[': ++pos_; return Token::kArrayOpen;
    case ']': ++pos_; return Token::kArrayClose;
    case '(':
      ++pos_;
      text->clear();
      ReadLiteralString(text);
      return Token::kString;
    case '<':
      if (pos_ + 1 < data_.size() && data_[pos_ + 1] == '<') {
        pos_ += 2;
        return Token::kDictOpen;
      }
      ++pos_;
      text->clear();
      ReadHexString(text);
      return Token::kString;
    case '>':
      pos_ += 2;
      return Token::kDictClose;
    case '/':
      ++pos_;
      text->clear();
      ReadName(text);
      return Token::kName;
    default:
      break;
  }
  if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.') {
    Token kind = Token::kInt;
    ReadNumber(&kind, integer, real);
    return kind;
  }
  text->clear();
  if (c == '{' || c == '}') {
    text->push_back(static_cast<char>(c));
    ++pos_;
    return Token::kKeyword;
  }
  while (pos_ < data_.size() && IsPdfRegular(data_[pos_])) text->push_back(data_[pos_++]);
  return Token::kKeyword;
}

void Lexer::SkipContainer() {
  // Flat: a counter instead of recursion, so that any nesting is skipped in constant stack.
  size_t open = 1;
  std::string text;
  int64_t integer = 0;
  double real = 0;
  while (open > 0) {
    switch (NextToken(&text, &integer, &real)) {
      case Token::kEnd: return;
      case Token::kArrayOpen:
      case Token::kDictOpen: ++open; break;
      case Token::kArrayClose:
      case Token::kDictClose: --open; break;
      default: break;
    }
  }
}

bool Lexer::ReadUnsigned(int64_t* out) {
  const size_t start = pos_;
  SkipSpace();
  if (pos_ >= data_.size() || data_[pos_] < '0' || data_[pos_] > '9') {
    pos_ = start;
    return false;
  }
  int64_t value = 0;
  while (pos_ < data_.size() && data_[pos_] >= '0' && data_[pos_] <= '9') {
    if (value < (INT64_MAX - 9) / 10) value = value * 10 + (data_[pos_] - '0');
    ++pos_;
  }
  if (pos_ < data_.size() && IsPdfRegular(data_[pos_])) {
    pos_ = start;
    return false;
  }
  *out = value;
  return true;
}

bool Lexer::ReadKeyword(std::string_view word) {
  const size_t start = pos_;
  SkipSpace();
  if (data_.substr(pos_, word.size()) == word &&
      (pos_ + word.size() >= data_.size() || !IsPdfRegular(data_[pos_ + word.size()]))) {
    pos_ += word.size();
    return true;
  }
  pos_ = start;
  return false;
}

bool Lexer::ParseValue(Token kind, Object* out, int depth, int max_depth, bool allow_refs) {
  switch (kind) {
    case Token::kEnd:
      return false;
    case Token::kInt: {
      out->type = Type::kInt;
      if (allow_refs && out->integer >= 0) {
        const size_t after = pos_;
        int64_t generation = 0;
        if (ReadUnsigned(&generation) && ReadKeyword("R")) {
          out->type = Type::kRef;
          out->generation = static_cast<int>(generation > 65535 ? 65535 : generation);
          return true;
        }
        pos_ = after;
      }
      return true;
    }
    case Token::kReal:
      out->type = Type::kReal;
      return true;
    case Token::kString:
      out->type = Type::kString;
      return true;
    case Token::kName:
      out->type = Type::kName;
      return true;
    case Token::kKeyword:
      if (out->text == "true" || out->text == "false") {
        out->type = Type::kBool;
        out->boolean = out->text == "true";
        out->text.clear();
      } else if (out->text == "null") {
        out->text.clear();
      } else {
        out->type = Type::kOperator;
      }
      return true;
    case Token::kArrayClose:
    case Token::kDictClose:
      out->type = Type::kOperator;  // a stray closer, seen by the caller as a keyword
      out->text = kind == Token::kArrayClose ? "]" : ">>";
      return true;
    case Token::kArrayOpen:
    case Token::kDictOpen:
      break;
  }
  if (depth >= max_depth) {
    SkipContainer();
    return true;
  }
  const bool is_array = kind == Token::kArrayOpen;
  auto array = is_array ? std::make_shared<Array>() : nullptr;
  auto dict = is_array ? nullptr : std::make_shared<Dict>();
  std::string key;
  bool have_key = false;
  for (;;) {
    const size_t before = pos_;
    Object item;
    const Token t = NextToken(&item.text, &item.integer, &item.real);
    if (t == Token::kEnd) break;
    if (t == (is_array ? Token::kArrayClose : Token::kDictClose)) break;
    if (t == Token::kArrayClose || t == Token::kDictClose) continue;  // mismatched closer
    if (t == Token::kKeyword && IsContainerStop(item.text) && item.text != "R") {
      pos_ = before;
      break;
    }
    ParseValue(t, &item, depth + 1, max_depth, allow_refs);
    if (items_left_ == 0) continue;  // over the bound: read, not kept
    if (is_array) {
      array->push_back(std::move(item));
      --items_left_;
    } else if (!have_key) {
      if (item.type == Type::kName) {
        key = std::move(item.text);
        have_key = true;
      }
    } else {
      if (dict->Find(key) == nullptr) {
        dict->entries.emplace_back(std::move(key), std::move(item));
        --items_left_;
      }
      key.clear();
      have_key = false;
    }
  }
  if (is_array) {
    out->type = Type::kArray;
    out->array = std::move(array);
  } else {
    out->type = Type::kDict;
    out->dict = std::move(dict);
  }
  return true;
}

bool Lexer::Next(Object* out, int max_depth, bool allow_refs) {
  *out = Object();
  items_left_ = kMaxItems;
  const Token kind = NextToken(&out->text, &out->integer, &out->real);
  return ParseValue(kind, out, 0, max_depth, allow_refs);
}

}  // namespace oru::pdf
