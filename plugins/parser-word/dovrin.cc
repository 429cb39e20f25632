// Dovrin, the parser plug-in for Word documents (Word 6 to Word 2003): the text of a document
// through its piece table, Word's special characters and field codes filtered out. The
// contract's exports are the shared ones of 16-bit text plug-ins (text_plugin_exports.cc).
#include <optional>
#include <string>

#include "platform/files.h"
#include "plugins/parser-common/text_plugin.h"
#include "plugins/parser-word/document_text.h"
#include "plugins/parser-word/text_filter.h"

namespace oru::parser {

const PluginStrings kPluginStrings = {
    "MSWord Files<doc>dot=",
    "This plugin is developed for parsing Microsoft Word(tm) files. "
    "Files extensions to be handled: doc,dot.",
    "Dovrin",
};

bool ReadDocument(const char* file_name, const char* /*type_name*/, std::u16string* text) {
  std::optional<std::u16string> wide;
  {
    platform::File file;
    if (platform::File::Open(file_name, platform::OpenMode::kReadExisting, &file) !=
        platform::Result::kOk) {
      return false;
    }
    wide = dovrin::ReadDocumentText(&file);
  }  // the file closes here; a failed close is of no concern to a reader
  if (!wide) return false;
  // Every character the filter wrote is served: the visible end is the text's length.
  *text = dovrin::FilterText(*wide);
  return true;
}

}  // namespace oru::parser
