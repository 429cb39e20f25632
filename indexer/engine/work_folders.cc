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
  for (const DefaultParser& parser : kDefaultParsers) {
    if (!write("Files", parser.key, plugin_dir + parser.library + platform::kLibrarySuffix)) {
      return false;
    }
  }
  if (!write("Storages", kDefaultStorageType, plugin_dir + "Ferrow" + platform::kLibrarySuffix)) {
    return false;
  }
  int number = 0;
  for (const DefaultParser& parser : kDefaultParsers) {
    if (!write(kDefaultStorageType, std::to_string(++number), parser.key)) return false;
  }
  return true;
}

}  // namespace oru
