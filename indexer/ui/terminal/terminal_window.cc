#include "indexer/ui/terminal/terminal_window.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace oru::ui {

namespace {

// Set by the signal handler, read by the event pump: a signal handler may do nothing else.
volatile std::sig_atomic_t g_interrupts = 0;
volatile std::sig_atomic_t g_terminations = 0;

void OnSignal(int signal_number) {
  if (signal_number == SIGINT) {
    g_interrupts = g_interrupts + 1;
  } else {
    g_terminations = g_terminations + 1;
  }
}

void InstallHandler(int signal_number) {
  struct sigaction action;
  std::memset(&action, 0, sizeof(action));
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
}

int TerminalWidth(std::FILE* out) {
  struct winsize size;
  if (ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 20) return size.ws_col;
  return 80;
}

}  // namespace

TerminalWindow::TerminalWindow(std::FILE* out, std::FILE* in)
    : out_(out),
      in_(in),
      interactive_out_(isatty(fileno(out)) != 0),
      interactive_in_(in != nullptr && isatty(fileno(in)) != 0) {
  g_interrupts = 0;
  g_terminations = 0;
  InstallHandler(SIGINT);
  InstallHandler(SIGTERM);
}

TerminalWindow::~TerminalWindow() {
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
}

void TerminalWindow::Caption::SetCaption(std::string_view text) {
  if (text_ == text) return;
  text_.assign(text);
  window_->Refresh(false);
}

void TerminalWindow::Bar::SetPosition(int position) {
  position_ = position;
  window_->Refresh(false);
}

void TerminalWindow::EventPump::ProcessMessages() {
  TerminalWindow& w = *window_;
  if (w.dirty_) w.Refresh(false);
  while (g_interrupts > 0 || g_terminations > 0) {
    // Ctrl-C is the Stop button; SIGTERM is the close box. Both lead to the confirmation.
    const bool close_box = g_terminations > 0;
    g_interrupts = 0;
    g_terminations = 0;
    if (w.events_ == nullptr) break;
    if (close_box && w.events_->on_close) {
      w.events_->on_close();
    } else if (w.events_->on_stop_click) {
      w.events_->on_stop_click();
    }
  }
}

std::string TerminalWindow::StatusText() const {
  std::string text = "Total Files Indexed: " + files_.text() + "  Words Found: " + words_.text();
  if (bar_.Position() > 0) {
    text += "  Saving: " + std::to_string(bar_.Position()) + "/" + std::to_string(kSavingSteps);
  } else if (!current_.text().empty()) {
    text += "  File: " + current_.text();
  }
  return text;
}

void TerminalWindow::Refresh(bool force) {
  const auto now = std::chrono::steady_clock::now();
  const auto interval =
      interactive_out_ ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000);
  if (!force && now - last_draw_ < interval) {
    dirty_ = true;
    return;
  }
  last_draw_ = now;
  dirty_ = false;
  std::string text = StatusText();
  if (interactive_out_) {
    const size_t width = static_cast<size_t>(TerminalWidth(out_)) - 1;
    if (text.size() > width) text = text.substr(0, width - 3) + "...";
    std::fprintf(out_, "\r\033[K%s", text.c_str());
    line_open_ = true;
  } else {
    std::fprintf(out_, "%s\n", text.c_str());
  }
  std::fflush(out_);
}

void TerminalWindow::EndStatusLine() {
  if (line_open_) std::fputc('\n', out_);
  line_open_ = false;
}

void TerminalWindow::ShowMessage(std::string_view text) {
  EndStatusLine();
  std::fprintf(out_, "ORU Indexer: %.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(out_);
}

int TerminalWindow::ConfirmStop(bool* save) {
  if (!interactive_in_) {
    // Nobody to ask: an interrupt is a confirmed Stop without saving.
    *save = false;
    return kModalYes;
  }
  EndStatusLine();
  for (;;) {
    std::fprintf(out_,
                 "Are You Sure Want Stop Indexing?\n"
                 "  [%c] Save Partially Created Index\n"
                 "y = Yes, n = No, s = tick or untick the box: ",
                 *save ? 'x' : ' ');
    std::fflush(out_);
    char answer[64];
    if (std::fgets(answer, sizeof(answer), in_) == nullptr) {
      clearerr(in_);
      return kModalNo;
    }
    const char c = answer[0];
    if (c == 's' || c == 'S') {
      *save = !*save;
      continue;
    }
    Refresh(true);
    return (c == 'y' || c == 'Y') ? kModalYes : kModalNo;
  }
}

void TerminalWindow::RunLoop(const WindowEvents& events) {
  events_ = &events;
  if (events.on_show) events.on_show();
  // Nothing needs drawing first: the pass starts at once. An interrupt that came before it
  // still leads to the confirmation first.
  pump_.ProcessMessages();
  if (!terminated_ && !closed_ && events.on_start) events.on_start();
  if (dirty_ || line_open_) Refresh(true);
  EndStatusLine();
  events_ = nullptr;
}

}  // namespace oru::ui
