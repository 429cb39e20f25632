// The walk on plug-ins and an index folder held in memory: what it numbers, passes over and
// hands on, and how it ends.
#include "indexer/engine/walk.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "indexer/engine/index_format.h"
#include "platform/files.h"
#include "tests/support/fake_plugins.h"
#include "tests/support/memory_file_system.h"

namespace oru {
namespace {

using platform::Status;

class WalkTest : public ::testing::Test, public FolderWalk::Host {
 protected:
  void SetUp() override {
    root_ = Path("corpus");
    for (const char* name : {"a.txt", "b.txt", "skip.bin", "c.txt"}) Put(name, "text", 0x50210000);
    plugins_.Load("", "");
  }

  std::string Path(const std::string& name) const {
    return std::string(1, platform::kPathSeparator) + name;
  }
  void Put(const std::string& name, const std::string& text, uint32_t time) {
    plugins_.files[root_ + platform::kPathSeparator + name] = {text, time};
  }
  std::string Name(const WalkedFile& file) const { return file.path.substr(root_.size() + 1); }

  // Walks the corpus once, for a fresh index or over `stored`.
  WalkOutcome Walk(const StoredFiles* stored = nullptr, uint16_t highest = 0,
                   uint16_t limit = 100) {
    indexed_.clear();
    file_index_ = std::make_unique<FileIndexWriter>(&memory_, Path("index/"), &pending_);
    file_index_->Start(stored != nullptr);
    walk_ = std::make_unique<FolderWalk>(&plugins_, this, limit);
    walk_->Start(file_index_.get(), stored, highest);
    return walk_->Run({root_ + platform::kPathSeparator}, &failure_);
  }

  // The walk's host: records what it is handed.
  void Pump() override {}
  bool StopRequested() override {
    return static_cast<int>(indexed_.size()) >= stop_after_ || met_ >= stop_after_met_;
  }
  bool ReadyToIndex() override { return ready_; }
  bool ReadyToIndexNow() override { return not_ready_for_-- <= 0; }
  void Met(const std::string& path) override {
    ++met_;
    events_.push_back("met " + path.substr(root_.size() + 1));
  }
  Status Index(const WalkedFile& file) override {
    indexed_.push_back(Name(file) + ":" + std::to_string(file.file_ref & 0xFFFF));
    events_.push_back("index " + Name(file));
    return Status();
  }
  void Progress(uint32_t, const std::string&) override {}

  std::string root_;
  testing::FakePlugins plugins_;
  testing::MemoryFileSystem memory_;
  IndexSwitch pending_{&memory_, Path("index/")};
  std::unique_ptr<FileIndexWriter> file_index_;
  std::unique_ptr<FolderWalk> walk_;
  Status failure_;
  std::vector<std::string> indexed_;
  int stop_after_ = 1000;
  bool ready_ = true;
  int not_ready_for_ = 0;  // ReadyToIndexNow answers false this many times
  int met_ = 0;
  int stop_after_met_ = 1000;
  std::vector<std::string> events_;
};

TEST_F(WalkTest, AFreshWalkNumbersTheFilesAParserServesInOrder) {
  EXPECT_EQ(Walk(), WalkOutcome::kDone);
  EXPECT_EQ(indexed_, (std::vector<std::string>{"a.txt:1", "b.txt:2", "c.txt:3"}));
  EXPECT_TRUE(walk_->complete());
  EXPECT_EQ(walk_->file_count(), 3);
}

TEST_F(WalkTest, AnUpdatePassesOverUnchangedFilesAndKeepsTheNumbersOfChangedOnes) {
  ASSERT_EQ(Walk(), WalkOutcome::kDone);
  ASSERT_TRUE(file_index_->Finish(FileNumberSet()).ok());
  ASSERT_TRUE(pending_.Switch().ok());
  std::string records;
  ASSERT_TRUE(memory_.ReadWhole(Path("index/") + index_format::kFileIndexName, &records).ok());
  StoredFiles stored;
  ASSERT_TRUE(stored.Load(records, [] {}));

  Put("b.txt", "new text", 0x50210000);  // changed
  plugins_.files.erase(root_ + platform::kPathSeparator + "c.txt");  // gone
  Put("d.txt", "text", 0x50210000);  // new, numbered after the highest given (5)
  EXPECT_EQ(Walk(&stored, 5), WalkOutcome::kDone);
  EXPECT_EQ(indexed_, (std::vector<std::string>{"b.txt:2", "d.txt:6"}));
  EXPECT_TRUE(walk_->reindexed().Contains(2));
  const ForgottenFiles forgotten = Forgotten(*walk_, stored);
  EXPECT_TRUE(forgotten.gone.Contains(3));
  EXPECT_EQ(forgotten.gone.size(), 1u);
  EXPECT_EQ(forgotten.forget.size(), 2u);
  EXPECT_EQ(forgotten.highest_kept, 2);

  // A walk that did not meet every file knows of no file that is gone.
  stop_after_ = 1;
  EXPECT_EQ(Walk(&stored, 6), WalkOutcome::kStopped);
  EXPECT_TRUE(Forgotten(*walk_, stored).gone.empty());
}

TEST_F(WalkTest, FilesMetWhileTheReloadRunsAreHeldAndIndexedInTheOrderMet) {
  // Ready after two looks: a and b are held, then indexed before c is met.
  not_ready_for_ = 2;
  EXPECT_EQ(Walk(), WalkOutcome::kDone);
  EXPECT_EQ(indexed_, (std::vector<std::string>{"a.txt:1", "b.txt:2", "c.txt:3"}));
  EXPECT_EQ(events_, (std::vector<std::string>{"met a.txt", "met b.txt", "index a.txt",
                                               "index b.txt", "met c.txt", "index c.txt"}));
  // Never ready while the folder is walked: all are indexed at its end.
  events_.clear();
  not_ready_for_ = 1000;
  EXPECT_EQ(Walk(), WalkOutcome::kDone);
  EXPECT_EQ(indexed_, (std::vector<std::string>{"a.txt:1", "b.txt:2", "c.txt:3"}));
  EXPECT_EQ(events_.back(), "index c.txt");
  EXPECT_EQ(events_[3], "index a.txt");
  // A Stop indexes what is held first; a failed reload drops it.
  not_ready_for_ = 1000;
  stop_after_met_ = met_ + 2;
  EXPECT_EQ(Walk(), WalkOutcome::kStopped);
  EXPECT_EQ(indexed_, (std::vector<std::string>{"a.txt:1", "b.txt:2"}));
  stop_after_met_ = 1000;
  ready_ = false;
  EXPECT_EQ(Walk(), WalkOutcome::kRestart);
  EXPECT_TRUE(indexed_.empty());
}

TEST_F(WalkTest, ItEndsAtTheNumberLimitOnAStopOnAFailedReloadOrAFolderItCannotWalk) {
  EXPECT_EQ(Walk(nullptr, 0, 2), WalkOutcome::kDone);
  EXPECT_EQ(indexed_.size(), 2u);
  EXPECT_TRUE(walk_->limit_reached());
  EXPECT_FALSE(walk_->complete());

  stop_after_ = 1;
  EXPECT_EQ(Walk(), WalkOutcome::kStopped);
  stop_after_ = 1000;

  ready_ = false;
  EXPECT_EQ(Walk(), WalkOutcome::kRestart);
  EXPECT_TRUE(indexed_.empty());
  ready_ = true;

  walk_ = std::make_unique<FolderWalk>(&plugins_, this, 100);
  walk_->Start(file_index_.get(), nullptr, 0);
  EXPECT_EQ(walk_->Run({Path("elsewhere/")}, &failure_), WalkOutcome::kFailed);
  EXPECT_NE(failure_.Message().find("cannot be opened"), std::string::npos);
  // A job entry naming a deleted file of a parser's type in a folder that is there: nothing.
  EXPECT_EQ(walk_->Run({root_ + platform::kPathSeparator + "gone.txt"}, &failure_),
            WalkOutcome::kDone);
  EXPECT_TRUE(CheckJobFolders({root_ + platform::kPathSeparator + "gone.txt"}, plugins_).ok());
  EXPECT_FALSE(CheckJobFolders({Path("elsewhere/")}, plugins_).ok());
}

}  // namespace
}  // namespace oru
