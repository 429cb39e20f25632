// The GTK window lives in a shared module beside the program (TamselGtk.so), which alone links
// GTK: a run without a display never maps the GTK libraries. The program loads the module only
// when a display may be there and builds its window through the one export named here.
#ifndef ORU_INDEXER_UI_GTK_GTK_MODULE_H_
#define ORU_INDEXER_UI_GTK_GTK_MODULE_H_

#include "indexer/ui/window.h"

namespace oru::ui {

// The module's file name beside the program, without the platform's library suffix.
inline constexpr char kGtkModuleName[] = "TamselGtk";
// The export that builds the window: opens the default display and returns the window, built
// and hidden, which the caller owns (delete it while the module is loaded). Returns null when
// no display can be opened or anything failed; nothing is thrown out of it.
inline constexpr char kMakeGtkWindowExport[] = "OruMakeGtkWindow";
using MakeGtkWindowFunction = Window* (*)();

}  // namespace oru::ui

#endif  // ORU_INDEXER_UI_GTK_GTK_MODULE_H_
