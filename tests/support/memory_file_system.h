// A file system held in memory, for engine tests that need no folder on disk: files by path,
// folders, locks and profile files. A profile file is a file like any other, read and written
// as text: "[Section]" lines and "key=value" lines, names compared ignoring ASCII case, names
// and values without surrounding blanks; a write rewrites the file in that layout (the
// platform's own rules are ini.h's, tested there). It records every call that
// changes something, in order, as one line each ("create PATH", "rename A B", ...), so a test
// can see what a run did.
#ifndef ORU_TESTS_SUPPORT_MEMORY_FILE_SYSTEM_H_
#define ORU_TESTS_SUPPORT_MEMORY_FILE_SYSTEM_H_

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace oru::testing {

class MemoryFileSystem : public platform::FileSystem {
 public:
  platform::Status Create(const std::string& path,
                          std::unique_ptr<platform::WriteFile>* out) override;
  platform::Status SyncFile(const std::string& path) override;
  platform::Status Rename(const std::string& from, const std::string& to) override;
  platform::Status Delete(const std::string& path) override;
  platform::Status ListFolder(const std::string& folder,
                              std::vector<std::string>* names) override;
  platform::Status SyncFolder(const std::string& folder) override;
  platform::Status ReadWhole(const std::string& path, std::string* out) override;
  platform::Status MakeFolder(const std::string& path) override;
  platform::Status LockFolder(const std::string& folder,
                              std::unique_ptr<platform::HeldLock>* out) override;
  platform::Status LockFile(const std::string& path,
                            std::unique_ptr<platform::HeldLock>* out) override;
  std::string ReadProfileString(const std::string& path, std::string_view section,
                                std::string_view key, std::string_view default_value) override;
  std::vector<std::string> ReadProfileSections(const std::string& path) override;
  std::vector<std::string> ReadProfileKeys(const std::string& path,
                                           std::string_view section) override;
  platform::Status ChangeProfile(const std::string& path,
                                 const std::vector<platform::ProfileChange>& changes) override;

  // Puts `bytes` at `path` (not recorded: the test's own setting up); the bytes at `path`, or
  // "" when there is no file; whether there is one.
  void Put(const std::string& path, std::string bytes);
  std::string Get(const std::string& path) const;
  bool Has(const std::string& path) const;
  // The files whose path starts with `folder`, by the rest of their path.
  std::map<std::string, std::string> FilesIn(const std::string& folder) const;
  // Replaces the files below `folder` with `files` (by the rest of their path).
  void SetFilesIn(const std::string& folder, const std::map<std::string, std::string>& files);
  // What changed, one line per call, in order.
  std::vector<std::string> operations() const;

 private:
  friend class MemoryWriteFile;
  void Record(std::string line);
  // The bytes at `path`, or none; under mutex_.
  const std::string& TextOf(const std::string& path) const;

  mutable std::mutex mutex_;  // over everything below: a reload reads beside the walk
  std::map<std::string, std::string> files_;
  std::set<std::string> folders_;
  std::set<std::string> locked_;
  std::vector<std::string> operations_;
};

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_MEMORY_FILE_SYSTEM_H_
