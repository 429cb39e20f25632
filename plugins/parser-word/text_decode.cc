#include "plugins/parser-word/text_decode.h"

#include <algorithm>

#include "platform/codepage.h"

namespace oru::dovrin {

bool LooksWide(const uint8_t* bytes, size_t size) {
  const size_t sample = std::min(size, kSampleSize);
  const auto low =
      std::count_if(bytes, bytes + sample, [](uint8_t b) { return static_cast<int8_t>(b) < 9; });
  return static_cast<size_t>(low) > sample / 3;
}

std::u16string DecodeText(const uint8_t* bytes, size_t size) {
  if (!LooksWide(bytes, size)) {
    std::u16string wide(size, u'\0');
    const size_t n = platform::AnsiToWide(reinterpret_cast<const char*>(bytes), size, wide.data());
    wide.resize(n);
    return wide;
  }
  std::u16string wide((size + 1) / 2, u'\0');
  for (size_t i = 0; i < size; ++i) {
    wide[i / 2] = static_cast<char16_t>(wide[i / 2] | (char16_t{bytes[i]} << (8 * (i % 2))));
  }
  return wide;
}

}  // namespace oru::dovrin
