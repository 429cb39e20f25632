// The work folder of an in-process pass: its runtime folder, its storages folder, and an
// "ORU.ini" naming the folder plug-in and the plain-text parser.
#ifndef ORU_TESTS_SUPPORT_TEXT_CONFIG_H_
#define ORU_TESTS_SUPPORT_TEXT_CONFIG_H_

#include <filesystem>
#include <memory>
#include <string>

#include "indexer/engine/indexer.h"
#include "platform/dynlib.h"
#include "platform/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace oru::testing {

// Points XDG_RUNTIME_DIR at `runtime`, creates `work` + "Storages" and writes `work` +
// "ORU.ini" with the plug-ins built in `bin` (ending in the separator) for the storage type
// "Folders", followed by `more`.
inline void PrepareTextWork(const std::string& work, const std::string& runtime,
                            const std::string& bin, const std::string& more = "") {
  platform::SetEnv("XDG_RUNTIME_DIR", runtime.c_str());
  std::filesystem::create_directories(work + "Storages");
  const std::string suffix = platform::kLibrarySuffix;
  WriteFile(work + "ORU.ini", "[Files]\nText=" + bin + "TextParser" + suffix +
                                  "\n[Storages]\nFolders=" + bin + "Ferrow" + suffix +
                                  "\n[Folders]\n1=Text\n" + more);
}

// The settings of one pass of the job file `job` in `work`, without stop words.
inline PassSettings PassSettingsFor(const std::string& work, const std::string& job) {
  PassSettings settings;
  settings.work_dir = work;
  settings.storages_dir = work + "Storages" + kSep;
  settings.job_file = job;
  settings.stop_words = StopList();
  return settings;
}

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_TEXT_CONFIG_H_
