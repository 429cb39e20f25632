// Chooses how the progress window is drawn. Windows: with Win32 controls, always (a windowed
// program has no terminal to fall back on). Elsewhere: with GTK, from the module beside the
// program, when a display is named and can be opened; otherwise on the terminal (standard
// error, with Ctrl-C as the Stop button).
#ifndef ORU_INDEXER_UI_MAKE_WINDOW_H_
#define ORU_INDEXER_UI_MAKE_WINDOW_H_

#include <memory>
#include <string_view>

#include "indexer/ui/window.h"

namespace oru::ui {

// Returns the window, built and hidden. Null only on Windows, when the window cannot be
// created; elsewhere never null.
std::unique_ptr<Window> MakeWindow();

// Shows `text` when there is no window to show it with: a message box titled "ORU Indexer" on
// Windows, a line on standard error elsewhere.
void ShowMessageWithoutWindow(std::string_view text);

}  // namespace oru::ui

#endif  // ORU_INDEXER_UI_MAKE_WINDOW_H_
