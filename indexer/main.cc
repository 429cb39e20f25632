// Tamsel: the indexer program. One argument, the job file. Exit status: 1 when the program ends
// before its window runs (another instance, no argument, no job file), 2 when the window could
// not start or an unexpected failure ended it (shown in a message box), otherwise the result of
// the pass (F22).
#include <exception>
#include <memory>
#include <string>

#include "indexer/main_form.h"
#include "indexer/ui/make_window.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/folders.h"
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

int RunWindow(const std::string& job_file) {
  const std::unique_ptr<oru::ui::Window> window = oru::ui::MakeWindow();
  if (window == nullptr) return kExitWindowFailed;
  auto form = std::make_unique<oru::TfMain>(window.get(), job_file);
  bool created = false;
  try {
    created = form->FormCreate();
  } catch (...) {
    created = false;  // an unexpected failure while preparing the folders ends quietly
  }
  if (!created) return kExitWindowFailed;
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
    try {
      window->ShowMessage(text);
    } catch (...) {
      oru::ui::ShowMessageWithoutWindow(text);
    }
    return kExitWindowFailed;
  }
  return form->run_result();
}

}  // namespace

int main(int argc, char** argv) {
  // One instance per program file name; a second one ends at once, silently.
  oru::platform::InstanceMutex mutex;
  if (oru::platform::InstanceMutex::Acquire(ProgramFileName(argc > 0 ? argv[0] : nullptr),
                                            &mutex) != oru::platform::Result::kOk) {
    return kExitEarly;
  }
  if (argc < 2 || !oru::platform::FileExists(argv[1])) return kExitEarly;
  try {
    return RunWindow(argv[1]);
  } catch (...) {
    // Before the window exists, or while it is built: a box of its own.
    oru::ui::ShowMessageWithoutWindow(UnexpectedFailureText(std::current_exception()));
  }
  return kExitWindowFailed;
}
