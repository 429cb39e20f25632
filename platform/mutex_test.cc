#include "platform/mutex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <type_traits>

#include "platform/scoped_env.h"
#include "platform/test_folder.h"

#ifdef _WIN32
#include <cstdlib>

#include "platform/folders.h"
#include "platform/win32/win_api.h"
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace oru::platform {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char kChildVariable[] = "ORU_LOCK_CHILD";

// When this program runs as the child of AcquireInChild, it takes the lock named in the
// environment ("m" or "f", then the mutex name or the folder) and exits with the result before
// any test starts. The lock is never released: the child's end must release it.
template <typename Lock>
[[noreturn]] void AcquireAndExit(const std::string& name) {
  static Lock lock;
  ExitProcess(static_cast<UINT>(Result{Lock::Acquire(name, &lock)}));
}

[[maybe_unused]] const bool kRanAsChild = [] {
  // "m" or "f" (which lock), then the name.
  const char* request = std::getenv(kChildVariable);
  if (request == nullptr || request[0] == '\0') return false;
  if (request[0] == 'm') AcquireAndExit<InstanceMutex>(request + 1);
  AcquireAndExit<FolderLock>(request + 1);
}();

// Tries `Lock::Acquire(name)` in another run of this program; the result is its exit code.
template <typename Lock>
Result AcquireInChild(const std::string& name) {
  const std::string request = (std::is_same_v<Lock, InstanceMutex> ? "m" : "f") + name;
  ScopedEnv child(kChildVariable, request.c_str());
  std::string command = "\"" + ProgramPath() + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return Result::kFailed;
  }
  DWORD code = static_cast<DWORD>(Result::kFailed);
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.hProcess, &code)) {
    code = static_cast<DWORD>(Result::kFailed);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<Result>(code);
}
#else
// Tries `Lock::Acquire(name)` in a child process; the result comes back as its exit code.
template <typename Lock>
Result AcquireInChild(const std::string& name) {
  pid_t pid = fork();
  if (pid == 0) {
    static Lock lock;  // never released: the child's end must release it
    _exit(static_cast<int>(Result{Lock::Acquire(name, &lock)}));
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return Result::kFailed;
  return static_cast<Result>(WEXITSTATUS(status));
}
#endif

class InstanceMutexTest : public ::testing::Test {
 protected:
  TestFolder temp_;
  ScopedEnv runtime_{"XDG_RUNTIME_DIR", temp_.path().c_str()};
};

// On POSIX a lock file in the runtime folder; on Windows the named mutex of CreateMutexA.
TEST_F(InstanceMutexTest, SecondHolderGetsExistsUntilTheFirstLetsGo) {
  InstanceMutex first, second, other;
  ASSERT_EQ(InstanceMutex::Acquire("tamsel", &first), Result::kOk);
#ifndef _WIN32
  EXPECT_TRUE(fs::exists(temp_.Path("tamsel.lock")));
#endif
  EXPECT_EQ(InstanceMutex::Acquire("tamsel", &second), Result::kExists);
  EXPECT_FALSE(second.held());
  EXPECT_EQ(AcquireInChild<InstanceMutex>("tamsel"), Result::kExists);
  EXPECT_EQ(InstanceMutex::Acquire("tamsel-copy", &other), Result::kOk);  // another name

  InstanceMutex moved(std::move(first));
  EXPECT_FALSE(first.held());
  EXPECT_EQ(InstanceMutex::Acquire("tamsel", &second), Result::kExists);
  moved.Release();
  EXPECT_EQ(AcquireInChild<InstanceMutex>("tamsel"), Result::kOk);
  EXPECT_EQ(InstanceMutex::Acquire("tamsel", &second), Result::kOk);
}

TEST_F(InstanceMutexTest, RefusesNamesWithSeparators) {
  InstanceMutex refused;
  EXPECT_EQ(InstanceMutex::Acquire("", &refused), Result::kFailed);
  EXPECT_EQ(InstanceMutex::Acquire("../tamsel", &refused), Result::kFailed);
#ifdef _WIN32
  EXPECT_EQ(InstanceMutex::Acquire("..\\tamsel", &refused), Result::kFailed);
#endif
  EXPECT_FALSE(refused.held());
}

#ifndef _WIN32
TEST_F(InstanceMutexTest, KeepsTheLockFileAndRefusesLinksAndBadNames) {
  temp_.Write("tamsel.lock", "kept");
  InstanceMutex mutex;
  ASSERT_EQ(InstanceMutex::Acquire("tamsel", &mutex), Result::kOk);
  std::string text;
  std::ifstream(temp_.Path("tamsel.lock")) >> text;
  EXPECT_EQ(text, "kept");

  ASSERT_EQ(symlink(temp_.Path("tamsel.lock").c_str(), temp_.Path("linked.lock").c_str()), 0);
  InstanceMutex refused;
  EXPECT_EQ(InstanceMutex::Acquire("linked", &refused), Result::kFailed);
  EXPECT_FALSE(refused.held());
}
#endif

TEST(FolderLockTest, SecondHolderGetsExistsUntilTheFirstLetsGo) {
  TestFolder temp;
  FolderLock first, second;
  ASSERT_EQ(FolderLock::Acquire(temp.path(), &first), Result::kOk);
  EXPECT_EQ(FolderLock::Acquire(temp.path() + "/", &second), Result::kExists);
  EXPECT_EQ(AcquireInChild<FolderLock>(temp.path()), Result::kExists);
  first.Release();
  EXPECT_EQ(AcquireInChild<FolderLock>(temp.path()), Result::kOk);
  EXPECT_EQ(FolderLock::Acquire(temp.path(), &second), Result::kOk);
}

TEST(FolderLockTest, TheLockedFolderCanStillBeListedAndIsLeftAsItWas) {
  TestFolder temp;
  temp.Write("Fileindex.fnd", "x");
  {
    FolderLock lock;
    ASSERT_EQ(FolderLock::Acquire(temp.path(), &lock), Result::kOk);
    std::error_code error;
    fs::directory_iterator listing(temp.path(), error);
    EXPECT_FALSE(error) << error.message();
  }
  // Nothing stays behind once the lock is gone.
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), {}), 1);
}

TEST(FolderLockTest, MissingFolderIsNotFound) {
  TestFolder temp;
  temp.Write("file", "x");
  FolderLock lock;
  EXPECT_EQ(FolderLock::Acquire(temp.Path("missing"), &lock), Result::kNotFound);
  EXPECT_EQ(FolderLock::Acquire(temp.Path("file"), &lock), Result::kNotFound);
  EXPECT_FALSE(lock.held());
}

}  // namespace
}  // namespace oru::platform
