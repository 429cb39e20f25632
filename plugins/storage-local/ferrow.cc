// Ferrow's exports: the storage plug-in contract over one module-global folder walk. Every
// export catches whatever is raised inside it; nothing crosses the library boundary.
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "plugin-api/plugin_export.h"
#include "plugin-api/storage_plugin.h"
#include "plugins/storage-local/choose_folder.h"
#include "plugins/storage-local/folder_walk.h"

namespace {

using oru::storage::kMaxPath;

oru::storage::FolderWalk g_walk;
// The texts handed out, each valid until the next call of its export: 260 bytes and a NUL.
char g_path_result[kMaxPath + 1];
char g_folder_result[kMaxPath + 1];
constexpr char kEmpty[] = "";

// Copies `text` into a result buffer; false (and the buffer empty) when it does not fit.
bool StoreResult(const std::string& text, char (&result)[kMaxPath + 1]) {
  std::memset(result, 0, sizeof(result));
  if (text.size() > kMaxPath) return false;
  std::memcpy(result, text.data(), text.size());
  return true;
}

}  // namespace

ORU_PLUGIN_EXPORT bool _ScanIt(const char* root) {
  try {
    g_walk.Stop();
    if (root == nullptr) return false;
    return g_walk.Start(root);
  } catch (...) {
    return false;
  }
}

ORU_PLUGIN_EXPORT const char* _GetNextFile(int32_t* size, int32_t* time) {
  try {
    oru::storage::FoundFile file;
    if (!g_walk.Next(&file) || !StoreResult(file.path, g_path_result)) return kEmpty;
    if (size != nullptr) *size = static_cast<int32_t>(file.size);
    if (time != nullptr) *time = static_cast<int32_t>(file.time);
    return g_path_result;
  } catch (...) {
    return kEmpty;
  }
}

ORU_PLUGIN_EXPORT void _StopScan() {
  try {
    g_walk.Stop();
  } catch (...) {
  }
}

ORU_PLUGIN_EXPORT const char* _AddNewStorage() {
  try {
    std::memset(g_folder_result, 0, sizeof(g_folder_result));
    // A path cut to 260 bytes would name another folder: hand out nothing instead.
    StoreResult(oru::storage::ChooseFolder(), g_folder_result);
  } catch (...) {
  }
  return g_folder_result;
}

// The exports must keep the contract's signatures.
static_assert(std::is_same_v<decltype(&_ScanIt), oru::ScanItFn>);
static_assert(std::is_same_v<decltype(&_GetNextFile), oru::GetNextFileFn>);
static_assert(std::is_same_v<decltype(&_StopScan), oru::StopScanFn>);
static_assert(std::is_same_v<decltype(&_AddNewStorage), oru::AddNewStorageFn>);
