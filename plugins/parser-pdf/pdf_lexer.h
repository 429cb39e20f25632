// Reads PDF values from bytes: numbers, names (#xx decoded), literal strings (escapes, nested
// parentheses), hex strings, arrays, dictionaries, booleans, null, references `N G R`, and other
// keywords (operators, `obj`, `stream`...) as kOperator objects; comments are skipped. Nesting
// deeper than a bound is skipped without recursion and read as null.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_LEXER_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_LEXER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "plugins/parser-pdf/pdf_object.h"

namespace oru::pdf {

inline bool IsPdfSpace(unsigned char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0;
}
inline bool IsPdfDelimiter(unsigned char c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
         c == '}' || c == '/' || c == '%';
}
inline bool IsPdfRegular(unsigned char c) { return !IsPdfSpace(c) && !IsPdfDelimiter(c); }

class Lexer {
 public:
  static constexpr size_t kMaxItems = size_t{1} << 18;

  // `data` must outlive the lexer; reading starts at `pos`.
  explicit Lexer(std::string_view data, size_t pos = 0) : data_(data), pos_(pos) {}

  size_t pos() const { return pos_; }
  void Seek(size_t pos) { pos_ = pos < data_.size() ? pos : data_.size(); }
  std::string_view data() const { return data_; }
  bool AtEnd() { SkipSpace(); return pos_ >= data_.size(); }

  // Skips white space and comments.
  void SkipSpace();

  // Reads the next value into `out`. References are recognised when `allow_refs` (content
  // streams have none). Containers nested deeper than `max_depth` are skipped and read as null.
  // A container ends early at a keyword other than true/false/null (the keyword stays unread),
  // so that a damaged dictionary does not swallow what follows. One value keeps at most
  // kMaxItems array elements and dictionary entries in all (the rest is read and dropped), so
  // that its memory stays bounded. False at the end of the data.
  bool Next(Object* out, int max_depth, bool allow_refs = true);

  // Reads a non-negative integer token; false (position unchanged) when the next token is not one.
  bool ReadUnsigned(int64_t* out);
  // True (and past it) when the next token is exactly the keyword `word`; else unchanged.
  bool ReadKeyword(std::string_view word);

 private:
  enum class Token {
    kEnd, kInt, kReal, kString, kName, kKeyword, kArrayOpen, kArrayClose, kDictOpen, kDictClose
  };
  // Reads one token; strings, names and keywords into `text`, numbers into `integer`/`real`.
  Token NextToken(std::string* text, int64_t* integer, double* real);
  void ReadNumber(Token* kind, int64_t* integer, double* real);
  void ReadLiteralString(std::string* out);
  void ReadHexString(std::string* out);
  void ReadName(std::string* out);
  bool ParseValue(Token kind, Object* out, int depth, int max_depth, bool allow_refs);
  // Skips the rest of a container whose opening token was just read.
  void SkipContainer();

  std::string_view data_;
  size_t pos_;
  size_t items_left_ = kMaxItems;
};

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_LEXER_H_
