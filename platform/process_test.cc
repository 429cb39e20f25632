#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <iterator>
#include <string>
#include <vector>

#include "platform/testdata/process_args.h"

namespace oru::platform {
namespace {

// Blanks, quotes and backslashes reach the program unchanged, each argument whole.
TEST(RunProgramTest, PassesTheArgumentsIntact) {
  std::vector<std::string> argv{ORU_ARGS_FIXTURE};
  for (const char* arg : testdata::kProcessArgs) argv.emplace_back(arg);
  ProgramExit exit;
  ASSERT_EQ(RunProgram(argv, &exit), Result::kOk);
  EXPECT_TRUE(exit.exited);
  EXPECT_EQ(exit.status, 0) << "0: all arguments intact; 1 + i: argument i differs; "
                               "100 + n: n arguments arrived";
  argv.pop_back();
  ASSERT_EQ(RunProgram(argv, &exit), Result::kOk);
  EXPECT_EQ(exit.status, 100 + static_cast<int>(std::size(testdata::kProcessArgs)) - 1);
}

#if defined(_WIN32)
TEST(RunProgramTest, ReportsTheExitCode) {
  ProgramExit exit;
  ASSERT_EQ(RunProgram({ORU_ARGS_FIXTURE, "only one"}, &exit), Result::kOk);
  EXPECT_TRUE(exit.exited);
  EXPECT_EQ(exit.status, 101);
  EXPECT_EQ(exit.signal, 0);
}
#else
TEST(RunProgramTest, ReportsTheExitStatus) {
  ProgramExit exit;
  ASSERT_EQ(RunProgram({"/bin/sh", "-c", "exit 13"}, &exit), Result::kOk);
  EXPECT_TRUE(exit.exited);
  EXPECT_EQ(exit.status, 13);
}

TEST(RunProgramTest, ReportsTheSignalThatEndedTheProgram) {
  ProgramExit exit;
  ASSERT_EQ(RunProgram({"/bin/sh", "-c", "kill -TERM $$"}, &exit), Result::kOk);
  EXPECT_FALSE(exit.exited);
  EXPECT_EQ(exit.signal, SIGTERM);
}

TEST(RunProgramTest, TheProgramDoesNotInheritIgnoredSignals) {
  // This process ignores SIGQUIT while the program runs; the program exits with 1 when its
  // mask of ignored signals (Linux's /proc) holds SIGQUIT (bit 2).
  ProgramExit exit;
  ASSERT_EQ(RunProgram({"/bin/sh", "-c",
                        "m=$(sed -n 's/^SigIgn:[[:space:]]*//p' /proc/$$/status); "
                        "exit $(( (0x$m >> 2) & 1 ))"},
                       &exit),
            Result::kOk);
  EXPECT_TRUE(exit.exited);
  EXPECT_EQ(exit.status, 0);
}

#endif

TEST(RunProgramTest, AMissingProgramIsNotFound) {
  ProgramExit exit;
  EXPECT_EQ(RunProgram({"/nonexistent/program"}, &exit), Result::kNotFound);
  EXPECT_EQ(RunProgram({}, &exit), Result::kFailed);
}

}  // namespace
}  // namespace oru::platform
