// The storage plug-in contract: a library that walks a storage and hands out its files one at a
// time. Strings are NUL-terminated single-byte text in the system code page; bools are one byte.
#ifndef ORU_PLUGIN_API_STORAGE_PLUGIN_H_
#define ORU_PLUGIN_API_STORAGE_PLUGIN_H_

#include <cstdint>

namespace oru {

// Export names, bound by exactly these strings.
inline constexpr char kScanItExport[] = "_ScanIt";
inline constexpr char kGetNextFileExport[] = "_GetNextFile";
inline constexpr char kStopScanExport[] = "_StopScan";
inline constexpr char kAddNewStorageExport[] = "_AddNewStorage";

// Starts a walk below `root` (surrounding blanks ignored); a new walk replaces an old one.
// False for a null, empty or blank root, or a root that cannot be enumerated.
using ScanItFn = bool (*)(const char* root);
// The next file's full path, with its size (low 32 bits) and packed local time written through
// the pointers. An empty string (never null) at the end, and then nothing is written. The text
// belongs to the plug-in and stays valid until the next call.
using GetNextFileFn = const char* (*)(int32_t* size, int32_t* time);
// Ends the walk. Safe without one.
using StopScanFn = void (*)();
// Lets a person choose a folder; its path, or an empty string. The text belongs to the plug-in
// and stays valid until the next call.
using AddNewStorageFn = const char* (*)();

}  // namespace oru

#endif  // ORU_PLUGIN_API_STORAGE_PLUGIN_H_
