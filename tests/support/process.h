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
// program that long after its start. Waits at most `timeout_seconds`, then kills the program.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env = {}, const std::string* input = nullptr,
                         int timeout_seconds = 60, int interrupt_after_ms = -1);

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_PROCESS_H_
