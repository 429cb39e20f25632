// The progress window drawn on a terminal, for machines without a display: the labels and the
// bar as one status line on standard error, Ctrl-C as the Stop button (the confirmation is
// asked on the terminal), message boxes as lines on standard error. When standard input is
// not a terminal, SIGINT and SIGTERM act as a confirmed Stop without saving.
#ifndef ORU_INDEXER_UI_TERMINAL_TERMINAL_WINDOW_H_
#define ORU_INDEXER_UI_TERMINAL_TERMINAL_WINDOW_H_

#include <chrono>
#include <cstdio>
#include <string>

#include "indexer/ui/window.h"

namespace oru::ui {

class TerminalWindow : public Window {
 public:
  // Writes to `out` (standard error) and reads answers from `in` (standard input).
  TerminalWindow(std::FILE* out, std::FILE* in);
  ~TerminalWindow() override;
  TerminalWindow(const TerminalWindow&) = delete;
  TerminalWindow& operator=(const TerminalWindow&) = delete;

  platform::Label* FilesIndexedLabel() override { return &files_; }
  platform::Label* CurrentFileLabel() override { return &current_; }
  platform::Label* WordsFoundLabel() override { return &words_; }
  platform::ProgressBar* SavingBar() override { return &bar_; }
  platform::MessagePump* Pump() override { return &pump_; }

  void ShowMessage(std::string_view text) override;
  bool MessagesGoToStandardError() const override { return true; }
  int ConfirmStop(bool* save) override;
  void RunLoop(const WindowEvents& events) override;
  void Terminate() override { terminated_ = true; }
  void Close() override { closed_ = true; }

 private:
  class Caption : public platform::Label {
   public:
    explicit Caption(TerminalWindow* window) : window_(window) {}
    void SetCaption(std::string_view text) override;
    const std::string& text() const { return text_; }

   private:
    TerminalWindow* window_;
    std::string text_;
  };
  class Bar : public platform::ProgressBar {
   public:
    explicit Bar(TerminalWindow* window) : window_(window) {}
    int Position() const override { return position_; }
    void SetPosition(int position) override;

   private:
    TerminalWindow* window_;
    int position_ = 0;
  };
  class EventPump : public platform::MessagePump {
   public:
    explicit EventPump(TerminalWindow* window) : window_(window) {}
    void ProcessMessages() override;

   private:
    TerminalWindow* window_;
  };

  // Redraws the status line, at most every `interval`; `force` draws at once.
  void Refresh(bool force);
  std::string StatusText() const;
  void EndStatusLine();

  std::FILE* out_;
  std::FILE* in_;
  bool interactive_out_;  // standard error is a terminal: rewrite the line in place
  bool interactive_in_;   // standard input is a terminal: ask before stopping
  Caption files_{this};
  Caption current_{this};
  Caption words_{this};
  Bar bar_{this};
  EventPump pump_{this};
  const WindowEvents* events_ = nullptr;
  bool terminated_ = false;
  bool closed_ = false;
  bool line_open_ = false;
  bool dirty_ = false;
  std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace oru::ui

#endif  // ORU_INDEXER_UI_TERMINAL_TERMINAL_WINDOW_H_
