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
  const struct {
    const char* section;
    const char* key;
    std::string value;
  } lines[] = {
      {"Files", "Word", plugin_dir + "Dovrin" + platform::kLibrarySuffix},
      {"Files", "MP3", plugin_dir + "Mellic" + platform::kLibrarySuffix},
      {"Storages", kDefaultStorageType, plugin_dir + "Ferrow" + platform::kLibrarySuffix},
      {kDefaultStorageType, "1", "Word"},
      {kDefaultStorageType, "2", "MP3"},
  };
  for (const auto& line : lines) {
    if (config.WriteString(line.section, line.key, line.value) != platform::Result::kOk) {
      return false;
    }
  }
  return true;
}

}  // namespace oru
