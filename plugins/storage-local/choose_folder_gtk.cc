// The folder chooser with GTK 3. The plug-in is loaded into programs that may or may not
// have initialised GTK themselves; gtk_init_check is safe to call again in either case.
#include <gtk/gtk.h>

#include <memory>

#include "plugins/storage-local/choose_folder.h"

namespace oru::storage {

std::string ChooseFolder() {
  if (!gtk_init_check(nullptr, nullptr)) return {};

  GtkWidget* dialog =
      gtk_file_chooser_dialog_new(nullptr, nullptr, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "Cancel",
                                  GTK_RESPONSE_CANCEL, "Select", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(dialog), TRUE);

  std::string path;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    // NULL for a choice without a local path.
    std::unique_ptr<gchar, decltype(&g_free)> name(
        gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog)), &g_free);
    if (name != nullptr) path = name.get();
  }
  gtk_widget_destroy(dialog);
  // Let the dialog disappear before the caller goes on.
  while (gtk_events_pending()) gtk_main_iteration();
  return path;
}

}  // namespace oru::storage
