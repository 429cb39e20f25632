// Running another program in the foreground and waiting for its end, as a shell runs a command.
#ifndef ORU_PLATFORM_PROCESS_H_
#define ORU_PLATFORM_PROCESS_H_

#include <string>
#include <vector>

#include "platform/result.h"

namespace oru::platform {

// The file name ending of a program on this platform: "" on POSIX, ".exe" on Windows.
extern const char kProgramSuffix[];

// How a program ended: with an exit status, or killed by a signal (POSIX only).
struct ProgramExit {
  bool exited = false;  // true: `status` holds the exit status
  int status = 0;
  int signal = 0;  // the signal that ended it, when `exited` is false
};

// Runs the program at `argv[0]` (a path) with the other elements as its arguments, sharing this
// process's standard streams and environment, and waits until it ends. While it runs, an
// interrupt typed at the terminal reaches only the program (which shares the terminal), and an
// interrupt or terminate request sent to this process alone is passed on to the program
// (POSIX; on Windows, where Ctrl-C and Ctrl-Break reach every program of the console, this
// process ignores them meanwhile; the arguments are quoted as the C runtime parses them back).
// kNotFound when there is no file at argv[0]; kFailed when it cannot be started. One program at
// a time per process.
Result RunProgram(const std::vector<std::string>& argv, ProgramExit* exit);

// Lowers this process's priority, and that of the programs it starts, to the least: on Linux
// nice 19 and the idle I/O class, on Windows the idle priority class. Work done in the
// background then never slows what the user does.
void RunAtLowPriority();

}  // namespace oru::platform

#endif  // ORU_PLATFORM_PROCESS_H_
