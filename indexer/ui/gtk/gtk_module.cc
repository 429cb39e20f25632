// The export of the GTK window module.
#include "indexer/ui/gtk/gtk_module.h"

#include <type_traits>

#include "indexer/ui/gtk/gtk_window.h"
#include "plugin-api/plugin_export.h"

ORU_PLUGIN_EXPORT oru::ui::Window* OruMakeGtkWindow() {
  // Nothing thrown may leave the module: any failure to build the window is "no window", and
  // the program falls back on the terminal.
  try {
    return oru::ui::GtkProgressWindow::Create().release();
  } catch (...) {
    return nullptr;
  }
}

// The program calls it through this type.
static_assert(std::is_same_v<decltype(&OruMakeGtkWindow), oru::ui::MakeGtkWindowFunction>);
