#include "platform/folder_watch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/test_folder.h"

namespace oru::platform {
namespace {

// Waits up to `ms` for changes; the trees that changed.
std::vector<size_t> ChangedWithin(FolderWatch* watch, int ms) {
  WatchChanges changes;
  EXPECT_TRUE(watch->Wait(ms, &changes).ok());
  return changes.changed;
}

// The trees that change within `ms`, then every report that follows until the watch is quiet
// (one write may be told in several reports).
std::vector<size_t> Settled(FolderWatch* watch, int ms) {
  const std::vector<size_t> first = ChangedWithin(watch, ms);
  while (!ChangedWithin(watch, 200).empty()) {
  }
  return first;
}

TEST(FolderWatchTest, ReportsChangesByTreeBelowNewFoldersTooButNotInExcludedOnes) {
  TestFolder one;
  TestFolder two;
  std::filesystem::create_directories(one.Path("sub"));
  std::filesystem::create_directories(one.Path("work"));
  WatchOptions options;
  options.excluded.push_back(one.Path("work"));
  std::unique_ptr<FolderWatch> watch;
  ASSERT_TRUE(CreateFolderWatch(options, &watch).ok());
  size_t first = 9;
  size_t second = 9;
  ASSERT_TRUE(watch->Add(one.path(), &first).ok());
  ASSERT_TRUE(watch->Add(two.path(), &second).ok());
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(second, 1u);
  EXPECT_FALSE(watch->Add(one.Path("missing"), &first).ok());

  EXPECT_TRUE(ChangedWithin(watch.get(), 50).empty());
  two.Write("a.txt", "text");
  EXPECT_EQ(Settled(watch.get(), 5000), std::vector<size_t>{1});
  one.Write("work/index.bin", "bytes");
  EXPECT_TRUE(ChangedWithin(watch.get(), 300).empty());
  // A folder made while watching is watched from then on.
  std::filesystem::create_directories(one.Path("new"));
  EXPECT_EQ(Settled(watch.get(), 5000), std::vector<size_t>{0});
  one.Write("new/b.txt", "text");
  EXPECT_EQ(ChangedWithin(watch.get(), 5000), std::vector<size_t>{0});
}

// A watched folder that goes is said once as lost, and renewing it works once it is back.
TEST(FolderWatchTest, ATreeWhoseFolderGoesIsLostUntilRenewedOnceBack) {
#if defined(_WIN32)
  GTEST_SKIP() << "Wine tells nothing of a watched folder's removal";
#endif
  TestFolder base;
  const std::string root = base.Path("tree");
  std::filesystem::create_directories(root);
  std::unique_ptr<FolderWatch> watch;
  ASSERT_TRUE(CreateFolderWatch({}, &watch).ok());
  size_t tree = 0;
  ASSERT_TRUE(watch->Add(root, &tree).ok());
  std::filesystem::remove_all(root);
  WatchChanges changes;
  bool lost = false;
  for (int i = 0; i < 20 && !lost; ++i) {
    ASSERT_TRUE(watch->Wait(250, &changes).ok());
    lost = !changes.lost.empty() && changes.lost[0].lasting;
  }
  EXPECT_TRUE(lost);
  EXPECT_FALSE(watch->Renew(tree));
  std::filesystem::create_directories(root);
  EXPECT_TRUE(watch->Renew(tree));
  base.Write("tree/a.txt", "text");
  EXPECT_EQ(Settled(watch.get(), 5000), std::vector<size_t>{0});
}

}  // namespace
}  // namespace oru::platform
