// TfStop drawn with GTK: the modal "Really Stop?" dialog with its check box, and the plain
// message box of the start-up messages.
#ifndef ORU_INDEXER_UI_GTK_STOP_DIALOG_H_
#define ORU_INDEXER_UI_GTK_STOP_DIALOG_H_

#include <gtk/gtk.h>

#include <string_view>

namespace oru::ui::gtk {

class StopDialog {
 public:
  StopDialog() = default;
  ~StopDialog();
  StopDialog(const StopDialog&) = delete;
  StopDialog& operator=(const StopDialog&) = delete;

  // Builds the dialog (hidden) over `parent`; called once, before Run.
  void Create(GtkWidget* parent);
  // Shows the dialog modally with the check box set from `*save`, and stores the box's state
  // back into `*save` whatever the answer. Returns kModalYes for "Yes", kModalNo for "No" and
  // for closing the dialog by its close box or Escape.
  int Run(bool* save);

 private:
  GtkWidget* dialog_ = nullptr;  // owned: destroyed with this object
  GtkWidget* save_box_ = nullptr;
};

// Shows `text` in a modal message box titled with the application's title, without icon, with
// one OK button, centred over `parent` (null: on the screen). Returns when OK is pressed.
void ShowMessageBox(GtkWidget* parent, std::string_view text);

}  // namespace oru::ui::gtk

#endif  // ORU_INDEXER_UI_GTK_STOP_DIALOG_H_
