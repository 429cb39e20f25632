#include "plugins/parser-common/utf16_text.h"

#include "platform/utf8.h"

namespace oru::containers {

void AppendUtf8AsUtf16(std::string_view text, std::u16string* out) {
  out->reserve(out->size() + text.size());
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {  // the common case, without a call
      out->push_back(byte);
      ++i;
      continue;
    }
    char32_t c = 0;
    platform::AppendUtf16(platform::NextUtf8(text, &i, &c) ? c : 0xFFFD, out);
  }
}

}  // namespace oru::containers
