// Tavrel, the parser plug-in for plain text files: notes, Markdown, CSV and TSV exports, logs,
// configuration files, subtitles. Each file's encoding is decided from its own bytes.
#include <string>
#include <string_view>

#include "plugins/parser-common/file_bytes.h"
#include "plugins/parser-common/text_plugin.h"
#include "plugins/parser-text/plain_text.h"

namespace oru::parser {

// "Text Files<txt>text>md>...=", built from the one list of extensions.
const PluginStrings kPluginStrings = {
    [] {
      static const std::string filter = [] {
        std::string f = "Text Files";
        char mark = '<';
        for (const char* extension : tavrel::kPlainTextExtensions) {
          f += mark;
          f += extension;
          mark = '>';
        }
        return f + "=";
      }();
      return filter.c_str();
    }(),
    [] {
      static const std::string description = [] {
        std::string d =
            "This plugin is developed for parsing plain text files. Files extensions to be "
            "handled: ";
        const char* comma = "";
        for (const char* extension : tavrel::kPlainTextExtensions) {
          d += comma;
          d += extension;
          comma = ",";
        }
        return d + ".";
      }();
      return description.c_str();
    }(),
    "Tavrel",
};

bool ReadDocument(const char* file_name, const char* /*type_name*/, std::u16string* text) {
  std::string bytes;
  if (!ReadFileBytes(file_name, kMaxTextFileBytes, &bytes, nullptr)) return false;
  std::optional<std::u16string> plain = tavrel::PlainText(bytes);
  if (!plain) return false;
  *text = std::move(*plain);
  return true;
}

}  // namespace oru::parser
