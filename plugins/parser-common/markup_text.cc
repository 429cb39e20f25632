#include "plugins/parser-common/markup_text.h"

#include <algorithm>
#include <utility>

#include "plugins/parser-common/utf16_text.h"

namespace oru::containers {

void TextSink::Append(std::string_view utf8) {
  if (full()) return;
  const size_t had = text_->size();
  Grow(utf8.size());
  AppendUtf8AsUtf16(utf8, text_);
  Charge(std::min(text_->size(), max_) - had);
  if (text_->size() > max_) {
    text_->resize(max_);
    // Never leave half of a surrogate pair at the cut.
    if (!text_->empty() && text_->back() >= 0xD800 && text_->back() < 0xDC00) text_->pop_back();
  }
}

void TextSink::Break(char16_t c) {
  if (text_->empty()) return;
  const char16_t last = text_->back();
  if (last == u' ' || last == u'\t' || last == u'\n') {
    if (c == u'\n' && last != u'\n') text_->back() = u'\n';  // a line end wins over a space
    return;
  }
  Put(c);
}

XmlEvent SkipElement(XmlReader* reader) { return reader->Skip(); }

XmlEvent ReadPropertyText(XmlReader* reader, std::string* value) {
  const size_t depth = reader->depth();
  for (;;) {
    const XmlEvent event = reader->Next();
    if (event == XmlEvent::kEnd || event == XmlEvent::kMalformed) return event;
    if (event == XmlEvent::kEndElement && reader->depth() < depth) return event;
    if (event == XmlEvent::kText && value->size() < kMaxPropertyBytes) {
      value->append(reader->text().substr(0, kMaxPropertyBytes - value->size()));
    } else if (event == XmlEvent::kStartElement && !value->empty() && value->back() != ' ') {
      value->push_back(' ');  // keywords given as several child values
    }
  }
}

void AddPropertyValue(std::string value, std::vector<std::string>* values) {
  const bool blank = value.find_first_not_of(" \t\n") == std::string::npos;
  if (blank || values->size() >= kMaxPropertyValues) return;
  if (std::find(values->begin(), values->end(), value) != values->end()) return;
  values->push_back(std::move(value));
}

void WriteProperties(const DocumentProperties& properties, TextSink* sink) {
  auto line = [sink](const std::string& value) {
    if (value.find_first_not_of(" \t\n") == std::string::npos) return;
    sink->Append(value);
    sink->Put(u'\n');
  };
  line(properties.title);
  line(properties.subject);
  for (const std::string& keyword : properties.keywords) line(keyword);
  line(properties.description);
  for (const std::string& author : properties.authors) line(author);
}

}  // namespace oru::containers
