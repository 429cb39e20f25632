// Quillet, the parser plug-in for Office Open XML documents, workbooks and presentations: the
// exports are the shared ones of a 16-bit text plug-in (text_plugin_exports.cc); this file reads
// one package into its text.
#include <string>

#include "platform/files.h"
#include "plugins/parser-common/byte_source.h"
#include "plugins/parser-common/text_plugin.h"
#include "plugins/parser-ooxml/office_package.h"

namespace oru::parser {

const PluginStrings kPluginStrings = {
    "Office Documents<docx>docm>dotx>dotm=Office Spreadsheets<xlsx>xlsm>xltx>xltm="
    "Office Presentations<pptx>pptm>potx>potm>ppsx>ppsm=",
    "This plugin is developed for parsing Office Open XML documents, spreadsheets and "
    "presentations. Files extensions to be handled: docx,docm,dotx,dotm,xlsx,xlsm,xltx,xltm,"
    "pptx,pptm,potx,potm,ppsx,ppsm.",
    "Quillet",
};

// The package decides the kind, not the type name. A compound file is refused: an encrypted
// package is stored in one.
bool ReadDocument(const char* file_name, const char* /*type_name*/, std::u16string* text) {
  platform::File file;
  if (platform::File::Open(file_name, platform::OpenMode::kReadExisting, &file) !=
      platform::Result::kOk) {
    return false;
  }
  containers::FileByteSource source(&file);
  char head[8] = {};
  if (source.Size() >= sizeof(head) && source.ReadAt(0, head, sizeof(head)) &&
      ooxml::IsCompoundFile(std::string_view(head, sizeof(head)))) {
    return false;
  }
  return ooxml::ReadOfficePackage(&source, text, containers::ZipLimitsForFile(source.Size()));
}

}  // namespace oru::parser
