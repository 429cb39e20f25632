#include "plugins/parser-word/text_decode.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/little_endian.h"

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
  DecodeUtf16Le(bytes, size / 2, wide.data());
  if (size % 2 != 0) wide[size / 2] = bytes[size - 1];
  return wide;
}

void DecodeUtf16Le(const uint8_t* bytes, size_t chars, char16_t* out) {
  for (size_t k = 0; k < chars; ++k) {
    out[k] = platform::ReadLe16(bytes + 2 * k);
  }
}

}  // namespace oru::dovrin
