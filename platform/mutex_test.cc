#include "platform/mutex.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/scoped_env.h"
#include "platform/test_folder.h"

namespace oru::platform {
namespace {

// Tries `Lock::Acquire(name)` in a child process; the result comes back as its exit code.
template <typename Lock>
Result AcquireInChild(const std::string& name) {
  pid_t pid = fork();
  if (pid == 0) {
    static Lock lock;  // never released: the child's end must release it
    _exit(static_cast<int>(Lock::Acquire(name, &lock)));
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return Result::kFailed;
  return static_cast<Result>(WEXITSTATUS(status));
}

class InstanceMutexTest : public ::testing::Test {
 protected:
  TestFolder temp_;
  ScopedEnv runtime_{"XDG_RUNTIME_DIR", temp_.path().c_str()};
};

TEST_F(InstanceMutexTest, P6SecondHolderGetsExistsUntilTheFirstLetsGo) {
  InstanceMutex first, second, other;
  ASSERT_EQ(InstanceMutex::Acquire("tamsel", &first), Result::kOk);
  EXPECT_EQ(access(temp_.Path("tamsel.lock").c_str(), F_OK), 0);
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

TEST_F(InstanceMutexTest, P6KeepsTheLockFileAndRefusesLinksAndBadNames) {
  temp_.Write("tamsel.lock", "kept");
  InstanceMutex mutex;
  ASSERT_EQ(InstanceMutex::Acquire("tamsel", &mutex), Result::kOk);
  std::string text;
  std::ifstream(temp_.Path("tamsel.lock")) >> text;
  EXPECT_EQ(text, "kept");

  ASSERT_EQ(symlink(temp_.Path("tamsel.lock").c_str(), temp_.Path("linked.lock").c_str()), 0);
  InstanceMutex refused;
  EXPECT_EQ(InstanceMutex::Acquire("linked", &refused), Result::kFailed);
  EXPECT_EQ(InstanceMutex::Acquire("", &refused), Result::kFailed);
  EXPECT_EQ(InstanceMutex::Acquire("../tamsel", &refused), Result::kFailed);
  EXPECT_FALSE(refused.held());
}

TEST(FolderLockTest, F21SecondHolderGetsExistsUntilTheFirstLetsGo) {
  TestFolder temp;
  FolderLock first, second;
  ASSERT_EQ(FolderLock::Acquire(temp.path(), &first), Result::kOk);
  EXPECT_EQ(FolderLock::Acquire(temp.path() + "/", &second), Result::kExists);
  EXPECT_EQ(AcquireInChild<FolderLock>(temp.path()), Result::kExists);
  first.Release();
  EXPECT_EQ(AcquireInChild<FolderLock>(temp.path()), Result::kOk);
  EXPECT_EQ(FolderLock::Acquire(temp.path(), &second), Result::kOk);
}

TEST(FolderLockTest, F21MissingFolderIsNotFound) {
  TestFolder temp;
  temp.Write("file", "x");
  FolderLock lock;
  EXPECT_EQ(FolderLock::Acquire(temp.Path("missing"), &lock), Result::kNotFound);
  EXPECT_EQ(FolderLock::Acquire(temp.Path("file"), &lock), Result::kNotFound);
  EXPECT_FALSE(lock.held());
}

}  // namespace
}  // namespace oru::platform
