// The Tamsel program end to end: start-up checks, exit statuses, messages, and a pass over
// real plug-in fixtures, run as a user would run it (no display, standard input not a terminal).
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "platform/dynlib.h"
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

  std::string WriteJob(const std::string& name = "test", const std::string& file = "job") {
    const std::string job = dir_ / (file + ".ini");
    WriteFile(job, "[Header]\nName=" + name + "\n[Folders]\nDir0=" + corpus_ + "\n");
    return job;
  }

  testing::ProcessResult Tamsel(const std::vector<std::string>& args, int interrupt_after_ms = -1) {
    std::vector<std::string> argv{kBin + "Tamsel"};
    argv.insert(argv.end(), args.begin(), args.end());
    testing::ProcessResult result = RunProcess(argv, env_, nullptr, 60, interrupt_after_ms);
    // Windows ends the lines of standard error with CR LF.
    std::erase(result.err, '\r');
    return result;
  }

  std::string Indexed(const std::string& name = "test") {
    return platform::ProfileFile::Open(work_ + "storages.ini").GetString("Indexed", name, "-");
  }

};

TEST_F(TamselTest, WithoutAnArgumentOrJobFileItEndsAtOnceWithOneLine) {
  auto result = Tamsel({});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "Tamsel: no job file given (usage: Tamsel JOBFILE)\n");
  const std::string missing = dir_ / "missing.ini";
  result = Tamsel({missing});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "Tamsel: cannot open job file " + missing + ": no such file\n");
  result = Tamsel({dir_.path()});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "Tamsel: cannot open job file " + dir_.path() + ": it is a folder\n");
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
  EXPECT_EQ(result.err, "Tamsel: another Tamsel is running\n");
  EXPECT_FALSE(fs::exists(data_ + "Pellimar"));
}

TEST_F(TamselTest, FirstRunCreatesTheWorkFoldersAndReportsAMissingConfiguration) {
  const auto result = Tamsel({WriteJob()});
  EXPECT_EQ(result.exit_status, 11);  // no ORU.ini: the configuration cannot be loaded
  EXPECT_TRUE(fs::is_directory(work_ + "Storages"));
  EXPECT_EQ(Indexed(), "-");
  const std::string line = "Tamsel: cannot read configuration " + work_ + "ORU.ini: no such file\n";
  EXPECT_NE(result.err.find(line), std::string::npos)
      << result.err;
}

// On Windows the message is a message box, which waits for a person (the window's own tests
// look at it); here it goes to standard error.
#if !defined(_WIN32)
TEST_F(TamselTest, AWorkFolderThatCannotBeCreatedIsReported) {
  WriteFile(data_ + "Pellimar", "a file where the folder belongs");
  const auto result = Tamsel({WriteJob()});
  EXPECT_EQ(result.exit_status, 2);
  const std::string folder = data_ + "Pellimar" + testing::kSep;
  // One line on the terminal: what failed, where and why.
  EXPECT_EQ(result.err, "Tamsel: cannot create folder " + folder + ": File exists\n");
}
#endif

TEST_F(TamselTest, ABadJobGivesItsResultAsExitStatusAndSaysWhy) {
  WriteConfig();
  const std::string job = dir_ / "job.ini";
  WriteFile(job, "[Header]\nUpdating=0\n");
  auto result = Tamsel({job});
  EXPECT_EQ(result.exit_status, 13);
  EXPECT_NE(result.err.find("Tamsel: cannot use job file " + job + ": "), std::string::npos);
  // A control character in the name would break the status file's record.
  WriteFile(job, std::string("[Header]\nName=a\x01") + "b\n[Folders]\nDir0=" + corpus_ + "\n");
  result = Tamsel({job});
  EXPECT_EQ(result.exit_status, 13);
  EXPECT_FALSE(fs::exists(work_ + "storages.ini"));
}

// Another process's run holds the index folder's lock: this run is refused, says so, and the
// index stays as it was.
TEST_F(TamselTest, AnIndexInUseByAnotherRunIsRefused) {
  WriteConfig();
  WriteFile(corpus_ + "a.txt", "harbour lights");
  const std::string job = WriteJob();
  ASSERT_EQ(Tamsel({job}).exit_status, 0);
  const std::string index = work_ + "Storages" + testing::kSep + "test" + testing::kSep;
  const std::string before = ReadFile(index + "Fileindex.fnd");
  platform::SetEnv("XDG_RUNTIME_DIR", (dir_ / "run").c_str());  // where Tamsel's locks are
  platform::FolderLock other;
  ASSERT_EQ(platform::FolderLock::Acquire(index, &other), platform::Result::kOk);
  WriteFile(corpus_ + "b.txt", "more words");
  const auto result = Tamsel({job});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_NE(result.err.find("another run is working on this index"), std::string::npos)
      << result.err;
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(ReadFile(index + "Fileindex.fnd"), before);
}

// The plug-ins named in "ORU.ini" by relative paths load from the program's folder, whatever
// the current folder holds.
TEST_F(TamselTest, RelativePlugInPathsResolveAgainstTheProgramsFolder) {
  const std::string suffix = platform::kLibrarySuffix;
  WriteFile(work_ + "ORU.ini", "[Files]\nText=TextParser" + suffix +
                                   "\n[Storages]\nFolders=." + testing::kSep + "Ferrow" +
                                   suffix + "\n[Folders]\n1=Text\n");
  WriteFile(corpus_ + "a.txt", "relative words");
  const auto result = Tamsel({WriteJob()});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(Indexed(), "1");
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
  // What a killed run left in the index folder goes; a file of no run's stays.
  const std::string index_dir = work_ + "Storages/test/";
  fs::create_directories(index_dir);
  for (const char* name : {"7.fnx.new", "3.tf", "notes of mine.txt"}) {
    WriteFile(index_dir + name, "x");
  }
  const auto result = Tamsel({WriteJob()});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(Indexed(), "1");
  EXPECT_FALSE(fs::exists(index_dir + "7.fnx.new"));
  EXPECT_FALSE(fs::exists(index_dir + "3.tf"));
  EXPECT_TRUE(fs::exists(index_dir + "notes of mine.txt"));
  testing::DecodedIndex index;
  ASSERT_EQ(testing::DecodeIndex(index_dir, &index), "");
  EXPECT_EQ(index.files.size(), 4u);
  const auto words = testing::FilesByWord(index);
  EXPECT_EQ(words.count("engines"), 1u);  // from the tag's artist
  EXPECT_EQ(words.at("river"), (std::set<std::string>{corpus_ + "river.doc", corpus_ + "notes.txt"}));
  EXPECT_EQ(words.at("ferry"), (std::set<std::string>{corpus_ + "river.doc"}));
  EXPECT_EQ(words.count("the"), 0u);  // a stop word of the default list
#if !defined(_WIN32)
  // The terminal window's last status line shows the files and words the index holds.
  const size_t last = result.err.rfind("Total Files Indexed:");
  ASSERT_NE(last, std::string::npos) << result.err;
  const std::string figures =
      "Total Files Indexed: 4  Words Found: " + std::to_string(index.word_order.size()) + "  ";
  EXPECT_EQ(result.err.substr(last, figures.size()), figures) << result.err;
#endif
}

// A parser that crashes on a file ends the run; the next run records that file as crashed and
// passes it over (numbered, no words) until it changes, when it is parsed again.
TEST_F(TamselTest, AFileThatCrashedItsParserIsPassedOverUntilItChanges) {
  WriteConfig();
  WriteFile(corpus_ + "a.txt", "harbour lights");
  WriteFile(corpus_ + "bad.txt", "crash-me tides");
  WriteFile(corpus_ + "odd.txt", "refuse-me");
  const std::string job = WriteJob();
  EXPECT_NE(Tamsel({job}).exit_status, 0);
  EXPECT_EQ(Indexed(), "-");
  auto result = Tamsel({job});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  testing::DecodedIndex index;
  ASSERT_EQ(testing::DecodeIndex(work_ + "Storages/test/", &index), "");
  EXPECT_EQ(index.files.size(), 3u);
  auto words = testing::FilesByWord(index);
  EXPECT_EQ(words.count("harbour"), 1u);
  EXPECT_EQ(words.count("tides"), 0u);
  const std::string unread = ReadFile(work_ + "Storages/test.unread");
  EXPECT_NE(unread.find("crashed\t"), std::string::npos) << unread;
  EXPECT_NE(unread.find("bad.txt\n"), std::string::npos) << unread;
  EXPECT_NE(unread.find("refused\t"), std::string::npos) << unread;
  EXPECT_FALSE(fs::exists(work_ + "Storages/test.parsing"));
  // An update that meets it unchanged keeps its record; a changed file is parsed again.
  WriteFile(job, "[Header]\nName=test\nUpdating=1\n[Folders]\nDir0=" + corpus_ + "\n");
  ASSERT_EQ(Tamsel({job}).exit_status, 0);
  EXPECT_EQ(ReadFile(work_ + "Storages/test.unread"), unread);
  WriteFile(corpus_ + "bad.txt", "tides mended at last");
  fs::remove(corpus_ + "odd.txt");
  result = Tamsel({job});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  index = {};
  ASSERT_EQ(testing::DecodeIndex(work_ + "Storages/test/", &index), "");
  words = testing::FilesByWord(index);
  EXPECT_EQ(words.at("tides"), std::set<std::string>{corpus_ + "bad.txt"});
  EXPECT_FALSE(fs::exists(work_ + "Storages/test.unread"));  // nothing unread is left
}

// A parse that runs past [Options] ParseTimeLimit ends the run with its own status and a line
// naming the file and the limit; the last complete index stays, and the next run passes the
// file over.
TEST_F(TamselTest, AParseThatRunsPastTheLimitEndsTheRunAndIsPassedOverNextTime) {
  WriteConfig();
  WriteFile(work_ + "ORU.ini", ReadFile(work_ + "ORU.ini") + "[Options]\nParseTimeLimit=1\n");
  WriteFile(corpus_ + "a.txt", "harbour lights");
  const std::string job = WriteJob();
  ASSERT_EQ(Tamsel({job}).exit_status, 0);
  WriteFile(corpus_ + "stuck.txt", "hang-me tides");
  auto result = Tamsel({job});
  EXPECT_EQ(result.exit_status, 14);
  EXPECT_NE(result.err.find("Tamsel: parsing " + corpus_ + "stuck.txt took longer than the limit of 1 s "
            "([Options] ParseTimeLimit in ORU.ini); the file is skipped from now on until it "
            "changes, and the last complete index is kept\n"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(Indexed(), "1");
  testing::DecodedIndex index;
  ASSERT_EQ(testing::DecodeIndex(work_ + "Storages/test/", &index), "");
  EXPECT_EQ(index.files.size(), 1u);
  result = Tamsel({job});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  index = {};
  ASSERT_EQ(testing::DecodeIndex(work_ + "Storages/test/", &index), "");
  ASSERT_EQ(index.files.size(), 2u);
  EXPECT_EQ(index.files[1].path, corpus_ + "stuck.txt");
  const std::string unread = ReadFile(work_ + "Storages/test.unread");
  EXPECT_EQ(unread.rfind("timed out\t", 0), 0u) << unread;
}

#if !defined(_WIN32)
// Runs of different names at once, each with its own runtime folder (so its own instance lock),
// all record their index in the one status file: none loses another's record.
TEST_F(TamselTest, FiveNamesIndexedAtOnceKeepFiveRecords) {
  WriteConfig();
  WriteFile(corpus_ + "a.txt", "harbour lights");
  for (int round = 0; round < 4; ++round) {
    testing::BackgroundProcess runs[5];
    for (int i = 0; i < 5; ++i) {
      const std::string name = "n" + std::to_string(round) + std::to_string(i);
      const std::string runtime = dir_ / ("run-" + name);
      fs::create_directories(runtime);
      std::vector<std::string> env = env_;
      env.push_back("XDG_RUNTIME_DIR=" + runtime);
      ASSERT_TRUE(runs[i].Start({kBin + "Tamsel", WriteJob(name, name)}, env,
                                dir_ / (name + ".log")));
    }
    for (int i = 0; i < 5; ++i) {
      const std::string name = "n" + std::to_string(round) + std::to_string(i);
      EXPECT_EQ(runs[i].Wait(60), 0) << testing::ReadFile(dir_ / (name + ".log"));
    }
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(Indexed("n" + std::to_string(round) + std::to_string(i)), "1") << round << i;
    }
  }
}

// A full disk, on a real small file system: a tmpfs mounted over the storages folder in a mount
// namespace of its own (skipped where none can be made). The failed run says why, leaves the
// last index as it was and frees what it wrote, so the next run succeeds once the tree is back
// to its size.
TEST_F(TamselTest, AFullDiskKeepsTheLastIndexAndFreesItsSpace) {
  WriteConfig();
  WriteFile(corpus_ + "a.txt", "harbour lights");
  const std::string big = dir_ / "big/";
  for (int f = 0; f < 20; ++f) {
    std::string text;
    for (int w = 0; w < 4000; ++w) {
      int n = f * 4000 + w;
      std::string word = "w";
      for (int i = 0; i < 4; ++i, n /= 26) word += static_cast<char>('a' + n % 26);
      text += word + " ";
    }
    WriteFile(big + "big" + std::to_string(f) + ".txt", text);
  }
  const std::string storages = work_ + "Storages";
  fs::create_directories(storages);
  const std::string script =
      "mount -t tmpfs -o size=1m tmpfs \"$1\" || { echo nomount; exit 0; }\n"
      "\"$2\" \"$3\" 2>/dev/null; echo first $?\n"
      "cp -a \"$1/test\" \"$4/saved\"\n"
      "cp \"$5\"/* \"$6\"\n"
      "\"$2\" \"$3\" 2>\"$4/err\"; echo second $?\n"
      "diff -r \"$4/saved\" \"$1/test\" >/dev/null && echo unchanged\n"
      "rm \"$6\"/big*\n"
      "\"$2\" \"$3\" 2>/dev/null; echo third $?\n"
      "diff -r \"$4/saved\" \"$1/test\" >/dev/null && echo same-again\n";
  const auto result = RunProcess({"/usr/bin/unshare", "-rm", "/bin/sh", "-c", script, "sh",
                                  storages, kBin + "Tamsel", WriteJob(), dir_.path(), big, corpus_},
                                 env_, nullptr, 120);
  if (result.exit_status != 0 || result.out.find("nomount") != std::string::npos) {
    GTEST_SKIP() << "no tmpfs can be mounted here: " << result.out << result.err;
  }
  EXPECT_EQ(result.out, "first 0\nsecond 2\nunchanged\nthird 0\nsame-again\n");
  const std::string err = ReadFile(dir_ / "err");
  EXPECT_NE(err.find("Tamsel: cannot write " + storages + "/test/"), std::string::npos) << err;
  EXPECT_NE(err.find(": No space left on device\n"), std::string::npos) << err;
}
#endif

// The terminal window's Stop. Windows has no terminal window (and no SIGINT to send).
#if !defined(_WIN32)
TEST_F(TamselTest, AnInterruptWithoutATerminalStopsWithoutSaving) {
  WriteConfig();
  for (int i = 0; i < 40; ++i) WriteFile(corpus_ + std::to_string(i) + ".txt", "slow words");
  env_.push_back("ORU_TEST_PARSER_DELAY_MS=100");
  const auto result = Tamsel({WriteJob()}, 1500);
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(Indexed(), "-");  // nothing saved, nothing recorded, nothing left behind
  EXPECT_TRUE(fs::is_empty(work_ + "Storages/test"));
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
