// The whole pass through TIndexer::Run, with the real folder plug-in and a plain-text parser,
// checked by an index reader written apart from the engine.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/indexer.h"
#include "indexer/engine/work_folders.h"
#include "platform/ini.h"
#include "platform/dynlib.h"
#include "platform/md5.h"
#include "platform/mutex.h"
#include "platform/scoped_env.h"
#include "platform/window_message.h"
#include "tests/support/index_reader.h"
#include "tests/support/temp_dir.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using testing::Native;
using testing::ReadFile;
using testing::WriteFile;
using Files = std::set<std::string>;

const std::string kBin = std::string(ORU_BIN_DIR) + "/";
const std::string kSuffix = platform::kLibrarySuffix;

class CallbackPump : public platform::MessagePump {
 public:
  void ProcessMessages() override {
    if (on_pump) on_pump();
  }
  std::function<void()> on_pump;
};

class RecordingLabel : public platform::Label {
 public:
  void SetCaption(std::string_view text) override { captions.emplace_back(text); }
  std::vector<std::string> captions;
};

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetEnv("XDG_RUNTIME_DIR", runtime_.path().c_str());
    work_ = dir_ / "work/";
    fs::create_directories(work_ + "Storages");
    corpus_ = dir_ / "corpus/";
    fs::create_directories(corpus_);
    WriteConfig();
    WriteJob("[Header]\nName=test\n[Folders]\nDir0=" + corpus_ + "\n");
  }

  void WriteConfig() {
    WriteFile(work_ + "ORU.ini", "[Files]\nText=" + kBin + "TextParser" + kSuffix +
                                     "\n[Storages]\nFolders=" + kBin + "Ferrow" + kSuffix +
                                     "\n[Folders]\n1=Text\n");
  }
  void WriteJob(const std::string& text) { WriteFile(dir_ / "job.ini", text); }

  std::unique_ptr<TIndexer> MakeIndexer(const std::string& job = "job.ini",
                                        platform::Label* files_indexed = nullptr,
                                        platform::Label* words_found = nullptr) {
    PassSettings settings;
    settings.work_dir = work_;
    settings.storages_dir = work_ + "Storages/";
    settings.job_file = dir_ / job;
    settings.stop_words = StopList();
    PassView view;
    view.pump = &pump_;
    view.files_indexed = files_indexed;
    view.words_found = words_found;
    return std::make_unique<TIndexer>(settings, view);
  }

  int RunOnce() {
    auto indexer = MakeIndexer();
    return indexer->Run();
  }

  std::string Indexed(const std::string& name = "test") {
    return platform::ProfileFile::Open(work_ + kStatusFileName).GetString("Indexed", name, "-");
  }

  // Every file of the index folder with its bytes.
  std::map<std::string, std::string> Snapshot(const std::string& name = "test") {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(work_ + "Storages/" + name)) {
      files[entry.path().filename().string()] = ReadFile(entry.path().string());
    }
    return files;
  }

  std::map<std::string, Files> Decode(const std::string& name = "test") {
    testing::DecodedIndex index;
    const std::string error = testing::DecodeIndex(work_ + "Storages/" + name + "/", &index);
    EXPECT_EQ(error, "");
    return testing::FilesByWord(index);
  }

  testing::TempDir dir_;
  testing::TempDir runtime_;
  std::string work_;
  std::string corpus_;
  CallbackPump pump_;
};

TEST_F(RunTest, IndexesEveryTextFileAndRecordsTheIndexAsComplete) {
  WriteFile(corpus_ + "a.txt", "Harbour lights, harbour WALLS.");
  WriteFile(corpus_ + "sub/b.txt", "walls of stone");
  WriteFile(corpus_ + "skip.bin", "ignored words here");
  ASSERT_EQ(RunOnce(), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  const auto words = Decode();
  EXPECT_EQ(words.at("harbour"), (Files{corpus_ + "a.txt"}));
  EXPECT_EQ(words.at("walls"), (Files{corpus_ + "a.txt", corpus_ + Native("sub/b.txt")}));
  EXPECT_EQ(words.at("stone"), (Files{corpus_ + Native("sub/b.txt")}));
  EXPECT_EQ(words.count("ignored"), 0u);
  EXPECT_EQ(words.count("of"), 0u);
  for (int p = 0; p < 64; ++p) EXPECT_FALSE(fs::exists(work_ + "Storages/test/" + std::to_string(p) + ".tf"));
}

TEST_F(RunTest, FileRecordsCarryNumberHashSizeAndPath) {
  WriteFile(corpus_ + "one.txt", "alpha beta");
  WriteFile(corpus_ + "two.txt", "gamma");
  ASSERT_EQ(RunOnce(), kRunOk);
  testing::DecodedIndex index;
  ASSERT_EQ(testing::DecodeIndex(work_ + "Storages/test/", &index), "");
  ASSERT_EQ(index.files.size(), 2u);
  EXPECT_EQ(index.files[0].number, 1);
  EXPECT_EQ(index.files[0].path, corpus_ + "one.txt");
  EXPECT_EQ(index.files[0].path_hash, platform::WordHash(corpus_ + "one.txt"));
  EXPECT_EQ(index.files[0].size, 10u);
  EXPECT_EQ(index.files[1].number, 2);
}

TEST_F(RunTest, TwoWordsSharingAHashKeepTheirOwnPostings) {
  // Find two three-letter words with one hash.
  std::map<uint16_t, std::string> seen;
  std::string first, second;
  for (char a = 'a'; a <= 'z' && second.empty(); ++a) {
    for (char b = 'a'; b <= 'z' && second.empty(); ++b) {
      for (char c = 'a'; c <= 'z' && second.empty(); ++c) {
        const std::string w{'q', a, b, c};
        auto [it, fresh] = seen.emplace(platform::WordHash(w), w);
        if (!fresh) {
          first = it->second;
          second = w;
        }
      }
    }
  }
  ASSERT_FALSE(second.empty());
  WriteFile(corpus_ + "1.txt", first);
  WriteFile(corpus_ + "2.txt", second + " " + first);
  ASSERT_EQ(RunOnce(), kRunOk);
  const auto words = Decode();
  EXPECT_EQ(words.at(first), (Files{corpus_ + "1.txt", corpus_ + "2.txt"}));
  EXPECT_EQ(words.at(second), (Files{corpus_ + "2.txt"}));
}

TEST_F(RunTest, AnEmptyPassStillWritesACompleteIndex) {
  ASSERT_EQ(RunOnce(), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_TRUE(Decode().empty());
  EXPECT_EQ(ReadFile(work_ + "Storages/test/0.fnw"), "");
}

TEST_F(RunTest, JobFileProblemsGiveTheirCodes) {
  auto indexer = MakeIndexer("missing.ini");
  EXPECT_EQ(indexer->Run(), kRunNoJobFile);
  WriteJob("");
  EXPECT_EQ(RunOnce(), kRunBadJob);
  WriteJob("[Header]\nName=0\n[Folders]\nDir0=/x\n");
  EXPECT_EQ(RunOnce(), kRunBadJob);
  WriteJob("[Header]\nName=../escape\n[Folders]\nDir0=/x\n");
  EXPECT_EQ(RunOnce(), kRunBadJob);
  EXPECT_FALSE(fs::exists(work_ + "escape"));
  EXPECT_FALSE(fs::exists(work_ + kStatusFileName));
}

TEST_F(RunTest, AHeaderInAnyCaseAndFoldersUpToTheFirstGap) {
  WriteFile(corpus_ + "a/x.txt", "first");
  WriteFile(corpus_ + "b/x.txt", "second");
  WriteFile(corpus_ + "c/x.txt", "third");
  WriteJob("[ header ]\nName=test\n[Folders]\nDir0=" + corpus_ + "a\nDir1=" + corpus_ +
           Native("b/") + "\nDir3=" + corpus_ + "c\n");
  ASSERT_EQ(RunOnce(), kRunOk);
  const auto words = Decode();
  EXPECT_EQ(words.count("first"), 1u);
  EXPECT_EQ(words.count("second"), 1u);
  EXPECT_EQ(words.count("third"), 0u);
}

TEST_F(RunTest, AFolderGivenRelativeIsTakenFromTheCurrentFolderAtTheStart) {
  WriteFile(corpus_ + "a.txt", "relative");
  WriteJob("[Header]\nName=test\n[Folders]\nDir0=corpus\n");
  const fs::path before = fs::current_path();
  fs::current_path(dir_.path());
  const int result = RunOnce();
  fs::current_path(before);
  ASSERT_EQ(result, kRunOk);
  EXPECT_EQ(Decode().at("relative"), (Files{corpus_ + "a.txt"}));
}

TEST_F(RunTest, AConfigurationFailureLeavesTheLastIndexAlone) {
  WriteFile(corpus_ + "a.txt", "kept words");
  ASSERT_EQ(RunOnce(), kRunOk);
  const std::string before = ReadFile(work_ + "Storages/test/Fileindex.fnd");
  WriteFile(work_ + "ORU.ini", "[Files]\nText=" + kBin + "TextParser" + kSuffix + "\n[Storages]\n");
  WriteFile(corpus_ + "b.txt", "more words");
  EXPECT_EQ(RunOnce(), kRunConfigFailed);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(ReadFile(work_ + "Storages/test/Fileindex.fnd"), before);
  EXPECT_FALSE(fs::exists(work_ + "Storages/test/0.tf"));
}

TEST_F(RunTest, AReadOnlyConfigurationWithoutCachedFiltersRegistersNoParser) {
  fs::permissions(work_ + "ORU.ini", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(RunOnce(), kRunConfigFailed);
  // With the filter cached, the same read-only file works.
  fs::permissions(work_ + "ORU.ini", fs::perms::owner_all);
  WriteFile(work_ + "ORU.ini", ReadFile(work_ + "ORU.ini") + "[Extensions]\nText=Text<txt=\n");
  fs::permissions(work_ + "ORU.ini", fs::perms::owner_read);
  EXPECT_EQ(RunOnce(), kRunOk);
}

TEST_F(RunTest, AnIndexInUseByAnotherRunIsRefused) {
  fs::create_directories(work_ + "Storages/test");
  platform::FolderLock other;
  ASSERT_EQ(platform::FolderLock::Acquire(work_ + "Storages/test/", &other), platform::Result::kOk);
  EXPECT_EQ(RunOnce(), kRunFailed);
  EXPECT_FALSE(fs::exists(work_ + "Storages/test/Fileindex.fnd"));
  EXPECT_EQ(Indexed(), "-");
}

TEST_F(RunTest, StopWithoutSavingLeavesTheLastIndexAndItsRecordAsTheyWere) {
  WriteFile(corpus_ + "first.txt", "word");
  ASSERT_EQ(RunOnce(), kRunOk);
  const auto before = Snapshot();
  for (int i = 0; i < 5; ++i) WriteFile(corpus_ + "f" + std::to_string(i) + ".txt", "other");
  auto indexer = MakeIndexer();
  int pumps = 0;
  pump_.on_pump = [&] {
    if (++pumps == 4) indexer->RequestStop(false);
  };
  platform::MessageWindow search;
  ASSERT_EQ(platform::MessageWindow::Create(kSearchWindowClass, kSearchWindowTitle, &search),
            platform::Result::kOk);
  EXPECT_EQ(indexer->Run(), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Snapshot(), before);  // no posting log, no new file, the old ones unchanged
  platform::WindowMessage message;
  ASSERT_TRUE(search.Receive(&message, 1000));
  EXPECT_EQ(message.number, kIndexDoneMessage);
  EXPECT_EQ(message.wparam, 0);
}

TEST_F(RunTest, StopWithSavingWritesWhatWasIndexedBeforeTheStop) {
  for (int i = 0; i < 5; ++i) WriteFile(corpus_ + "f" + std::to_string(i) + ".txt", "word");
  auto indexer = MakeIndexer();
  int pumps = 0;
  pump_.on_pump = [&] {
    if (++pumps == 4) {  // two pumps per file: the stop comes after the second file
      indexer->RequestStop(true);
    }
  };
  EXPECT_EQ(indexer->Run(), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Decode().at("word").size(), 2u);
}

// The window ends with the files the index holds and the words found: during the walk the
// file count lags one file and the word count moves only every thousand words.
TEST_F(RunTest, TheLabelsEndWithTheFiguresOfTheWalk) {
  WriteFile(corpus_ + "a.txt", "alpha beta");
  WriteFile(corpus_ + "b.txt", "beta gamma");
  WriteFile(corpus_ + "c.txt", "delta");
  RecordingLabel files, words;
  ASSERT_EQ(MakeIndexer("job.ini", &files, &words)->Run(), kRunOk);
  ASSERT_FALSE(files.captions.empty());
  EXPECT_EQ(files.captions.back(), "3");
  EXPECT_EQ(words.captions, std::vector<std::string>{"4"});

  // Stopped after the second file, saving or not: any two of the files hold three words.
  for (const bool save : {true, false}) {
    RecordingLabel stopped_files, stopped_words;
    auto indexer = MakeIndexer("job.ini", &stopped_files, &stopped_words);
    int pumps = 0;
    pump_.on_pump = [&] {
      if (++pumps == 4) indexer->RequestStop(save);
    };
    ASSERT_EQ(indexer->Run(), kRunOk);
    ASSERT_FALSE(stopped_files.captions.empty());
    EXPECT_EQ(stopped_files.captions.back(), "2") << save;
    EXPECT_EQ(stopped_words.captions, std::vector<std::string>{"3"}) << save;
  }
}

TEST_F(RunTest, TheStatusFileIsWrittenBeforeTheMessageArrives) {
  WriteFile(corpus_ + "a.txt", "word");
  platform::MessageWindow search;
  ASSERT_EQ(platform::MessageWindow::Create(kSearchWindowClass, kSearchWindowTitle, &search),
            platform::Result::kOk);
  ASSERT_EQ(RunOnce(), kRunOk);
  platform::WindowMessage message;
  ASSERT_TRUE(search.Receive(&message, 1000));
  EXPECT_EQ(message.wparam, 1);
  EXPECT_EQ(message.lparam, 0);
  EXPECT_EQ(Indexed(), "1");
}

TEST_F(RunTest, APartThatCannotBeWrittenFailsTheRunAndKeepsTheLastIndex) {
  WriteFile(corpus_ + "a.txt", "word");
  ASSERT_EQ(RunOnce(), kRunOk);
  const auto before = Snapshot();
  WriteFile(corpus_ + "b.txt", "more");
  fs::create_directories(work_ + "Storages/test/7.fnx.new");  // blocks the part's new version
  platform::MessageWindow search;
  ASSERT_EQ(platform::MessageWindow::Create(kSearchWindowClass, kSearchWindowTitle, &search),
            platform::Result::kOk);
  auto indexer = MakeIndexer();
  EXPECT_EQ(indexer->Run(), kRunFailed);
  EXPECT_EQ(fs::path(indexer->Failure().path()).filename().string(), "7.fnx.new");
  EXPECT_EQ(indexer->Failure().operation(), "create");
  EXPECT_EQ(Indexed(), "1");
  fs::remove(work_ + "Storages/test/7.fnx.new");
  EXPECT_EQ(Snapshot(), before);
  platform::WindowMessage message;
  ASSERT_TRUE(search.Receive(&message, 1000));
  EXPECT_EQ(message.wparam, 0);
}

// A failed write, forced through a file size limit, which only POSIX offers a child process.
#if !defined(_WIN32)
TEST_F(RunTest, AFailedWriteWhileIndexingFailsTheRun) {
  for (int i = 0; i < 200; ++i) {
    WriteFile(corpus_ + "file-with-a-long-name-" + std::to_string(i) + ".txt", "word");
  }
  // In a child process, limit file sizes so that the file index cannot grow past 4 KiB.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(RunOnce());
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kRunFailed);
  EXPECT_EQ(Indexed(), "-");
  EXPECT_TRUE(Snapshot().empty());  // what the run wrote is gone
}
#endif

}  // namespace
}  // namespace oru
