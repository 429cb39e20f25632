// A storage plug-in for the search window's tests: it walks folders with the real folder plug-in
// (the library ORU_TEST_FERROW names, loaded at the first call), and its folder dialog answers
// at once with the folder ORU_TEST_NEW_STORAGE names, as a person choosing it would.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/dynlib.h"
#include "plugin-api/plugin_export.h"
#include "plugin-api/storage_plugin.h"

namespace {

struct Ferrow {
  oru::platform::Library library;
  oru::ScanItFn scan = nullptr;
  oru::GetNextFileFn next = nullptr;
  oru::StopScanFn stop = nullptr;
};

const Ferrow& Real() {
  static const Ferrow* real = [] {
    auto* loaded = new Ferrow;
    const char* path = std::getenv("ORU_TEST_FERROW");
    loaded->library = oru::platform::Library(oru::platform::LoadLibrary(path ? path : ""));
    loaded->scan = loaded->library.Find<oru::ScanItFn>(oru::kScanItExport);
    loaded->next = loaded->library.Find<oru::GetNextFileFn>(oru::kGetNextFileExport);
    loaded->stop = loaded->library.Find<oru::StopScanFn>(oru::kStopScanExport);
    return loaded;
  }();
  return *real;
}

std::string g_chosen;

}  // namespace

ORU_PLUGIN_EXPORT bool _ScanIt(const char* root) {
  return Real().scan != nullptr && Real().scan(root);
}

ORU_PLUGIN_EXPORT const char* _GetNextFile(int32_t* size, int32_t* time) {
  return Real().next != nullptr ? Real().next(size, time) : "";
}

ORU_PLUGIN_EXPORT void _StopScan() {
  if (Real().stop != nullptr) Real().stop();
}

ORU_PLUGIN_EXPORT const char* _AddNewStorage() {
  const char* chosen = std::getenv("ORU_TEST_NEW_STORAGE");
  g_chosen = chosen != nullptr ? chosen : "";
  return g_chosen.c_str();
}
