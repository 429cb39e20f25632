// Finding another program's main window by class and title, and posting it a message without
// waiting. Windows: a real top-level window (FindWindowA, PostMessageA); the message number is
// a 32-bit UINT (numbers above 0xFFFF are the system's), wParam and lParam are pointer-sized.
// POSIX: a window is a datagram socket in the runtime folder named "<class>.<title>"; a
// message is one datagram of three little-endian int64: number, wParam, lParam.
#ifndef ORU_PLATFORM_WINDOW_MESSAGE_H_
#define ORU_PLATFORM_WINDOW_MESSAGE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/result.h"

namespace oru::platform {

struct WindowMessage {
  int64_t number = 0;
  int64_t wparam = 0;
  int64_t lparam = 0;
};

// A found window. Empty (found() false) when the lookup found nothing. Not copyable.
class WindowRef {
 public:
  WindowRef();
  ~WindowRef();
  WindowRef(WindowRef&&) noexcept;
  WindowRef& operator=(WindowRef&&) noexcept;
  WindowRef(const WindowRef&) = delete;
  WindowRef& operator=(const WindowRef&) = delete;

  // Looks up the window with this class and title.
  static WindowRef Find(const std::string& window_class, const std::string& title);
  bool found() const;
  // Posts the message without waiting; failures are ignored, as a post to a window that went
  // away is.
  void Post(const WindowMessage& message) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The receiving side: a window that other programs can find and post to. Used by the search
// tool and by tests. Windows: a hidden top-level window of the class and title, owned by the
// thread that creates it; Receive and Close belong on that thread, and Create needs a desktop
// (under Wine, a display). Not copyable.
class MessageWindow {
 public:
  MessageWindow();
  ~MessageWindow();
  MessageWindow(MessageWindow&&) noexcept;
  MessageWindow& operator=(MessageWindow&&) noexcept;
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // Registers the window. kExists when a live window of that class and title is already there.
  static Result Create(const std::string& window_class, const std::string& title,
                       MessageWindow* out);
  // Waits up to `timeout_ms` (negative: forever) for a message posted to the window. False on
  // timeout or failure.
  bool Receive(WindowMessage* message, int timeout_ms);
  // Unregisters the window (also done by the destructor).
  void Close();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace oru::platform

#endif  // ORU_PLATFORM_WINDOW_MESSAGE_H_
