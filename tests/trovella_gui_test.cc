// The search window on a virtual X display, driven with xdotool as a user would: typing a query,
// moving to a hit and opening it (through a stand-in opener that records what it is given), and
// the window searching again when Tamsel says that an index was written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_display.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

const std::string kBin = std::string(ORU_BIN_DIR) + "/";

class TrovellaGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display_.Start()) GTEST_SKIP() << "Xvfb cannot start";
    work_ = dir_ / "data/Pellimar/ORU/";
    corpus_ = dir_ / "corpus/";
    WriteFile(work_ + "ORU.ini", "[Files]\nText=" + kBin + "TextParser.so\n[Storages]\nFolders=" +
                                     kBin + "Ferrow.so\n[Folders]\n1=Text\n");
    for (int i = 0; i < 40; ++i) {
      WriteFile(corpus_ + "log" + std::to_string(i) + ".txt",
                "Harbour log " + std::to_string(i) + ": engines hummed, tides turned.");
    }
    WriteFile(corpus_ + "notes/budget.txt", "The lighthouse budget for next year.");
    fs::create_directories(dir_ / "run");
    opener_ = dir_ / "opener.sh";
    WriteFile(opener_, "#!/bin/sh\necho \"$1\" >> '" + (dir_ / "opened.txt") + "'\n");
    fs::permissions(opener_, fs::perms::owner_all);
    const char* lsan = std::getenv("LSAN_OPTIONS");
    env_ = {"DISPLAY=" + display_.name(),
            "WAYLAND_DISPLAY=",
            "XDG_DATA_HOME=" + (dir_ / "data"),
            "XDG_RUNTIME_DIR=" + (dir_ / "run"),
            "NO_AT_BRIDGE=1",
            std::string("LSAN_OPTIONS=") + (lsan ? std::string(lsan) + ":" : "") +
                "suppressions=" + ORU_SOURCE_DIR + "/tests/lsan_gtk.supp"};
    ASSERT_EQ(Oru({"index", corpus_, "--name", "docs"}), 0);
  }

  // Runs oru without a display (Tamsel shows its progress on the terminal).
  int Oru(std::vector<std::string> args) {
    args.insert(args.begin(), kBin + "oru");
    std::vector<std::string> env = env_;
    env[0] = "DISPLAY=";
    return testing::RunProcess(args, env, nullptr, 60).exit_status;
  }
  std::string Xdo(std::vector<std::string> args) {
    args.insert(args.begin(), {"/usr/bin/env", "xdotool"});
    return testing::RunProcess(args, {"DISPLAY=" + display_.name()}, nullptr, 20).out;
  }
  std::string FindWindow(const std::string& title) {
    for (int i = 0; i < 200; ++i) {
      const std::string ids = Xdo({"search", "--onlyvisible", "--name", "^" + title + "$"});
      if (!ids.empty()) return ids.substr(0, ids.find('\n'));
      usleep(100000);
    }
    return "";
  }
  void Keys(const std::string& window, const std::vector<std::string>& keys) {
    std::vector<std::string> args{"key", "--window", window, "--delay", "50"};
    args.insert(args.end(), keys.begin(), keys.end());
    Xdo(args);
  }
  void Type(const std::string& window, const std::string& text) {
    Xdo({"type", "--window", window, "--delay", "20", text});
  }
  // The paths the stand-in opener was given, waiting up to 10 s for `count` of them.
  std::vector<std::string> Opened(size_t count) {
    return testing::WaitForLines(dir_ / "opened.txt", count);
  }

  testing::VirtualDisplay display_;
  testing::TempDir dir_;
  std::string work_;
  std::string corpus_;
  std::string opener_;
  std::vector<std::string> env_;
  testing::BackgroundProcess window_;
};

TEST_F(TrovellaGuiTest, TypeSeeAHitOpenItAndSearchAgainWhenTheIndexIsWritten) {
  ASSERT_TRUE(window_.Start({kBin + "Trovella", "--opener", opener_}, env_, dir_ / "window.log"));
  const std::string window = FindWindow("Trovella 1.2");
  ASSERT_NE(window, "") << ReadFile(dir_ / "window.log");
  Xdo({"windowfocus", "--sync", window});
  Type(window, "lighthouse");
  usleep(1000000);  // the pause after typing, then the search
  Keys(window, {"Down", "Return"});
  EXPECT_EQ(Opened(1), std::vector<std::string>{corpus_ + "notes/budget.txt"});

  // A query with no hit yet: once an update writes the index, the window searches again.
  Keys(window, {"ctrl+l", "Escape"});
  Type(window, "zephyrine");
  usleep(1000000);
  WriteFile(corpus_ + "new/arrival.txt", "The zephyrine arrived at dawn.");
  ASSERT_EQ(Oru({"index", corpus_, "--name", "docs", "--update"}), 0);
  usleep(1500000);
  Keys(window, {"F3", "Down", "Return"});
  EXPECT_EQ(Opened(2),
            (std::vector<std::string>{corpus_ + "notes/budget.txt", corpus_ + "new/arrival.txt"}));

  // Many hits, as the README shows them.
  Keys(window, {"Escape"});
  Type(window, "harbour engines");
  usleep(1500000);
  fs::create_directories("gui-screenshots");
  testing::RunProcess({"/usr/bin/env", "import", "-window", window, "gui-screenshots/trovella.png"},
                      {"DISPLAY=" + display_.name()}, nullptr, 20);
  ASSERT_TRUE(testing::RequestClose(display_.name(), window));
  EXPECT_EQ(window_.Wait(20), 0) << ReadFile(dir_ / "window.log");
}

// "Add folder…" asks the storage plug-in for a folder (here one whose dialog answers by itself),
// indexes it as a new index named after it, and searches it from then on.
TEST_F(TrovellaGuiTest, AddFolderIndexesTheChosenFolderAsANewIndex) {
  WriteFile(work_ + "ORU.ini", "[Files]\nText=" + kBin + "TextParser.so\n[Storages]\nFolders=" +
                                   kBin + "StandInStorage.so\n[Folders]\n1=Text\n");
  WriteFile(dir_ / "Added Notes/minutes.txt", "Minutes of the quayside committee.");
  env_.push_back("ORU_TEST_FERROW=" + kBin + "Ferrow.so");
  env_.push_back("ORU_TEST_NEW_STORAGE=" + (dir_ / "Added Notes"));
  ASSERT_TRUE(window_.Start({kBin + "Trovella", "--opener", opener_}, env_, dir_ / "window.log"));
  const std::string window = FindWindow("Trovella 1.2");
  ASSERT_NE(window, "") << ReadFile(dir_ / "window.log");
  Xdo({"mousemove", "--window", window, "747", "24", "click", "1"});  // "Add folder…"
  for (int i = 0; i < 200 && !fs::exists(work_ + "added-notes.job.ini"); ++i) usleep(100000);
  usleep(1500000);  // the index written, the window told
  Xdo({"windowfocus", "--sync", window});
  Keys(window, {"ctrl+l"});
  Type(window, "quayside");
  usleep(1000000);
  Keys(window, {"Down", "Return"});
  EXPECT_EQ(Opened(1), std::vector<std::string>{dir_ / "Added Notes/minutes.txt"})
      << ReadFile(dir_ / "window.log");
  ASSERT_TRUE(testing::RequestClose(display_.name(), window));
  EXPECT_EQ(window_.Wait(20), 0) << ReadFile(dir_ / "window.log");
}

}  // namespace
}  // namespace oru
