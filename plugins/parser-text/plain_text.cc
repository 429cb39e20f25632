#include "plugins/parser-text/plain_text.h"

#include <algorithm>
#include <cstdint>

#include "plugins/parser-common/text_decode.h"

namespace oru::tavrel {
namespace {

// How much of the start of a file the zero-byte tests look at.
constexpr size_t kSampleSize = 64 * 1024;
// Separate runs of zero bytes in the sample that make a file binary. Text has none, or one
// zeroed stretch; binary formats have them everywhere.
constexpr size_t kBinaryZeroRuns = 8;

struct ZeroCounts {
  size_t even = 0;  // zero bytes at even offsets
  size_t odd = 0;   // at odd offsets
};

ZeroCounts CountZeros(std::string_view sample) {
  ZeroCounts counts;
  for (size_t k = 0; k < sample.size(); ++k) {
    if (sample[k] == '\0') ++(k % 2 == 0 ? counts.even : counts.odd);
  }
  return counts;
}

// Separate runs of zero units among the first `limit` units of `text`, a zeroed tail left out.
template <typename Unit>
size_t ZeroRuns(std::basic_string_view<Unit> text, size_t limit) {
  text = text.substr(0, limit);
  while (!text.empty() && text.back() == 0) text.remove_suffix(1);
  size_t runs = 0;
  for (size_t k = 0; k < text.size(); ++k) {
    if (text[k] == 0 && (k == 0 || text[k - 1] != 0)) ++runs;
  }
  return runs;
}

// UTF-16 text has a zero in the high byte of every ASCII character (all of Latin text, the
// spaces and digits of other scripts): at least a fifth of the pairs and a few in all, and
// (almost) none in the low bytes.
bool LooksLikeUtf16(const ZeroCounts& zeros, size_t pairs, bool little_endian) {
  const size_t high = little_endian ? zeros.odd : zeros.even;
  const size_t low = little_endian ? zeros.even : zeros.odd;
  return high >= 4 && high * 5 >= pairs && low * 50 <= high;
}

}  // namespace

TextEncoding DetectEncoding(std::string_view bytes, size_t* bom_size) {
  *bom_size = 0;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    *bom_size = 3;
    return TextEncoding::kUtf8;
  }
  if (bytes.starts_with("\xFF\xFE")) {
    *bom_size = 2;
    return TextEncoding::kUtf16Le;
  }
  if (bytes.starts_with("\xFE\xFF")) {
    *bom_size = 2;
    return TextEncoding::kUtf16Be;
  }
  const std::string_view sample = bytes.substr(0, kSampleSize);
  const ZeroCounts zeros = CountZeros(sample);
  if (zeros.even + zeros.odd > 0) {
    if (LooksLikeUtf16(zeros, sample.size() / 2, true)) return TextEncoding::kUtf16Le;
    if (LooksLikeUtf16(zeros, sample.size() / 2, false)) return TextEncoding::kUtf16Be;
  }
  if (parser::IsValidUtf8(bytes, true)) return TextEncoding::kUtf8;
  return TextEncoding::kWindows1252;
}

std::optional<std::u16string> PlainText(std::string_view bytes) {
  size_t bom = 0;
  const TextEncoding encoding = DetectEncoding(bytes, &bom);
  const std::string_view body = bytes.substr(bom);
  const bool wide = encoding == TextEncoding::kUtf16Le || encoding == TextEncoding::kUtf16Be;
  if (!wide && ZeroRuns(body, kSampleSize) >= kBinaryZeroRuns) return std::nullopt;
  const int code_page = encoding == TextEncoding::kUtf8      ? parser::kUtf8
                        : encoding == TextEncoding::kUtf16Le ? parser::kUtf16Le
                        : encoding == TextEncoding::kUtf16Be ? parser::kUtf16Be
                                                             : parser::kWindows1252;
  std::u16string text;
  parser::AppendDecoded(code_page, body, &text);
  if (wide && ZeroRuns(std::u16string_view(text), kSampleSize / 2) >= kBinaryZeroRuns) {
    return std::nullopt;
  }
  std::replace(text.begin(), text.end(), u'\0', u' ');
  return text;
}

}  // namespace oru::tavrel
