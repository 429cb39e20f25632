// Small helpers shared by the Win32 forms: the forms' font, placing a control at a fixed
// position in pixels, and sizing and centring a window by its client area.
#ifndef ORU_INDEXER_UI_WIN32_WIN32_UTIL_H_
#define ORU_INDEXER_UI_WIN32_WIN32_UTIL_H_

#include <windows.h>

namespace oru::ui::win32 {

// The forms' 8 point face: the system's default GUI font (a stock object, never deleted).
HFONT FormFont();

// Creates a child control of `window_class` with `text` at (x, y) of `parent`'s client area,
// `width` x `height` pixels, WS_CHILD | WS_VISIBLE | `style`, control id `id`, in the forms'
// font. Returns the control, or null when it cannot be created. The parent owns it.
HWND Place(HWND parent, const char* window_class, const char* text, DWORD style, int id, int x,
           int y, int width, int height);

// Gives `window` a client area of `width` x `height` pixels (its frame added around it) and
// puts it in the middle of the primary screen's work area.
void SizeAndCentre(HWND window, int width, int height);

}  // namespace oru::ui::win32

#endif  // ORU_INDEXER_UI_WIN32_WIN32_UTIL_H_
