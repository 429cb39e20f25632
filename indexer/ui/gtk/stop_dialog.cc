#include "indexer/ui/gtk/stop_dialog.h"

#include <string>

#include "indexer/ui/gtk/gtk_util.h"
#include "indexer/ui/window.h"

namespace oru::ui::gtk {

namespace {

constexpr char kTitle[] = "Really Stop?";
constexpr char kQuestion[] = "Are You Sure Want Stop Indexing?";
constexpr char kSaveCaption[] = "Save Partially Created Index";
constexpr char kApplicationTitle[] = "ORU Indexer";

void OnYes(GtkButton*, gpointer dialog) { gtk_dialog_response(GTK_DIALOG(dialog), kModalYes); }
void OnNo(GtkButton*, gpointer dialog) { gtk_dialog_response(GTK_DIALOG(dialog), kModalNo); }

}  // namespace

StopDialog::~StopDialog() {
  if (dialog_ != nullptr) gtk_widget_destroy(dialog_);
}

void StopDialog::Create(GtkWidget* parent) {
  if (dialog_ != nullptr) return;
  dialog_ = gtk_dialog_new();
  GtkWindow* window = GTK_WINDOW(dialog_);
  gtk_widget_set_name(dialog_, "TfStop");
  gtk_window_set_title(window, kTitle);
  gtk_window_set_modal(window, TRUE);
  if (parent != nullptr) gtk_window_set_transient_for(window, GTK_WINDOW(parent));
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  gtk_window_set_resizable(window, FALSE);

  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog_));
  // Only the form fills the dialog: no border, no gap above the (empty) button row.
  gtk_container_set_border_width(GTK_CONTAINER(content), 0);
  gtk_box_set_spacing(GTK_BOX(content), 0);
  GtkWidget* form = gtk_fixed_new();
  gtk_widget_set_size_request(form, 300, 192);
  gtk_box_pack_start(GTK_BOX(content), form, TRUE, TRUE, 0);

  // The bevel along the top, 145 high, shows its bottom line only.
  Place(form, gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), "Bevel1", 0, 145, 300, 2);
  GtkWidget* question = Place(form, gtk_label_new(kQuestion), "Label1", 0, 56, 297, -1);
  gtk_label_set_justify(GTK_LABEL(question), GTK_JUSTIFY_CENTER);
  gtk_label_set_xalign(GTK_LABEL(question), 0.5f);
  save_box_ = Place(form, gtk_check_button_new_with_label(kSaveCaption), "cbSave", 16, 104, 169,
                    17);
  GtkWidget* yes = Place(form, gtk_button_new_with_label("Yes"), "Yes", 24, 160, 75, 25);
  GtkWidget* no = Place(form, gtk_button_new_with_label("No"), "bNo", 202, 160, 75, 25);
  g_signal_connect(yes, "clicked", G_CALLBACK(OnYes), dialog_);
  g_signal_connect(no, "clicked", G_CALLBACK(OnNo), dialog_);
  // The dialog's own button row stays empty and hidden: the buttons sit on the form.
  gtk_container_foreach(
      GTK_CONTAINER(content),
      +[](GtkWidget* child, gpointer keep) {
        if (child != keep) gtk_widget_hide(child);
      },
      form);
  gtk_widget_show_all(form);
  SetFixedBorder(dialog_, false);
}

int StopDialog::Run(bool* save) {
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(save_box_), *save ? TRUE : FALSE);
  // The check box is first in the tab order and has the focus when the dialog opens.
  gtk_window_set_focus(GTK_WINDOW(dialog_), save_box_);
  const int response = gtk_dialog_run(GTK_DIALOG(dialog_));
  gtk_widget_hide(dialog_);
  *save = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(save_box_)) != FALSE;
  return response == kModalYes ? kModalYes : kModalNo;
}

void ShowMessageBox(GtkWidget* parent, std::string_view text) {
  GtkWindow* owner = parent != nullptr && gtk_widget_get_visible(parent) ? GTK_WINDOW(parent)
                                                                         : nullptr;
  const std::string shown = DisplayText(text);
  GtkWidget* box = gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                          GTK_BUTTONS_OK, "%s", shown.c_str());
  gtk_window_set_title(GTK_WINDOW(box), kApplicationTitle);
  gtk_window_set_position(GTK_WINDOW(box),
                          owner != nullptr ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

}  // namespace oru::ui::gtk
