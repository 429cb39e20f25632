// The text of the parts of each kind of Office Open XML document, read by a streaming XML
// reader into a TextSink. Damage ends a part's reading; the text before it stands.
#ifndef ORU_PLUGINS_PARSER_OOXML_PART_TEXT_H_
#define ORU_PLUGINS_PARSER_OOXML_PART_TEXT_H_

#include <string>
#include <string_view>

#include "plugins/parser-common/markup_text.h"
#include "plugins/parser-common/xml_reader.h"
#include "plugins/parser-common/zip_reader.h"

namespace oru::ooxml {

// A WordprocessingML part (the body, a header or footer, the footnotes, endnotes or comments),
// read on from wherever `reader` stands: w:t runs; tabs, breaks, paragraphs, table cells and
// rows end words; a non-breaking hyphen is '-'. Field instructions, deleted text and the later
// branches of a markup-compatibility choice are left out.
void AppendWordText(containers::XmlReader* reader, containers::TextSink* sink);

// A DrawingML text of a slide or notes slide, read on from wherever `reader` stands: a:t runs;
// paragraphs, line breaks and table cells end words.
void AppendDrawingText(containers::XmlReader* reader, containers::TextSink* sink);

// The text of a word-processing document whose main part is `main`: the body, then the
// headers and footers, footnotes, endnotes and comments its relationships name. `reader` has
// given the main part's root element.
void AppendWordDocument(containers::ZipArchive* zip, std::string_view main,
                        containers::XmlReader* reader, containers::TextSink* sink);

// The text of a workbook whose main part is `main`: per sheet in workbook order its name, its
// string cells (shared, inline and formula results) and its comments. `reader` has given the
// main part's root element.
void AppendWorkbook(containers::ZipArchive* zip, std::string_view main,
                    containers::XmlReader* reader, containers::TextSink* sink);

// The text of a presentation whose main part is `main`: per slide in presentation order its
// text, then its notes. `reader` has given the main part's root element.
void AppendPresentation(containers::ZipArchive* zip, std::string_view main,
                        containers::XmlReader* reader, containers::TextSink* sink);

}  // namespace oru::ooxml

#endif  // ORU_PLUGINS_PARSER_OOXML_PART_TEXT_H_
