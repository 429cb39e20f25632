// Rivand, the parser plug-in for Rich Text documents: the exports are the shared ones of a
// 16-bit text plug-in (text_plugin_exports.cc); this file reads one document into its text.
#include <string>

#include "plugins/parser-common/file_bytes.h"
#include "plugins/parser-common/text_plugin.h"
#include "plugins/parser-rtf/rtf_text.h"

namespace oru::parser {

const PluginStrings kPluginStrings = {
    "Rich Text Files<rtf=",
    "This plugin is developed for parsing Rich Text Format files. "
    "Files extensions to be handled: rtf.",
    "Rivand",
};

// The first kMaxTextFileBytes of the file are read; a file that does not begin as Rich Text
// is refused, whatever its name.
bool ReadDocument(const char* file_name, const char* /*type_name*/, std::u16string* text) {
  std::string bytes;
  if (!ReadFileBytes(file_name, kMaxTextFileBytes, &bytes, nullptr)) return false;
  std::optional<std::u16string> read = rtf::RtfText(bytes);
  if (!read) return false;
  *text = std::move(*read);
  return true;
}

}  // namespace oru::parser
