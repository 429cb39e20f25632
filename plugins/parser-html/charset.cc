#include "plugins/parser-html/charset.h"

#include <algorithm>
#include <string>
#include <vector>

#include "plugins/parser-common/text_decode.h"

namespace oru::ostrin {
namespace {

// How far the declarations are looked for.
constexpr size_t kPrescanBytes = 1024;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[at + i]) != prefix[i]) return false;
  }
  return true;
}

// The code page a declared name stands for, as a declaration is taken: 0 when unknown.
int DeclaredCodePage(std::string_view name) {
  while (!name.empty() && IsSpace(name.front())) name.remove_prefix(1);
  while (!name.empty() && IsSpace(name.back())) name.remove_suffix(1);
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
  if (lower == "x-user-defined") return parser::kWindows1252;
  const int code_page = parser::CodePageByName(lower);
  if (code_page == parser::kUtf16Le || code_page == parser::kUtf16Be) return parser::kUtf8;
  return code_page;
}

// The charset named in a Content-Type value ("text/html; charset=koi8-r"), or an empty view.
std::string_view CharsetOfContent(std::string_view content) {
  size_t at = 0;
  while (true) {
    const size_t found = [&] {
      for (size_t i = at; i + 7 <= content.size(); ++i) {
        if (StartsWithNoCase(content, i, "charset")) return i;
      }
      return std::string_view::npos;
    }();
    if (found == std::string_view::npos) return {};
    size_t i = found + 7;
    while (i < content.size() && IsSpace(content[i])) ++i;
    if (i < content.size() && content[i] == '=') {
      ++i;
      while (i < content.size() && IsSpace(content[i])) ++i;
      if (i == content.size()) return {};
      if (content[i] == '"' || content[i] == '\'') {
        const size_t close = content.find(content[i], i + 1);
        if (close == std::string_view::npos) return {};
        return content.substr(i + 1, close - i - 1);
      }
      size_t end = i;
      while (end < content.size() && !IsSpace(content[end]) && content[end] != ';') ++end;
      return content.substr(i, end - i);
    }
    at = i;  // "charset" not followed by '=': look for the next one
  }
}

// Reads one attribute of a tag at `*at` the way the prescan does: names and values lower-cased.
// False when there is none: a '>' is reached (left at *at), or the bytes end (*at is their end).
bool NextAttribute(std::string_view text, size_t* at, std::string* name, std::string* value) {
  const auto out_of_bytes = [&] {
    *at = text.size();
    return false;
  };
  size_t i = *at;
  while (i < text.size() && (IsSpace(text[i]) || text[i] == '/')) ++i;
  if (i == text.size()) return out_of_bytes();
  *at = i;
  if (text[i] == '>') return false;
  name->clear();
  value->clear();
  while (true) {
    if (i == text.size()) return out_of_bytes();
    const char c = text[i];
    if (c == '=' && !name->empty()) break;
    if (IsSpace(c)) {
      while (i < text.size() && IsSpace(text[i])) ++i;
      if (i == text.size()) return out_of_bytes();
      if (text[i] != '=') {
        *at = i;
        return true;
      }
      break;
    }
    if (c == '/' || c == '>') {
      *at = i;
      return true;
    }
    name->push_back(Lower(c));
    ++i;
  }
  ++i;  // the '='
  while (i < text.size() && IsSpace(text[i])) ++i;
  if (i == text.size()) return out_of_bytes();
  if (text[i] == '"' || text[i] == '\'') {
    const char quote = text[i];
    for (++i; i < text.size() && text[i] != quote; ++i) value->push_back(Lower(text[i]));
    if (i == text.size()) return out_of_bytes();
    *at = i + 1;
    return true;
  }
  if (text[i] == '>') {
    *at = i;
    return true;
  }
  for (; i < text.size() && !IsSpace(text[i]) && text[i] != '>'; ++i)
    value->push_back(Lower(text[i]));
  if (i == text.size()) return out_of_bytes();
  *at = i;
  return true;
}

// The code page a <meta> declares, its attributes read from `*at`; 0 when it declares none
// that is known.
int MetaCodePage(std::string_view text, size_t* at) {
  std::vector<std::string> seen;
  std::string name, value;
  bool got_pragma = false;
  enum class NeedPragma { kUnset, kYes, kNo } need_pragma = NeedPragma::kUnset;
  int code_page = -1;  // -1: none yet
  while (NextAttribute(text, at, &name, &value)) {
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
    seen.push_back(name);
    if (name == "http-equiv") {
      if (value == "content-type") got_pragma = true;
    } else if (name == "content") {
      const std::string_view charset = CharsetOfContent(value);
      if (!charset.empty() && code_page == -1) {
        const int declared = DeclaredCodePage(charset);
        if (declared != 0) {
          code_page = declared;
          need_pragma = NeedPragma::kYes;
        }
      }
    } else if (name == "charset") {
      code_page = DeclaredCodePage(value);
      need_pragma = NeedPragma::kNo;
    }
  }
  if (need_pragma == NeedPragma::kUnset) return 0;
  if (need_pragma == NeedPragma::kYes && !got_pragma) return 0;
  return std::max(code_page, 0);
}

// The code page the first <meta> with a known declaration names, or 0.
int PrescanMeta(std::string_view text) {
  std::string name, value;
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, 4, "<!--") == 0) {
      const size_t end = text.find("-->", i + 2);
      if (end == std::string_view::npos) return 0;
      i = end + 3;
      continue;
    }
    if (StartsWithNoCase(text, i, "<meta") && i + 5 < text.size() &&
        (IsSpace(text[i + 5]) || text[i + 5] == '/')) {
      i += 6;
      if (const int code_page = MetaCodePage(text, &i)) return code_page;
    } else if (text[i] == '<' && i + 1 < text.size() &&
               (IsAsciiLetter(text[i + 1]) ||
                (text[i + 1] == '/' && i + 2 < text.size() && IsAsciiLetter(text[i + 2])))) {
      // Another tag: its attribute values may hold anything, "<meta" included.
      while (i < text.size() && !IsSpace(text[i]) && text[i] != '>') ++i;
      while (NextAttribute(text, &i, &name, &value)) {
      }
    } else if (text[i] == '<' && i + 1 < text.size() &&
               (text[i + 1] == '!' || text[i + 1] == '/' || text[i + 1] == '?')) {
      i = text.find('>', i + 2);
      if (i == std::string_view::npos) return 0;
    }
    ++i;
  }
  return 0;
}

// The code page of an <?xml ... encoding="..."?> declaration at the start of `text`, or 0.
int XmlDeclarationCodePage(std::string_view text) {
  if (text.compare(0, 5, "<?xml") != 0 || text.size() < 6 || !IsSpace(text[5])) return 0;
  const size_t end = text.find('>');
  const std::string_view declaration = text.substr(0, end);
  const size_t found = declaration.find("encoding");
  if (found == std::string_view::npos) return 0;
  size_t i = found + 8;
  while (i < declaration.size() && IsSpace(declaration[i])) ++i;
  if (i == declaration.size() || declaration[i] != '=') return 0;
  ++i;
  while (i < declaration.size() && IsSpace(declaration[i])) ++i;
  if (i == declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) return 0;
  const size_t close = declaration.find(declaration[i], i + 1);
  if (close == std::string_view::npos) return 0;
  return DeclaredCodePage(declaration.substr(i + 1, close - i - 1));
}

}  // namespace

PageEncoding SniffEncoding(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return {parser::kUtf8, 3};
  if (bytes.substr(0, 2) == "\xFF\xFE") return {parser::kUtf16Le, 2};
  if (bytes.substr(0, 2) == "\xFE\xFF") return {parser::kUtf16Be, 2};
  const std::string_view head = bytes.substr(0, kPrescanBytes);
  if (const int code_page = PrescanMeta(head)) return {code_page, 0};
  if (const int code_page = XmlDeclarationCodePage(head)) return {code_page, 0};
  if (parser::IsValidUtf8(bytes, /*allow_cut_end=*/true)) return {parser::kUtf8, 0};
  return {parser::kWindows1252, 0};
}

}  // namespace oru::ostrin
