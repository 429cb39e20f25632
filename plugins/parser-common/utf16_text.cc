#include "plugins/parser-common/utf16_text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/utf8.h"

namespace oru::containers {

void AppendUtf8AsUtf16(std::string_view text, std::u16string* out) {
  // Never more units than bytes: written in place, then cut to what was written.
  const size_t had = out->size();
  out->resize(had + text.size());
  char16_t* to = out->data() + had;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
#if defined(__SSE2__)
    // 16 ASCII bytes at once, widened to 16 units.
    if (text.size() - i >= 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      if (_mm_movemask_epi8(block) == 0) {
        const __m128i zero = _mm_setzero_si128();
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(block, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), _mm_unpackhi_epi8(block, zero));
        to += 16;
        i += 16;
        continue;
      }
    }
#endif
    if (bytes[i] < 0x80) {  // the common case, without a call
      *to++ = bytes[i++];
      continue;
    }
    char32_t c = 0;
    if (!platform::NextUtf8(text, &i, &c)) c = 0xFFFD;
    if (c >= 0x10000) {
      c -= 0x10000;
      *to++ = static_cast<char16_t>(0xD800 + (c >> 10));
      *to++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      *to++ = static_cast<char16_t>(c);
    }
  }
  out->resize(static_cast<size_t>(to - out->data()));
}

}  // namespace oru::containers
