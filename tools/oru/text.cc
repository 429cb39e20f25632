#include "tools/oru/text.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "platform/codepage.h"
#include "platform/utf8.h"

namespace oru::tool {

namespace {

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
    platform::AppendUtf8(c, &out);
  }
  return out;
}

bool IsUtf8(std::string_view text) {
  std::u16string ignored;
  return Utf8ToWide(text, &ignored);
}

std::string PathToUtf8(std::string_view path) {
  if (IsUtf8(path)) return std::string(path);
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

std::string EscapeControls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<uint8_t>(utf8[i]);
    unsigned code = byte;
    size_t length = 1;
    // The control characters U+0080 to U+009F are the bytes 0xC2 0x80 to 0xC2 0x9F in UTF-8.
    if (byte == 0xC2 && i + 1 < utf8.size()) {
      const auto next = static_cast<uint8_t>(utf8[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        code = next;
        length = 2;
      }
    }
    const bool control = length == 2 || byte < 0x20 || byte == 0x7F;
    if (!control) {
      if (byte == '\\') out.push_back('\\');
      out.push_back(utf8[i]);
      continue;
    }
    static constexpr char kNamed[] = "abtnvfr";  // \a (7) to \r (13)
    if (code >= 7 && code <= 13) {
      out.push_back('\\');
      out.push_back(kNamed[code - 7]);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\%03o", code);
      out += escape;
    }
    i += length - 1;
  }
  return out;
}

std::string HexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * bytes.size());
  for (char c : bytes) {
    const auto byte = static_cast<uint8_t>(c);
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 15]);
  }
  return out;
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

std::string IsoTime(int64_t seconds) {
  using namespace std::chrono;
  const sys_seconds at{std::chrono::seconds(seconds)};
  const sys_days day = floor<days>(at);
  const year_month_day date{day};
  const hh_mm_ss<std::chrono::seconds> time{at - day};
  char text[40];
  std::snprintf(text, sizeof(text), "%04d-%02u-%02uT%02lld:%02lld:%02lldZ",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<long long>(time.hours().count()),
                static_cast<long long>(time.minutes().count()),
                static_cast<long long>(time.seconds().count()));
  return text;
}

}  // namespace oru::tool
