// The search window Trovella.exe end to end on Windows (and under Wine): the test indexes a
// folder with oru.exe, finds the window by its class and title, types a query into its edit
// field with the messages typing sends, waits for the hits in the list, opens one with the keys
// a user presses (through a stand-in opener that records what it is given), and sees the window
// search again when Tamsel says that an index was written. It leaves a screenshot of the window
// with many hits in gui-screenshots/. Like the other end-to-end tests it works in the per-user
// application-data folder, so it runs only in a throwaway profile (tests/support/sandbox.h).
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/png_file.h"
#include "tests/support/process.h"
#include "tests/support/sandbox.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32_controls.h"
#include "tools/trovella/win32/control_ids.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TextOf;
using testing::WriteFile;
namespace ids = trovella::win32;

constexpr char kClass[] = "TfMainQuery";
constexpr char kTitle[] = "Trovella 1.2";
constexpr UINT kIndexDoneMessage = 20924;

// Takes what the screen shows of `window` (which must be in front) into a PNG file.
bool SaveScreenshot(HWND window, const std::string& path) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool saved = false;
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY)) {
      GdiFlush();
      std::vector<uint8_t> rgb;
      rgb.reserve(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
      const auto* pixel = static_cast<const uint8_t*>(bits);  // blue, green, red, unused
      for (int i = 0; i < width * height; ++i, pixel += 4) {
        rgb.insert(rgb.end(), {pixel[2], pixel[1], pixel[0]});
      }
      saved = testing::WritePng(path, width, height, rgb);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

class TrovellaWin32Test : public testing::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    WriteFile(work_ + "ORU.ini", "[Files]\nText=" + bin_ + "TextParser.dll\n[Storages]\nFolders=" +
                                     bin_ + "Ferrow.dll\n[Folders]\n1=Text\n");
    for (int i = 0; i < 40; ++i) {
      WriteFile(corpus_ + "log" + std::to_string(i) + ".txt",
                "Harbour log " + std::to_string(i) + ": engines hummed, tides turned.");
    }
    WriteFile(corpus_ + "notes/budget.txt", "The lighthouse budget for next year.");
    env_.push_back("ORU_TEST_OPENED=" + (dir_ / "opened.txt"));
    ASSERT_EQ(Oru({"index", corpus_, "--name", "docs"}), 0);
  }

  int Oru(std::vector<std::string> args) {
    args.insert(args.begin(), bin_ + "oru");
    const testing::ProcessResult result = testing::RunProcess(args, env_, nullptr, 60);
    EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
    return result.exit_status;
  }

  // The window, once it shows; null after 20 s without it.
  static HWND WaitForWindow() {
    for (int waited = 0; waited < 20000; waited += 50) {
      HWND window = FindWindowA(kClass, kTitle);
      if (window != nullptr && IsWindowVisible(window)) return window;
      Sleep(50);
    }
    return nullptr;
  }

  // Starts the window with the recording opener and finds it and its query field and list;
  // null when it does not show (its log then says why).
  HWND StartWindow() {
    if (!trovella_.Start({bin_ + "Trovella", "--opener", bin_ + "oru_record_opener.exe"}, env_,
                         dir_ / "window.log")) {
      return nullptr;
    }
    HWND window = WaitForWindow();
    if (window == nullptr) return nullptr;
    query_ = GetDlgItem(window, ids::kQueryId);
    list_ = GetDlgItem(window, ids::kResultsId);
    return window;
  }

  // Types `text` as the query: the edit field's text changes and it tells the window.
  void Type(const std::string& text) {
    SendMessageA(query_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // A key pressed in `control` (the window takes the keys of its controls before they do).
  static void Press(HWND control, WPARAM key) { PostMessageA(control, WM_KEYDOWN, key, 1); }

  // The rows of the list once there are `count`, waiting up to 10 s (the pause after typing,
  // then the search); the last count seen otherwise.
  int WaitForRows(int count) {
    int rows = -1;
    for (int i = 0; i < 200; ++i) {
      rows = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
      if (rows == count) break;
      Sleep(50);
    }
    return rows;
  }

  // The paths the stand-in opener was given, waiting up to 10 s for `count` of them.
  std::vector<std::string> Opened(size_t count) {
    return testing::WaitForLines(dir_ / "opened.txt", count);
  }

  testing::BackgroundProcess trovella_;
  HWND query_ = nullptr;
  HWND list_ = nullptr;
};

TEST_F(TrovellaWin32Test, TypeSeeAHitOpenItAndSearchAgainWhenTheIndexIsWritten) {
  HWND window = StartWindow();
  ASSERT_NE(window, nullptr) << ReadFile(dir_ / "window.log");
  ASSERT_NE(query_, nullptr);
  ASSERT_NE(list_, nullptr);
  // "All indexes" and the one index.
  EXPECT_EQ(SendMessageA(GetDlgItem(window, ids::kIndexesId), CB_GETCOUNT, 0, 0), 2);

  Type("lighthouse");
  ASSERT_EQ(WaitForRows(1), 1);
  EXPECT_EQ(TextOf(GetDlgItem(window, ids::kSummaryId)), "1 file");
  Press(query_, VK_DOWN);  // to the first hit
  Press(list_, VK_RETURN);
  EXPECT_EQ(Opened(1), std::vector<std::string>{corpus_ + "notes\\budget.txt"});

  // A query with no hit yet: once an update writes the index (Tamsel posts its message to the
  // window), the window searches again.
  Press(list_, VK_F3);
  Press(query_, VK_ESCAPE);
  for (int i = 0; i < 100 && !TextOf(query_).empty(); ++i) Sleep(50);
  ASSERT_EQ(TextOf(query_), "");
  Type("zephyrine");
  ASSERT_EQ(WaitForRows(0), 0);
  Sleep(500);  // the search of the old index is done
  WriteFile(corpus_ + "new/arrival.txt", "The zephyrine arrived at dawn.");
  ASSERT_EQ(Oru({"index", corpus_, "--name", "docs", "--update"}), 0);
  ASSERT_EQ(WaitForRows(1), 1);
  Press(query_, VK_DOWN);
  Press(list_, VK_RETURN);
  EXPECT_EQ(Opened(2), (std::vector<std::string>{corpus_ + "notes\\budget.txt",
                                                 corpus_ + "new\\arrival.txt"}));
  // The message alone, as Tamsel posts it, also searches again: a file that went since shows
  // as left out.
  fs::remove(corpus_ + "new/arrival.txt");
  PostMessageA(window, kIndexDoneMessage, 1, 0);
  ASSERT_EQ(WaitForRows(0), 0);
  for (int i = 0; i < 100 && TextOf(GetDlgItem(window, ids::kSummaryId)).find("left out") ==
                                 std::string::npos;
       ++i) {
    Sleep(100);
  }
  EXPECT_NE(TextOf(GetDlgItem(window, ids::kSummaryId)).find("1 hit left out"), std::string::npos)
      << TextOf(GetDlgItem(window, ids::kSummaryId));

  // Many hits, as the README shows them.
  Type("harbour engines");
  ASSERT_EQ(WaitForRows(40), 40);
  Sleep(1000);  // the fragments of the rows in sight
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(300);
  fs::create_directories("gui-screenshots");
  EXPECT_TRUE(SaveScreenshot(window, "gui-screenshots/trovella-win32.png"));

  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(trovella_.Wait(20), 0) << ReadFile(dir_ / "window.log");
}

// "Add folder…" asks the storage plug-in for a folder (here one whose dialog answers by itself),
// indexes it as a new index named after it with oru.exe, and searches it from then on.
TEST_F(TrovellaWin32Test, AddFolderIndexesTheChosenFolderAsANewIndex) {
  WriteFile(work_ + "ORU.ini", "[Files]\nText=" + bin_ + "TextParser.dll\n[Storages]\nFolders=" +
                                   bin_ + "StandInStorage.dll\n[Folders]\n1=Text\n");
  WriteFile(dir_ / "Added Notes/minutes.txt", "Minutes of the quayside committee.");
  env_.push_back("ORU_TEST_FERROW=" + bin_ + "Ferrow.dll");
  env_.push_back("ORU_TEST_NEW_STORAGE=" + (dir_ / "Added Notes"));
  HWND window = StartWindow();
  ASSERT_NE(window, nullptr) << ReadFile(dir_ / "window.log");
  PostMessageA(GetDlgItem(window, ids::kAddFolderId), BM_CLICK, 0, 0);
  HWND status = GetDlgItem(window, ids::kStatusId);
  for (int i = 0; i < 600 && TextOf(status).rfind("index written", 0) != 0; ++i) Sleep(100);
  EXPECT_EQ(TextOf(status), "index written: added-notes") << ReadFile(dir_ / "window.log");
  EXPECT_EQ(SendMessageA(GetDlgItem(window, ids::kIndexesId), CB_GETCOUNT, 0, 0), 3);
  Type("quayside");
  ASSERT_EQ(WaitForRows(1), 1);
  Press(query_, VK_DOWN);
  Press(list_, VK_RETURN);
  EXPECT_EQ(Opened(1), std::vector<std::string>{dir_ / "Added Notes/minutes.txt"});
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(trovella_.Wait(20), 0) << ReadFile(dir_ / "window.log");
}

}  // namespace
}  // namespace oru
