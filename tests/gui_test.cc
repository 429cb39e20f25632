// The progress window and the Stop dialog end to end: bin/Tamsel on a virtual X display,
// driven with xdotool like a user would, over a pass slowed down by the test parser.
// Screenshots of the window and the dialog land in gui-screenshots/ of the working folder
// (build/tests/ under CTest).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ini.h"
#include "tests/support/index_reader.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_display.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using testing::WriteFile;

const std::string kBin = std::string(ORU_BIN_DIR) + "/";
constexpr int kFiles = 60;  // at 150 ms a file: nine seconds to click around in
// Centres of the controls in their windows' client areas.
constexpr int kStop[] = {176, 162};
constexpr int kSave[] = {30, 112};
constexpr int kYes[] = {61, 172};
constexpr int kNo[] = {239, 172};

// Distinct words made of letters only, so that "Words Found" gets a value early.
std::string Words(int first, int count) {
  std::string text;
  for (int n = first; n < first + count; ++n) {
    text += 'q';
    for (int v = n; v > 0; v /= 26) text += static_cast<char>('a' + v % 26);
    text += "z ";
  }
  return text;
}

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display_.Start()) GTEST_SKIP() << "Xvfb cannot start";
    work_ = dir_ / "data/Pellimar/ORU/";
    WriteFile(work_ + "ORU.ini", "[Files]\nText=" + kBin + "TextParser.so\n[Storages]\nFolders=" +
                                     kBin + "Ferrow.so\n[Folders]\n1=Text\n");
    for (int i = 0; i < kFiles; ++i) {
      WriteFile(dir_ / "corpus/" + std::to_string(100 + i) + ".txt", Words(i * 250, 250));
    }
    WriteFile(dir_ / "job.ini", "[Header]\nName=test\n[Folders]\nDir0=" + (dir_ / "corpus/") + "\n");
    fs::create_directories(dir_ / "run");
    // Under the sanitizers, fontconfig's caches are not leaks of ours; the accessibility
    // bridge is left off (it holds memory until exit and needs a session bus).
    const char* lsan = std::getenv("LSAN_OPTIONS");
    env_ = {"DISPLAY=" + display_.name(), "WAYLAND_DISPLAY=", "XDG_DATA_HOME=" + (dir_ / "data"),
            "XDG_RUNTIME_DIR=" + (dir_ / "run"), "ORU_TEST_PARSER_DELAY_MS=150", "NO_AT_BRIDGE=1",
            std::string("LSAN_OPTIONS=") + (lsan ? std::string(lsan) + ":" : "") +
                "suppressions=" + ORU_SOURCE_DIR + "/tests/lsan_gtk.supp"};
  }

  void StartTamsel() {
    ASSERT_TRUE(tamsel_.Start({kBin + "Tamsel", dir_ / "job.ini"}, env_, dir_ / "tamsel.log"));
  }
  // Waits until the pass has begun (the new version of its file index exists): a Stop before it
  // keeps it from ever starting.
  void WaitForPass() {
    for (int i = 0; i < 200 && !fs::exists(work_ + "Storages/test/Fileindex.fnd.new"); ++i) {
      usleep(100000);
    }
  }
  // The exit status of Tamsel; -1 when it had to be killed (a dialog left it waiting).
  int Finish() { return tamsel_.Wait(60); }

  std::string Xdo(std::vector<std::string> args) {
    args.insert(args.begin(), {"/usr/bin/env", "xdotool"});
    return testing::RunProcess(args, {"DISPLAY=" + display_.name()}, nullptr, 20).out;
  }
  // The id of the visible window titled `title`, waiting up to 20 s for it; empty if none.
  std::string FindWindow(const std::string& title, int tries = 200) {
    std::string pattern = "^";
    for (char c : title) pattern += (c == '.' || c == '?') ? std::string("\\") + c : std::string(1, c);
    for (int i = 0; i < tries; ++i) {
      const std::string ids = Xdo({"search", "--onlyvisible", "--name", pattern + "$"});
      if (!ids.empty()) return ids.substr(0, ids.find('\n'));
      usleep(100000);
    }
    return "";
  }
  bool WaitGone(const std::string& title) {
    for (int i = 0; i < 100; ++i) {
      if (FindWindow(title, 1).empty()) return true;
      usleep(100000);
    }
    return false;
  }
  void Click(const std::string& window, const int* at) {
    Xdo({"mousemove", "--window", window, std::to_string(at[0]), std::to_string(at[1]), "click",
         "1"});
  }
  std::string Size(const std::string& window) {
    const std::string out = Xdo({"getwindowgeometry", window});
    const size_t at = out.find("Geometry: ");
    return at == std::string::npos ? out : out.substr(at + 10, out.find('\n', at) - at - 10);
  }
  void Screenshot(const std::string& window, const std::string& name) {
    const std::string folder = "gui-screenshots/";
    fs::create_directories(folder);
    testing::RunProcess({"/usr/bin/env", "import", "-window", window, folder + name},
                        {"DISPLAY=" + display_.name()}, nullptr, 20);
  }

  std::string Indexed() {
    return platform::ProfileFile::Open(work_ + "storages.ini").GetString("Indexed", "test", "-");
  }
  size_t FilesInIndex() {
    testing::DecodedIndex index;
    EXPECT_EQ(testing::DecodeIndex(work_ + "Storages/test/", &index), "");
    return index.files.size();
  }

  testing::VirtualDisplay display_;
  testing::TempDir dir_;
  std::string work_;
  std::vector<std::string> env_;
  testing::BackgroundProcess tamsel_;
};

TEST_F(GuiTest, CloseBoxAndStopAskFirstAndNoLetsThePassFinish) {
  StartTamsel();
  const std::string window = FindWindow("Indexing...");
  ASSERT_NE(window, "");
  EXPECT_EQ(Size(window), "345x188");
  usleep(1500000);  // a few files in: the labels have values
  Screenshot(window, "window.png");

  ASSERT_TRUE(testing::RequestClose(display_.name(), window));
  std::string dialog = FindWindow("Really Stop?");
  ASSERT_NE(dialog, "") << "the close box must ask, not close";
  EXPECT_EQ(Size(dialog), "300x192");
  Screenshot(dialog, "stop-dialog.png");
  ASSERT_TRUE(testing::RequestClose(display_.name(), dialog));  // the dialog's close box: No
  ASSERT_TRUE(WaitGone("Really Stop?"));

  Click(window, kStop);
  dialog = FindWindow("Really Stop?");
  ASSERT_NE(dialog, "");
  Click(dialog, kNo);
  ASSERT_TRUE(WaitGone("Really Stop?"));
  EXPECT_NE(FindWindow("Indexing...", 1), "");

  EXPECT_EQ(Finish(), 0);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(FilesInIndex(), static_cast<size_t>(kFiles));
}

TEST_F(GuiTest, YesWithTheBoxTickedSavesThePartialIndexAndASecondStopChangesNothing) {
  StartTamsel();
  const std::string window = FindWindow("Indexing...");
  ASSERT_NE(window, "");
  WaitForPass();
  // Ticked and answered No: the box stays ticked for the next confirmation.
  Click(window, kStop);
  std::string dialog = FindWindow("Really Stop?");
  ASSERT_NE(dialog, "");
  Click(dialog, kSave);
  Click(dialog, kNo);
  ASSERT_TRUE(WaitGone("Really Stop?"));
  Click(window, kStop);
  dialog = FindWindow("Really Stop?");
  ASSERT_NE(dialog, "");
  // Yes, and at once the close box: while the pass winds down it must not ask again (a dialog
  // now would wait for an answer and keep the program from ending).
  Xdo({"mousemove", "--window", dialog, std::to_string(kYes[0]), std::to_string(kYes[1])});
  ASSERT_TRUE(testing::ClickThenRequestClose(display_.name(), window));

  EXPECT_EQ(Finish(), 0);
  EXPECT_EQ(Indexed(), "1");
  const size_t files = FilesInIndex();
  EXPECT_GT(files, 0u);
  EXPECT_LT(files, static_cast<size_t>(kFiles));
}

TEST_F(GuiTest, YesWithoutTheTickStopsWithoutSaving) {
  StartTamsel();
  const std::string window = FindWindow("Indexing...");
  ASSERT_NE(window, "");
  WaitForPass();
  Click(window, kStop);
  const std::string dialog = FindWindow("Really Stop?");
  ASSERT_NE(dialog, "");
  Click(dialog, kYes);
  EXPECT_EQ(Finish(), 0);
  EXPECT_EQ(Indexed(), "-");  // nothing saved, nothing recorded
  EXPECT_TRUE(fs::is_empty(work_ + "Storages/test"));  // and nothing left behind
}

TEST_F(GuiTest, AStartUpFailureIsAMessageBox) {
  fs::remove_all(dir_ / "data");
  WriteFile(dir_ / "data/Pellimar", "a file where the folder belongs");
  StartTamsel();
  const std::string box = FindWindow("ORU Indexer");
  ASSERT_NE(box, "");
  Xdo({"windowfocus", "--sync", box, "key", "Return"});
  EXPECT_EQ(Finish(), 2);
  EXPECT_EQ(FindWindow("Indexing...", 1), "");
}

}  // namespace
}  // namespace oru
