// Keeps the desktop of a Wine prefix alive while the tests run (started by
// scripts/test-windows.sh, ended with the prefix's wineserver). Wine's desktop process quits
// a little after the last program with a window has ended, and the next program that needs one
// then waits seconds for a new desktop: with the end-to-end tests taking turns, each of them
// paid that wait. A hidden window of this program holds the desktop instead.
#include "platform/win32/win_api.h"

int main() {
  HWND window = ::CreateWindowExA(0, "STATIC", "ORU desktop holder", 0, 0, 0, 0, 0, nullptr,
                                  nullptr, nullptr, nullptr);
  if (window == nullptr) return 1;
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  return 0;
}
