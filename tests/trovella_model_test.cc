// The search window's logic over indexes that oru index writes, driven as a window would drive
// it: typing, its pause, the rows as they come, their fragments.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/sandbox.h"
#include "tools/trovella/search_model.h"

namespace oru::trovella {
namespace {

namespace fs = std::filesystem;
using testing::WriteFile;

class TrovellaModelTest : public testing::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    WriteConfig();
    WriteFile(corpus_ + "a/harbour.txt", "The harbour engines hummed through the night.");
    WriteFile(corpus_ + "b/master.txt", "Harbour master's notes: tides, engines.");
    WriteFile(corpus_ + "c/plain.txt", "Nothing but ordinary words in this one.");
    WriteFile(data_ + "other/d.txt", "Engines of another harbour.");
    Index({corpus_, "--name", "main"});
    Index({data_ + "other", "--name", "other"});
    model_ = std::make_unique<SearchModel>(work_, [this](std::function<void()> task) {
      const std::lock_guard<std::mutex> lock(mutex_);
      posted_.push_back(std::move(task));
    });
  }
  void TearDown() override {
    model_.reset();
    SandboxTest::TearDown();
  }

  void Index(std::vector<std::string> args) {
    args.insert(args.begin(), {bin_ + "oru", "index"});
    const auto result = testing::RunProcess(args, env_);
    ASSERT_EQ(result.exit_status, 0) << result.err;
  }

  // Runs what the search thread posted, as the window's loop would, until `done` holds.
  bool RunUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
      std::deque<std::function<void()>> tasks;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        tasks.swap(posted_);
      }
      for (auto& task : tasks) task();
      if (tasks.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
  }
  // Types `query` and lets the pause pass; true once the search has ended.
  bool Search(const std::string& query) {
    model_->SetQuery(query, 0);
    model_->Tick(kTypingPauseMs);
    return RunUntil([this] { return !model_->busy(); });
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (size_t i = 0; i < model_->RowCount(); ++i) names.push_back(model_->RowAt(i).name);
    return names;
  }

  std::mutex mutex_;
  std::deque<std::function<void()>> posted_;
  std::unique_ptr<SearchModel> model_;
};

TEST_F(TrovellaModelTest, SearchesAfterThePauseOverTheChosenIndexesInTheChosenOrder) {
  ASSERT_EQ(model_->choices().size(), 3u);
  EXPECT_EQ(model_->choices()[1].label, "main (complete, 3 files)");
  model_->SetQuery("engines", 0);
  EXPECT_EQ(model_->Timeout(100), kTypingPauseMs - 100);
  model_->Tick(100);
  EXPECT_FALSE(model_->busy());  // still typing
  model_->SetQuery("engines harbour", 120);
  model_->Tick(120 + kTypingPauseMs);
  EXPECT_EQ(model_->Timeout(1000), -1);
  ASSERT_TRUE(RunUntil([this] { return !model_->busy(); }));
  EXPECT_EQ(Names(), (std::vector<std::string>{"harbour.txt", "master.txt", "d.txt"}));
  EXPECT_EQ(model_->Summary(), "3 files");
  EXPECT_EQ(model_->RowAt(0).folder, corpus_ + "a");
  EXPECT_EQ(model_->RowAt(0).index, "main");

  model_->Choose(2);  // "other" alone
  ASSERT_TRUE(RunUntil([this] { return !model_->busy(); }));
  EXPECT_EQ(Names(), (std::vector<std::string>{"d.txt"}));
  model_->Choose(0);
  model_->SetSort(tool::SortKey::kPath, true);
  ASSERT_TRUE(RunUntil([this] { return !model_->busy(); }));
  EXPECT_EQ(Names(), (std::vector<std::string>{"d.txt", "master.txt", "harbour.txt"}));
}

TEST_F(TrovellaModelTest, FragmentsMarkTheQueryWordsAndStaleHitsAreLeftOutAndCounted) {
  fs::remove(corpus_ + "b/master.txt");
  ASSERT_TRUE(Search("harbour"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"harbour.txt", "d.txt"}));
  EXPECT_EQ(model_->Summary(),
            "2 files; 1 hit left out: files gone since indexing: 1, changed and no longer "
            "holding every word: 0 (Update brings the index up to date)");
  model_->WantFragments(0, 2);
  ASSERT_TRUE(RunUntil([this] { return model_->RowAt(1).fragment_done; }));
  const Row& row = model_->RowAt(0);
  EXPECT_EQ(row.fragment, "The harbour engines hummed through the night.");
  ASSERT_EQ(row.marked.size(), 1u);
  EXPECT_EQ(row.fragment.substr(row.marked[0].begin, row.marked[0].end - row.marked[0].begin),
            "harbour");

  // A newer query replaces what an older one would still give; a malformed one says why.
  model_->SetQuery("ordinary", 0);
  model_->Tick(kTypingPauseMs);
  ASSERT_TRUE(Search("nothing ordinary"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"plain.txt"}));
  ASSERT_TRUE(Search("(harbour"));
  EXPECT_EQ(model_->RowCount(), 0u);
  EXPECT_NE(model_->Summary().find("malformed"), std::string::npos) << model_->Summary();
}

}  // namespace
}  // namespace oru::trovella
