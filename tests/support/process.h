// Runs a program for end-to-end tests and collects its exit status and output.
#ifndef ORU_TESTS_SUPPORT_PROCESS_H_
#define ORU_TESTS_SUPPORT_PROCESS_H_

#include <string>
#include <vector>

namespace oru::testing {

struct ProcessResult {
  int exit_status = -1;  // the exit code, or -1 when the program did not exit normally
  std::string out;       // standard output
  std::string err;       // standard error
};

// Runs `argv` (argv[0] is the program's path) with `env` added to this process's environment
// ("NAME=value"; "NAME=" with nothing after it removes NAME). Standard input is /dev/null
// unless `input` is given. When `interrupt_after_ms` is not negative, SIGINT is sent to the
// program that long after its start (POSIX only; ignored on Windows). Waits at most `timeout_seconds`, then kills the program.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env = {}, const std::string* input = nullptr,
                         int timeout_seconds = 60, int interrupt_after_ms = -1);

// A program that runs in the background while a test drives it; killed if still running when
// the object goes.
class BackgroundProcess {
 public:
  BackgroundProcess() = default;
  ~BackgroundProcess();
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  // Starts `argv` with `env` applied as RunProcess does; standard input is /dev/null, standard
  // output and error go to the file `log_path`. False when it cannot start.
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::string& log_path);
  // True while the program runs.
  bool Running();
  // Waits at most `timeout_seconds` for the program to end, then kills it. Returns the exit
  // code, or -1 when it was killed or did not exit normally.
  int Wait(int timeout_seconds);
  // Asks the program to end, as a logout or 'kill' does (POSIX: SIGTERM).
  void Terminate();
  // Kills the program at once, as a crash or kill -9 would (the programs it started live on),
  // and reaps it.
  void Kill();

 private:
  int pid_ = -1;
  int exit_status_ = -1;
};

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_PROCESS_H_
