// Tamsel: the indexer program. One argument, the job file. Exit status: 1 when the program ends
// before its window runs (another instance, no argument, no job file), 2 when the window could
// not start or an unexpected failure ended it (shown in a message box), otherwise the result of
// the pass. Every status but 0 comes with one line on standard error saying what failed,
// where and why, in the window form too.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "indexer/main_form.h"
#include "indexer/ui/make_window.h"
#include "indexer/engine/job.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/memory.h"
#include "platform/mutex.h"

namespace {

constexpr int kExitEarly = 1;
constexpr int kExitWindowFailed = 2;

std::string ProgramFileName(const char* argv0) {
  std::string path = oru::platform::ProgramPath();
  if (path.empty() && argv0 != nullptr) path = argv0;
  const size_t slash = path.find_last_of(oru::platform::kPathSeparator);
  return oru::platform::LowerAnsi(slash == std::string::npos ? path : path.substr(slash + 1));
}

// The message for an exception that nothing else handled.
std::string UnexpectedFailureText(const std::exception_ptr& failure) {
  std::string what = "unknown exception";
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
  }
  return "Sorry. Unexpected failure: " + what + "." + oru::kRefer1;
}

// Ends the program with `status`, saying why on standard error unless it is 0.
int Exit(int status, const std::string& why) {
  if (status != 0) {
    std::fprintf(stderr, "Tamsel: %s\n", why.empty() ? "failed" : why.c_str());
    std::fflush(stderr);
  }
  return status;
}

int RunWindow(const std::string& job_file, std::string* why) {
  const std::unique_ptr<oru::ui::Window> window = oru::ui::MakeWindow();
  if (window == nullptr) {
    *why = "cannot open the progress window";
    return kExitWindowFailed;
  }
  auto form = std::make_unique<oru::TfMain>(window.get(), job_file);
  bool created = false;
  try {
    created = form->FormCreate();
  } catch (const std::exception& e) {
    form->set_failure_text(std::string("cannot prepare the work folders: ") + e.what());
  } catch (...) {
    form->set_failure_text("cannot prepare the work folders: unknown exception");
  }
  if (!created) {
    *why = form->failure_text();
    return kExitWindowFailed;
  }
  oru::ui::WindowEvents events;
  events.on_start = [&] { form->StartPass(); };
  events.on_stop_click = [&] { form->bStopClick(); };
  events.on_close = [&] { return form->FormClose(); };
  try {
    window->RunLoop(events);
  } catch (...) {
    // The pass itself never throws; what gets here came from the window. A windowed program
    // has nowhere else to say it, so the window's own message box does.
    const std::string text = UnexpectedFailureText(std::current_exception());
    *why = text;
    try {
      window->ShowMessage(text);
    } catch (...) {
      oru::ui::ShowMessageWithoutWindow(text);
    }
    return kExitWindowFailed;
  }
  *why = form->failure_text();
  return form->run_result();
}

}  // namespace

int main(int argc, char** argv) {
  // A pass takes and frees each file's buffers in turn: the memory is kept for the next file.
  oru::platform::KeepFreedMemory();
  // One instance per program file name; a second one ends at once, silently.
  oru::platform::InstanceMutex mutex;
  const oru::platform::Status held = oru::platform::InstanceMutex::Acquire(
      ProgramFileName(argc > 0 ? argv[0] : nullptr), &mutex);
  if (held.result() == oru::platform::Result::kExists) {
    return Exit(kExitEarly, "another Tamsel is running");
  }
  if (!held.ok()) return Exit(kExitEarly, held.Message());
  if (argc < 2) return Exit(kExitEarly, "no job file given (usage: Tamsel JOBFILE)");
  if (const std::string problem = oru::JobFileProblem(argv[1]); !problem.empty()) {
    return Exit(kExitEarly, std::string("cannot open job file ") + argv[1] + ": " + problem);
  }
  std::string why;
  try {
    const int status = RunWindow(argv[1], &why);
    return Exit(status, why);
  } catch (...) {
    // Before the window exists, or while it is built: a box of its own.
    why = UnexpectedFailureText(std::current_exception());
    oru::ui::ShowMessageWithoutWindow(why);
  }
  return Exit(kExitWindowFailed, why);
}
