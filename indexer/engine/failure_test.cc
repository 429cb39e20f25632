// No failure costs the last complete index: every file operation of a fresh pass and of an
// update (the read of the job file, the locks, the parse note, the list of unread files, the
// index's files and its records in "storages.ini") is failed in turn through a faulty file
// system over one held in memory. A run that fails ends with its reason and leaves the index
// folder byte for byte as it was, recorded "1"; a failure the run passes over (of the note,
// which only guards the parses, or of the list of unread files, kept beside the index) leaves
// the index a clean run leaves. A clean run afterwards gives the index a clean run gives.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "indexer/engine/parse_guard.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_pass.h"

namespace oru {
namespace {

using testing::FaultyFileSystem;
constexpr char kReason[] = "No space left on device";

class FailureTest : public testing::MemoryPassTest {
 protected:
  void SetUp() override {
    Write("a.txt", "alpha beta");
    Write("b.txt", "gamma alpha");
    Refuse("locked.txt");
  }

  // Its parser refuses the file `name`: the list of unread files names it.
  void Refuse(const std::string& name) {
    plugins_.files[corpus_ + name] = {"secret words", testing::OldTime(), true};
  }

  // As a run killed while parsing `name` leaves the note.
  void LeaveNote(const std::string& name) {
    ParseGuard guard;
    ASSERT_TRUE(guard
                    .Start(&disk_, ParseGuard::NotePath(storages_, "test"), std::chrono::hours(1),
                           [](const UnreadFile&) {})
                    .ok());
    const auto& file = plugins_.files.at(corpus_ + name);
    guard.Begin(corpus_ + name, static_cast<uint32_t>(file.text.size()), file.time);
  }

  // True for the files kept beside the index folder: its note and its list of unread files.
  bool Beside(const std::string& path) const { return path.rfind(storages_ + "test.", 0) == 0; }

  // Saves an index, leaves the note of a killed run, changes the corpus with `change`, then
  // fails every call of every kind that a clean pass makes, one run each, and checks what each
  // failed run leaves.
  template <typename Change>
  void FailEveryCall(bool updating, Change change) {
    ASSERT_EQ(Pass(false), kRunOk);
    const Folder index_before = IndexFiles();
    // Named in the list as refused, it is passed over as crashed: parsed or not, it has no words.
    LeaveNote("locked.txt");
    change();
    Refuse("sealed.txt");  // listed at the end of the pass
    WriteJob(updating);
    const Folder before = disk_.FilesIn(work_);
    FaultyFileSystem counter(&disk_);
    ASSERT_EQ(Run(&counter), kRunOk);
    const Folder clean = IndexFiles();
    ASSERT_NE(clean, index_before);
    for (int kind = 0; kind < FaultyFileSystem::kKinds; ++kind) {
      const auto k = static_cast<FaultyFileSystem::Kind>(kind);
      ASSERT_GT(counter.count(k), 0) << "kind " << kind;
      for (int n = 1; n <= counter.count(k); ++n) {
        SCOPED_TRACE("kind " + std::to_string(kind) + ", call " + std::to_string(n));
        disk_.SetFilesIn(work_, before);
        FaultyFileSystem faulty(&disk_);
        faulty.FailNth(k, n, platform::Result::kFailed, kReason);
        std::string why;
        const int result = Run(&faulty, &why);
        ASSERT_TRUE(faulty.failed());
        const std::string& path = faulty.failed_path();
        SCOPED_TRACE(path);
        ASSERT_EQ(Indexed(), "1");
        // (The folders are compared whole: their bytes are too many to print.)
        if (result == kRunOk) {
          EXPECT_TRUE(Beside(path));
          EXPECT_TRUE(IndexFiles() == clean);
        } else if (path == job_) {  // a job file that cannot be read has no sections
          EXPECT_EQ(result, kRunBadJob);
          EXPECT_TRUE(IndexFiles() == index_before);
        } else {
          EXPECT_EQ(result, kRunFailed);
          EXPECT_NE(why.find(kReason), std::string::npos) << why;
          ASSERT_TRUE(IndexFiles() == index_before);
        }
      }
    }
    disk_.SetFilesIn(work_, before);
    ASSERT_EQ(Run(), kRunOk);
    EXPECT_EQ(IndexFiles(), clean);
    EXPECT_EQ(Indexed(), "1");
  }
};

TEST_F(FailureTest, EveryFailedCallOfAFreshPassKeepsTheLastIndex) {
  FailEveryCall(false, [&] { Write("c.txt", "delta alpha"); });
}

TEST_F(FailureTest, EveryFailedCallOfAnUpdateKeepsTheLastIndex) {
  FailEveryCall(true, [&] {
    Write("b.txt", "gamma alpha epsilon");  // changed: its record is rewritten
    Write("c.txt", "delta alpha");          // new
  });
}

// The first pass of a name that fails leaves no index, and no record of a complete one.
TEST_F(FailureTest, AFailedFirstPassLeavesNothing) {
  for (int kind = 0; kind < FaultyFileSystem::kKinds; ++kind) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    disk_.SetFilesIn(work_, {});
    WriteJob(false);
    FaultyFileSystem faulty(&disk_);
    faulty.FailNth(static_cast<FaultyFileSystem::Kind>(kind), 1, platform::Result::kFailed,
                   kReason);
    if (Run(&faulty) == kRunOk) {
      EXPECT_TRUE(Beside(faulty.failed_path())) << faulty.failed_path();
      continue;
    }
    EXPECT_NE(Indexed(), "1");
    EXPECT_TRUE(IndexFiles().empty());
  }
}

TEST_F(FailureTest, LeftoversOfAKilledRunGoBeforeTheNextRunStarts) {
  ASSERT_EQ(Pass(false), kRunOk);
  const Folder saved = IndexFiles();
  Folder left = saved;
  for (const char* name : {"3.tf", "63.tf", "7.fnx.new", "0.fnw.new", "Fileindex.fnd.new",
                           "12.fnx.old", "5.fnx.tmp"}) {
    left[name] = "left by a killed run";
  }
  disk_.SetFilesIn(IndexFolder(), left);
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(IndexFiles(), saved);
}

// An unplugged drive or a renamed folder must not empty the index: the run fails, naming the
// folder, and the last index stays, for a fresh pass and an update alike. A job entry naming a
// file that has since been deleted yields nothing and fails nothing.
TEST_F(FailureTest, AMissingJobFolderFailsAndKeepsTheLastIndex) {
  ASSERT_EQ(Pass(false), kRunOk);
  const Folder saved = IndexFiles();
  const auto corpus = plugins_.files;
  plugins_.files.clear();
  for (const bool updating : {false, true}) {
    std::string why;
    WriteJob(updating);
    EXPECT_EQ(Run(nullptr, &why), kRunFailed);
    EXPECT_EQ(why, "cannot index " + corpus_ + ": no such folder (the last complete index is kept)");
    EXPECT_EQ(Indexed(), "1");
    EXPECT_EQ(IndexFiles(), saved);
  }
  plugins_.files = corpus;
  disk_.Put(job_, "[Header]\nName=test\nUpdating=0\n[Folders]\nDir0=" + corpus_ +
                      "a.txt\nDir1=" + corpus_ + "gone.txt\n");
  std::string why;
  EXPECT_EQ(Run(nullptr, &why), kRunOk) << why;
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Decode().files.size(), 1u);
}

// The time an index is recorded incomplete is only the renames: every new file is durable
// while the old index is still recorded complete.
TEST_F(FailureTest, NewFilesAreSyncedBeforeTheIndexIsRecordedIncomplete) {
  ASSERT_EQ(Pass(false), kRunOk);
  Write("c.txt", "delta alpha");
  struct RecordingDisk : FaultyFileSystem {
    using FaultyFileSystem::FaultyFileSystem;
    platform::Status SyncFile(const std::string& path) override {
      if (path.rfind(index, 0) == 0) {
        records.push_back(ReadProfileString(work + kStatusFileName, "Indexed", "test", "-"));
      }
      return FaultyFileSystem::SyncFile(path);
    }
    std::string work;
    std::string index;
    std::vector<std::string> records;
  } disk(&disk_);
  disk.work = work_;
  disk.index = IndexFolder();
  WriteJob(true);
  ASSERT_EQ(Run(&disk), kRunOk);
  ASSERT_FALSE(disk.records.empty());
  EXPECT_EQ(disk.records, std::vector<std::string>(disk.records.size(), "1"));
  EXPECT_EQ(Indexed(), "1");
}

// A failure thrown inside the walk (here from the window's message pump) fails the run, which
// leaves the last index; the storage plug-in's scan is ended all the same (the next run's scan
// would otherwise start inside the old one).
TEST_F(FailureTest, AFailureThrownInsideTheWalkFailsTheRun) {
  ASSERT_EQ(Pass(false), kRunOk);
  const Folder saved = IndexFiles();
  struct ThrowingPump : platform::MessagePump {
    void ProcessMessages() override {
      if (++calls == 3) throw std::runtime_error("the window failed");
    }
    int calls = 0;
  } pump;
  PassView view;
  view.pump = &pump;
  TIndexer indexer(Settings(), view);
  EXPECT_EQ(indexer.Run(), kRunFailed);
  EXPECT_EQ(indexer.Failure().Message(), "cannot index " + corpus_ + ": the window failed");
  EXPECT_EQ(IndexFiles(), saved);
  EXPECT_EQ(Indexed(), "1");
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(IndexFiles(), saved);
}

}  // namespace
}  // namespace oru
