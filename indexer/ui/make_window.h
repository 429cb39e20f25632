// Chooses how the progress window is drawn: with GTK when a display can be opened, otherwise
// on the terminal (standard error, with Ctrl-C as the Stop button).
#ifndef ORU_INDEXER_UI_MAKE_WINDOW_H_
#define ORU_INDEXER_UI_MAKE_WINDOW_H_

#include <memory>

#include "indexer/ui/window.h"

namespace oru::ui {

// Never returns null.
std::unique_ptr<Window> MakeWindow();

}  // namespace oru::ui

#endif  // ORU_INDEXER_UI_MAKE_WINDOW_H_
