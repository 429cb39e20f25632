#include "indexer/ui/win32/stop_dialog.h"

#include <string>
#include <vector>

#include "indexer/ui/win32/win32_util.h"
#include "indexer/ui/window.h"

namespace oru::ui::win32 {

namespace {

constexpr char kTitle[] = "Really Stop?";
constexpr char kQuestion[] = "Are You Sure Want Stop Indexing?";
constexpr char kSaveCaption[] = "Save Partially Created Index";
constexpr char kApplicationTitle[] = "ORU Indexer";

constexpr int kClientWidth = 300;
constexpr int kClientHeight = 192;
// Control ids; tests find the controls by them (and by their texts).
constexpr int kSaveId = 100;   // cbSave
constexpr int kYesId = IDYES;  // Yes
constexpr int kNoId = IDNO;    // bNo

struct DialogState {
  bool save = false;
};

// An in-memory dialog template without controls: the dialog procedure creates them at their
// pixel positions, which dialog units could only approximate. Written a 16-bit unit at a time:
// style, extended style, no items, zero position and size, no menu, the standard class, the
// title in UTF-16 (plain ASCII here).
std::vector<WORD> DialogTemplate() {
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  std::vector<WORD> units = {LOWORD(style), HIWORD(style), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (const char* c = kTitle; *c != '\0'; ++c) units.push_back(static_cast<WORD>(*c));
  units.push_back(0);
  return units;
}

void Finish(HWND dialog, int result) {
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (state != nullptr) state->save = IsDlgButtonChecked(dialog, kSaveId) == BST_CHECKED;
  EndDialog(dialog, result);
}

INT_PTR CALLBACK StopDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<DialogState*>(lparam);
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
      SizeAndCentre(dialog, kClientWidth, kClientHeight);
      // The bevel along the top, 145 high, shows its bottom line only.
      Place(dialog, "STATIC", "", SS_ETCHEDHORZ, -1, 0, 143, kClientWidth, 2);
      Place(dialog, "STATIC", kQuestion, SS_CENTER | SS_NOPREFIX, -1, 0, 56, 297, 13);
      // Created in tab order: the check box first, then Yes and No.
      HWND box = Place(dialog, "BUTTON", kSaveCaption, BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP,
                       kSaveId, 16, 104, 169, 17);
      Place(dialog, "BUTTON", "Yes", BS_PUSHBUTTON | WS_TABSTOP, kYesId, 24, 160, 75, 25);
      Place(dialog, "BUTTON", "No", BS_PUSHBUTTON | WS_TABSTOP, kNoId, 202, 160, 75, 25);
      CheckDlgButton(dialog, kSaveId, state->save ? BST_CHECKED : BST_UNCHECKED);
      SetFocus(box);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case kYesId:
          Finish(dialog, kModalYes);
          return TRUE;
        case kNoId:
        case IDCANCEL:  // Escape
          Finish(dialog, kModalNo);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_CLOSE:  // the close box and Alt+F4
      Finish(dialog, kModalNo);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int RunStopDialog(HWND owner, bool* save) {
  const std::vector<WORD> units = DialogTemplate();
  DialogState state;
  state.save = *save;
  const INT_PTR result = DialogBoxIndirectParamA(
      GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(units.data()), owner,
      &StopDialogProc, reinterpret_cast<LPARAM>(&state));
  if (result != kModalYes && result != kModalNo) return kModalNo;  // -1: not shown
  *save = state.save;
  return static_cast<int>(result);
}

void ShowMessageBox(HWND owner, std::string_view text) {
  const std::string shown(text);
  MessageBoxA(owner, shown.c_str(), kApplicationTitle, MB_OK);
}

}  // namespace oru::ui::win32
