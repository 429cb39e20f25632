#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace oru::platform {

namespace {

volatile sig_atomic_t g_child = 0;
// The handlers this process had before the program started: still called (a watcher notes that
// it was asked to stop, and ends once the program has ended).
struct sigaction g_previous_int = {};
struct sigaction g_previous_term = {};

// A signal typed at the terminal reaches the program too, since it shares the terminal's
// process group; only one sent to this process alone is passed on, so none arrives twice.
void PassOn(int signal_number, siginfo_t* info, void*) {
  const int child = g_child;
  if (child > 0 && info != nullptr && (info->si_code == SI_USER || info->si_code == SI_QUEUE)) {
    kill(child, signal_number);
  }
  const struct sigaction& previous = signal_number == SIGINT ? g_previous_int : g_previous_term;
  if ((previous.sa_flags & SA_SIGINFO) != 0) {
    if (previous.sa_sigaction != nullptr) previous.sa_sigaction(signal_number, info, nullptr);
  } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN &&
             previous.sa_handler != nullptr) {
    previous.sa_handler(signal_number);
  }
}

// Installs the handlers for the time a program runs and puts the old ones back afterwards.
class ForegroundSignals {
 public:
  ForegroundSignals() {
    struct sigaction pass = {};
    pass.sa_sigaction = PassOn;
    pass.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&pass.sa_mask);
    sigaction(SIGINT, &pass, &old_int_);
    sigaction(SIGTERM, &pass, &old_term_);
    g_previous_int = old_int_;
    g_previous_term = old_term_;
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGQUIT, &ignore, &old_quit_);
  }
  ~ForegroundSignals() {
    g_child = 0;
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGTERM, &old_term_, nullptr);
    sigaction(SIGQUIT, &old_quit_, nullptr);
  }
  ForegroundSignals(const ForegroundSignals&) = delete;
  ForegroundSignals& operator=(const ForegroundSignals&) = delete;

 private:
  struct sigaction old_int_ = {};
  struct sigaction old_term_ = {};
  struct sigaction old_quit_ = {};
};

}  // namespace

const char kProgramSuffix[] = "";

Result RunProgram(const std::vector<std::string>& argv, ProgramExit* exit) {
  if (argv.empty() || exit == nullptr) return Result::kFailed;
  struct stat info;
  if (stat(argv[0].c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return Result::kNotFound;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  // The program starts with the default handling of the signals this process takes over.
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return Result::kFailed;
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGQUIT);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);

  ForegroundSignals signals;
  pid_t child = 0;
  const int spawned = posix_spawn(&child, args[0], nullptr, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (spawned != 0) return Result::kFailed;
  g_child = child;
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited != child) return Result::kFailed;
  exit->exited = WIFEXITED(status);
  exit->status = exit->exited ? WEXITSTATUS(status) : 0;
  exit->signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return Result::kOk;
}

void RunAtLowPriority() {
  setpriority(PRIO_PROCESS, 0, 19);
#if defined(SYS_ioprio_set)
  // The idle I/O class (3) for this process (who 1, id 0): its reads wait for the disk to be free.
  constexpr int kIdleClass = 3 << 13;
  syscall(SYS_ioprio_set, 1, 0, kIdleClass);
#endif
}

}  // namespace oru::platform
