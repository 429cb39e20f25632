// The work folder as the tool sees it: where the indexes, the job files it writes and the
// status file live, and what the status file says of an index.
#ifndef ORU_TOOLS_ORU_WORK_H_
#define ORU_TOOLS_ORU_WORK_H_

#include <string>
#include <vector>

#include "platform/ini.h"

namespace oru::tool {

// The index name the commands use when none is given.
inline constexpr char kDefaultIndexName[] = "default";

// The work folder ("<application data>/Pellimar/ORU/"), ending in the separator; empty when
// the platform names no place for it.
std::string WorkFolder();

// Creates the work folder and its "Storages" folder when missing, and writes the default
// "ORU.ini" (plug-ins beside this program) when there is none; `work` receives the folder and
// `config_written` whether the configuration was written now. False with a one-line reason in
// `error`.
bool PrepareWorkFolder(std::string* work, bool* config_written, std::string* error);

// The folder of the index `name`, ending in the separator.
std::string IndexFolder(const std::string& work, const std::string& name);
// The job file the tool writes for the index `name`: "<work>/<name>.job.ini".
std::string JobFilePath(const std::string& work, const std::string& name);
// The folders and files of the index's job file, without their trailing separators (none
// when it has no job file).
std::vector<std::string> JobFolders(const std::string& work, const std::string& name);
// The folders the index or group `name` was asked to index: a group's, or its job file's.
std::vector<std::string> FoldersOf(const std::string& work, const std::string& name);
// The storage type of the index's job file (its first section that is not the header), or the
// default storage type when there is no job file.
std::string StorageTypeOf(const std::string& work, const std::string& name);
// The same of a job file already open.
std::string StorageTypeOf(const platform::ProfileFile& job);

// Writes `text` to `path` whole: into "<path>.new", synced, then renamed over `path`, so that a
// reader never sees half of it. Callers hold a lock that keeps other writers of `path` away.
// False with a one-line reason in `error`.
bool WriteFileWhole(const std::string& path, const std::string& text, std::string* error);

// What "storages.ini" records of an index: complete ("1"), incomplete ("0"), or nothing.
enum class IndexState { kComplete, kIncomplete, kUnknown };
IndexState ReadIndexState(const std::string& work, const std::string& name);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_WORK_H_
