// The job file: the index to build ("Header": "Name", "Updating") and the storage section
// with the folders to walk ("Dir0", "Dir1", ...).
#ifndef ORU_INDEXER_ENGINE_JOB_H_
#define ORU_INDEXER_ENGINE_JOB_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/ini.h"
#include "platform/status.h"

namespace oru {

// True when a section name is the job's header: "HEADER" after trimming and upper-casing.
bool IsHeaderSection(std::string_view section);

// True when `name` can name an index folder directly below the storages folder and be read back
// as a profile key and a group's section: not empty, not "0", "." or "..", no surrounding
// blanks, no path separator of any platform ("/" or "\\"), no drive letter, no "=" or "]", no
// control character (NUL included), and not starting with "[" or ";". Tamsel and every command
// of oru apply this one rule.
bool IsValidIndexName(std::string_view name);

// Why `path` cannot be read as a job file: "no such file", "it is a folder", or "it is not a
// regular file (a FIFO, socket or device)"; empty when it is a regular file.
std::string JobFileProblem(const std::string& path);

// The folders of a storage section: "Dir0", "Dir1", ... up to the first that is missing, "0",
// or empty or blank, each ending in the separator. Of an open job file, or of the job file at
// `path` read through `fs`.
std::vector<std::string> ReadStorageFolders(const platform::ProfileFile& job,
                                            const std::string& section);
std::vector<std::string> ReadStorageFolders(platform::FileSystem* fs, const std::string& path,
                                            const std::string& section);

// What a job file asks for.
struct Job {
  std::string name;      // the index's
  bool updating = false;  // "Updating" = "1": the index is updated, not made anew
  // The first storage section (only it is indexed), and its folders, each ending in the
  // separator and absolute; empty when the job names no storage section.
  std::string storage;
  std::vector<std::string> folders;
};

// Reads the job file at `path` through `fs`, taking relative folders below the current folder.
// kRunOk, or kRunNoJobFile (no such file) or kRunBadJob (no section, which a file that cannot
// be read has none of, or an index name that is missing or not allowed) with `*why` saying why.
uint8_t ReadJob(platform::FileSystem* fs, const std::string& path, Job* job, platform::Status* why);

// The text of a job file that ReadJob reads back as `job` (its folders as given).
std::string JobText(const Job& job);

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_JOB_H_
