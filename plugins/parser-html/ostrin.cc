// Ostrin, the parser plug-in for web pages: the page's text as html_text.h gives it, from at
// most the first 64 MiB of the file.
#include <string>

#include "plugins/parser-common/file_bytes.h"
#include "plugins/parser-common/text_plugin.h"
#include "plugins/parser-html/html_text.h"

namespace oru::parser {

const PluginStrings kPluginStrings = {
    "Web Pages<html>htm>xhtml>shtml=",
    "This plugin is developed for parsing web pages. "
    "Files extensions to be handled: html,htm,xhtml,shtml.",
    "Ostrin",
};

bool ReadDocument(const char* file_name, const char* /*type_name*/, std::u16string* text) {
  std::string bytes;
  if (!ReadFileBytes(file_name, kMaxTextFileBytes, &bytes, nullptr)) return false;
  std::u16string chars = ostrin::DecodePage(bytes);
  std::string().swap(bytes);  // the bytes are no longer needed while the text is made
  *text = ostrin::PageText(chars);
  return true;
}

}  // namespace oru::parser
