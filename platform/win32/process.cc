#include "platform/process.h"

#include "platform/win32/command_line.h"
#include "platform/win32/win_api.h"

namespace oru::platform {

// One argument as the C runtime's (and CommandLineToArgvW's) parsing gives it back: quoted when
// it is empty or holds a blank or quote; backslashes doubled only before a quote.
void AppendQuoted(const std::string& arg, std::string* line) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
    *line += arg;
    return;
  }
  *line += '"';
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line->append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    *line += c;
  }
  line->append(backslashes * 2, '\\');
  *line += '"';
}

std::string CommandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& arg : argv) {
    if (!line.empty()) line += ' ';
    AppendQuoted(arg, &line);
  }
  return line;
}

namespace {

// Ctrl-C and Ctrl-Break typed at the console reach every program attached to it: this process
// lets them pass while the program runs, so that only the program acts on them.
BOOL WINAPI IgnoreInterrupt(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

class IgnoredInterrupts {
 public:
  IgnoredInterrupts() : set_(::SetConsoleCtrlHandler(IgnoreInterrupt, TRUE) != 0) {}
  ~IgnoredInterrupts() {
    if (set_) ::SetConsoleCtrlHandler(IgnoreInterrupt, FALSE);
  }
  IgnoredInterrupts(const IgnoredInterrupts&) = delete;
  IgnoredInterrupts& operator=(const IgnoredInterrupts&) = delete;

 private:
  bool set_;
};

}  // namespace

const char kProgramSuffix[] = ".exe";

Result RunProgram(const std::vector<std::string>& argv, ProgramExit* exit) {
  if (argv.empty() || exit == nullptr) return Result::kFailed;
  const DWORD attributes = ::GetFileAttributesA(argv[0].c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return Result::kNotFound;
  std::string line = CommandLine(argv);
  // The program gets this process's standard handles and environment.
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  const DWORD kStreams[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  HANDLE* targets[] = {&startup.hStdInput, &startup.hStdOutput, &startup.hStdError};
  for (int i = 0; i < 3; ++i) {
    HANDLE h = ::GetStdHandle(kStreams[i]);
    if (h != nullptr && h != INVALID_HANDLE_VALUE)
      ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    *targets[i] = h;
  }
  IgnoredInterrupts interrupts;
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessA(argv[0].c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return Result::kFailed;
  }
  ::CloseHandle(process.hThread);
  DWORD code = 0;
  const bool waited = ::WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                      ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hProcess);
  if (!waited) return Result::kFailed;
  exit->exited = true;
  exit->status = static_cast<int>(code);
  exit->signal = 0;
  return Result::kOk;
}

// The idle class passes on to the programs this process starts.
void RunAtLowPriority() { SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS); }

}  // namespace oru::platform
