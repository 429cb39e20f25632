// libFuzzer target: the first byte picks a filter chain and its parameters; the rest is
// decoded through it with a small allowance.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/parser-pdf/pdf_filters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static const char* const kNames[] = {"FlateDecode", "LZWDecode", "ASCII85Decode",
                                       "ASCIIHexDecode", "RunLengthDecode", "DCTDecode"};
  std::vector<oru::pdf::FilterStep> steps;
  oru::pdf::FilterStep first;
  first.name = kNames[data[0] % 6];
  first.predictor = (data[1] & 0x80) ? 10 + data[1] % 6 : (data[1] & 0x40 ? 2 : 1);
  first.colors = 1 + data[1] % 4;
  first.bits_per_component = (data[1] & 0x20) ? 16 : 8;
  first.columns = 1 + (data[1] & 0x1F) * 3;
  first.early_change = data[0] & 0x40 ? 0 : 1;
  steps.push_back(first);
  if (data[0] & 0x80) {
    oru::pdf::FilterStep second;
    second.name = kNames[(data[0] >> 3) % 5];
    steps.push_back(second);
  }
  size_t allowance = 4 << 20;
  std::string out;
  oru::pdf::DecodeStream(std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2),
                         steps, &allowance, &out);
  return 0;
}
