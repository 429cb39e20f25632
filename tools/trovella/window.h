// The search window as the program sees it, whatever draws it: one form per toolkit (GTK on
// Linux), each over the same logic (search_model.h, index_jobs.h).
#ifndef ORU_TOOLS_TROVELLA_WINDOW_H_
#define ORU_TOOLS_TROVELLA_WINDOW_H_

#include <memory>
#include <string>

namespace oru::trovella {

// The window's title and class, by which Tamsel finds it to say that an index was written.
inline constexpr char kWindowTitle[] = "Trovella 1.2";

struct WindowOptions {
  std::string work;    // the work folder, ending in the separator
  std::string oru;     // the oru program that indexes folders
  std::string opener;  // the program that opens a hit; empty for the desktop's default
  std::string query;   // typed into the query at the start
};

class MainWindow {
 public:
  virtual ~MainWindow() = default;
  // Shows the window and runs until it is closed; the program's exit status.
  virtual int Run() = 0;
};

// The window, or null when no display can be opened (`problem` then says why).
std::unique_ptr<MainWindow> MakeMainWindow(const WindowOptions& options, std::string* problem);

// Tells the user why the program cannot start (one line): on standard error, and on Windows,
// where a program started from the desktop has no terminal, in a message box too.
void ShowStartProblem(const std::string& problem);

}  // namespace oru::trovella

#endif  // ORU_TOOLS_TROVELLA_WINDOW_H_
