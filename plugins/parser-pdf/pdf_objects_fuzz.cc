// libFuzzer target: the input is opened as a PDF file and every object its cross-reference data
// names is resolved, with each stream's data decoded.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "plugins/parser-pdf/pdf_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  oru::pdf::Limits limits;
  limits.max_decoded_bytes = 16 << 20;
  limits.max_objects_resolved = 20000;
  oru::pdf::Budget budget(limits);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  oru::pdf::Document document(bytes, &budget);
  if (!document.Open()) return 0;
  document.Get(&document.trailer(), "Root");
  std::string out;
  for (uint32_t number = 0; number < 64; ++number) {
    const oru::pdf::Object value = document.GetObject(number);
    if (value.type == oru::pdf::Type::kStream) document.StreamData(value, &out);
  }
  return 0;
}
