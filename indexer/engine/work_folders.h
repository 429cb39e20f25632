// Where the indexer keeps its state: the per-user work folder (application data, then
// "Pellimar", then "ORU") with "ORU.ini", "storages.ini" and the "Storages" folder of indexes.
#ifndef ORU_INDEXER_ENGINE_WORK_FOLDERS_H_
#define ORU_INDEXER_ENGINE_WORK_FOLDERS_H_

#include <string>

#include "indexer/engine/word_forms.h"
#include "platform/file_system.h"

namespace oru {

inline constexpr char kVendorFolder[] = "Pellimar";
inline constexpr char kProductFolder[] = "ORU";
inline constexpr char kStoragesFolder[] = "Storages";
inline constexpr char kConfigFileName[] = "ORU.ini";
inline constexpr char kStatusFileName[] = "storages.ini";

// [Options] IndexEncoding of "ORU.ini": the encoding of the words and paths of an index made
// anew ("UTF-8" or "Windows-1252"). A configuration without it makes Windows-1252 indexes, as
// every configuration did before UTF-8 indexes; the default configuration names UTF-8.
inline constexpr char kOptionsSection[] = "Options";
inline constexpr char kIndexEncodingKey[] = "IndexEncoding";
TextEncoding ConfiguredEncoding(platform::FileSystem* fs, const std::string& work_dir);

// The folder the work folders are made in: the per-user application-data folder, or the
// program's folder when the platform names none. Ends in the separator; empty when neither is
// known.
std::string WorkBaseFolder();

// The storage type the default configuration names, and so the job files' storage section.
inline constexpr char kDefaultStorageType[] = "Folders";

// Writes the default "ORU.ini" at `path` when no file is there: the folder plug-in as storage
// type kDefaultStorageType and every parser plug-in of the product (Word, MP3, plain text, web
// pages, Rich Text, Office Open XML, OpenDocument, PDF) in that order, each named by its
// absolute path in `plugin_dir` (ending in the separator), and UTF-8 indexes. False when the file cannot be
// written.
bool WriteDefaultConfig(const std::string& path, const std::string& plugin_dir);

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_WORK_FOLDERS_H_
