// Odrane, the parser plug-in for OpenDocument files: the exports are the shared ones of a 16-bit
// text plug-in (text_plugin_exports.cc); this file reads one package or flat file into its text.
#include <string>

#include "platform/files.h"
#include "plugins/parser-common/byte_source.h"
#include "plugins/parser-common/input_stream.h"
#include "plugins/parser-common/text_plugin.h"
#include "plugins/parser-odf/odf_text.h"

namespace oru::parser {

const PluginStrings kPluginStrings = {
    "OpenDocument Files<odt>ott>ods>ots>odp>otp>odg>fodt>fods>fodp=",
    "This plugin is developed for parsing OpenDocument files. "
    "Files extensions to be handled: odt,ott,ods,ots,odp,otp,odg,fodt,fods,fodp.",
    "Odrane",
};

// A ZIP archive is read as a package, any other file as a flat document, whatever its name.
bool ReadDocument(const char* file_name, const char* /*type_name*/, std::u16string* text) {
  platform::File file;
  if (platform::File::Open(file_name, platform::OpenMode::kReadExisting, &file) !=
      platform::Result::kOk) {
    return false;
  }
  containers::FileByteSource source(&file);
  switch (odf::ReadOdfPackage(&source, text, containers::ZipLimitsForFile(source.Size()))) {
    case odf::OdfOutcome::kRead:
      return true;
    case odf::OdfOutcome::kRefused:
      return false;
    case odf::OdfOutcome::kNotZip:
      break;
  }
  if (file.Seek(0) != platform::Result::kOk) return false;
  containers::FileInputStream stream(&file);
  return odf::ReadFlatOdf(&stream, text);
}

}  // namespace oru::parser
