// The seam through which the engine reaches the files of an index and its records: creating,
// writing, syncing, renaming, deleting and reading them, making the index's folder, taking the
// locks, and writing the records of "storages.ini". The program uses the real file system;
// tests put in one that fails a chosen call, to check that no failure ever costs the last
// complete index.
#ifndef ORU_PLATFORM_FILE_SYSTEM_H_
#define ORU_PLATFORM_FILE_SYSTEM_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/mutex.h"
#include "platform/status.h"

namespace oru::platform {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // As File::Open; opening in OpenMode::kCreate counts as a create.
  virtual Status Open(const std::string& path, OpenMode mode, File* out) = 0;
  // As file->Write.
  virtual Status Write(File* file, const void* data, size_t n) = 0;
  // As file->Sync: what was written reaches the device.
  virtual Status Sync(File* file) = 0;
  // As RenameFile: `to` is replaced in one step.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  // As DeleteFile.
  virtual Status Delete(const std::string& path) = 0;
  // As SyncFolder: the names changed in `folder` are durable.
  virtual Status SyncFolder(const std::string& folder) = 0;
  // As ReadWholeFile: `out` receives the file's bytes (its capacity is reused).
  virtual Status ReadWhole(const std::string& path, std::string* out) = 0;
  // Creates the folder `path` when it is missing (success when it is there).
  virtual Status MakeFolder(const std::string& path) = 0;
  // As FolderLock::Acquire and FileLock::Acquire.
  virtual Status LockFolder(const std::string& folder, FolderLock* out) = 0;
  virtual Status LockFile(const std::string& path, FileLock* out) = 0;
  // As ProfileFile::WriteString and ProfileFile::DeleteKey on the profile file `path`.
  virtual Status WriteProfileString(const std::string& path, std::string_view section,
                                    std::string_view key, std::string_view value) = 0;
  virtual Status DeleteProfileKey(const std::string& path, std::string_view section,
                                  std::string_view key) = 0;
};

// The platform's files, as the calls of files.h reach them. Lives as long as the program.
FileSystem* RealFileSystem();

}  // namespace oru::platform

#endif  // ORU_PLATFORM_FILE_SYSTEM_H_
