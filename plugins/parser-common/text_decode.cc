#include "plugins/parser-common/text_decode.h"

#include <algorithm>
#include <cstring>

#include "platform/little_endian.h"
#include "platform/codepage.h"
#include "platform/utf8.h"
#include "plugins/parser-common/code_page_tables.h"

namespace oru::parser {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

const CodePageTable* FindTable(int code_page) {
  const CodePageTable* begin = kCodePageTables;
  const CodePageTable* end = kCodePageTables + kCodePageTableCount;
  const CodePageTable* found = std::lower_bound(
      begin, end, code_page, [](const CodePageTable& t, int n) { return t.number < n; });
  return found != end && found->number == code_page ? found : nullptr;
}

const CodePageTable& Windows1252Table() {
  static const CodePageTable& table = *FindTable(kWindows1252);
  return table;
}

constexpr int kIso2022Jp = 50220;
constexpr int kEucJp = 20932;

// ISO-2022-JP brought to EUC-JP, which every system's converter knows: the escape sequences
// switch between ASCII (or JIS-Roman), JIS X 0208 and half-width katakana, whose bytes EUC-JP
// writes with the high bit set (katakana after 0x8E). A byte with the high bit set, which
// ISO-2022-JP never has, stays as it is and decodes to U+FFFD.
std::string Iso2022JpToEucJp(std::string_view bytes) {
  enum class Set { kAscii, kKanji, kKatakana } set = Set::kAscii;
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    if (b == 0x1B && i + 2 < bytes.size()) {
      const std::string_view escape = bytes.substr(i + 1, 2);
      if (escape == "$B" || escape == "$@") {
        set = Set::kKanji;
      } else if (escape == "(B" || escape == "(J") {
        set = Set::kAscii;
      } else if (escape == "(I") {
        set = Set::kKatakana;
      } else {
        out += static_cast<char>(b);
        continue;
      }
      i += 2;
      continue;
    }
    if (b == '\r' || b == '\n' || b < 0x21 || b > 0x7E || set == Set::kAscii) {
      out += static_cast<char>(b);
    } else if (set == Set::kKatakana) {
      out += '\x8E';
      out += static_cast<char>(b | 0x80);
    } else {
      out += static_cast<char>(b | 0x80);
    }
  }
  return out;
}

void AppendSingleByte(const CodePageTable& table, std::string_view bytes, std::u16string* out) {
  const size_t start = out->size();
  out->resize(start + bytes.size());
  char16_t* dst = out->data() + start;
  for (const char c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    *dst++ = b < 0x80 ? char16_t{b} : table.high[b - 0x80];
  }
}

void AppendUtf8(std::string_view bytes, std::u16string* out) {
  out->reserve(out->size() + bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    // Runs of ASCII go straight across.
    size_t run = i;
    while (run < bytes.size() && static_cast<uint8_t>(bytes[run]) < 0x80) ++run;
    if (run > i) {
      const size_t start = out->size();
      out->resize(start + (run - i));
      std::copy(bytes.begin() + static_cast<ptrdiff_t>(i),
                bytes.begin() + static_cast<ptrdiff_t>(run), out->begin() + static_cast<ptrdiff_t>(start));
      i = run;
      if (i == bytes.size()) break;
    }
    char32_t c = 0;
    if (platform::NextUtf8(bytes, &i, &c)) {
      platform::AppendUtf16(c, out);
    } else {
      out->push_back(kReplacement);
    }
  }
}

void AppendUtf16(std::string_view bytes, bool big_endian, std::u16string* out) {
  const size_t units = bytes.size() / 2;
  const size_t start = out->size();
  out->resize(start + units);
  char16_t* dst = out->data() + start;
  const auto* src = reinterpret_cast<const uint8_t*>(bytes.data());
  for (size_t k = 0; k < units; ++k, src += 2) {
    dst[k] = big_endian ? static_cast<char16_t>(src[0] << 8 | src[1]) : platform::ReadLe16(src);
  }
}

}  // namespace

int CodePageByName(std::string_view name) {
  while (!name.empty() && (name.front() <= ' ' || name.front() == '"' || name.front() == '\'')) {
    name.remove_prefix(1);
  }
  while (!name.empty() && (name.back() <= ' ' || name.back() == '"' || name.back() == '\'')) {
    name.remove_suffix(1);
  }
  if (name.empty() || name.size() > 40) return 0;
  char lower[41];
  for (size_t k = 0; k < name.size(); ++k) {
    const char c = name[k];
    lower[k] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  const std::string_view key(lower, name.size());
  const CodePageName* begin = kCodePageNames;
  const CodePageName* end = kCodePageNames + kCodePageNameCount;
  const CodePageName* found = std::lower_bound(
      begin, end, key, [](const CodePageName& n, std::string_view k) { return n.name < k; });
  return found != end && found->name == key ? found->number : 0;
}

bool CanDecode(int code_page) {
  return code_page == kUtf8 || code_page == kUtf16Le || code_page == kUtf16Be ||
         FindTable(code_page) != nullptr ||
         (platform::IsMultiByteAsian(code_page) &&
          platform::CanDecodeMultiByte(code_page == kIso2022Jp ? kEucJp : code_page));
}

char16_t SingleByteChar(int code_page, uint8_t byte) {
  if (byte < 0x80) return byte;
  const CodePageTable* table = FindTable(code_page);
  return (table != nullptr ? *table : Windows1252Table()).high[byte - 0x80];
}

void AppendDecoded(int code_page, std::string_view bytes, std::u16string* out) {
  if (code_page == kUtf8) return AppendUtf8(bytes, out);
  if (code_page == kUtf16Le || code_page == kUtf16Be) {
    return AppendUtf16(bytes, code_page == kUtf16Be, out);
  }
  if (platform::IsMultiByteAsian(code_page)) {
    if (code_page == kIso2022Jp) {
      if (platform::AppendMultiByte(kEucJp, Iso2022JpToEucJp(bytes), out)) return;
    } else if (platform::AppendMultiByte(code_page, bytes, out)) {
      return;
    }
    const size_t start = out->size();
    out->resize(start + bytes.size());
    char16_t* dst = out->data() + start;
    for (const char c : bytes) {
      const auto b = static_cast<uint8_t>(c);
      *dst++ = b < 0x80 ? char16_t{b} : kReplacement;
    }
    return;
  }
  const CodePageTable* table = FindTable(code_page);
  AppendSingleByte(table != nullptr ? *table : Windows1252Table(), bytes, out);
}

bool IsValidUtf8(std::string_view bytes, bool allow_cut_end) {
  size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<uint8_t>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t start = i;
    char32_t c = 0;
    if (platform::NextUtf8(bytes, &i, &c)) continue;
    // A sequence that only lacks bytes the end cut off.
    if (!allow_cut_end || i != bytes.size()) return false;
    const auto lead = static_cast<uint8_t>(bytes[start]);
    const size_t need = lead > 0xF4 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    return need > 0 && bytes.size() - start < need;
  }
  return true;
}

}  // namespace oru::parser
