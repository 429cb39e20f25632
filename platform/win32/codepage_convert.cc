// Conversions between the system's ANSI code page and UTF-16 through MultiByteToWideChar and
// WideCharToMultiByte with CP_ACP. Best-fit mapping is off, so a character without an exact
// form becomes the code page's default character ('?') rather than a look-alike; surrogates
// are handled here, so that a pair gives one default character as the contract asks.
#include <climits>
#include <cstdint>

#include "platform/codepage.h"
#include "platform/common/wide_to_ansi.h"
#include "platform/win32/win_api.h"

namespace oru::platform {
namespace {

constexpr size_t kMaxChunk = INT_MAX / 2;  // the calls take int lengths

struct CodePage {
  bool single_byte = true;
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  char default_char = '?';
};

CodePage Describe() {
  CodePage page;
  CPINFO info;
  if (GetCPInfo(CP_ACP, &info)) {
    page.single_byte = info.MaxCharSize == 1;
    if (info.DefaultChar[1] == 0 && info.DefaultChar[0] != 0) {
      page.default_char = static_cast<char>(info.DefaultChar[0]);
    }
  }
  // UTF-8 as the ANSI code page takes no best-fit flag (the call fails with it).
  if (GetACP() == CP_UTF8) page.flags = 0;
  return page;
}

const CodePage& Page() {
  static const CodePage page = Describe();
  return page;
}

bool IsSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDFFF; }

const WCHAR* AsWide(const char16_t* text) { return reinterpret_cast<const WCHAR*>(text); }

// Converts `n` units without surrogates into at most `room` bytes; returns the bytes written.
// In a single-byte code page every unit gives one byte. In a multi-byte one the units go one
// at a time, and the conversion stops at the first character that no longer fits.
size_t ConvertRun(const char16_t* text, size_t n, char* out, size_t room) {
  const CodePage& page = Page();
  if (page.single_byte) {
    size_t written = 0;
    while (n > 0) {
      const int chunk = static_cast<int>(n < kMaxChunk ? n : kMaxChunk);
      const int got = WideCharToMultiByte(CP_ACP, page.flags, AsWide(text), chunk, out + written,
                                          chunk, nullptr, nullptr);
      if (got <= 0) break;
      written += static_cast<size_t>(got);
      text += chunk;
      n -= static_cast<size_t>(chunk);
    }
    return written;
  }
  size_t written = 0;
  for (size_t i = 0; i < n; ++i) {
    char bytes[8];
    const int got = WideCharToMultiByte(CP_ACP, page.flags, AsWide(text + i), 1, bytes,
                                        sizeof(bytes), nullptr, nullptr);
    if (got <= 0 || static_cast<size_t>(got) > room - written) break;
    for (int k = 0; k < got; ++k) out[written++] = bytes[k];
  }
  return written;
}

}  // namespace

size_t AnsiToWide(const char* text, size_t n, char16_t* out) {
  size_t written = 0;
  while (n > 0) {
    const int chunk = static_cast<int>(n < kMaxChunk ? n : kMaxChunk);
    const int got = MultiByteToWideChar(CP_ACP, 0, text, chunk,
                                        reinterpret_cast<WCHAR*>(out + written), chunk);
    if (got <= 0) break;
    written += static_cast<size_t>(got);
    text += chunk;
    n -= static_cast<size_t>(chunk);
  }
  return written;
}

size_t WideToAnsiBeyondAscii(const char16_t* text, size_t n, char* out) {
  size_t written = 0;
  size_t i = 0;
  while (i < n && written < n) {
    if (IsSurrogate(text[i])) {
      // A valid pair is one character outside the code page: one default character for both.
      if (IsHighSurrogate(text[i]) && i + 1 < n && IsLowSurrogate(text[i + 1])) ++i;
      out[written++] = Page().default_char;
      ++i;
      continue;
    }
    size_t end = i;
    while (end < n && !IsSurrogate(text[end])) ++end;
    const size_t got = ConvertRun(text + i, end - i, out + written, n - written);
    written += got;
    if (got < end - i && !Page().single_byte) break;  // out of room
    i = end;
  }
  return written;
}

}  // namespace oru::platform

namespace oru::platform {

namespace {

// `text` converted from the code page `from` to the code page `to` through UTF-16.
std::string Recode(std::string_view text, UINT from, UINT to) {
  if (text.empty() || text.size() > kMaxChunk) return std::string(text);
  const int size = static_cast<int>(text.size());
  std::wstring wide(text.size(), L'\0');
  const int units = MultiByteToWideChar(from, 0, text.data(), size, wide.data(), size);
  if (units <= 0) return std::string(text);
  std::string out(static_cast<size_t>(units) * 3, '\0');
  const int bytes = WideCharToMultiByte(to, 0, wide.data(), units, out.data(),
                                        static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
  return out;
}

}  // namespace

const bool kNativePathsAreUtf8 = false;
std::string NativePathToUtf8(std::string_view path) { return Recode(path, CP_ACP, CP_UTF8); }
std::string Utf8PathToNative(std::string_view path) { return Recode(path, CP_UTF8, CP_ACP); }

}  // namespace oru::platform
