// TfStop: the Stop confirmation. One instance lives for the whole program, so the check box
// keeps the state the user left it in between confirmations.
#ifndef ORU_INDEXER_STOP_FORM_H_
#define ORU_INDEXER_STOP_FORM_H_

#include "indexer/ui/window.h"

namespace oru {

inline constexpr char kStopQuestion[] = "Are You Sure Want Stop Indexing?";
inline constexpr char kSaveCaption[] = "Save Partially Created Index";

class TfStop {
 public:
  // Shows the dialog modally through `window`. Returns ui::kModalYes or ui::kModalNo; while the
  // application is terminating it ends at once with kModalNo.
  int ShowModal(ui::Window* window, bool terminating) {
    if (terminating) return ui::kModalNo;
    return window->ConfirmStop(&cbSave);
  }

  bool cbSave = false;  // "Save Partially Created Index", unticked at creation
};

}  // namespace oru

#endif  // ORU_INDEXER_STOP_FORM_H_
