// Finding and reading the windows and controls of a Win32 window under test, from the test's
// own thread or process.
#ifndef ORU_TESTS_SUPPORT_WIN32_CONTROLS_H_
#define ORU_TESTS_SUPPORT_WIN32_CONTROLS_H_

#include <windows.h>

#include <string>

namespace oru::testing {

// The visible top-level window titled `title`, looked for every 50 ms for up to `milliseconds`;
// null if none appeared.
inline HWND WaitForWindow(const char* title, int milliseconds = 20000) {
  for (int waited = 0; waited < milliseconds; waited += 50) {
    HWND window = FindWindowA(nullptr, title);
    if (window != nullptr && IsWindowVisible(window)) return window;
    Sleep(50);
  }
  return nullptr;
}

// The control with id `id` anywhere below `window`; null if none.
inline HWND Descendant(HWND window, int id) {
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

// The text of a control, asked of the control itself, so that this works for a control of
// another process too (GetWindowText would not ask it).
inline std::string TextOf(HWND control) {
  char text[1024] = {};
  SendMessageA(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

inline SIZE ClientSize(HWND window) {
  RECT rect = {};
  GetClientRect(window, &rect);
  return {rect.right, rect.bottom};
}

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_WIN32_CONTROLS_H_
