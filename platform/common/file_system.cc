#include "platform/file_system.h"

namespace oru::platform {

namespace {

class PlatformFileSystem final : public FileSystem {
 public:
  Status Open(const std::string& path, OpenMode mode, File* out) override {
    return File::Open(path, mode, out);
  }
  Status Write(File* file, const void* data, size_t n) override { return file->Write(data, n); }
  Status Sync(File* file) override { return file->Sync(); }
  Status Rename(const std::string& from, const std::string& to) override {
    return RenameFile(from, to);
  }
  Status Delete(const std::string& path) override { return DeleteFile(path); }
  Status SyncFolder(const std::string& folder) override {
    return platform::SyncFolder(folder);
  }
};

}  // namespace

FileSystem* RealFileSystem() {
  static PlatformFileSystem real;
  return &real;
}

}  // namespace oru::platform
