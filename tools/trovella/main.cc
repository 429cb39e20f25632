// Trovella: the search window of ORU Indexer.
//   Trovella [--opener PROGRAM] [QUERY]
#include <cstdio>
#include <string>

#include "platform/folders.h"
#include "platform/process.h"
#include "tools/oru/work.h"
#include "tools/trovella/window.h"

int main(int argc, char** argv) {
  oru::trovella::WindowOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--opener" && i + 1 < argc) {
      options.opener = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      std::puts(
          "usage: Trovella [--opener PROGRAM] [QUERY]\n"
          "The search window of ORU Indexer: searches the indexes of the work folder as\n"
          "'oru search' does, as you type. --opener opens hits with PROGRAM instead of the\n"
          "desktop's default application.");
      return 0;
    } else {
      options.query += (options.query.empty() ? "" : " ") + arg;
    }
  }
  bool config_written = false;
  std::string error;
  if (!oru::tool::PrepareWorkFolder(&options.work, &config_written, &error)) {
    oru::trovella::ShowStartProblem(error);
    return 2;
  }
  options.oru = oru::platform::ProgramFolder() + "oru" + oru::platform::kProgramSuffix;
  std::string problem;
  const std::unique_ptr<oru::trovella::MainWindow> window =
      oru::trovella::MakeMainWindow(options, &problem);
  if (window == nullptr) {
    oru::trovella::ShowStartProblem(problem);
    return 2;
  }
  return window->Run();
}
