// The multi-byte Asian code pages through the C library's converters.
#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/codepage.h"

namespace oru::platform {
namespace {

// The converter's name of each code page.
const char* ConverterName(int code_page) {
  switch (code_page) {
    case 932:
      return "CP932";
    case 936:
      return "CP936";
    case 949:
      return "CP949";
    case 950:
      return "CP950";
    case 54936:
      return "GB18030";
    case 20932:
      return "EUC-JP";
    case 50220:
      return "ISO-2022-JP";
    default:
      return nullptr;
  }
}

// The converters of one thread, opened at first use and kept until the thread ends.
class Converters {
 public:
  ~Converters() {
    for (const Entry& entry : entries_) {
      if (entry.code_page != 0 && entry.converter != kFailed) iconv_close(entry.converter);
    }
  }
  // The converter from `code_page` to UTF-16LE; null when there is none.
  iconv_t Get(int code_page) {
    for (const Entry& entry : entries_) {
      if (entry.code_page == code_page) return entry.converter == kFailed ? nullptr : entry.converter;
    }
    const char* name = ConverterName(code_page);
    Entry& entry = entries_[next_++ % entries_.size()];
    if (entry.code_page != 0 && entry.converter != kFailed) iconv_close(entry.converter);
    entry.code_page = code_page;
    entry.converter = name != nullptr ? iconv_open("UTF-16LE", name) : kFailed;
    return entry.converter == kFailed ? nullptr : entry.converter;
  }

 private:
  static inline const iconv_t kFailed = reinterpret_cast<iconv_t>(-1);
  struct Entry {
    int code_page = 0;
    iconv_t converter = kFailed;
  };
  std::array<Entry, 8> entries_{};
  size_t next_ = 0;
};

iconv_t ConverterFor(int code_page) {
  thread_local Converters converters;
  return converters.Get(code_page);
}

}  // namespace

bool CanDecodeMultiByte(int code_page) { return ConverterFor(code_page) != nullptr; }

bool AppendMultiByte(int code_page, std::string_view bytes, std::u16string* out) {
  iconv_t converter = ConverterFor(code_page);
  if (converter == nullptr) return false;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);  // the initial shift state
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char buffer[4096];
  while (in_left > 0) {
    char* to = buffer;
    size_t to_left = sizeof(buffer);
    const size_t done = iconv(converter, &in, &in_left, &to, &to_left);
    for (const char* unit = buffer; unit + 1 < to; unit += 2) {
      out->push_back(static_cast<char16_t>(static_cast<uint8_t>(unit[0]) |
                                           (static_cast<uint8_t>(unit[1]) << 8)));
    }
    if (done != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // A byte that starts no character of the code page, or a sequence cut by the end.
    out->push_back(u'\uFFFD');
    ++in;
    --in_left;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
  return true;
}

}  // namespace oru::platform
