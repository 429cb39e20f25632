// Pelkan, the parser plug-in for PDF documents: the text of the pages and of the document
// information, never images or glyph programs.
#include <string>

#include "plugins/parser-common/file_bytes.h"
#include "plugins/parser-common/text_plugin.h"
#include "plugins/parser-pdf/pdf_text.h"

namespace oru::parser {
namespace {

// The most bytes of one PDF that are read. The file is read whole (the cross-reference data is
// at its end); with the limits of pdf_limits.h on decoded streams, caches, cross-reference
// entries and text, a document stays within 300 MiB. A longer file is cut: its objects are
// then found by scanning, and the words before the cut are indexed.
constexpr size_t kMaxPdfFileBytes = size_t{96} << 20;

}  // namespace

const PluginStrings kPluginStrings = {
    "PDF Files<pdf=",
    "This plugin is developed for parsing PDF documents. Files extensions to be handled: pdf.",
    "Pelkan",
};

bool ReadDocument(const char* file_name, const char* /*type_name*/, std::u16string* text) {
  std::string bytes;
  if (!ReadFileBytes(file_name, kMaxPdfFileBytes, &bytes, nullptr)) return false;
  return pdf::ExtractText(bytes, pdf::Limits(), text) == pdf::TextStatus::kOk;
}

}  // namespace oru::parser
