// The progress window as the program's forms see it, whatever draws it: the labels and bar the
// engine writes, the event pump, modal message boxes and the Stop confirmation. One
// implementation per toolkit (a terminal one; GTK; Win32).
#ifndef ORU_INDEXER_UI_WINDOW_H_
#define ORU_INDEXER_UI_WINDOW_H_

#include <functional>
#include <string_view>

#include "platform/progress.h"

namespace oru::ui {

// The saving bar's range: the pass moves it once per part built and once for the word list.
inline constexpr int kSavingSteps = 65;

// The modal results of the Stop confirmation.
inline constexpr int kModalYes = 1;
inline constexpr int kModalNo = 2;

// What the window reports back to its form.
struct WindowEvents {
  std::function<void()> on_show;        // the window is shown (FormShow)
  std::function<void()> on_start;       // the window is up: the pass starts (StartPass)
  std::function<void()> on_stop_click;  // the Stop button (bStopClick)
  std::function<bool()> on_close;       // the close box; false keeps the window (FormClose)
};

class Window {
 public:
  virtual ~Window() = default;

  virtual platform::Label* FilesIndexedLabel() = 0;  // under "Total Files Indexed:"
  virtual platform::Label* CurrentFileLabel() = 0;   // under "File Currently Indexing:"
  virtual platform::Label* WordsFoundLabel() = 0;    // under "Words Found:"
  virtual platform::ProgressBar* SavingBar() = 0;    // 0 to kSavingSteps
  virtual platform::MessagePump* Pump() = 0;

  // Shows a modal message box with an OK button, titled "ORU Indexer".
  virtual void ShowMessage(std::string_view text) = 0;
  // True when ShowMessage writes a line on standard error (the terminal form), where the
  // program's own closing line already says what went wrong at start-up.
  virtual bool MessagesGoToStandardError() const { return false; }
  // Shows the Stop confirmation modally; `save` holds the check box's state in and out.
  // Returns kModalYes or kModalNo.
  virtual int ConfirmStop(bool* save) = 0;
  // Shows the window, calls on_show, calls on_start once as soon as the window has been drawn
  // (at once where nothing needs drawing), and runs the message loop until Terminate or Close.
  // A loop asked to end before then never calls on_start.
  virtual void RunLoop(const WindowEvents& events) = 0;
  // Asks the message loop to end at its next turn.
  virtual void Terminate() = 0;
  // Closes the window, which ends the loop.
  virtual void Close() = 0;
};

}  // namespace oru::ui

#endif  // ORU_INDEXER_UI_WINDOW_H_
