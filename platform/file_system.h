// The seam through which the engine reaches the files of an index and its records: creating,
// writing, syncing, renaming, deleting and reading them, making the index's folder, taking the
// locks, and reading and writing the records of "storages.ini". The program uses the real file
// system; tests put in one held in memory, or one that fails a chosen call, to check that no
// failure ever costs the last complete index.
#ifndef ORU_PLATFORM_FILE_SYSTEM_H_
#define ORU_PLATFORM_FILE_SYSTEM_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace oru::platform {

// A file being written through the seam, from its start. Closed when destroyed.
class WriteFile {
 public:
  virtual ~WriteFile() = default;
  // Appends `n` bytes.
  virtual Status Write(const void* data, size_t n) = 0;
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
  // Creates the folder `path` when it is missing (success when it is there).
  virtual Status MakeFolder(const std::string& path) = 0;
  // As FolderLock::Acquire (never waits; kExists while another holds it) and FileLock::Acquire
  // (waits for other holders).
  virtual Status LockFolder(const std::string& folder, std::unique_ptr<HeldLock>* out) = 0;
  virtual Status LockFile(const std::string& path, std::unique_ptr<HeldLock>* out) = 0;
  // As ProfileFile's GetString, WriteString and DeleteKey on the profile file `path`.
  virtual std::string ReadProfileString(const std::string& path, std::string_view section,
                                        std::string_view key, std::string_view default_value) = 0;
  virtual Status WriteProfileString(const std::string& path, std::string_view section,
                                    std::string_view key, std::string_view value) = 0;
  virtual Status DeleteProfileKey(const std::string& path, std::string_view section,
                                  std::string_view key) = 0;
};

// The platform's files. Lives as long as the program.
FileSystem* RealFileSystem();

}  // namespace oru::platform

#endif  // ORU_PLATFORM_FILE_SYSTEM_H_
