#include "indexer/ui/make_window.h"

#ifdef _WIN32
#include "indexer/ui/win32/stop_dialog.h"
#include "indexer/ui/win32/win32_window.h"
#else
#include <cstdio>

#include "indexer/ui/gtk/gtk_window.h"
#include "indexer/ui/terminal/terminal_window.h"
#endif

namespace oru::ui {

std::unique_ptr<Window> MakeWindow() {
#ifdef _WIN32
  return Win32ProgressWindow::Create();
#else
  if (auto window = GtkProgressWindow::Create()) return window;
  return std::make_unique<TerminalWindow>(stderr, stdin);
#endif
}

void ShowMessageWithoutWindow(std::string_view text) {
#ifdef _WIN32
  win32::ShowMessageBox(nullptr, text);
#else
  std::fprintf(stderr, "ORU Indexer: %.*s\n", static_cast<int>(text.size()), text.data());
#endif
}

}  // namespace oru::ui
