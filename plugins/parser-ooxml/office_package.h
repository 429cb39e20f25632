// The text of an Office Open XML package (a word-processing document, workbook or
// presentation), from the bytes of its ZIP container.
#ifndef ORU_PLUGINS_PARSER_OOXML_OFFICE_PACKAGE_H_
#define ORU_PLUGINS_PARSER_OOXML_OFFICE_PACKAGE_H_

#include <string>

#include "plugins/parser-common/byte_source.h"
#include "plugins/parser-common/container_limits.h"

namespace oru::ooxml {

// Reads the package in `source` into `text` (appended to): the core properties (title,
// subject, keywords, description, creator), each followed by a newline, then the document's
// text. The main part is the one the package relationship "officeDocument" names, and its root
// element tells the kind, whatever the file is called. True with the text read (up to the
// first damage of a part); false when `source` is not a ZIP archive, the main part is missing
// or refused, or its root element is of no known kind. May throw std::bad_alloc.
bool ReadOfficePackage(containers::ByteSource* source, std::u16string* text,
                       const containers::ZipLimits& limits = {});

// True when `head` (the first bytes of a file) starts with the signature of a compound file:
// the container of an encrypted Office Open XML package.
bool IsCompoundFile(std::string_view head);

}  // namespace oru::ooxml

#endif  // ORU_PLUGINS_PARSER_OOXML_OFFICE_PACKAGE_H_
