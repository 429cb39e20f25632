// Windows and posted messages as Windows has them: FindWindowA and PostMessageA for the
// sender; for the receiver a hidden top-level window of the given class and title (a
// message-only window would be invisible to FindWindowA) whose posted messages are taken
// from the thread's queue with PeekMessageA.
#include "platform/window_message.h"

#include <chrono>
#include <utility>

#include "platform/win32/win_api.h"

namespace oru::platform {

struct WindowRef::State {
  HWND window;
};

WindowRef::WindowRef() = default;
WindowRef::~WindowRef() = default;
WindowRef::WindowRef(WindowRef&&) noexcept = default;
WindowRef& WindowRef::operator=(WindowRef&&) noexcept = default;

WindowRef WindowRef::Find(const std::string& window_class, const std::string& title) {
  WindowRef ref;
  HWND window = FindWindowA(window_class.c_str(), title.c_str());
  if (window != nullptr) ref.state_ = std::make_unique<State>(State{window});
  return ref;
}

bool WindowRef::found() const { return state_ != nullptr; }

void WindowRef::Post(const WindowMessage& message) const {
  if (!state_) return;
  // A full queue or a window that went away is ignored, as the contract says.
  (void)PostMessageA(state_->window, static_cast<UINT>(message.number),
                     static_cast<WPARAM>(message.wparam), static_cast<LPARAM>(message.lparam));
}

struct MessageWindow::State {
  explicit State(HWND handle) : window(handle) {}
  ~State() { DestroyWindow(window); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  HWND window;
};

MessageWindow::MessageWindow() = default;
MessageWindow::~MessageWindow() = default;
MessageWindow::MessageWindow(MessageWindow&&) noexcept = default;
MessageWindow& MessageWindow::operator=(MessageWindow&&) noexcept = default;

Result MessageWindow::Create(const std::string& window_class, const std::string& title,
                             MessageWindow* out) {
  if (window_class.empty()) return Result::kFailed;
  if (FindWindowA(window_class.c_str(), title.c_str()) != nullptr) return Result::kExists;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  // The class stays registered for the life of the process: another window of it may be
  // made later, and a class cannot be unregistered while one of its windows lives.
  WNDCLASSA window_class_info = {};
  window_class_info.lpfnWndProc = DefWindowProcA;
  window_class_info.hInstance = instance;
  window_class_info.lpszClassName = window_class.c_str();
  if (RegisterClassA(&window_class_info) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return Result::kFailed;
  }
  // Never shown: WS_VISIBLE is not set and ShowWindow is never called.
  HWND window = CreateWindowExA(0, window_class.c_str(), title.c_str(), WS_OVERLAPPED, 0, 0, 0,
                                0, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return Result::kFailed;
  out->state_ = std::make_unique<State>(window);
  return Result::kOk;
}

bool MessageWindow::Receive(WindowMessage* message, int timeout_ms) {
  if (!state_) return false;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    MSG msg;
    // Messages sent (not posted) to the window are handled inside PeekMessageA by
    // DefWindowProcA; what comes back is what was posted to this window.
    if (PeekMessageA(&msg, state_->window, 0, 0, PM_REMOVE)) {
      message->number = static_cast<int64_t>(msg.message);
      message->wparam = static_cast<int64_t>(msg.wParam);
      message->lparam = static_cast<int64_t>(msg.lParam);
      return true;
    }
    DWORD wait_ms = INFINITE;
    if (timeout_ms >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      wait_ms = static_cast<DWORD>(left.count());
    }
    // Wakes for messages that arrived since the PeekMessageA above looked at the queue, so a
    // message posted in between is not missed, and messages for the thread's other windows
    // that nobody takes do not keep waking it.
    const DWORD woke =
        MsgWaitForMultipleObjectsEx(0, nullptr, wait_ms, QS_POSTMESSAGE | QS_SENDMESSAGE, 0);
    if (woke == WAIT_FAILED) return false;
  }
}

void MessageWindow::Close() { state_.reset(); }

}  // namespace oru::platform
