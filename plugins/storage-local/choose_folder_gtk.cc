// The folder chooser with GTK 3. GTK is loaded only when a person is to choose a folder, and
// then stays loaded: the indexer loads and unloads this plug-in on every run and never chooses,
// and GTK cannot be unloaded cleanly once it has been used. gtk_init_check is safe to call
// again in a program that already runs GTK.
#include <cstdint>
#include <string>

#include "platform/dynlib.h"
#include "plugins/storage-local/choose_folder.h"

namespace oru::storage {

namespace {

constexpr char kGtkLibrary[] = "libgtk-3.so.0";
constexpr int kActionSelectFolder = 2;  // GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER
constexpr int kResponseAccept = -3;     // GTK_RESPONSE_ACCEPT
constexpr int kResponseCancel = -6;     // GTK_RESPONSE_CANCEL

struct Gtk {
  int (*init_check)(int*, char***);
  void* (*file_chooser_dialog_new)(const char*, void*, int, const char*, ...);
  void (*file_chooser_set_local_only)(void*, int);
  int (*dialog_run)(void*);
  char* (*file_chooser_get_filename)(void*);
  void (*free)(void*);
  void (*widget_destroy)(void*);
  int (*events_pending)();
  int (*main_iteration)();
};

template <typename Fn>
bool Bind(platform::LibraryHandle library, const char* name, Fn* fn) {
  *fn = reinterpret_cast<Fn>(platform::FindExport(library, name));
  return *fn != nullptr;
}

// GTK's entry points, loaded on first use; null when GTK is not installed.
const Gtk* LoadGtk() {
  static const Gtk* gtk = []() -> const Gtk* {
    platform::LibraryHandle library = platform::LoadLibrary(kGtkLibrary);
    if (library == nullptr) return nullptr;
    static Gtk g;
    const bool bound = Bind(library, "gtk_init_check", &g.init_check) &&
                       Bind(library, "gtk_file_chooser_dialog_new", &g.file_chooser_dialog_new) &&
                       Bind(library, "gtk_file_chooser_set_local_only",
                            &g.file_chooser_set_local_only) &&
                       Bind(library, "gtk_dialog_run", &g.dialog_run) &&
                       Bind(library, "gtk_file_chooser_get_filename",
                            &g.file_chooser_get_filename) &&
                       Bind(library, "g_free", &g.free) &&
                       Bind(library, "gtk_widget_destroy", &g.widget_destroy) &&
                       Bind(library, "gtk_events_pending", &g.events_pending) &&
                       Bind(library, "gtk_main_iteration", &g.main_iteration);
    return bound ? &g : nullptr;  // the library stays loaded either way
  }();
  return gtk;
}

}  // namespace

std::string ChooseFolder() {
  const Gtk* gtk = LoadGtk();
  if (gtk == nullptr || !gtk->init_check(nullptr, nullptr)) return {};
  void* dialog = gtk->file_chooser_dialog_new(nullptr, nullptr, kActionSelectFolder, "Cancel",
                                              kResponseCancel, "Select", kResponseAccept, nullptr);
  if (dialog == nullptr) return {};
  gtk->file_chooser_set_local_only(dialog, 1);
  std::string path;
  if (gtk->dialog_run(dialog) == kResponseAccept) {
    // Null for a choice without a local path.
    if (char* name = gtk->file_chooser_get_filename(dialog)) {
      path = name;
      gtk->free(name);
    }
  }
  gtk->widget_destroy(dialog);
  // Let the dialog disappear before the caller goes on.
  while (gtk->events_pending()) gtk->main_iteration();
  return path;
}

}  // namespace oru::storage
