// The progress window TfMain drawn with Win32 controls: three lowered panels with the counts
// and the current file, the saving bar and the Stop button at the form's fixed positions; its
// Stop confirmation is the modal TfStop dialog and its messages are modal message boxes.
// The window's class is "TfMain"; the controls carry ids tests can find them by (the value
// labels 3, 4 and 6 after their form names Label3, Label4, Label6; the bar 7; Stop 8).
#ifndef ORU_INDEXER_UI_WIN32_WIN32_WINDOW_H_
#define ORU_INDEXER_UI_WIN32_WIN32_WINDOW_H_

#include <memory>
#include <string_view>

#include "indexer/ui/window.h"

namespace oru::ui {

class Win32ProgressWindow : public Window {
 public:
  // Registers the window class and builds the window, hidden. Returns null when the window
  // cannot be created.
  static std::unique_ptr<Win32ProgressWindow> Create();
  ~Win32ProgressWindow() override;  // destroys the window
  Win32ProgressWindow(const Win32ProgressWindow&) = delete;
  Win32ProgressWindow& operator=(const Win32ProgressWindow&) = delete;

  platform::Label* FilesIndexedLabel() override;
  platform::Label* CurrentFileLabel() override;
  platform::Label* WordsFoundLabel() override;
  platform::ProgressBar* SavingBar() override;
  platform::MessagePump* Pump() override;

  void ShowMessage(std::string_view text) override;
  int ConfirmStop(bool* save) override;
  // Shows the window, calls on_show, and calls on_start once from the message loop after the
  // window's first paint, unless the loop was asked to end before; a Stop dialog open at that
  // moment puts the start off until it closes. Returns when Terminate or Close ended the loop.
  void RunLoop(const WindowEvents& events) override;
  // Ends the loop once the handler running now (the pass, inside on_start) has returned.
  void Terminate() override;
  // Hides the window and ends the loop like Terminate.
  void Close() override;

 private:
  struct Controls;
  Win32ProgressWindow();
  void EndLoop();

  std::unique_ptr<Controls> controls_;
};

}  // namespace oru::ui

#endif  // ORU_INDEXER_UI_WIN32_WIN32_WINDOW_H_
