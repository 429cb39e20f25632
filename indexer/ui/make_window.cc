#include "indexer/ui/make_window.h"

#include <cstdio>

#include "indexer/ui/gtk/gtk_window.h"
#include "indexer/ui/terminal/terminal_window.h"

namespace oru::ui {

std::unique_ptr<Window> MakeWindow() {
  if (auto window = GtkProgressWindow::Create()) return window;
  return std::make_unique<TerminalWindow>(stderr, stdin);
}

}  // namespace oru::ui
