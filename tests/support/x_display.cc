#include "tests/support/x_display.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace oru::testing {

namespace {

bool g_bad_window = false;

int NoteError(Display*, XErrorEvent*) {
  g_bad_window = true;
  return 0;
}

}  // namespace

VirtualDisplay::~VirtualDisplay() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

bool VirtualDisplay::Start() {
  int fds[2];
  if (pipe(fds) != 0) return false;
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    dup2(null_fd, 2);
    const std::string fd = std::to_string(fds[1]);
    // -noreset: by default the server resets whenever its last client leaves, and refuses
    // clients that connect meanwhile (a program started right after an xdotool call).
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // The server writes its display number and a newline once it accepts clients.
  std::string number;
  pollfd pending{fds[0], POLLIN, 0};
  while (pid_ > 0 && poll(&pending, 1, 10000) > 0) {
    char c = 0;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (pid_ <= 0 || number.empty()) return false;
  name_ = ":" + number;
  return true;
}

namespace {

// Sends WM_DELETE_WINDOW to `window`, after a click of the first button where the pointer is
// when `click_first`; everything goes out in one flush.
bool SendClose(const std::string& display_name, const std::string& window, bool click_first) {
  Display* display = XOpenDisplay(display_name.c_str());
  if (display == nullptr) return false;
  XErrorHandler previous = XSetErrorHandler(&NoteError);
  g_bad_window = false;
  if (click_first) {
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
  }
  XEvent event;
  std::memset(&event, 0, sizeof(event));
  event.xclient.type = ClientMessage;
  event.xclient.window = std::strtoul(window.c_str(), nullptr, 10);
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
  XSync(display, False);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
  return !g_bad_window;
}

}  // namespace

bool RequestClose(const std::string& display, const std::string& window) {
  return SendClose(display, window, false);
}

bool ClickThenRequestClose(const std::string& display, const std::string& window) {
  return SendClose(display, window, true);
}

}  // namespace oru::testing
