// RunProcess and BackgroundProcess on Windows: CreateProcessA with pipes for the output, the
// changed variables in a new environment block. An interrupt cannot be sent to a program
// without a console of its own, so `interrupt_after_ms` is not supported here.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/command_line.h"
#include "platform/win32/win_api.h"
#include "tests/support/process.h"

namespace oru::testing {

namespace {


// This process's environment with `env` applied ("NAME=value"; "NAME=" removes NAME), as a
// block of NUL-ended strings closed by a second NUL.
std::string EnvironmentBlock(const std::vector<std::string>& env) {
  std::vector<std::string> vars;
  if (char* strings = ::GetEnvironmentStringsA()) {
    for (const char* p = strings; *p != '\0'; p += std::strlen(p) + 1) vars.emplace_back(p);
    ::FreeEnvironmentStringsA(strings);
  }
  auto name_of = [](const std::string& var) {
    // Entries such as "=C:=C:\dir" start with '=': their name runs to the second '='.
    return var.substr(0, var.find('=', 1));
  };
  for (const std::string& change : env) {
    const std::string name = name_of(change);
    std::erase_if(vars, [&](const std::string& var) {
      return ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name_of(var).c_str(), -1,
                              name.c_str(), -1) == CSTR_EQUAL;
    });
    if (change.size() > name.size() + 1) vars.push_back(change);
  }
  std::string block;
  for (const std::string& var : vars) block += var + '\0';
  block += '\0';
  return block;
}

struct Pipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  // The end the program gets is inherited; ours is not.
  bool Open(bool program_reads) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    if (!::CreatePipe(&read, &write, &sa, 0)) return false;
    ::SetHandleInformation(program_reads ? write : read, HANDLE_FLAG_INHERIT, 0);
    return true;
  }
  static void Close(HANDLE* h) {
    if (*h != nullptr) ::CloseHandle(*h);
    *h = nullptr;
  }
  ~Pipe() {
    Close(&read);
    Close(&write);
  }
};

HANDLE OpenNul(DWORD access) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  return ::CreateFileA("NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0,
                       nullptr);
}

// Starts the program with the given standard handles; the process handle, or nullptr.
HANDLE StartProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             HANDLE in, HANDLE out, HANDLE err) {
  if (argv.empty()) return nullptr;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  std::string line = platform::CommandLine(argv);
  std::string block = EnvironmentBlock(env);
  PROCESS_INFORMATION process = {};
  // No application name: the system finds the program as from a command line, adding ".exe".
  // No console either: the program's standard streams are the handles given.
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        block.data(), nullptr, &startup, &process)) {
    return nullptr;
  }
  ::CloseHandle(process.hThread);
  return process.hProcess;
}

// Waits up to `timeout_ms` for the process, kills it after that; its exit code, or -1.
int Finish(HANDLE process, DWORD timeout_ms) {
  int status = -1;
  if (::WaitForSingleObject(process, timeout_ms) != WAIT_OBJECT_0) {
    ::TerminateProcess(process, 255);
    ::WaitForSingleObject(process, INFINITE);
  } else {
    DWORD code = 0;
    if (::GetExitCodeProcess(process, &code)) status = static_cast<int>(code);
  }
  ::CloseHandle(process);
  return status;
}

// Appends what the pipe holds now to `text`, without waiting for more. False when nothing was
// there (or the pipe is closed).
bool ReadAvailable(HANDLE h, std::string* text) {
  DWORD available = 0;
  if (!::PeekNamedPipe(h, nullptr, 0, nullptr, &available, nullptr) || available == 0) {
    return false;
  }
  char buffer[4096];
  DWORD got = 0;
  const DWORD want = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
  if (!::ReadFile(h, buffer, want, &got, nullptr) || got == 0) return false;
  text->append(buffer, got);
  return true;
}

}  // namespace

// The output is read while the program runs and, once it has ended, what is left in the pipes;
// the end of the pipes is not awaited, as a process the program started (under Wine, a console
// host) may still hold them.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string* input, int timeout_seconds,
                         int /*interrupt_after_ms*/) {
  ProcessResult result;
  Pipe out, err, in;
  if (!out.Open(false) || !err.Open(false) || !in.Open(true)) return result;
  HANDLE nul = input == nullptr ? OpenNul(GENERIC_READ) : nullptr;
  HANDLE process = StartProgram(argv, env, input != nullptr ? in.read : nul, out.write, err.write);
  if (nul != nullptr && nul != INVALID_HANDLE_VALUE) ::CloseHandle(nul);
  Pipe::Close(&out.write);
  Pipe::Close(&err.write);
  Pipe::Close(&in.read);
  if (process == nullptr) return result;
  if (input != nullptr) {
    DWORD written = 0;
    ::WriteFile(in.write, input->data(), static_cast<DWORD>(input->size()), &written, nullptr);
  }
  Pipe::Close(&in.write);
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(timeout_seconds) * 1000u;
  bool ended = false;
  for (;;) {
    const bool read_out = ReadAvailable(out.read, &result.out);
    const bool read_err = ReadAvailable(err.read, &result.err);
    if (read_out || read_err) continue;
    if (ended) break;  // nothing was left after the end
    if (::WaitForSingleObject(process, 10) == WAIT_OBJECT_0) {
      ended = true;
    } else if (::GetTickCount64() >= deadline) {
      ::TerminateProcess(process, 255);
      ::WaitForSingleObject(process, INFINITE);
      ::CloseHandle(process);
      return result;  // killed: exit_status stays -1
    }
  }
  result.exit_status = Finish(process, 0);
  return result;
}

BackgroundProcess::~BackgroundProcess() {
  if (pid_ > 0) {
    HANDLE process = reinterpret_cast<HANDLE>(static_cast<intptr_t>(pid_));
    ::TerminateProcess(process, 255);
    ::WaitForSingleObject(process, INFINITE);
    ::CloseHandle(process);
  }
}

// On Windows `pid_` keeps the process handle (handles fit in 32 bits, also in 64-bit programs).
bool BackgroundProcess::Start(const std::vector<std::string>& argv,
                              const std::vector<std::string>& env, const std::string& log_path) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE log = ::CreateFileA(log_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return false;
  HANDLE nul = OpenNul(GENERIC_READ);
  HANDLE process = StartProgram(argv, env, nul, log, log);
  ::CloseHandle(log);
  if (nul != INVALID_HANDLE_VALUE) ::CloseHandle(nul);
  if (process == nullptr) return false;
  pid_ = static_cast<int>(reinterpret_cast<intptr_t>(process));
  return true;
}

bool BackgroundProcess::Running() {
  if (pid_ <= 0) return false;
  HANDLE process = reinterpret_cast<HANDLE>(static_cast<intptr_t>(pid_));
  if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) return true;
  exit_status_ = Finish(process, 0);
  pid_ = -1;
  return false;
}

// Windows has no request to end that one console program sends another: the program is killed.
void BackgroundProcess::Terminate() { Kill(); }

void BackgroundProcess::Kill() {
  if (pid_ <= 0) return;
  HANDLE process = reinterpret_cast<HANDLE>(static_cast<intptr_t>(pid_));
  ::TerminateProcess(process, 255);
  ::WaitForSingleObject(process, INFINITE);
  ::CloseHandle(process);
  pid_ = -1;
  exit_status_ = -1;
}

int BackgroundProcess::Wait(int timeout_seconds) {
  if (pid_ > 0) {
    exit_status_ = Finish(reinterpret_cast<HANDLE>(static_cast<intptr_t>(pid_)),
                          static_cast<DWORD>(timeout_seconds) * 1000u);
    pid_ = -1;
  }
  return exit_status_;
}

}  // namespace oru::testing
