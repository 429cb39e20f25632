// The seam through which the engine reaches every file of a pass: the job file, "ORU.ini"'s
// options, the index's files and its records in "storages.ini", the parse note and the list of
// unread files beside the index, and the stop list: creating, writing, syncing, renaming,
// deleting and reading them, making the index's folder, taking the locks, and reading and
// writing profile files. The program uses the real file system; tests put in one held in
// memory, or one that fails a chosen call, to check that no failure ever costs the last
// complete index. (The plug-ins are loaded from the disk by the plug-in registry.)
#ifndef ORU_PLATFORM_FILE_SYSTEM_H_
#define ORU_PLATFORM_FILE_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini.h"
#include "platform/status.h"

namespace oru::platform {

// A file being written through the seam, from its start. Closed when destroyed.
class WriteFile {
 public:
  virtual ~WriteFile() = default;
  // Writes `n` bytes where the last write ended (at the start after Create or Seek).
  virtual Status Write(const void* data, size_t n) = 0;
  // Makes the next write start `offset` bytes from the file's start: a small file kept open
  // and written over in place (the parse note) costs one write instead of a new file.
  virtual Status Seek(int64_t offset) = 0;
  // Starts handing what was written to the device, without waiting: a new index file, synced
  // with the others before it is put in place.
  virtual void StartWriteback() = 0;
  virtual Status Close() = 0;
};

// A lock taken through the seam; destroying it lets go.
class HeldLock {
 public:
  virtual ~HeldLock() = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Creates (or truncates) the file at `path` for writing.
  virtual Status Create(const std::string& path, std::unique_ptr<WriteFile>* out) = 0;
  // Makes what was written to the file at `path` reach the device.
  virtual Status SyncFile(const std::string& path) = 0;
  // As RenameFile: `to` is replaced in one step.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  // As DeleteFile.
  virtual Status Delete(const std::string& path) = 0;
  // As SyncFolder: the names changed in `folder` are durable.
  virtual Status SyncFolder(const std::string& folder) = 0;
  // As ReadWholeFile: `out` receives the file's bytes (its capacity is reused); kNotFound for
  // a file that is not there.
  virtual Status ReadWhole(const std::string& path, std::string* out) = 0;
  // The names of the entries of `folder` (with or without its trailing separator), "." and
  // ".." left out, in no set order; kNotFound when there is no such folder.
  virtual Status ListFolder(const std::string& folder, std::vector<std::string>* names) = 0;
  // Creates the folder `path` when it is missing (success when it is there).
  virtual Status MakeFolder(const std::string& path) = 0;
  // As FolderLock::Acquire (never waits; kExists while another holds it) and FileLock::Acquire
  // (waits for other holders).
  virtual Status LockFolder(const std::string& folder, std::unique_ptr<HeldLock>* out) = 0;
  virtual Status LockFile(const std::string& path, std::unique_ptr<HeldLock>* out) = 0;
  // As ProfileFile's GetString, SectionNames, KeyNames and Change on the profile file `path`
  // (a missing file reads as an empty profile); WriteProfileString and DeleteProfileKey make
  // one change.
  virtual std::string ReadProfileString(const std::string& path, std::string_view section,
                                        std::string_view key, std::string_view default_value) = 0;
  virtual std::vector<std::string> ReadProfileSections(const std::string& path) = 0;
  virtual std::vector<std::string> ReadProfileKeys(const std::string& path,
                                                   std::string_view section) = 0;
  virtual Status ChangeProfile(const std::string& path,
                               const std::vector<ProfileChange>& changes) = 0;
  Status WriteProfileString(const std::string& path, std::string_view section,
                            std::string_view key, std::string_view value) {
    return ChangeProfile(path, {{std::string(section), std::string(key), std::string(value)}});
  }
  Status DeleteProfileKey(const std::string& path, std::string_view section,
                          std::string_view key) {
    return ChangeProfile(path, {{std::string(section), std::string(key), std::nullopt}});
  }
};

// The platform's files. Lives as long as the program.
FileSystem* RealFileSystem();

}  // namespace oru::platform

#endif  // ORU_PLATFORM_FILE_SYSTEM_H_
