// Runs a program as a user would wait for it, from its start to its exit, for the benchmarks
// that time whole processes.
#ifndef ORU_BENCH_RUN_PROCESS_H_
#define ORU_BENCH_RUN_PROCESS_H_

#include <cstdint>
#include <string>

namespace oru::bench {

struct ProcessResult {
  int status = -1;          // the exit status, or -1 when it could not start or did not exit
  double seconds = 0;       // wall time from start to exit
  uint64_t peak_bytes = 0;  // the process's peak resident memory
};

// Runs `program argument` without a display, its standard streams on /dev/null, in this
// process's environment.
ProcessResult RunProcess(const std::string& program, const std::string& argument);

}  // namespace oru::bench

#endif  // ORU_BENCH_RUN_PROCESS_H_
