#include "indexer/ui/win32/win32_util.h"

namespace oru::ui::win32 {

HFONT FormFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

HWND Place(HWND parent, const char* window_class, const char* text, DWORD style, int id, int x,
           int y, int width, int height) {
  HWND control = CreateWindowExA(0, window_class, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                                 height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
  if (control != nullptr)
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), 0);
  return control;
}

void SizeAndCentre(HWND window, int width, int height) {
  RECT frame = {0, 0, width, height};
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
  const DWORD ex_style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  const int outer_width = frame.right - frame.left;
  const int outer_height = frame.bottom - frame.top;
  RECT area;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
    area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const int x = area.left + (area.right - area.left - outer_width) / 2;
  const int y = area.top + (area.bottom - area.top - outer_height) / 2;
  SetWindowPos(window, nullptr, x, y, outer_width, outer_height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace oru::ui::win32
