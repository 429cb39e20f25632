// The progress window and the Stop dialog of Tamsel.exe end to end on Windows (and under
// Wine): the program runs over a pass slowed down by the test parser; the test finds its
// windows by title, works the controls with the messages a mouse click would send, and checks
// the index the pass leaves. The work folder is the user's own (application data): ORU.ini and
// storages.ini are put back as they were after each case, and the index has its own name.
#include <windows.h>
// The shell's folders need the definitions above.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "tests/support/index_reader.h"

namespace oru {
namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 60;  // at 150 ms a file: nine seconds to click around in
constexpr char kIndexName[] = "win32-gui-test";
constexpr char kMainTitle[] = "Indexing...";
constexpr char kStopTitle[] = "Really Stop?";
constexpr char kMessageTitle[] = "ORU Indexer";
// Ids of the main window's value labels.
constexpr int kFilesLabelId = 4;
constexpr int kCurrentFileLabelId = 3;

std::string Backslashes(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

const std::string kBin = Backslashes(std::string(ORU_BIN_DIR) + "/");

void WriteFile(const std::string& path, const std::string& data) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << data;
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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

bool IsWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The top-level window titled `title`, waiting up to `tries` tenths of a second; null if none.
HWND WaitForWindow(const char* title, int tries = 200) {
  for (int i = 0; i < tries; ++i) {
    HWND window = FindWindowA(nullptr, title);
    if (window != nullptr && IsWindowVisible(window)) return window;
    Sleep(100);
  }
  return nullptr;
}

bool WaitGone(const char* title) {
  for (int i = 0; i < 100; ++i) {
    if (FindWindowA(nullptr, title) == nullptr) return true;
    Sleep(100);
  }
  return false;
}

SIZE ClientSize(HWND window) {
  RECT rect = {};
  GetClientRect(window, &rect);
  return {rect.right, rect.bottom};
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

// The text of a control of another process (GetWindowText would not ask it).
std::string TextOf(HWND control) {
  char text[1024] = {};
  SendMessageA(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

// The control with id `id` anywhere below `window`; null if none.
HWND Descendant(HWND window, int id) {
  struct Search {
    int id;
    HWND found;
  } search = {id, nullptr};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (GetDlgCtrlID(child) != s->id) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
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

class Win32GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char appdata[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, appdata, CSIDL_APPDATA, FALSE));
    work_ = std::string(appdata) + "\\Pellimar\\ORU\\";
    index_ = work_ + "Storages\\" + kIndexName + "\\";
    config_backup_ = ReadFile(work_ + "ORU.ini");
    status_backup_ = ReadFile(work_ + "storages.ini");
    dir_ = Backslashes(
               (fs::temp_directory_path() / ("oru-gui-" + std::to_string(GetCurrentProcessId())))
                   .string()) +
           "\\";
    fs::remove_all(dir_);
    fs::remove_all(index_);
    WriteFile(work_ + "ORU.ini", "[Files]\r\nText=" + kBin +
                                     "TextParser.dll\r\n[Storages]\r\n"
                                     "Folders=" +
                                     kBin + "Ferrow.dll\r\n[Folders]\r\n1=Text\r\n");
    for (int i = 0; i < kFiles; ++i) {
      WriteFile(dir_ + "corpus\\" + std::to_string(100 + i) + ".txt", Words(i * 250, 250));
    }
    WriteFile(dir_ + "job.ini", std::string("[Header]\r\nName=") + kIndexName +
                                    "\r\n[Folders]\r\nDir0=" + dir_ + "corpus\\\r\n");
  }

  void TearDown() override {
    if (process_ != nullptr) {
      TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 10000);
      CloseHandle(process_);
    }
    std::error_code ignored;
    fs::remove_all(index_, ignored);
    fs::remove_all(dir_, ignored);
    if (moved_aside_) {
      fs::remove(vendor_, ignored);
      fs::rename(vendor_ + ".win32-gui-test", vendor_, ignored);
    }
    Restore(work_ + "ORU.ini", config_backup_);
    Restore(work_ + "storages.ini", status_backup_);
  }

  static void Restore(const std::string& path, const std::optional<std::string>& backup) {
    std::error_code ignored;
    if (backup.has_value()) {
      WriteFile(path, *backup);
    } else {
      fs::remove(path, ignored);
    }
  }

  // Starts Tamsel.exe on the job with every parsed file taking 150 ms.
  void StartTamsel() {
    SetEnvironmentVariableA("ORU_TEST_PARSER_DELAY_MS", "150");
    std::string command = "\"" + kBin + "Tamsel.exe\" \"" + dir_ + "job.ini\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info))
        << command;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
  }

  // The exit code of Tamsel.exe; -1 when it had to be ended (a dialog left it waiting).
  int Finish() {
    if (process_ == nullptr) return -1;
    DWORD code = 0;
    const bool ended = WaitForSingleObject(process_, 60000) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process_, &code);
    if (!ended) TerminateProcess(process_, 99);
    CloseHandle(process_);
    process_ = nullptr;
    return ended ? static_cast<int>(code) : -1;
  }

  // Waits until the pass has begun (its file index exists): a Stop before it keeps it from
  // ever starting.
  void WaitForPass() {
    for (int i = 0; i < 200 && !fs::exists(index_ + "Fileindex.fnd"); ++i) Sleep(100);
  }

  std::string Indexed() {
    char value[16] = {};
    GetPrivateProfileStringA("Indexed", kIndexName, "-", value, sizeof(value),
                             (work_ + "storages.ini").c_str());
    return value;
  }

  size_t FilesInIndex() {
    testing::DecodedIndex index;
    EXPECT_EQ(testing::DecodeIndex(index_, &index), "");
    return index.files.size();
  }

  // Puts a file where the folder "Pellimar" belongs, the user's own folder moved aside.
  void BlockVendorFolder() {
    vendor_ = work_.substr(0, work_.size() - 5);  // without "\ORU\"
    fs::rename(vendor_, vendor_ + ".win32-gui-test");
    moved_aside_ = true;
    WriteFile(vendor_, "a file where the folder belongs");
  }

  std::string work_;   // the work folder, ending in "\"
  std::string index_;  // the test's index folder, ending in "\"
  std::string dir_;    // the corpus and the job file
  std::string vendor_;
  bool moved_aside_ = false;
  std::optional<std::string> config_backup_;
  std::optional<std::string> status_backup_;
  HANDLE process_ = nullptr;
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
  EXPECT_EQ(current.rfind(dir_ + "corpus\\", 0), 0u) << current;

  RequestClose(window);
  HWND dialog = WaitForWindow(kStopTitle);
  ASSERT_NE(dialog, nullptr) << "the close box must ask, not close";
  const SIZE dialog_size = ClientSize(dialog);
  EXPECT_EQ(dialog_size.cx, 300);
  EXPECT_EQ(dialog_size.cy, 192);
  EXPECT_FALSE(IsWindowEnabled(window)) << "the dialog is modal";
  RequestClose(dialog);  // the dialog's close box: No
  ASSERT_TRUE(WaitGone(kStopTitle));

  Click(Button(window, "Stop"));
  dialog = WaitForWindow(kStopTitle);
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
  Click(Button(window, "Stop"));
  HWND dialog = WaitForWindow(kStopTitle);
  ASSERT_NE(dialog, nullptr);
  HWND box = Button(dialog, "Save Partially Created Index");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Click(box);
  Click(Button(dialog, "No"));
  ASSERT_TRUE(WaitGone(kStopTitle));
  Click(Button(window, "Stop"));
  dialog = WaitForWindow(kStopTitle);
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
  Click(Button(window, "Stop"));
  HWND dialog = WaitForWindow(kStopTitle);
  ASSERT_NE(dialog, nullptr);
  Click(Button(dialog, "Yes"));
  EXPECT_EQ(Finish(), 0);
  EXPECT_EQ(Indexed(), "0");
  EXPECT_TRUE(fs::exists(index_ + "0.tf"));  // the posting logs stay
  EXPECT_FALSE(fs::exists(index_ + "0.fnw"));
}

TEST_F(Win32GuiTest, AStartUpFailureIsAMessageBox) {
  // The user's own work folder is moved aside for this case: only in Wine's throw-away prefix.
  if (!IsWine()) GTEST_SKIP() << "moves the user's work folder aside; run under Wine only";
  BlockVendorFolder();
  StartTamsel();
  HWND box = WaitForWindow(kMessageTitle);
  ASSERT_NE(box, nullptr);
  HWND text = FindWindowExA(box, nullptr, "Static", nullptr);
  std::string message;
  for (; text != nullptr; text = FindWindowExA(box, text, "Static", nullptr)) {
    message += TextOf(text);
  }
  EXPECT_NE(message.find("Sorry. Can't open work directory: " + vendor_ +
                         "\\  Please refer to developer."),
            std::string::npos)
      << message;
  Click(Button(box, "OK"));
  EXPECT_EQ(Finish(), 2);  // F22
  EXPECT_EQ(FindWindowA(nullptr, kMainTitle), nullptr);
}

}  // namespace
}  // namespace oru
