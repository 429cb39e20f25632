// libFuzzer target: the input is an XML document, read twice, in one chunk and in small chunks
// (their size taken from the input's length), under small limits. Both reads must give the
// same events, and every event must keep to the limits and to the nesting. Then read twice
// more, passing over some elements with Skip and with Next: both must end alike.
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

// The events of `input` with every element whose name ends in an odd byte passed over, by
// Skip or by reading on with Next to its end: both ways must give the same.
std::string ReadSkipping(InputStream* input, const XmlLimits& limits, bool by_skip) {
  XmlReader reader(input, limits);
  std::string trace;
  for (;;) {
    XmlEvent event = reader.Next();
    if (event == XmlEvent::kStartElement && !reader.local_name().empty() &&
        (reader.local_name().back() & 1) != 0) {
      const size_t depth = reader.depth();
      if (by_skip) {
        event = reader.Skip();
      } else {
        do {
          event = reader.Next();
        } while (event != XmlEvent::kEnd && event != XmlEvent::kMalformed &&
                 !(event == XmlEvent::kEndElement && reader.depth() < depth));
      }
      trace += '~';
    }
    trace += static_cast<char>('0' + static_cast<int>(event));
    if (event == XmlEvent::kStartElement || event == XmlEvent::kEndElement) {
      trace.append(reader.uri()).append("|").append(reader.local_name());
      trace += static_cast<char>('0' + reader.depth() % 64);
    } else if (event == XmlEvent::kText) {
      trace.append(reader.text());
    } else {
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
  MemoryInputStream whole_again(xml, size + 1);
  MemoryInputStream chunked_again(xml, 1 + size % 13);
  Check(ReadSkipping(&whole_again, limits, false) == ReadSkipping(&chunked_again, limits, true));
  return 0;
}
