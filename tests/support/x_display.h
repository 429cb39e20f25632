// A virtual X display for end-to-end tests of the windows, and the one request that tests
// need and xdotool lacks: the polite close a window manager sends from a window's close box.
#ifndef ORU_TESTS_SUPPORT_X_DISPLAY_H_
#define ORU_TESTS_SUPPORT_X_DISPLAY_H_

#include <string>

namespace oru::testing {

class VirtualDisplay {
 public:
  VirtualDisplay() = default;
  ~VirtualDisplay();  // stops the server
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  // Starts Xvfb (1024 x 768) on a display number it picks itself, so parallel tests never
  // collide. False when Xvfb is missing or does not come up within ten seconds.
  bool Start();
  // The display's name for DISPLAY, e.g. ":3"; empty before a successful Start.
  const std::string& name() const { return name_; }

 private:
  int pid_ = -1;
  std::string name_;
};

// Sends WM_DELETE_WINDOW to the window `window` (an X window id, decimal) of `display`, as a
// window manager does for the close box. False when the display or the window is gone.
bool RequestClose(const std::string& display, const std::string& window);
// Clicks the first mouse button where the pointer is and, in the same flush, asks `window`
// to close: the program receives the two one right after the other.
bool ClickThenRequestClose(const std::string& display, const std::string& window);

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_X_DISPLAY_H_
