#include "plugins/parser-odf/odf_text.h"

#include <array>
#include <string_view>

namespace oru::odf {

namespace {

using containers::XmlEvent;
using containers::XmlReader;

constexpr std::string_view kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view kStyle = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
constexpr std::string_view kMeta = "urn:oasis:names:tc:opendocument:xmlns:meta:1.0";
constexpr std::string_view kDublinCore = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view kSvg = "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0";

// The namespaces by the numbers the reader gives them (XmlReader::NumberNamespaces), so that
// elements are matched without comparing URIs.
constexpr std::array<std::string_view, 7> kNumbered = {kOffice, kText,       kTable, kStyle,
                                                       kMeta,   kDublinCore, kSvg};
enum Namespace : int { kOtherNs, kOfficeNs, kTextNs, kTableNs, kStyleNs, kMetaNs, kDcNs, kSvgNs };

bool IsHeaderOrFooter(std::string_view local) {
  return local == "header" || local == "footer" || local == "header-left" ||
         local == "footer-left" || local == "header-first" || local == "footer-first";
}

// Parts of the document that hold no text to index: styles, scripts, settings, deletions kept
// for tracking changes.
bool IsSkippedPart(int ns, std::string_view local) {
  if (ns == kOfficeNs) {
    return local == "scripts" || local == "settings" || local == "font-face-decls" ||
           local == "styles" || local == "automatic-styles";
  }
  return ns == kTextNs && (local == "tracked-changes" || local == "deletion");
}

// Reads the children of office:meta, which `reader` has just started.
XmlEvent ReadMeta(XmlReader* reader, containers::DocumentProperties* properties) {
  const size_t depth = reader->depth();
  for (;;) {
    const XmlEvent event = reader->Next();
    if (event == XmlEvent::kEnd || event == XmlEvent::kMalformed) return event;
    if (event == XmlEvent::kEndElement && reader->depth() < depth) return event;
    if (event != XmlEvent::kStartElement) continue;
    const int ns = reader->uri_number();
    const std::string_view local = reader->local_name();
    std::string value;
    std::string* field = &value;
    if (ns == kDcNs && local == "title") {
      field = &properties->title;
    } else if (ns == kDcNs && local == "subject") {
      field = &properties->subject;
    } else if (ns == kDcNs && local == "description") {
      field = &properties->description;
    } else if (!(ns == kMetaNs && (local == "keyword" || local == "initial-creator")) &&
               !(ns == kDcNs && local == "creator")) {
      const XmlEvent skipped = containers::SkipElement(reader);
      if (skipped != XmlEvent::kEndElement) return skipped;
      continue;
    }
    // The reader's names are valid only until it reads on.
    const bool keyword = local == "keyword";
    const XmlEvent ended = containers::ReadPropertyText(reader, field);
    if (field == &value) {
      containers::AddPropertyValue(std::move(value),
                                   keyword ? &properties->keywords : &properties->authors);
    }
    if (ended != XmlEvent::kEndElement) return ended;
  }
}

// Where text goes while the reader is inside office:body or a header or footer.
class BodyReader {
 public:
  BodyReader(XmlReader* reader, containers::TextSink* sink, bool spreadsheet_names)
      : reader_(reader), sink_(sink), spreadsheet_names_(spreadsheet_names) {}

  // Reads to the end of the element `reader` has just started.
  XmlEvent Read() {
    const size_t depth = reader_->depth();
    for (;;) {
      if (sink_->full()) return XmlEvent::kEnd;  // the rest could give nothing
      const XmlEvent event = reader_->Next();
      if (event == XmlEvent::kEnd || event == XmlEvent::kMalformed) return event;
      if (event == XmlEvent::kText) {
        if (in_paragraph_ > 0) sink_->Append(reader_->text());
        continue;
      }
      if (event == XmlEvent::kEndElement) {
        if (reader_->depth() < depth) return event;
        OnEnd(reader_->uri_number(), reader_->local_name());
        continue;
      }
      const XmlEvent started = OnStart(reader_->uri_number(), reader_->local_name());
      if (started == XmlEvent::kEnd || started == XmlEvent::kMalformed) return started;
    }
  }

 private:
  XmlEvent OnStart(int ns, std::string_view local) {
    if (IsSkippedPart(ns, local) || ns == kDcNs || ns == kSvgNs) {
      return containers::SkipElement(reader_);
    }
    if ((ns == kOfficeNs && local == "annotation") || (ns == kTextNs && local == "note-body")) {
      sink_->Break(u' ');  // a comment or note inside a paragraph is words of its own
    } else if (ns == kOfficeNs && local == "spreadsheet") {
      spreadsheet_ = true;
    } else if (ns == kTextNs) {
      if (local == "p" || local == "h") {
        ++in_paragraph_;
      } else if (local == "s") {
        sink_->Put(u' ');
      } else if (local == "tab") {
        sink_->Break(u' ');
      } else if (local == "line-break") {
        sink_->Break(u'\n');
      }
    } else if (ns == kTableNs && local == "table" && spreadsheet_ && spreadsheet_names_) {
      if (const std::string_view* name = reader_->Attribute(kTable, "name")) {
        sink_->Append(name->substr(0, 1024));
        sink_->Break(u'\n');
      }
    }
    return XmlEvent::kStartElement;
  }

  void OnEnd(int ns, std::string_view local) {
    if ((ns == kOfficeNs && local == "annotation") || (ns == kTextNs && local == "note")) {
      sink_->Break(u' ');
    } else if (ns == kTextNs) {
      if ((local == "p" || local == "h") && in_paragraph_ > 0) {
        --in_paragraph_;
        sink_->Break(u'\n');
      } else if (local == "list-item") {
        sink_->Break(u'\n');
      }
    } else if (ns == kTableNs) {
      if (local == "table-cell" || local == "covered-table-cell") {
        sink_->Break(u'\t');
      } else if (local == "table-row") {
        sink_->Break(u'\n');
      }
    }
  }

  XmlReader* reader_;
  containers::TextSink* sink_;
  bool spreadsheet_names_;
  bool spreadsheet_ = false;
  int in_paragraph_ = 0;
};

}  // namespace

bool ReadOdfXml(XmlReader* reader, OdfText* out) {
  reader->NumberNamespaces(kNumbered);
  if (reader->Next() != XmlEvent::kStartElement || reader->uri_number() != kOfficeNs) return false;
  containers::TextSink body(&out->body, containers::kMaxMarkupTextChars, reader->work_budget());
  containers::TextSink headers(&out->headers, containers::kMaxMarkupTextChars / 8,
                               reader->work_budget());
  bool in_master_styles = false;
  for (XmlEvent event = reader->Next(); event != XmlEvent::kEnd && event != XmlEvent::kMalformed;
       event = reader->Next()) {
    const int ns = reader->uri_number();
    const std::string_view local = reader->local_name();
    if (event == XmlEvent::kEndElement) {
      if (ns == kOfficeNs && local == "master-styles") in_master_styles = false;
      continue;
    }
    if (event != XmlEvent::kStartElement) continue;
    XmlEvent ended = XmlEvent::kEndElement;
    if (ns == kOfficeNs && local == "meta") {
      ended = ReadMeta(reader, &out->properties);
    } else if (ns == kOfficeNs && local == "body") {
      ended = BodyReader(reader, &body, true).Read();
    } else if (ns == kOfficeNs && local == "master-styles") {
      in_master_styles = true;
    } else if (in_master_styles && ns == kStyleNs && IsHeaderOrFooter(local)) {
      ended = BodyReader(reader, &headers, false).Read();
    } else if (IsSkippedPart(ns, local)) {
      ended = containers::SkipElement(reader);
    }
    if (ended == XmlEvent::kEnd || ended == XmlEvent::kMalformed) break;
  }
  return true;
}

void JoinOdfText(const OdfText& text, std::u16string* out) {
  containers::TextSink sink(out);
  containers::WriteProperties(text.properties, &sink);
  sink.Append(text.body);
  sink.Break(u'\n');
  sink.Append(text.headers);
}

}  // namespace oru::odf
