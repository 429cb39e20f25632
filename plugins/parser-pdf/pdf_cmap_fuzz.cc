// libFuzzer target: the input is parsed as a CMap program and every code of its first bytes
// is looked up.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "plugins/parser-pdf/pdf_cmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view program(reinterpret_cast<const char*>(data), size);
  const oru::pdf::CMap cmap = oru::pdf::CMap::Parse(program);
  std::u16string text;
  uint32_t cid = 0;
  for (size_t pos = 0; pos < size && pos < 256;) {
    const int length = cmap.CodeLength(program.substr(pos), 2);
    uint32_t code = 0;
    for (int k = 0; k < length; ++k) code = (code << 8) | data[pos + k];
    cmap.ToUnicode(code, &text);
    cmap.ToCid(code, &cid);
    pos += static_cast<size_t>(length);
  }
  return 0;
}
