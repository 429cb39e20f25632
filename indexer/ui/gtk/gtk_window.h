// The progress window TfMain drawn with GTK 3: three lowered panels with the counts and the
// current file, the saving bar and the Stop button at the form's fixed positions; its Stop
// confirmation is the modal TfStop dialog and its messages are modal message boxes.
// Every control carries its form name (gtk_widget_set_name), so tests can find it.
#ifndef ORU_INDEXER_UI_GTK_GTK_WINDOW_H_
#define ORU_INDEXER_UI_GTK_GTK_WINDOW_H_

#include <memory>
#include <string_view>

#include "indexer/ui/window.h"

namespace oru::ui {

class GtkProgressWindow : public Window {
 public:
  // Opens the default display and builds the window and the Stop dialog, both hidden.
  // Returns null when no display can be opened. The process keeps the "C" locale.
  static std::unique_ptr<GtkProgressWindow> Create();
  ~GtkProgressWindow() override;
  GtkProgressWindow(const GtkProgressWindow&) = delete;
  GtkProgressWindow& operator=(const GtkProgressWindow&) = delete;

  platform::Label* FilesIndexedLabel() override;
  platform::Label* CurrentFileLabel() override;
  platform::Label* WordsFoundLabel() override;
  platform::ProgressBar* SavingBar() override;
  platform::MessagePump* Pump() override;

  void ShowMessage(std::string_view text) override;
  int ConfirmStop(bool* save) override;
  // Shows the window, calls on_show, and calls on_start once from the GTK main loop after the
  // window's first draw (or a second after showing it, should it never be drawn), unless the
  // loop was asked to end before; a Stop dialog open at that moment puts the start off until
  // it closes. Returns when Terminate or Close ended the loop.
  void RunLoop(const WindowEvents& events) override;
  // Ends the loop once the handler running now (the pass, inside on_start) has returned.
  void Terminate() override;
  // Hides the window and ends the loop like Terminate.
  void Close() override;

 private:
  struct Controls;
  GtkProgressWindow();
  void EndLoop();

  std::unique_ptr<Controls> controls_;
};

}  // namespace oru::ui

#endif  // ORU_INDEXER_UI_GTK_GTK_WINDOW_H_
