// The whole pass through TIndexer::Run, on the fake plug-ins and a file system held in memory,
// checked by an index reader written apart from the engine.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/unread_files.h"
#include "platform/md5.h"
#include "platform/scoped_env.h"
#include "platform/window_message.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_pass.h"

namespace oru {
namespace {

using testing::Native;
using Files = std::set<std::string>;

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

class RunTest : public testing::MemoryPassTest {
 protected:
  void SetUp() override { WriteJob(false); }

  std::unique_ptr<TIndexer> MakeIndexer(platform::Label* files_indexed = nullptr,
                                        platform::Label* words_found = nullptr) {
    PassView view;
    view.pump = &pump_;
    view.files_indexed = files_indexed;
    view.words_found = words_found;
    return std::make_unique<TIndexer>(Settings(), view);
  }
  // Asks the pass `indexer` to stop at its fourth pump: after its second file (two pumps per
  // file).
  void StopAfterTwoFiles(TIndexer* indexer, bool save) {
    pump_.on_pump = [indexer, save, pumps = 0]() mutable {
      if (++pumps == 4) indexer->RequestStop(save);
    };
  }

  std::map<std::string, Files> Words() { return testing::FilesByWord(Decode()); }

  CallbackPump pump_;
};

TEST_F(RunTest, IndexesEveryTextFileAndRecordsTheIndexAsComplete) {
  Write("a.txt", "Harbour lights, the harbour WALLS.");
  Write("sub/b.txt", "walls of stone");
  Write("skip.bin", "ignored words here");
  // The stop list is "Stop.lst" in the program's folder, read through the pass's file system.
  disk_.Put(testing::InMemory("bin/Stop.lst"), "THE\n");
  PassSettings settings = Settings();
  settings.program_dir = testing::InMemory("bin/");
  settings.stop_words.reset();
  ASSERT_EQ(TIndexer(settings).Run(), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  const auto words = Words();
  EXPECT_EQ(words.at("harbour"), (Files{corpus_ + "a.txt"}));
  EXPECT_EQ(words.at("walls"), (Files{corpus_ + "a.txt", corpus_ + Native("sub/b.txt")}));
  EXPECT_EQ(words.at("stone"), (Files{corpus_ + Native("sub/b.txt")}));
  EXPECT_EQ(words.count("ignored"), 0u);
  EXPECT_EQ(words.count("of"), 0u);
  EXPECT_EQ(words.count("the"), 0u);
  for (const auto& [name, bytes] : IndexFiles()) EXPECT_EQ(name.find(".tf"), std::string::npos);
}

TEST_F(RunTest, FileRecordsCarryNumberHashSizeAndPath) {
  Write("one.txt", "alpha beta", testing::OldTime(7));
  Write("two.txt", "gamma");
  ASSERT_EQ(Run(), kRunOk);
  const testing::DecodedIndex index = Decode();
  ASSERT_EQ(index.files.size(), 2u);
  EXPECT_EQ(index.files[0].number, 1);
  EXPECT_EQ(index.files[0].path, corpus_ + "one.txt");
  EXPECT_EQ(index.files[0].path_hash, platform::WordHash(corpus_ + "one.txt"));
  EXPECT_EQ(index.files[0].size, 10u);
  EXPECT_EQ(index.files[0].time, testing::OldTime(7));
  EXPECT_EQ(index.files[1].number, 2);
}

TEST_F(RunTest, TwoWordsSharingAHashKeepTheirOwnPostings) {
  // Find two four-letter words with one hash.
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
  Write("1.txt", first);
  Write("2.txt", second + " " + first);
  ASSERT_EQ(Run(), kRunOk);
  const auto words = Words();
  EXPECT_EQ(words.at(first), (Files{corpus_ + "1.txt", corpus_ + "2.txt"}));
  EXPECT_EQ(words.at(second), (Files{corpus_ + "2.txt"}));
}

TEST_F(RunTest, APassWithoutAFileToIndexStillWritesACompleteIndex) {
  Write("skip.bin", "no parser for it");
  ASSERT_EQ(Run(), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_TRUE(Words().empty());
  EXPECT_EQ(IndexFiles().at("0.fnw"), "");
}

TEST_F(RunTest, AJobThatCannotBeUsedGivesItsCodeAndWritesNothing) {
  disk_.Delete(job_);
  const size_t since = disk_.operations().size();
  EXPECT_EQ(Run(), kRunNoJobFile);
  disk_.Put(job_, "");
  EXPECT_EQ(Run(), kRunBadJob);
  disk_.Put(job_, "[Header]\nName=0\n[Folders]\nDir0=" + corpus_ + "\n");
  EXPECT_EQ(Run(), kRunBadJob);
  disk_.Put(job_, "[Header]\nName=../escape\n[Folders]\nDir0=" + corpus_ + "\n");
  EXPECT_EQ(Run(), kRunBadJob);
  EXPECT_TRUE(disk_.FilesIn(work_).empty());
  EXPECT_EQ(disk_.operations().size(), since);
}

TEST_F(RunTest, AConfigurationFailureLeavesTheLastIndexAlone) {
  Write("a.txt", "kept words");
  ASSERT_EQ(Run(), kRunOk);
  const Folder before = IndexFiles();
  plugins_.loads = false;
  Write("b.txt", "more words");
  EXPECT_EQ(Run(), kRunConfigFailed);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_TRUE(IndexFiles() == before);
}

TEST_F(RunTest, AnIndexInUseByAnotherRunIsRefused) {
  Write("a.txt", "word");
  std::unique_ptr<platform::HeldLock> other;
  ASSERT_TRUE(disk_.LockFolder(IndexFolder(), &other).ok());
  std::string why;
  EXPECT_EQ(Run(nullptr, &why), kRunFailed);
  EXPECT_NE(why.find("another run is working on this index"), std::string::npos) << why;
  EXPECT_TRUE(IndexFiles().empty());
  EXPECT_EQ(Indexed(), "-");
}

TEST_F(RunTest, StopWithoutSavingLeavesTheLastIndexAndItsRecordAsTheyWere) {
  Write("first.txt", "word");
  ASSERT_EQ(Run(), kRunOk);
  const Folder before = IndexFiles();
  for (int i = 0; i < 5; ++i) Write("f" + std::to_string(i) + ".txt", "other");
  auto indexer = MakeIndexer();
  StopAfterTwoFiles(indexer.get(), false);
  EXPECT_EQ(indexer->Run(), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_TRUE(IndexFiles() == before);  // no posting log, no new file, the old ones unchanged
}

TEST_F(RunTest, StopWithSavingWritesWhatWasIndexedBeforeTheStop) {
  for (int i = 0; i < 5; ++i) Write("f" + std::to_string(i) + ".txt", "word");
  auto indexer = MakeIndexer();
  StopAfterTwoFiles(indexer.get(), true);
  EXPECT_EQ(indexer->Run(), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Words().at("word").size(), 2u);
}

// Files parsed on a thread beside the walk give the index (and the list of unread files) that
// parsing each file in the walk gives: a fresh pass, then an update of changed and new files.
TEST_F(RunTest, ParsingBesideTheWalkWritesWhatParsingInTheWalkWrites) {
  const auto write_corpus = [this](int version) {
    // More words than the parse thread may queue: the walk drains the queue while the thread
    // waits for room.
    std::string many;
    for (int i = 0; i < 150000; ++i) many += "w" + std::to_string(i % 3001 + version) + " ";
    Write("many.txt", many, testing::OldTime(version));
    for (int i = 0; i < 20 + 5 * version; ++i) {
      Write("f" + std::to_string(i) + ".txt",
            "common word" + std::to_string((i + version) % 7) + " only" + std::to_string(i),
            testing::OldTime(i % 3 == 0 ? version : 0));
    }
    plugins_.files[corpus_ + "refused.txt"] = {"secret", testing::OldTime(version), true};
  };
  const Folder empty = disk_.FilesIn(work_);
  Folder index[2];
  for (const bool beside : {false, true}) {
    disk_.SetFilesIn(work_, empty);
    plugins_.files.clear();
    for (const int version : {0, 1}) {
      write_corpus(version);
      WriteJob(version == 1);
      PassSettings settings = Settings();
      settings.parse_beside_walk = beside;
      ASSERT_EQ(TIndexer(settings).Run(), kRunOk);
    }
    index[beside] = IndexFiles();
    UnreadFiles unread;
    unread.Load(&disk_, UnreadFiles::PathFor(storages_, "test"));
    EXPECT_NE(unread.Find(corpus_ + "refused.txt"), nullptr);
  }
  std::string differ;
  for (const auto& [name, bytes] : index[1]) {
    if (index[0].count(name) == 0 || index[0].at(name) != bytes) differ += name + " ";
  }
  EXPECT_EQ(index[0].size(), index[1].size());
  EXPECT_EQ(differ, "");
}

// The window ends with the files the index holds and the words found: during the walk the
// file count lags one file and the word count moves only every thousand words.
TEST_F(RunTest, TheLabelsEndWithTheFiguresOfTheWalk) {
  Write("a.txt", "alpha beta");
  Write("b.txt", "beta gamma");
  Write("c.txt", "delta");
  RecordingLabel files, words;
  ASSERT_EQ(MakeIndexer(&files, &words)->Run(), kRunOk);
  ASSERT_FALSE(files.captions.empty());
  EXPECT_EQ(files.captions.back(), "3");
  EXPECT_EQ(words.captions, std::vector<std::string>{"4"});

  // Stopped after the second file, saving or not: any two of the files hold three words.
  for (const bool save : {true, false}) {
    RecordingLabel stopped_files, stopped_words;
    auto indexer = MakeIndexer(&stopped_files, &stopped_words);
    StopAfterTwoFiles(indexer.get(), save);
    ASSERT_EQ(indexer->Run(), kRunOk);
    ASSERT_FALSE(stopped_files.captions.empty());
    EXPECT_EQ(stopped_files.captions.back(), "2") << save;
    EXPECT_EQ(stopped_words.captions, std::vector<std::string>{"3"}) << save;
  }
}

// The search window hears 1 once the index is saved and recorded, and 0 after a Stop without
// saving or a failure of the save, which names the operation and the file.
TEST_F(RunTest, TheSearchWindowHearsTheOutcome) {
  testing::TempDir runtime;  // where the search window's socket is (POSIX)
  const platform::ScopedEnv runtime_dir("XDG_RUNTIME_DIR", runtime.path().c_str());
  platform::MessageWindow search;
  ASSERT_EQ(platform::MessageWindow::Create(kSearchWindowClass, kSearchWindowTitle, &search),
            platform::Result::kOk);
  const auto heard = [&search] {
    platform::WindowMessage message;
    EXPECT_TRUE(search.Receive(&message, 1000));
    EXPECT_EQ(message.number, kIndexDoneMessage);
    EXPECT_EQ(message.lparam, 0);
    return message.wparam;
  };
  for (int i = 0; i < 5; ++i) Write("f" + std::to_string(i) + ".txt", "word");
  PassSettings settings = Settings();
  settings.find_search_window = nullptr;  // the platform's lookup
  ASSERT_EQ(TIndexer(settings).Run(), kRunOk);
  EXPECT_EQ(heard(), 1);

  PassView view;
  view.pump = &pump_;
  TIndexer stopped(settings, view);
  StopAfterTwoFiles(&stopped, false);
  ASSERT_EQ(stopped.Run(), kRunOk);
  EXPECT_EQ(heard(), 0);

  testing::FaultyFileSystem faulty(&disk_);
  faulty.FailNth(testing::FaultyFileSystem::kRename, 1, platform::Result::kFailed, "full");
  settings.disk = &faulty;
  TIndexer failed(settings);
  EXPECT_EQ(failed.Run(), kRunFailed);
  EXPECT_EQ(failed.Failure().operation(), "rename");
  EXPECT_EQ(failed.Failure().path(), faulty.failed_path());
  EXPECT_EQ(heard(), 0);
}

// Passes in an index whose words are UTF-8: every script is kept, and the index keeps the
// encoding it was made with until it is made anew.
class Utf8PassTest : public testing::MemoryPassTest {
 protected:
  void Configure(const char* encoding) {
    disk_.Put(work_ + kConfigFileName, std::string("[Options]\nIndexEncoding=") + encoding + "\n");
  }
  void WriteWide(const std::string& name, std::string text, uint32_t step = 0) {
    plugins_.files[corpus_ + Native(name)] = {std::move(text), testing::OldTime(step), false, true};
  }
  std::set<std::string> WordTexts() {
    std::set<std::string> texts;
    for (const auto& [key, text] : Decode().words) texts.insert(text);
    return texts;
  }
  std::string Recorded() {
    return disk_.ReadProfileString(work_ + kStatusFileName, "Encoding", "test", "-");
  }
};

TEST_F(Utf8PassTest, KeepsEveryScriptAndItsEncodingUntilMadeAnew) {
  Configure("UTF-8");
  WriteWide("ru.txt", "Приложение к ДОГОВОРУ");
  WriteWide("ja.txt", "東京タワー");
  ASSERT_EQ(Pass(false), kRunOk);
  EXPECT_EQ(WordTexts(), (std::set<std::string>{"приложение", "договору", "東京", "京タ",
                                                 "タワ", "ワー"}));
  EXPECT_EQ(Recorded(), "UTF-8");

  // The setting changes; an update keeps the index's encoding.
  Configure("Windows-1252");
  WriteWide("el.txt", "Ελληνικά");
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(WordTexts().count("ελληνικά"), 1u);
  EXPECT_EQ(Recorded(), "UTF-8");

  // Made anew, it takes the setting, and its record goes as an index of the code page.
  ASSERT_EQ(Pass(false), kRunOk);
  EXPECT_EQ(WordTexts().count("приложение"), 0u);
  EXPECT_EQ(Recorded(), "-");
}

}  // namespace
}  // namespace oru
