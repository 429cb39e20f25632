// TfStop drawn with Win32: the modal "Really Stop?" dialog with its check box, and the plain
// message box of the start-up messages.
#ifndef ORU_INDEXER_UI_WIN32_STOP_DIALOG_H_
#define ORU_INDEXER_UI_WIN32_STOP_DIALOG_H_

#include <windows.h>

#include <string_view>

namespace oru::ui::win32 {

// Shows the Stop confirmation as a modal dialog owned by `owner` (disabled while it is open;
// may be null), centred on the screen, with the check box set from `*save`; stores the box's
// state back into `*save` whatever the answer. Returns kModalYes for "Yes", kModalNo for "No",
// for the close box or Escape, and when the dialog cannot be shown (`*save` then unchanged).
int RunStopDialog(HWND owner, bool* save);

// Shows `text` (in the ANSI code page) in a modal message box titled "ORU Indexer" with one OK
// button and no icon, owned by `owner` (may be null). Returns when OK is pressed.
void ShowMessageBox(HWND owner, std::string_view text);

}  // namespace oru::ui::win32

#endif  // ORU_INDEXER_UI_WIN32_STOP_DIALOG_H_
