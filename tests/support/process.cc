#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace oru::testing {

namespace {

// In the child after fork: applies `env` and runs `argv`; never returns.
[[noreturn]] void ExecChild(const std::vector<std::string>& argv,
                            const std::vector<std::string>& env) {
  for (const std::string& e : env) {
    const size_t eq = e.find('=');
    if (eq + 1 == e.size()) {
      unsetenv(e.substr(0, eq).c_str());
    } else {
      setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string* input, int timeout_seconds,
                         int interrupt_after_ms) {
  ProcessResult result;
  int out_pipe[2], err_pipe[2], in_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0 || pipe(in_pipe) != 0) return result;
  const pid_t child = fork();
  if (child < 0) return result;
  if (child == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    if (input != nullptr) {
      dup2(in_pipe[0], 0);
    } else {
      const int null_fd = open("/dev/null", O_RDONLY);
      dup2(null_fd, 0);
    }
    for (int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1], in_pipe[0], in_pipe[1]}) {
      close(fd);
    }
    ExecChild(argv, env);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  close(in_pipe[0]);
  if (input != nullptr) {
    size_t written = 0;
    while (written < input->size()) {
      const ssize_t n = write(in_pipe[1], input->data() + written, input->size() - written);
      if (n <= 0) break;
      written += static_cast<size_t>(n);
    }
  }
  close(in_pipe[1]);
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::seconds(timeout_seconds);
  bool interrupted = interrupt_after_ms < 0;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  int open_pipes = 2;
  while (open_pipes > 0 && std::chrono::steady_clock::now() < deadline) {
    if (!interrupted &&
        std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(interrupt_after_ms)) {
      kill(child, SIGINT);
      interrupted = true;
    }
    if (poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof(buffer));
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      } else {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      }
    }
  }
  if (open_pipes > 0) kill(child, SIGKILL);
  for (const pollfd& p : fds) {
    if (p.fd >= 0) close(p.fd);
  }
  int status = 0;
  waitpid(child, &status, 0);
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

BackgroundProcess::~BackgroundProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool BackgroundProcess::Start(const std::vector<std::string>& argv,
                              const std::vector<std::string>& env, const std::string& log_path) {
  const int log_fd = open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (log_fd < 0) return false;
  pid_ = fork();
  if (pid_ == 0) {
    const int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, 0);
    dup2(log_fd, 1);
    dup2(log_fd, 2);
    ExecChild(argv, env);
  }
  close(log_fd);
  return pid_ > 0;
}

bool BackgroundProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  const pid_t done = waitpid(pid_, &status, WNOHANG);
  if (done == 0) return true;
  exit_status_ = done == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  pid_ = -1;
  return false;
}

void BackgroundProcess::Terminate() {
  if (pid_ > 0) kill(pid_, SIGTERM);
}

void BackgroundProcess::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
  exit_status_ = -1;
}

int BackgroundProcess::Wait(int timeout_seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
  while (Running()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
      exit_status_ = -1;
      break;
    }
    usleep(20000);
  }
  return exit_status_;
}

}  // namespace oru::testing
