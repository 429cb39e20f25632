// oru watch over real trees: the watcher runs in the background while the test changes files,
// and oru search tells what the index holds.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/sandbox.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

class OruWatchTest : public testing::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    WriteConfig();
    WriteFile(corpus_ + "a.txt", "harbour engines");
    WriteFile(corpus_ + "sub/b.txt", "tides and notes");
    const auto indexed = Oru({"index", corpus_, "--name", "t"});
    ASSERT_EQ(indexed.exit_status, 0) << indexed.err;
  }

  testing::ProcessResult Oru(const std::vector<std::string>& args) {
    std::vector<std::string> argv{bin_ + "oru"};
    argv.insert(argv.end(), args.begin(), args.end());
    return testing::RunProcess(argv, env_);
  }

  void StartWatcher(const std::vector<std::string>& options) {
    std::vector<std::string> argv{bin_ + "oru", "watch", "--name", "t"};
    argv.insert(argv.end(), options.begin(), options.end());
    ASSERT_TRUE(watcher_.Start(argv, env_, log_));
    // The first update, for what changed while no watcher ran.
    ASSERT_TRUE(WaitForUpdates(1));
  }

  // The updates the watcher has finished.
  int Updates() const {
    const std::string log = ReadFile(log_);
    int n = 0;
    for (size_t at = log.find("index written"); at != std::string::npos;
         at = log.find("index written", at + 1)) {
      ++n;
    }
    return n;
  }
  bool WaitForUpdates(int n) const {
    for (int tries = 0; tries < 300 && Updates() < n; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return Updates() >= n;
  }
  // Waits until `word` is found (or, with `found` false, no longer listed even as gone).
  bool WaitForSearch(const std::string& word, bool found) {
    for (int tries = 0; tries < 150; ++tries) {
      const auto result = Oru({"search", "--name", "t", "--all", word});
      if ((result.exit_status == 0) == found) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  const std::string log_ = dir_ / "watch.log";
  testing::BackgroundProcess watcher_;
};

TEST_F(OruWatchTest, WrittenCreatedAndDeletedFilesReachTheIndex) {
  StartWatcher({"--quiet", "0.3"});
  WriteFile(corpus_ + "sub/c.txt", "lighthouse keeper");
  EXPECT_TRUE(WaitForSearch("lighthouse", true)) << ReadFile(log_);
  // A folder made and filled while the watcher runs.
  WriteFile(corpus_ + "new/deep/d.txt", "quayside cranes");
  EXPECT_TRUE(WaitForSearch("quayside", true)) << ReadFile(log_);
  fs::remove(corpus_ + "a.txt");
  EXPECT_TRUE(WaitForSearch("engines", false)) << ReadFile(log_);
  // The index's own folder is left out: the updates above caused no more of them.
  int updates = -1;
  while (updates != Updates()) {  // the last update's report is written after its index
    updates = Updates();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_EQ(Updates(), updates) << ReadFile(log_);
  const auto status = Oru({"status"});
  EXPECT_NE(status.out.find("watcher: running since"), std::string::npos) << status.out;
  EXPECT_NE(status.out.find("t last updated by the watcher at"), std::string::npos) << status.out;
  // A second watcher is refused while this one runs.
  EXPECT_EQ(Oru({"watch", "--name", "t"}).exit_status, 2);
  watcher_.Terminate();
  EXPECT_EQ(watcher_.Wait(20), 0) << ReadFile(log_);
  EXPECT_NE(Oru({"status"}).out.find("watcher: not running"), std::string::npos);
}

TEST_F(OruWatchTest, ABurstOfChangesGivesAtMostTwoUpdates) {
  StartWatcher({"--quiet", "2"});
  for (int i = 0; i < 5000; ++i) {
    WriteFile(corpus_ + "burst/f" + std::to_string(i % 50) + "/" + std::to_string(i) + ".txt",
              "burst word" + std::to_string(i));
  }
  EXPECT_TRUE(WaitForSearch("word4999", true)) << ReadFile(log_);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_LE(Updates(), 3) << ReadFile(log_);
  EXPECT_EQ(Oru({"search", "--name", "t", "--count", "burst"}).out, "5000\n");
}

TEST_F(OruWatchTest, FoldersLeftUnwatchedGiveWholeUpdatesAndAreSaidOnce) {
  // One folder watched: "sub" and what appears below it are not.
  StartWatcher({"--quiet", "0.2", "--period", "0.5", "--folder-limit", "1"});
  WriteFile(corpus_ + "sub/late.txt", "unwatched arrival");
  EXPECT_TRUE(WaitForSearch("arrival", true)) << ReadFile(log_);
  const std::string log = ReadFile(log_);
  const std::string said = "changes of t may have gone unreported";
  ASSERT_NE(log.find(said), std::string::npos) << log;
  EXPECT_EQ(log.find(said, log.find(said) + 1), std::string::npos) << log;
  EXPECT_NE(log.find("limit of watched folders (1)"), std::string::npos) << log;
}

// Without a systemd user manager (none listens in the test's runtime folder) the watcher starts
// from the desktop's autostart entry.
TEST_F(OruWatchTest, InstallWritesAnAutostartEntryAndUninstallRemovesIt) {
  env_.push_back("XDG_CONFIG_HOME=" + (dir_ / "config"));
  const std::string entry = dir_ / "config/autostart/oru-watch.desktop";
  EXPECT_EQ(Oru({"watch", "--name", "nothing", "--install"}).exit_status, 2);
  EXPECT_FALSE(fs::exists(entry));
  const auto installed = Oru({"watch", "--name", "t", "--quiet", "2", "--install"});
  ASSERT_EQ(installed.exit_status, 0) << installed.err;
  EXPECT_NE(installed.out.find(entry), std::string::npos) << installed.out;
  EXPECT_NE(ReadFile(entry).find("\nExec=\"" + bin_ +
                                 "oru\" \"watch\" \"--name\" \"t\" "
                                 "\"--quiet\" \"2\"\n"),
            std::string::npos)
      << ReadFile(entry);
  EXPECT_EQ(Oru({"watch", "--uninstall"}).exit_status, 0);
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_EQ(Oru({"watch", "--uninstall"}).out, "no watcher was installed\n");
}

}  // namespace
}  // namespace oru
