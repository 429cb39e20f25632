// The Tamsel program end to end: start-up checks, exit statuses, messages, and a pass over
// real plug-in fixtures, run as a user would run it (no display, standard input not a terminal).
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/ini.h"
#include "platform/mutex.h"
#include "platform/scoped_env.h"
#include "tests/support/index_reader.h"
#include "tests/support/process.h"
#include "tests/support/sandbox.h"
#include "tests/support/temp_dir.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RunProcess;
using testing::WriteFile;

const std::string kBin = std::string(ORU_BIN_DIR) + "/";

class TamselTest : public testing::SandboxTest {
 protected:

  std::string WriteJob(const std::string& name = "test") {
    const std::string job = dir_ / "job.ini";
    WriteFile(job, "[Header]\nName=" + name + "\n[Folders]\nDir0=" + corpus_ + "\n");
    return job;
  }

  testing::ProcessResult Tamsel(const std::vector<std::string>& args, int interrupt_after_ms = -1) {
    std::vector<std::string> argv{kBin + "Tamsel"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, env_, nullptr, 60, interrupt_after_ms);
  }

  std::string Indexed(const std::string& name = "test") {
    return platform::ProfileFile::Open(work_ + "storages.ini").GetString("Indexed", name, "-");
  }

};

TEST_F(TamselTest, WithoutAnArgumentOrJobFileItEndsAtOnceSilently) {
  auto result = Tamsel({});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "");
  result = Tamsel({dir_ / "missing.ini"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "");
  EXPECT_FALSE(fs::exists(data_ + "Pellimar"));
}

TEST_F(TamselTest, ASecondInstanceEndsAtOnce) {
  platform::InstanceMutex held;
  platform::SetEnv("XDG_RUNTIME_DIR", (dir_ / "run").c_str());
  // The mutex is named after the program file, lower-cased.
#if defined(_WIN32)
  const char kMutexName[] = "tamsel.exe";
#else
  const char kMutexName[] = "tamsel";
#endif
  ASSERT_EQ(platform::InstanceMutex::Acquire(kMutexName, &held), platform::Result::kOk);
  const auto result = Tamsel({WriteJob()});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "");
  EXPECT_FALSE(fs::exists(data_ + "Pellimar"));
}

TEST_F(TamselTest, FirstRunCreatesTheWorkFoldersAndReportsAMissingConfiguration) {
  const auto result = Tamsel({WriteJob()});
  EXPECT_EQ(result.exit_status, 11);  // no ORU.ini: the configuration cannot be loaded
  EXPECT_TRUE(fs::is_directory(work_ + "Storages"));
  EXPECT_EQ(Indexed(), "-");
}

// On Windows the message is a message box, which waits for a person (the window's own tests
// look at it); here it goes to standard error.
#if !defined(_WIN32)
TEST_F(TamselTest, AWorkFolderThatCannotBeCreatedIsReported) {
  WriteFile(data_ + "Pellimar", "a file where the folder belongs");
  const auto result = Tamsel({WriteJob()});
  EXPECT_EQ(result.exit_status, 2);  // F22
  const std::string folder = data_ + "Pellimar" + testing::kSep;
  EXPECT_NE(result.err.find("Sorry. Can't open work directory: " + folder +
                            "  Please refer to developer."),
            std::string::npos)
      << result.err;
}
#endif

TEST_F(TamselTest, ABadJobGivesItsResultAsExitStatus) {
  WriteConfig();
  const std::string job = dir_ / "job.ini";
  WriteFile(job, "[Header]\nUpdating=0\n");
  EXPECT_EQ(Tamsel({job}).exit_status, 13);
}

TEST_F(TamselTest, IndexesRealDocumentsAndTags) {
  WriteConfig();
  fs::copy(std::string(ORU_SOURCE_DIR) + "/plugins/parser-mp3/testdata/tagged.mp3",
           corpus_ + "tagged.mp3");
  const std::string testdata = std::string(ORU_SOURCE_DIR) + "/plugins/parser-word/testdata/";
  fs::copy(testdata + "plain.first.doc", corpus_ + "river.doc");
  fs::create_directories(corpus_ + "sub");
  fs::copy(testdata + "accents.first.doc", corpus_ + "sub" + testing::kSep + "ACCENTS.DOC");
  WriteFile(corpus_ + "notes.txt", "river notes");
  const auto result = Tamsel({WriteJob()});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(Indexed(), "1");
  testing::DecodedIndex index;
  ASSERT_EQ(testing::DecodeIndex(work_ + "Storages/test/", &index), "");
  EXPECT_EQ(index.files.size(), 4u);
  const auto words = testing::FilesByWord(index);
  EXPECT_EQ(words.count("engines"), 1u);  // from the tag's artist
  EXPECT_EQ(words.at("river"), (std::set<std::string>{corpus_ + "river.doc", corpus_ + "notes.txt"}));
  EXPECT_EQ(words.at("ferry"), (std::set<std::string>{corpus_ + "river.doc"}));
  EXPECT_EQ(words.count("the"), 0u);  // a stop word of the default list
#if !defined(_WIN32)
  EXPECT_NE(result.err.find("Total Files Indexed:"), std::string::npos);  // the terminal window
#endif
}

// P9: the terminal window's Stop. Windows has no terminal window (and no SIGINT to send).
#if !defined(_WIN32)
TEST_F(TamselTest, AnInterruptWithoutATerminalStopsWithoutSaving) {
  WriteConfig();
  for (int i = 0; i < 40; ++i) WriteFile(corpus_ + std::to_string(i) + ".txt", "slow words");
  env_.push_back("ORU_TEST_PARSER_DELAY_MS=100");
  const auto result = Tamsel({WriteJob()}, 1500);
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(Indexed(), "0");
  EXPECT_TRUE(fs::exists(work_ + "Storages/test/0.tf"));
}

// A display that is named but cannot be opened, and a program without its window module
// beside it, both leave the pass to the terminal window.
TEST_F(TamselTest, WithoutAWindowToOpenTheTerminalWindowRuns) {
  WriteConfig();
  WriteFile(corpus_ + "notes.txt", "river notes");
  const std::string lone = dir_ / "lone/";
  fs::create_directories(lone);
  for (const char* file : {"Tamsel", "Stop.lst"}) fs::copy(kBin + file, lone + file);
  env_.push_back("DISPLAY=:9999");  // no X server answers there
  const char* lsan = std::getenv("LSAN_OPTIONS");
  env_.push_back(std::string("LSAN_OPTIONS=") + (lsan ? std::string(lsan) + ":" : "") +
                 "suppressions=" + ORU_SOURCE_DIR + "/tests/lsan_gtk.supp");
  for (const std::string& program : {kBin + "Tamsel", lone + "Tamsel"}) {
    fs::remove(work_ + "storages.ini");
    const auto result = RunProcess({program, WriteJob()}, env_);
    EXPECT_EQ(result.exit_status, 0) << program << ": " << result.err;
    EXPECT_NE(result.err.find("Total Files Indexed:"), std::string::npos) << result.err;
    EXPECT_EQ(Indexed(), "1");
  }
}
#endif

}  // namespace
}  // namespace oru
