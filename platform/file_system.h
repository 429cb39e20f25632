// The seam through which the engine changes files: creating, writing, syncing, renaming and
// deleting them. The program uses the real file system; tests put in one that fails a chosen
// call, to check that no failure ever costs the last complete index.
#ifndef ORU_PLATFORM_FILE_SYSTEM_H_
#define ORU_PLATFORM_FILE_SYSTEM_H_

#include <cstddef>
#include <string>

#include "platform/files.h"
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
};

// The platform's files, as the calls of files.h reach them. Lives as long as the program.
FileSystem* RealFileSystem();

}  // namespace oru::platform

#endif  // ORU_PLATFORM_FILE_SYSTEM_H_
