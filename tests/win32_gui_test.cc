// The progress window and the Stop dialog of Tamsel.exe end to end on Windows (and under
// Wine): the program runs over a pass slowed down by the test parser; the test finds its
// windows by title, works the controls with the messages a mouse click would send, and checks
// the index the pass leaves. Like the other end-to-end tests it works in the per-user
// application-data folder, so it runs only in a throwaway profile (tests/support/sandbox.h).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/dynlib.h"
#include "platform/ini.h"
#include "tests/support/index_reader.h"
#include "tests/support/process.h"
#include "tests/support/sandbox.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32_controls.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using testing::ClientSize;
using testing::Descendant;
using testing::TextOf;
using testing::WaitForWindow;
using testing::WriteFile;

constexpr int kFiles = 60;  // at 150 ms a file: nine seconds to click around in
constexpr char kMainTitle[] = "Indexing...";
constexpr char kStopTitle[] = "Really Stop?";
constexpr char kMessageTitle[] = "ORU Indexer";
// Ids of the main window's value labels.
constexpr int kFilesLabelId = 4;
constexpr int kCurrentFileLabelId = 3;

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

bool WaitGone(const char* title) {
  for (int i = 0; i < 100; ++i) {
    if (FindWindowA(nullptr, title) == nullptr) return true;
    Sleep(100);
  }
  return false;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

HWND Button(HWND window, const char* text) {
  return FindWindowExA(window, nullptr, "Button", text);
}

// Clicks a button as the mouse would. Posted, not sent: a click that opens a modal dialog
// returns only when the dialog has been answered.
void Click(HWND button) {
  ASSERT_NE(button, nullptr);
  PostMessageA(button, BM_CLICK, 0, 0);
}

// Asks `window` to close, as its close box does.
void RequestClose(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

class Win32GuiTest : public testing::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    index_ = work_ + "Storages" + testing::kSep + "test" + testing::kSep;
    const std::string suffix = platform::kLibrarySuffix;
    WriteFile(work_ + "ORU.ini", "[Files]\nText=" + bin_ + "TextParser" + suffix +
                                     "\n[Storages]\nFolders=" + bin_ + "Ferrow" + suffix +
                                     "\n[Folders]\n1=Text\n");
    for (int i = 0; i < kFiles; ++i) {
      WriteFile(corpus_ + std::to_string(100 + i) + ".txt", Words(i * 250, 250));
    }
    WriteFile(dir_ / "job.ini", "[Header]\nName=test\n[Folders]\nDir0=" + corpus_ + "\n");
    env_.push_back("ORU_TEST_PARSER_DELAY_MS=150");
  }

  void StartTamsel() {
    ASSERT_TRUE(tamsel_.Start({bin_ + "Tamsel", dir_ / "job.ini"}, env_, dir_ / "tamsel.log"));
  }
  // Waits until the pass has begun (the new version of its file index exists): a Stop before it
  // keeps it from ever starting.
  void WaitForPass() {
    for (int i = 0; i < 200 && !fs::exists(index_ + "Fileindex.fnd.new"); ++i) Sleep(100);
  }
  // Clicks Stop in the main window and returns the confirmation dialog; null if none came.
  HWND ClickStop(HWND window) {
    Click(Button(window, "Stop"));
    return WaitForWindow(kStopTitle);
  }
  // The exit status of Tamsel; -1 when it had to be killed (a dialog left it waiting).
  int Finish() { return tamsel_.Wait(60); }

  std::string Indexed() {
    return platform::ProfileFile::Open(work_ + "storages.ini").GetString("Indexed", "test", "-");
  }
  size_t FilesInIndex() {
    testing::DecodedIndex index;
    EXPECT_EQ(testing::DecodeIndex(index_, &index), "");
    return index.files.size();
  }

  std::string index_;  // the pass's index folder, ending in the separator
  testing::BackgroundProcess tamsel_;
};

TEST_F(Win32GuiTest, CloseBoxAndStopAskFirstAndNoLetsThePassFinish) {
  StartTamsel();
  HWND window = WaitForWindow(kMainTitle);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ClassOf(window), "TfMain");
  const SIZE size = ClientSize(window);
  EXPECT_EQ(size.cx, 345);
  EXPECT_EQ(size.cy, 188);
  EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0)
      << "the window keeps its size";
  WaitForPass();
  Sleep(1500);  // a few files in: the labels have values
  const std::string files = TextOf(Descendant(window, kFilesLabelId));
  EXPECT_GT(std::atoi(files.c_str()), 0) << files;
  const std::string current = TextOf(Descendant(window, kCurrentFileLabelId));
  EXPECT_EQ(current.rfind(corpus_, 0), 0u) << current;

  RequestClose(window);
  HWND dialog = WaitForWindow(kStopTitle);
  ASSERT_NE(dialog, nullptr) << "the close box must ask, not close";
  const SIZE dialog_size = ClientSize(dialog);
  EXPECT_EQ(dialog_size.cx, 300);
  EXPECT_EQ(dialog_size.cy, 192);
  EXPECT_FALSE(IsWindowEnabled(window)) << "the dialog is modal";
  RequestClose(dialog);  // the dialog's close box: No
  ASSERT_TRUE(WaitGone(kStopTitle));

  dialog = ClickStop(window);
  ASSERT_NE(dialog, nullptr);
  Click(Button(dialog, "No"));
  ASSERT_TRUE(WaitGone(kStopTitle));
  EXPECT_NE(FindWindowA(nullptr, kMainTitle), nullptr);

  EXPECT_EQ(Finish(), 0);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(FilesInIndex(), static_cast<size_t>(kFiles));
}

TEST_F(Win32GuiTest, YesWithTheBoxTickedSavesThePartialIndexAndASecondStopChangesNothing) {
  StartTamsel();
  HWND window = WaitForWindow(kMainTitle);
  ASSERT_NE(window, nullptr);
  WaitForPass();
  // Ticked and answered No: the box stays ticked for the next confirmation.
  HWND dialog = ClickStop(window);
  ASSERT_NE(dialog, nullptr);
  HWND box = Button(dialog, "Save Partially Created Index");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Click(box);
  Click(Button(dialog, "No"));
  ASSERT_TRUE(WaitGone(kStopTitle));
  dialog = ClickStop(window);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(SendMessageA(Button(dialog, "Save Partially Created Index"), BM_GETCHECK, 0, 0),
            BST_CHECKED);
  // Yes, and at once the close box: while the pass winds down it must not ask again (a dialog
  // now would wait for an answer and keep the program from ending).
  Click(Button(dialog, "Yes"));
  RequestClose(window);

  EXPECT_EQ(Finish(), 0);
  EXPECT_EQ(Indexed(), "1");
  const size_t files = FilesInIndex();
  EXPECT_GT(files, 0u);
  EXPECT_LT(files, static_cast<size_t>(kFiles));
}

TEST_F(Win32GuiTest, YesWithoutTheTickStopsWithoutSaving) {
  StartTamsel();
  HWND window = WaitForWindow(kMainTitle);
  ASSERT_NE(window, nullptr);
  WaitForPass();
  HWND dialog = ClickStop(window);
  ASSERT_NE(dialog, nullptr);
  Click(Button(dialog, "Yes"));
  EXPECT_EQ(Finish(), 0);
  EXPECT_EQ(Indexed(), "-");  // nothing saved, nothing recorded
  EXPECT_FALSE(fs::exists(index_ + "0.tf"));  // and nothing left behind
  EXPECT_FALSE(fs::exists(index_ + "Fileindex.fnd.new"));
}

TEST_F(Win32GuiTest, AStartUpFailureIsAMessageBox) {
  fs::remove_all(data_ + "Pellimar");
  WriteFile(data_ + "Pellimar", "a file where the folder belongs");
  StartTamsel();
  HWND box = WaitForWindow(kMessageTitle);
  ASSERT_NE(box, nullptr);
  HWND text = FindWindowExA(box, nullptr, "Static", nullptr);
  std::string message;
  for (; text != nullptr; text = FindWindowExA(box, text, "Static", nullptr)) {
    message += TextOf(text);
  }
  EXPECT_NE(message.find("Sorry. Can't open work directory: " + data_ +
                         "Pellimar\\  Please refer to developer."),
            std::string::npos)
      << message;
  Click(Button(box, "OK"));
  EXPECT_EQ(Finish(), 2);
  EXPECT_EQ(FindWindowA(nullptr, kMainTitle), nullptr);
}

}  // namespace
}  // namespace oru
