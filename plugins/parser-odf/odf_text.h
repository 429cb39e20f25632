// The text of OpenDocument files: the XML of a package's parts (content.xml, styles.xml,
// meta.xml) or of a flat file, which holds all three in one office:document.
#ifndef ORU_PLUGINS_PARSER_ODF_ODF_TEXT_H_
#define ORU_PLUGINS_PARSER_ODF_ODF_TEXT_H_

#include <string>

#include "plugins/parser-common/byte_source.h"
#include "plugins/parser-common/container_limits.h"
#include "plugins/parser-common/input_stream.h"
#include "plugins/parser-common/markup_text.h"
#include "plugins/parser-common/xml_reader.h"

namespace oru::odf {

// What the parts of one document give, gathered apart and joined in the end.
struct OdfText {
  containers::DocumentProperties properties;  // of office:meta
  std::u16string body;                        // of office:body
  std::u16string headers;                     // the headers and footers of the master pages
};

// Reads an OpenDocument XML document with `reader` into `out`: its metadata, its body (text,
// spreadsheet, presentation with notes, drawing) and the headers and footers of its master
// pages. Paragraphs, headings, list items, table cells and rows, line breaks and tabs end
// words; text:s is a space; tracked deletions are left out; comments are kept. False when the
// root element is not of the office namespace; otherwise true with what was read before any
// damage. The reader's namespaces are numbered here (XmlReader::NumberNamespaces).
bool ReadOdfXml(containers::XmlReader* reader, OdfText* out);

// `text`: the properties, each followed by a newline, then the body, then the headers and
// footers, cut at containers::kMaxMarkupTextChars.
void JoinOdfText(const OdfText& text, std::u16string* out);

enum class OdfOutcome {
  kRead,     // text was read
  kRefused,  // content.xml missing, refused or encrypted, or not an OpenDocument content part
  kNotZip,   // `source` holds no ZIP archive
};

// Reads the OpenDocument package in `source` (content.xml, styles.xml, meta.xml; an
// encrypted content.xml, as META-INF/manifest.xml lists it, refuses the document) into `text`.
OdfOutcome ReadOdfPackage(containers::ByteSource* source, std::u16string* text,
                          const containers::ZipLimits& limits = {});

// Reads a flat OpenDocument file (one office:document) from `stream` into `text`. False when
// its root element is not of the office namespace.
bool ReadFlatOdf(containers::InputStream* stream, std::u16string* text);

}  // namespace oru::odf

#endif  // ORU_PLUGINS_PARSER_ODF_ODF_TEXT_H_
