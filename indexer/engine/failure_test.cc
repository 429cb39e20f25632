// No failure costs the last complete index: every create, write, sync, rename, read, lock and
// record of a run is failed in turn through a faulty file system over one held in memory, and
// each time the run ends with kRunFailed and its reason, the index folder holds the previous
// index byte for byte, recorded "1", and nothing else; a clean run afterwards gives the index a
// clean run gives. The index folder and "storages.ini" live in memory; the files indexed and
// the plug-ins are real.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "indexer/engine/indexer.h"
#include "indexer/engine/work_folders.h"
#include "platform/dynlib.h"
#include "platform/ini.h"
#include "platform/scoped_env.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_config.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using testing::FaultyFileSystem;
using testing::ReadFile;
using testing::WriteFile;
using testing::WriteOldFile;
using Folder = std::map<std::string, std::string>;

const std::string kBin = std::string(ORU_BIN_DIR) + "/";
constexpr char kReason[] = "No space left on device";

class FailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::PrepareTextWork(work_, runtime_.path(), kBin, "[Extensions]\nText=Text<txt=\n");
    WriteOldFile(corpus_ + "a.txt", "alpha beta");
    WriteOldFile(corpus_ + "b.txt", "gamma alpha");
  }

  // One pass through `disk`; `*why` receives the failure's message.
  int Pass(bool updating, platform::FileSystem* disk, std::string* why = nullptr) {
    WriteFile(dir_ / "job.ini", std::string("[Header]\nName=test\nUpdating=") +
                                    (updating ? "1" : "0") + "\n[Folders]\nDir0=" + corpus_ + "\n");
    PassSettings settings = testing::PassSettingsFor(work_, dir_ / "job.ini");
    settings.disk = disk;
    auto indexer = std::make_unique<TIndexer>(settings);
    const int result = indexer->Run();
    if (why != nullptr) *why = indexer->Failure().Message();
    return result;
  }

  std::string Indexed() {
    return memory_.ReadProfileString(work_ + kStatusFileName, "Indexed", "test", "-");
  }

  Folder Snapshot() { return memory_.FilesIn(index_); }
  void Restore(const Folder& files) { memory_.SetFilesIn(index_, files); }

  // Changes the corpus with `change`, then fails every call of every kind that a clean pass
  // makes, one run each, and checks what each failed run leaves.
  template <typename Change>
  void FailEveryCall(bool updating, Change change) {
    ASSERT_EQ(Pass(false, &memory_), kRunOk);
    const Folder before = Snapshot();
    change();
    FaultyFileSystem counter(&memory_);
    ASSERT_EQ(Pass(updating, &counter), kRunOk);
    const Folder clean = Snapshot();
    ASSERT_NE(clean, before);
    Restore(before);
    for (int kind = 0; kind < FaultyFileSystem::kKinds; ++kind) {
      const auto k = static_cast<FaultyFileSystem::Kind>(kind);
      ASSERT_GT(counter.count(k), 0) << "kind " << kind;
      for (int n = 1; n <= counter.count(k); ++n) {
        SCOPED_TRACE("kind " + std::to_string(kind) + ", call " + std::to_string(n));
        FaultyFileSystem faulty(&memory_);
        faulty.FailNth(k, n, platform::Result::kFailed, kReason);
        std::string why;
        ASSERT_EQ(Pass(updating, &faulty, &why), kRunFailed);
        ASSERT_TRUE(faulty.failed());
        EXPECT_NE(why.find(kReason), std::string::npos) << why;
        ASSERT_EQ(Indexed(), "1");
        ASSERT_EQ(Snapshot(), before);
      }
    }
    ASSERT_EQ(Pass(updating, &memory_), kRunOk);
    EXPECT_EQ(Snapshot(), clean);
    EXPECT_EQ(Indexed(), "1");
  }

  testing::MemoryFileSystem memory_;
  testing::TempDir dir_;
  testing::TempDir runtime_;
  const std::string work_ = dir_ / "work/";
  // As the index folder spells it, with the platform's separators (the files are in memory).
  const std::string index_ = work_ + "Storages" + testing::kSep + "test" + testing::kSep;
  const std::string corpus_ = dir_ / "corpus/";
};

TEST_F(FailureTest, EveryFailedCallOfAFreshPassKeepsTheLastIndex) {
  FailEveryCall(false, [&] { WriteOldFile(corpus_ + "c.txt", "delta alpha"); });
}

TEST_F(FailureTest, EveryFailedCallOfAnUpdateKeepsTheLastIndex) {
  FailEveryCall(true, [&] {
    WriteOldFile(corpus_ + "b.txt", "gamma alpha epsilon");  // changed: its record is rewritten
    WriteOldFile(corpus_ + "c.txt", "delta alpha");          // new
  });
}

TEST_F(FailureTest, LeftoversOfAKilledRunGoBeforeTheNextRunStarts) {
  ASSERT_EQ(Pass(false, &memory_), kRunOk);
  const Folder saved = Snapshot();
  Folder left = saved;
  for (const char* name : {"3.tf", "63.tf", "7.fnx.new", "0.fnw.new", "Fileindex.fnd.new",
                           "12.fnx.old", "5.fnx.tmp"}) {
    left[name] = "left by a killed run";
  }
  Restore(left);
  ASSERT_EQ(Pass(true, &memory_), kRunOk);
  EXPECT_EQ(Snapshot(), saved);
}

// An unplugged drive or a renamed folder must not empty the index: the run fails, naming the
// folder, and the last index stays, for a fresh pass and an update alike.
TEST_F(FailureTest, AMissingJobFolderFailsAndKeepsTheLastIndex) {
  ASSERT_EQ(Pass(false, &memory_), kRunOk);
  const Folder saved = Snapshot();
  fs::rename(corpus_, dir_ / "moved");
  for (const bool updating : {false, true}) {
    std::string why;
    EXPECT_EQ(Pass(updating, &memory_, &why), kRunFailed);
    EXPECT_EQ(why, "cannot index " + corpus_ + ": no such folder (the last complete index is kept)");
    EXPECT_EQ(Indexed(), "1");
    EXPECT_EQ(Snapshot(), saved);
  }
}

// A job entry naming a file that has since been deleted yields nothing and fails nothing.
TEST_F(FailureTest, AJobEntryOfADeletedFileYieldsNothing) {
  WriteFile(dir_ / "job.ini", "[Header]\nName=test\nUpdating=0\n[Folders]\nDir0=" + corpus_ +
                                  "a.txt\nDir1=" + corpus_ + "gone.txt\n");
  PassSettings settings = testing::PassSettingsFor(work_, dir_ / "job.ini");
  settings.disk = &memory_;
  auto indexer = std::make_unique<TIndexer>(settings);
  EXPECT_EQ(indexer->Run(), kRunOk) << indexer->Failure().Message();
  EXPECT_EQ(Indexed(), "1");
}

// The time an index is recorded incomplete is only the renames: every new file is durable
// while the old index is still recorded complete.
TEST_F(FailureTest, NewFilesAreSyncedBeforeTheIndexIsRecordedIncomplete) {
  ASSERT_EQ(Pass(false, &memory_), kRunOk);
  WriteOldFile(corpus_ + "c.txt", "delta alpha");
  struct RecordingDisk : FaultyFileSystem {
    using FaultyFileSystem::FaultyFileSystem;
    platform::Status SyncFile(const std::string& path) override {
      records.push_back(ReadProfileString(work + kStatusFileName, "Indexed", "test", "-"));
      return FaultyFileSystem::SyncFile(path);
    }
    std::string work;
    std::vector<std::string> records;
  } disk(&memory_);
  disk.work = work_;
  ASSERT_EQ(Pass(true, &disk), kRunOk);
  ASSERT_FALSE(disk.records.empty());
  EXPECT_EQ(disk.records, std::vector<std::string>(disk.records.size(), "1"));
  EXPECT_EQ(Indexed(), "1");
}

// A failure thrown inside the walk (here from the window's message pump) fails the run, which
// leaves the last index; the storage plug-in's scan is ended all the same (the next run's scan
// would otherwise start inside the old one).
TEST_F(FailureTest, AFailureThrownInsideTheWalkFailsTheRun) {
  ASSERT_EQ(Pass(false, &memory_), kRunOk);
  const Folder saved = Snapshot();
  struct ThrowingPump : platform::MessagePump {
    void ProcessMessages() override {
      if (++calls == 3) throw std::runtime_error("the window failed");
    }
    int calls = 0;
  } pump;
  PassView view;
  view.pump = &pump;
  PassSettings settings = testing::PassSettingsFor(work_, dir_ / "job.ini");
  settings.disk = &memory_;
  auto indexer = std::make_unique<TIndexer>(settings, view);
  EXPECT_EQ(indexer->Run(), kRunFailed);
  EXPECT_EQ(indexer->Failure().Message(), "cannot index " + corpus_ + ": the window failed");
  EXPECT_EQ(Snapshot(), saved);
  EXPECT_EQ(Indexed(), "1");
  ASSERT_EQ(Pass(true, &memory_), kRunOk);
  EXPECT_EQ(Snapshot(), saved);
}

}  // namespace
}  // namespace oru
