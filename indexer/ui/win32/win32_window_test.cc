// The Win32 progress window and Stop dialog in process: their layout, what the engine's
// labels and bar show, the start of the pass, and the modal answers. A second thread plays
// the user: it finds the windows by title and posts the messages a mouse click would.
#include "indexer/ui/win32/win32_window.h"

#include <windows.h>
// The common controls need the definitions above.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "tests/support/win32_controls.h"

namespace oru::ui {
namespace {

using testing::ClientSize;
using testing::Descendant;
using testing::TextOf;
using testing::WaitForWindow;

constexpr char kMainTitle[] = "Indexing...";
constexpr char kStopTitle[] = "Really Stop?";
constexpr char kSaveCaption[] = "Save Partially Created Index";

// Plays the user on another thread; joined when the object goes.
class User {
 public:
  explicit User(std::function<void()> act) : thread_(std::move(act)) {}
  ~User() { thread_.join(); }
  User(const User&) = delete;
  User& operator=(const User&) = delete;

 private:
  std::thread thread_;
};

// Answers the Stop dialog: ticks the box first when `tick` is set, then clicks `button`
// ("Yes" or "No"), or closes the dialog when `button` is null, `delay_ms` after it appeared.
// Records what it saw.
struct Answer {
  bool tick = false;
  const char* button = nullptr;
  DWORD delay_ms = 0;
  bool found = false;
  SIZE size = {};
  bool owner_disabled = false;
  LRESULT box_before = -1;
};

void AnswerDialog(HWND owner, Answer* answer) {
  HWND dialog = WaitForWindow(kStopTitle);
  if (dialog == nullptr) return;
  answer->found = true;
  Sleep(answer->delay_ms);
  answer->size = ClientSize(dialog);
  answer->owner_disabled = owner != nullptr && !IsWindowEnabled(owner);
  HWND box = FindWindowExA(dialog, nullptr, "Button", kSaveCaption);
  answer->box_before = SendMessageA(box, BM_GETCHECK, 0, 0);
  if (answer->tick) SendMessageA(box, BM_CLICK, 0, 0);
  if (answer->button == nullptr) {
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  } else {
    PostMessageA(FindWindowExA(dialog, nullptr, "Button", answer->button), BM_CLICK, 0, 0);
  }
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = Win32ProgressWindow::Create();
    ASSERT_NE(window_, nullptr);
    main_ = FindWindowA("TfMain", kMainTitle);
    ASSERT_NE(main_, nullptr);
  }

  std::unique_ptr<Win32ProgressWindow> window_;
  HWND main_ = nullptr;
};

TEST_F(Win32WindowTest, TheFormHasItsSizeAndTheEngineWritesItsControls) {
  EXPECT_FALSE(IsWindowVisible(main_)) << "hidden until the loop runs";
  const SIZE size = ClientSize(main_);
  EXPECT_EQ(size.cx, 345);
  EXPECT_EQ(size.cy, 188);
  const LONG_PTR style = GetWindowLongPtrA(main_, GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);

  window_->FilesIndexedLabel()->SetCaption("12");
  window_->WordsFoundLabel()->SetCaption("3000");
  window_->CurrentFileLabel()->SetCaption("C:\\docs\\a & b.txt");
  EXPECT_EQ(TextOf(Descendant(main_, 4)), "12");
  EXPECT_EQ(TextOf(Descendant(main_, 6)), "3000");
  EXPECT_EQ(TextOf(Descendant(main_, 3)), "C:\\docs\\a & b.txt");

  HWND bar = Descendant(main_, 7);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 65);
  platform::ProgressBar* saving = window_->SavingBar();
  EXPECT_EQ(saving->Position(), 0);
  saving->SetPosition(saving->Position() + 1);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 1);
  saving->SetPosition(70);
  EXPECT_EQ(saving->Position(), 65);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 65);
  saving->SetPosition(-1);
  EXPECT_EQ(saving->Position(), 0);
}

TEST_F(Win32WindowTest, ThePassStartsOnceSoonAfterThePaintAndCloseEndsTheLoop) {
  std::string order;
  DWORD shown_at = 0;
  DWORD fired_at = 0;
  WindowEvents events;
  events.on_show = [&] {
    order += "show ";
    shown_at = GetTickCount();
  };
  events.on_start = [&] {
    order += "start ";
    fired_at = GetTickCount();
    EXPECT_TRUE(IsWindowVisible(main_));
    // The pass pumps messages: a start that came twice would show here.
    for (int i = 0; i < 8; ++i) {
      window_->Pump()->ProcessMessages();
      Sleep(100);
    }
    window_->Close();
  };
  window_->RunLoop(events);
  EXPECT_EQ(order, "show start ");
  EXPECT_LT(fired_at - shown_at, 450u) << "no fixed wait of half a second";
  EXPECT_FALSE(IsWindowVisible(main_));
}

TEST_F(Win32WindowTest, TheStopDialogAnswersAndTheBoxKeepsItsStateBetweenConfirmations) {
  bool save = false;
  Answer ticked_no{true, "No"};
  {
    User user([&] { AnswerDialog(nullptr, &ticked_no); });
    EXPECT_EQ(window_->ConfirmStop(&save), kModalNo);
  }
  EXPECT_TRUE(ticked_no.found);
  EXPECT_EQ(ticked_no.size.cx, 300);
  EXPECT_EQ(ticked_no.size.cy, 192);
  EXPECT_EQ(ticked_no.box_before, BST_UNCHECKED);
  EXPECT_TRUE(save) << "the box's state comes back whatever the answer";

  Answer closed{false, nullptr};
  {
    User user([&] { AnswerDialog(nullptr, &closed); });
    EXPECT_EQ(window_->ConfirmStop(&save), kModalNo);
  }
  EXPECT_EQ(closed.box_before, BST_CHECKED);

  Answer yes{true, "Yes"};
  {
    User user([&] { AnswerDialog(nullptr, &yes); });
    EXPECT_EQ(window_->ConfirmStop(&save), kModalYes);
  }
  EXPECT_EQ(yes.box_before, BST_CHECKED);
  EXPECT_FALSE(save);
}

TEST_F(Win32WindowTest, StopAndTheCloseBoxReachTheFormWhichMayKeepTheWindow) {
  std::atomic<int> closes{0};
  Answer answer{false, "Yes", 800};  // the start falls due meanwhile
  int result = 0;
  bool ran = false;
  WindowEvents events;
  events.on_close = [&] {
    ++closes;
    return false;  // the pass runs: the window stays
  };
  events.on_stop_click = [&] {
    bool save = false;
    result = window_->ConfirmStop(&save);
    window_->Terminate();
  };
  events.on_start = [&] { ran = true; };
  // The close box first, then Stop, both waiting as the window shows (ahead of the start,
  // which comes only when no message waits), Stop answered Yes after the start fell due under
  // the open dialog: the loop ends and the pass never starts.
  events.on_show = [&] {
    PostMessageA(main_, WM_CLOSE, 0, 0);
    PostMessageA(FindWindowExA(main_, nullptr, "Button", "Stop"), BM_CLICK, 0, 0);
  };
  User user([&] { AnswerDialog(WaitForWindow(kMainTitle), &answer); });
  window_->RunLoop(events);
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(answer.found);
  EXPECT_TRUE(answer.owner_disabled) << "the dialog is modal";
  EXPECT_EQ(result, kModalYes);
  Sleep(600);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace oru::ui
