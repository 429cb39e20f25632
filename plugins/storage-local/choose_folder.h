// The one dialog of the storage plug-in: a person picks a folder. One implementation per
// toolkit (choose_folder_gtk.cc here); the exports only see this call.
#ifndef ORU_PLUGINS_STORAGE_LOCAL_CHOOSE_FOLDER_H_
#define ORU_PLUGINS_STORAGE_LOCAL_CHOOSE_FOLDER_H_

#include <string>

namespace oru::storage {

// Shows a modal folder chooser without an owner window and returns the chosen folder's
// file-system path. Empty when the person cancels, the choice has no local path, or no
// display can be opened (then nothing is shown and the call returns at once).
std::string ChooseFolder();

}  // namespace oru::storage

#endif  // ORU_PLUGINS_STORAGE_LOCAL_CHOOSE_FOLDER_H_
