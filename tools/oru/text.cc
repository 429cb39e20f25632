#include "tools/oru/text.h"

#include <cstdint>
#include <cstdio>

#include "platform/codepage.h"
#include "platform/utf8.h"

namespace oru::tool {

namespace {

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

}  // namespace

bool Utf8ToWide(std::string_view utf8, std::u16string* wide) {
  wide->clear();
  size_t i = 0;
  char32_t c = 0;
  while (i < utf8.size()) {
    if (!platform::NextUtf8(utf8, &i, &c)) return false;
    platform::AppendUtf16(c, wide);
  }
  return true;
}

std::string WideToUtf8(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (IsSurrogate(c)) {
      c = 0xFFFD;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

std::string PathToUtf8(std::string_view path) {
  std::u16string ignored;
  if (Utf8ToWide(path, &ignored)) return std::string(path);
  return WideToUtf8(platform::AnsiToWide(path));
}

std::string DisplayText(std::u16string_view text) {
  std::u16string clean;
  clean.reserve(text.size());
  for (char16_t c : text) {
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool blank = control || c == u' ' || c == 0xA0;
    if (blank) {
      if (!clean.empty() && clean.back() != u' ') clean.push_back(u' ');
    } else {
      clean.push_back(c);
    }
  }
  if (!clean.empty() && clean.back() == u' ') clean.pop_back();
  return WideToUtf8(clean);
}

std::string JsonQuote(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    const auto byte = static_cast<uint8_t>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\u%04x", byte);
      out += escape;
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
  return out;
}

}  // namespace oru::tool
