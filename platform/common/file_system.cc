#include "platform/file_system.h"

#include <cstdint>

#include "platform/files.h"
#include "platform/find.h"
#include "platform/ini.h"
#include "platform/mutex.h"

namespace oru::platform {

namespace {

class PlatformWriteFile final : public WriteFile {
 public:
  explicit PlatformWriteFile(File file) : file_(std::move(file)) {}
  Status Write(const void* data, size_t n) override { return file_.Write(data, n); }
  Status Seek(int64_t offset) override { return file_.Seek(offset); }
  void StartWriteback() override { file_.StartWriteback(); }
  Status Close() override { return file_.Close(); }

 private:
  File file_;
};

template <typename Lock>
class PlatformLock final : public HeldLock {
 public:
  Lock lock;
};

class PlatformFileSystem final : public FileSystem {
 public:
  Status Create(const std::string& path, std::unique_ptr<WriteFile>* out) override {
    File file;
    const Status opened = File::Open(path, OpenMode::kCreate, &file);
    if (opened.ok()) *out = std::make_unique<PlatformWriteFile>(std::move(file));
    return opened;
  }
  Status SyncFile(const std::string& path) override {
    File file;
    const Status opened = File::Open(path, OpenMode::kReadWriteExisting, &file);
    return opened.ok() ? file.Sync() : opened;
  }
  Status Rename(const std::string& from, const std::string& to) override {
    return RenameFile(from, to);
  }
  Status Delete(const std::string& path) override { return DeleteFile(path); }
  Status ListFolder(const std::string& folder, std::vector<std::string>* names) override {
    names->clear();
    FolderSearch search;
    FindEntry entry;
    const Result started = search.Start(folder, &entry);
    if (started != Result::kOk) {
      return Status(started, "list", folder,
                    started == Result::kNotFound ? "no such folder" : "the folder cannot be read");
    }
    do {
      if (entry.name != "." && entry.name != "..") names->push_back(entry.name);
    } while (search.Next(&entry));
    return Status();
  }
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
  Status LockFolder(const std::string& folder, std::unique_ptr<HeldLock>* out) override {
    auto held = std::make_unique<PlatformLock<FolderLock>>();
    const Result locked = FolderLock::Acquire(folder, &held->lock);
    if (locked != Result::kOk) {
      return Status(locked, "lock", folder,
                    locked == Result::kExists ? "another run is working on this index"
                                              : ResultName(locked));
    }
    *out = std::move(held);
    return Status();
  }
  Status LockFile(const std::string& path, std::unique_ptr<HeldLock>* out) override {
    auto held = std::make_unique<PlatformLock<FileLock>>();
    const Status locked = FileLock::Acquire(path, &held->lock);
    if (locked.ok()) *out = std::move(held);
    return locked;
  }
  std::string ReadProfileString(const std::string& path, std::string_view section,
                                std::string_view key, std::string_view default_value) override {
    return ProfileFile::Open(path).GetString(section, key, default_value);
  }
  std::vector<std::string> ReadProfileSections(const std::string& path) override {
    return ProfileFile::Open(path).SectionNames();
  }
  std::vector<std::string> ReadProfileKeys(const std::string& path,
                                           std::string_view section) override {
    return ProfileFile::Open(path).KeyNames(section);
  }
  Status ChangeProfile(const std::string& path,
                       const std::vector<ProfileChange>& changes) override {
    return ProfileFile::Open(path).Change(changes);
  }
};

}  // namespace

FileSystem* RealFileSystem() {
  static PlatformFileSystem real;
  return &real;
}

}  // namespace oru::platform
