#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>

namespace oru::platform {
namespace {

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

TEST(RunProgramTest, AMissingProgramIsNotFound) {
  ProgramExit exit;
  EXPECT_EQ(RunProgram({"/nonexistent/program"}, &exit), Result::kNotFound);
  EXPECT_EQ(RunProgram({}, &exit), Result::kFailed);
}

}  // namespace
}  // namespace oru::platform
