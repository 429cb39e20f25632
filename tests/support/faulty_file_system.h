// A file system that fails one chosen call of another (the real one unless told otherwise): the
// Nth create (of a file or a folder), write, sync (folder syncs included), rename, whole read,
// lock or record written to a profile file ends with a chosen status; every other call reaches the
// file system below, except that syncs are counted and not passed on (the tests look at what
// the folder holds, not at what would survive a power loss, and hundreds of runs cannot wait
// for the disk). It counts the calls of each kind, so a test can first count a clean run and
// then fail each call in turn. Calls may come from two threads.
#ifndef ORU_TESTS_SUPPORT_FAULTY_FILE_SYSTEM_H_
#define ORU_TESTS_SUPPORT_FAULTY_FILE_SYSTEM_H_

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace oru::testing {

class FaultyFileSystem : public platform::FileSystem {
 public:
  enum Kind { kCreate, kWrite, kSync, kRename, kRead, kLock, kRecord, kKinds };

  explicit FaultyFileSystem(platform::FileSystem* below = platform::RealFileSystem())
      : below_(below) {}

  // Fails call number `n` (1-based) of `kind` with `result` and `reason`; 0 fails nothing.
  void FailNth(Kind kind, int n, platform::Result result, std::string reason) {
    fail_kind_ = kind;
    fail_at_ = n;
    fail_result_ = result;
    fail_reason_ = std::move(reason);
  }
  // The calls of `kind` made so far.
  int count(Kind kind) const { return counts_[kind]; }
  // True once the chosen call has failed; the path it named.
  bool failed() const { return failed_; }
  const std::string& failed_path() const { return failed_path_; }

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

  // Counts a call of `kind`; a failure status when it is the one to fail, else success.
  platform::Status Count(Kind kind, const char* operation, const std::string& path);

 private:
  platform::FileSystem* below_;
  std::mutex mutex_;  // over the counts and the failure
  std::array<int, kKinds> counts_{};
  Kind fail_kind_ = kCreate;
  int fail_at_ = 0;
  platform::Result fail_result_ = platform::Result::kFailed;
  std::string fail_reason_;
  bool failed_ = false;
  std::string failed_path_;
};

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_FAULTY_FILE_SYSTEM_H_
