#include "indexer/engine/work_folders.h"

#include "platform/dynlib.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/ini.h"

namespace oru {


std::string WorkBaseFolder() {
  std::string base;
  if (!platform::GetAppDataFolder(&base)) base = platform::ProgramFolder();
  if (!base.empty() && base.back() != platform::kPathSeparator) base += platform::kPathSeparator;
  return base;
}

bool WriteDefaultConfig(const std::string& path, const std::string& plugin_dir) {
  if (platform::FileExists(path)) return true;
  platform::ProfileFile config = platform::ProfileFile::Open(path);
  const auto write = [&config](const char* section, const std::string& key,
                               const std::string& value) {
    return config.WriteString(section, key, value) == platform::Result::kOk;
  };
  // The parser plug-ins, in the order they are offered a file: the key in [Files] and the
  // library beside the program.
  const std::string suffix = platform::kLibrarySuffix;
  const struct {
    const char* key;
    std::string library;
  } parsers[] = {
      {"Word", plugin_dir + "Dovrin" + suffix},       {"MP3", plugin_dir + "Mellic" + suffix},
      {"Text", plugin_dir + "Tavrel" + suffix},       {"WebPages", plugin_dir + "Ostrin" + suffix},
      {"RichText", plugin_dir + "Rivand" + suffix},   {"Office", plugin_dir + "Quillet" + suffix},
      {"OpenDocument", plugin_dir + "Odrane" + suffix}, {"PDF", plugin_dir + "Pelkan" + suffix},
  };
  for (const auto& parser : parsers) {
    if (!write("Files", parser.key, parser.library)) return false;
  }
  if (!write("Storages", kDefaultStorageType, plugin_dir + "Ferrow" + suffix)) return false;
  int number = 0;
  for (const auto& parser : parsers) {
    if (!write(kDefaultStorageType, std::to_string(++number), parser.key)) return false;
  }
  return write(kOptionsSection, kIndexEncodingKey, EncodingName(TextEncoding::kUtf8));
}

TextEncoding ConfiguredEncoding(platform::FileSystem* fs, const std::string& work_dir) {
  const std::string value =
      fs->ReadProfileString(work_dir + kConfigFileName, kOptionsSection, kIndexEncodingKey, "");
  return EncodingByName(value).value_or(TextEncoding::kWindows1252);
}

}  // namespace oru
