// Small helpers shared by the GTK forms: placing a named control at a fixed position, turning
// the engine's byte strings into the UTF-8 that GTK draws, and the window-manager hints.
#ifndef ORU_INDEXER_UI_GTK_GTK_UTIL_H_
#define ORU_INDEXER_UI_GTK_GTK_UTIL_H_

#include <gtk/gtk.h>

#include <string>
#include <string_view>

namespace oru::ui::gtk {

// Names `widget` (tests find controls by these names), gives it the size `width` x `height`
// and puts it at (x, y) of `parent`. Returns `widget`.
GtkWidget* Place(GtkWidget* parent, GtkWidget* widget, const char* name, int x, int y, int width,
                 int height);

// Returns `text` as UTF-8: unchanged when it already is, otherwise read as the system's
// single-byte code page (a path or message of the engine may hold any byte).
std::string DisplayText(std::string_view text);

// Realizes `window` and asks the window manager for a fixed border with a title, a close box
// and, when `minimise` is true, a minimise box; never a maximise box.
void SetFixedBorder(GtkWidget* window, bool minimise);

// Installs, once per program, the style of the forms: an 8 point sans-serif face as on the
// forms' original layout, and a progress bar as high as its control.
void InstallFormStyle();

}  // namespace oru::ui::gtk

#endif  // ORU_INDEXER_UI_GTK_GTK_UTIL_H_
