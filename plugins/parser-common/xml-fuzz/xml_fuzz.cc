// libFuzzer target: the input is an XML document, read twice, in one chunk and in small chunks
// (their size taken from the input's length), under small limits. Both reads must give the
// same events, and every event must keep to the limits and to the nesting.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "plugins/parser-common/utf16_text.h"
#include "plugins/parser-common/xml_reader.h"

namespace {

using namespace oru::containers;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The events of `input` as one string, each event checked on the way.
std::string Read(InputStream* input, const XmlLimits& limits, size_t input_size) {
  XmlReader reader(input, limits);
  std::string trace;
  std::u16string wide;
  size_t depth = 0;
  for (size_t events = 0;; ++events) {
    Check(events <= 2 * input_size + 2);
    const XmlEvent event = reader.Next();
    trace += static_cast<char>('0' + static_cast<int>(event));
    switch (event) {
      case XmlEvent::kStartElement:
        Check(reader.depth() == ++depth && depth <= limits.max_depth);
        trace.append(reader.uri()).append("|").append(reader.local_name());
        Check(reader.attributes().size() <= limits.max_attributes);
        for (const XmlAttribute& a : reader.attributes()) {
          Check(a.value.size() <= limits.max_attribute_bytes);
          trace.append(a.uri).append("|").append(a.local).append("=").append(a.value);
          Check(reader.Attribute(a.uri, a.local) != nullptr);
        }
        break;
      case XmlEvent::kEndElement:
        Check(depth > 0 && reader.depth() == --depth);
        trace.append(reader.uri()).append("|").append(reader.local_name());
        break;
      case XmlEvent::kText:
        Check(!reader.text().empty() && reader.text().size() <= limits.text_piece_bytes);
        wide.clear();
        AppendUtf8AsUtf16(reader.text(), &wide);
        Check(wide.size() <= reader.text().size());
        trace.append(reader.text());
        break;
      case XmlEvent::kEnd:
        Check(depth == 0 && reader.Next() == XmlEvent::kEnd);
        return trace;
      case XmlEvent::kMalformed:
        Check(reader.Next() == XmlEvent::kMalformed);
        return trace.append(reader.malformed_reason());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view xml(reinterpret_cast<const char*>(data), size);
  XmlLimits limits;
  limits.max_depth = 8;
  limits.max_name_bytes = 64;
  limits.max_attributes = 16;
  limits.max_attribute_bytes = 256;
  limits.max_namespace_bytes = 512;
  limits.text_piece_bytes = 4 + size % 61;
  MemoryInputStream whole(xml, size + 1);
  MemoryInputStream chunked(xml, 1 + size % 13);
  Check(Read(&whole, limits, size) == Read(&chunked, limits, size));
  return 0;
}
