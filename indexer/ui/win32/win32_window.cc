#include "indexer/ui/win32/win32_window.h"

#include <windows.h>
// The common controls need the definitions above.
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "indexer/ui/win32/stop_dialog.h"
#include "indexer/ui/win32/win32_util.h"

namespace oru::ui {

namespace {

constexpr char kWindowClass[] = "TfMain";
constexpr char kTitle[] = "Indexing...";
constexpr int kClientWidth = 345;
constexpr int kClientHeight = 188;
// The start timer is due at once: a timer's message comes only when no other message waits,
// so the pass starts after the window and its controls have painted.
constexpr UINT kStartDelayMs = USER_TIMER_MINIMUM;
constexpr UINT_PTR kTimerId = 1;
// Control ids: the value labels after their form names, then the bar and the Stop button.
constexpr int kLabel3Id = 3;
constexpr int kLabel4Id = 4;
constexpr int kLabel6Id = 6;
constexpr int kBarId = 7;
constexpr int kStopId = 8;

// The engine writes a label or moves the bar and then works for a while without pumping: the
// control paints at once, but Wine puts a window's drawing on the screen only when its thread looks
// at the message queue, so a look (no message taken; only messages other threads send are handled,
// as in any such call) shows the new text during that work instead of half of it.
void ShowDrawing() {
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD);
}

// A label the engine writes; the text is in the ANSI code page, as the engine keeps it.
class Win32Caption : public platform::Label {
 public:
  void SetCaption(std::string_view text) override {
    if (text == text_) return;  // no repaint for an unchanged count
    text_.assign(text);
    if (control_ != nullptr) {
      SetWindowTextA(control_, text_.c_str());
      ShowDrawing();
    }
  }
  HWND control_ = nullptr;

 private:
  std::string text_;
};

class Win32Bar : public platform::ProgressBar {
 public:
  int Position() const override { return position_; }
  // Like the form's bar, the position stays between its minimum 0 and maximum 65.
  void SetPosition(int position) override {
    position_ = std::clamp(position, 0, kSavingSteps);
    if (control_ == nullptr) return;
    SendMessageA(control_, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
    UpdateWindow(control_);  // the bar paints on WM_PAINT: now, while the part is written
    ShowDrawing();
  }
  HWND control_ = nullptr;

 private:
  int position_ = 0;
};

// Hands one message to its window; the keyboard works the Stop button as in a dialog.
void Dispatch(HWND window, MSG* message) {
  if (window != nullptr && IsDialogMessageA(window, message)) return;
  TranslateMessage(message);
  DispatchMessageA(message);
}

// A lowered panel at (x, y) of `parent` holding a caption along its top and a value below it;
// the value is `value_height` high at the panel's bottom (0: it fills the rest). Returns the
// value's control.
HWND AddPanel(HWND parent, int x, int y, int width, int height, const char* caption, int value_id,
              int value_height, DWORD value_style) {
  HWND panel = win32::Place(parent, "STATIC", "", SS_SUNKEN, -1, x, y, width, height);
  if (panel == nullptr) return nullptr;
  RECT inner;
  GetClientRect(panel, &inner);  // inside the panel's one-pixel bevel
  constexpr int kMargin = 3;
  constexpr int kCaptionHeight = 13;
  const int text_width = inner.right - 2 * kMargin;
  win32::Place(panel, "STATIC", caption, SS_LEFT | SS_NOPREFIX, -1, kMargin, 0, text_width,
               kCaptionHeight);
  const int value_top = value_height > 0 ? inner.bottom - value_height : kCaptionHeight;
  return win32::Place(panel, "STATIC", "", SS_LEFT | SS_NOPREFIX | value_style, value_id, kMargin,
                      value_top, text_width, inner.bottom - value_top);
}

}  // namespace

struct Win32ProgressWindow::Controls {
  HWND window = nullptr;
  Win32Caption files;    // Label4
  Win32Caption current;  // Label3
  Win32Caption words;    // Label6
  Win32Bar bar;          // pbSaving
  class Pump : public platform::MessagePump {
   public:
    explicit Pump(Controls* controls) : controls_(controls) {}
    void ProcessMessages() override {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          controls_->ended = true;  // a quit request: the loop ends once the pass returns
          continue;
        }
        Dispatch(controls_->window, &message);
      }
    }

   private:
    Controls* controls_;
  } pump{this};
  const WindowEvents* events = nullptr;
  Win32ProgressWindow* owner = nullptr;
  bool timer = false;       // the start timer is set
  bool confirming = false;  // the Stop dialog is open
  bool ended = false;
};

Win32ProgressWindow::Win32ProgressWindow() : controls_(std::make_unique<Controls>()) {
  controls_->owner = this;
}

std::unique_ptr<Win32ProgressWindow> Win32ProgressWindow::Create() {
  INITCOMMONCONTROLSEX common = {sizeof(common), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&common);
  const HINSTANCE instance = GetModuleHandleA(nullptr);

  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.hInstance = instance;
  window_class.lpszClassName = kWindowClass;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpfnWndProc =
      +[](HWND window, UINT message, WPARAM wparam, LPARAM lparam) -> LRESULT {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* c = reinterpret_cast<Controls*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (c == nullptr) return DefWindowProcA(window, message, wparam, lparam);
    const WindowEvents* events = c->events;
    switch (message) {
      case WM_COMMAND:
        if (LOWORD(wparam) == kStopId && HIWORD(wparam) == BN_CLICKED) {
          if (events != nullptr && events->on_stop_click) events->on_stop_click();
        }
        return 0;
      case WM_TIMER:
        if (wparam != kTimerId) return 0;
        // The dialog's own loop runs timers too: the pass never starts under an open Stop
        // confirmation, whose Yes must keep it from starting at all.
        if (c->confirming) return 0;
        KillTimer(window, kTimerId);  // one shot
        c->timer = false;
        if (!c->ended && events != nullptr && events->on_start) events->on_start();
        return 0;
      case WM_CLOSE:  // the close box, the system menu's Close and Alt+F4 go to the form
        if (events != nullptr && (!events->on_close || events->on_close())) c->owner->Close();
        return 0;  // this object destroys the window, never the default handler
      default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
  };
  if (RegisterClassExA(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return nullptr;
  }

  std::unique_ptr<Win32ProgressWindow> self(new Win32ProgressWindow());
  Controls& c = *self->controls_;
  c.window = CreateWindowExA(
      0, kWindowClass, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
      CW_USEDEFAULT, CW_USEDEFAULT, kClientWidth, kClientHeight, nullptr, nullptr, instance, &c);
  if (c.window == nullptr) return nullptr;
  SendMessageA(c.window, WM_SETFONT, reinterpret_cast<WPARAM>(win32::FormFont()), FALSE);
  win32::SizeAndCentre(c.window, kClientWidth, kClientHeight);

  // The panel along the top (135 high) only lays out the others: its children sit at the
  // same positions in the window.
  c.files.control_ = AddPanel(c.window, 4, 6, 162, 33, "Total Files Indexed:", kLabel4Id, 0, 0);
  c.words.control_ = AddPanel(c.window, 179, 6, 162, 33, "Words Found:", kLabel6Id, 0, 0);
  // The current file's label keeps its size, 21 high at the panel's bottom; a long path is
  // shortened in its middle.
  c.current.control_ = AddPanel(c.window, 4, 52, 338, 39, "File Currently Indexing:", kLabel3Id, 21,
                                SS_PATHELLIPSIS | SS_CENTERIMAGE);
  c.bar.control_ = win32::Place(c.window, PROGRESS_CLASSA, "", 0, kBarId, 4, 105, 337, 16);
  if (c.bar.control_ != nullptr) {
    SendMessageA(c.bar.control_, PBM_SETRANGE32, 0, kSavingSteps);
  }
  win32::Place(c.window, "BUTTON", "Stop", BS_PUSHBUTTON | WS_TABSTOP, kStopId, 133, 146, 86, 33);
  return self;
}

Win32ProgressWindow::~Win32ProgressWindow() {
  Controls& c = *controls_;
  if (c.window == nullptr) return;
  if (c.timer) KillTimer(c.window, kTimerId);
  SetWindowLongPtrA(c.window, GWLP_USERDATA, 0);  // no more events to this object
  DestroyWindow(c.window);
}

platform::Label* Win32ProgressWindow::FilesIndexedLabel() { return &controls_->files; }
platform::Label* Win32ProgressWindow::CurrentFileLabel() { return &controls_->current; }
platform::Label* Win32ProgressWindow::WordsFoundLabel() { return &controls_->words; }
platform::ProgressBar* Win32ProgressWindow::SavingBar() { return &controls_->bar; }
platform::MessagePump* Win32ProgressWindow::Pump() { return &controls_->pump; }

void Win32ProgressWindow::ShowMessage(std::string_view text) {
  HWND window = controls_->window;
  win32::ShowMessageBox(IsWindowVisible(window) ? window : nullptr, text);
}

int Win32ProgressWindow::ConfirmStop(bool* save) {
  Controls& c = *controls_;
  c.confirming = true;
  const int result = win32::RunStopDialog(IsWindowVisible(c.window) ? c.window : nullptr, save);
  c.confirming = false;
  return result;
}

void Win32ProgressWindow::RunLoop(const WindowEvents& events) {
  Controls& c = *controls_;
  c.events = &events;
  if (!c.ended) {
    ShowWindow(c.window, SW_SHOWNORMAL);
    UpdateWindow(c.window);
    SetForegroundWindow(c.window);
    SetFocus(GetDlgItem(c.window, kStopId));
    if (events.on_show) events.on_show();
    // UpdateWindow has painted the window; the timer waits for its controls.
    c.timer = SetTimer(c.window, kTimerId, kStartDelayMs, nullptr) != 0;
  }
  while (!c.ended) {
    MSG message;
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;  // WM_QUIT, or no queue left
    Dispatch(c.window, &message);
  }
  c.ended = true;
  if (c.timer) KillTimer(c.window, kTimerId);
  c.timer = false;
  ShowWindow(c.window, SW_HIDE);
  c.events = nullptr;
}

void Win32ProgressWindow::EndLoop() {
  controls_->ended = true;
  // Wakes the loop if it waits for a message; inside a handler it ends when the handler returns.
  PostMessageA(controls_->window, WM_NULL, 0, 0);
}

void Win32ProgressWindow::Terminate() { EndLoop(); }

void Win32ProgressWindow::Close() {
  ShowWindow(controls_->window, SW_HIDE);
  EndLoop();
}

}  // namespace oru::ui
