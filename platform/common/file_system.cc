#include "platform/file_system.h"

#include <cstdint>

#include "platform/ini.h"

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
  Status ReadWhole(const std::string& path, std::string* out) override {
    // One read into memory the caller keeps from one file to the next (index parts are read
    // one after the other, and fresh memory for each would cost a page fault per page); a file
    // whose size changes meanwhile is read to its end instead.
    File file;
    const Result opened = File::Open(path, OpenMode::kReadExisting, &file);
    if (opened != Result::kOk) return Status(opened, "read", path, ResultName(opened));
    const int64_t size = file.Size();
    if (size >= 0 && static_cast<uint64_t>(size) < SIZE_MAX / 2) {
      out->resize(static_cast<size_t>(size));
      char extra = 0;
      size_t got = 0;
      if (file.ReadExact(out->data(), out->size()) == Result::kOk &&
          file.Read(&extra, 1, &got) == Result::kOk && got == 0) {
        return Status();
      }
    }
    return ReadWholeFile(path, out);
  }
  Status MakeFolder(const std::string& path) override {
    const Status created = CreateFolder(path);
    return created.ok() || !FolderExists(path) ? created : Status();
  }
  Status LockFolder(const std::string& folder, FolderLock* out) override {
    const Result locked = FolderLock::Acquire(folder, out);
    if (locked == Result::kOk) return Status();
    return Status(locked, "lock", folder,
                  locked == Result::kExists ? "another run is working on this index"
                                            : ResultName(locked));
  }
  Status LockFile(const std::string& path, FileLock* out) override {
    return FileLock::Acquire(path, out);
  }
  Status WriteProfileString(const std::string& path, std::string_view section,
                            std::string_view key, std::string_view value) override {
    return ProfileFile::Open(path).WriteString(section, key, value);
  }
  Status DeleteProfileKey(const std::string& path, std::string_view section,
                          std::string_view key) override {
    return ProfileFile::Open(path).DeleteKey(section, key);
  }
};

}  // namespace

FileSystem* RealFileSystem() {
  static PlatformFileSystem real;
  return &real;
}

}  // namespace oru::platform
