// The text of a PDF document: the words of its information dictionary (Title, Author, Subject,
// Keywords), then its pages in order, with words placed apart by their positions.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_TEXT_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_TEXT_H_

#include <string>
#include <string_view>

#include "plugins/parser-pdf/pdf_limits.h"

namespace oru::pdf {

enum class TextStatus {
  kOk,             // `text` holds the document's text (the part before a limit, if one was met)
  kNotPdf,         // no PDF header or no object at all
  kNeedsPassword,  // encrypted, and the empty user password does not open it
};

// Reads the document `bytes` into `text` (replaced). Never throws but std::bad_alloc.
TextStatus ExtractText(std::string_view bytes, const Limits& limits, std::u16string* text);

// A text string of a PDF (UTF-16BE with its byte-order mark, UTF-8 with its mark, else
// PDFDocEncoding) as UTF-16.
std::u16string DecodeTextString(std::string_view bytes);

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_TEXT_H_
