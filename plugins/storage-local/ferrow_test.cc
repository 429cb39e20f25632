// Ferrow driven through its exports only, loaded the way the indexer loads it, over trees in a
// temporary folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "platform/test_folder.h"
#include "plugin-api/storage_plugin.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using Files = std::vector<std::string>;

struct Ferrow {
  platform::Library lib{platform::LoadLibrary(FERROW_LIBRARY)};
  ScanItFn scan = lib.Find<ScanItFn>(kScanItExport);
  GetNextFileFn next = lib.Find<GetNextFileFn>(kGetNextFileExport);
  StopScanFn stop = lib.Find<StopScanFn>(kStopScanExport);
  AddNewStorageFn add = lib.Find<AddNewStorageFn>(kAddNewStorageExport);
};

class FerrowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f_.scan && f_.next && f_.stop && f_.add) << platform::LastLoadError();
    ASSERT_FALSE(root_.empty());
  }
  void TearDown() override { f_.stop(); }
  std::string Put(const std::string& rel, const std::string& text = "x") {
    fs::path p = fs::path(root_) / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text;
    return p;
  }
  std::string Next() { return f_.next(&size_, &time_); }
  // Every path of a walk of `root`, relative to root_; empty when _ScanIt fails.
  Files Walk(const std::string& root) {
    Files out;
    if (!f_.scan(root.c_str())) return out;
    for (std::string path = Next(); !path.empty() && out.size() < 100; path = Next()) {
      out.push_back(path.rfind(root_ + "/", 0) == 0 ? path.substr(root_.size() + 1) : path);
    }
    return out;
  }

  Ferrow f_;
  platform::TestFolder folder_;
  const std::string& root_ = folder_.path();
  int32_t size_ = 0, time_ = 0;
};

TEST_F(FerrowTest, HandsOutEveryRegularFileDepthFirstInByteOrder) {
  for (const char* rel : {"z.txt", "sub/b.txt", "a.txt", ".hidden", "B.txt", "sub/deeper/c"}) {
    Put(rel);
  }
  fs::create_directories(root_ + "/empty/inner");
  EXPECT_EQ(Walk(root_),
            (Files{".hidden", "B.txt", "a.txt", "sub/b.txt", "sub/deeper/c", "z.txt"}));
  size_ = time_ = 7;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Next(), "");
  EXPECT_EQ(size_, 7);  // nothing written after the end
  EXPECT_EQ(time_, 7);
}

TEST_F(FerrowTest, TheFirstEntryOfAFolderIsNotLostF1) {
  // '#' and '-' sort before "." in byte order, so these are the enumerations' first entries.
  Put("#first.txt");
  Put("sub/-first.txt");
  EXPECT_EQ(Walk(root_), (Files{"#first.txt", "sub/-first.txt"}));
}

TEST_F(FerrowTest, RootIsTrimmedAndGetsOneSeparatorP11) {
  Put("a.txt");
  Put("sub/b.txt");
  const Files expected{"a.txt", "sub/b.txt"};
  EXPECT_EQ(Walk(root_), expected);
  EXPECT_EQ(Walk("  " + root_ + "  "), expected);
  EXPECT_EQ(Walk("\t " + root_ + "/\n\r "), expected);
}

TEST_F(FerrowTest, UnusableRootsFailAndTheWalkIsOver) {
  std::string file = Put("a.txt");
  for (const char* root : {static_cast<const char*>(nullptr), "", " \t\n"}) {
    EXPECT_FALSE(f_.scan(root));
  }
  for (const std::string& root : {root_ + "/missing", file}) {
    EXPECT_FALSE(f_.scan(root.c_str())) << root;
    EXPECT_EQ(Next(), "");
  }
}

TEST_F(FerrowTest, LinksToFoldersAndSpecialFilesAreSkippedF2) {
  Put("a.txt");
  Put("sub/b.txt");
  fs::create_directory_symlink(root_, root_ + "/sub/loop");
  fs::create_directory_symlink(root_ + "/sub", root_ + "/dirlink");
  fs::create_symlink(root_ + "/a.txt", root_ + "/filelink");
  fs::create_symlink(root_ + "/nowhere", root_ + "/broken");
  ASSERT_EQ(mkfifo((root_ + "/fifo").c_str(), 0600), 0);
  EXPECT_EQ(Walk(root_), (Files{"a.txt", "filelink", "sub/b.txt"}));
}

TEST_F(FerrowTest, PathsLongerThan260BytesAreSkippedF3) {
  std::string dir(250 - root_.size(), 'd');     // root_/dir/ is 252 bytes
  Put(dir + "/" + std::string(8, 'f'));         // 260 bytes: handed out
  Put(dir + "/" + std::string(9, 'g'));         // 261 bytes: skipped
  Put(dir + "/" + std::string(7, 'h') + "/x");  // below a folder too long for any file
  Put("z");
  EXPECT_EQ(Walk(root_), (Files{dir + "/" + std::string(8, 'f'), "z"}));
}

TEST_F(FerrowTest, NewScanReplacesWalkAndStopIsAlwaysSafe) {
  f_.stop();
  f_.stop();
  Put("a.txt");
  Put("sub/b.txt");
  Put("sub/c.txt");
  ASSERT_TRUE(f_.scan(root_.c_str()));
  EXPECT_EQ(Next(), root_ + "/a.txt");
  EXPECT_EQ(Walk(root_ + "/sub"), (Files{"sub/b.txt", "sub/c.txt"}));
  ASSERT_TRUE(f_.scan(root_.c_str()));
  f_.stop();
  EXPECT_EQ(Next(), "");
  f_.stop();
}

TEST_F(FerrowTest, ReportsLow32BitsOfSizeAndPackedLocalTime) {
  setenv("TZ", "ORU-2", 1);  // two hours east of UTC
  tzset();
  std::string path = Put("doc.txt", std::string(1234, 'x'));
  const timespec times[2] = {{1053174610, 0}, {1053174610, 0}};  // 2003-05-17 12:30:10 UTC
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  fs::resize_file(Put("huge"), 5ull << 30);  // sparse
  ASSERT_TRUE(f_.scan(root_.c_str()));
  EXPECT_EQ(Next(), path);
  EXPECT_EQ(size_, 1234);
  EXPECT_EQ(static_cast<uint32_t>(time_), 0x2EB173C5u);  // 14:30:10 local
  EXPECT_EQ(Next(), root_ + "/huge");
  EXPECT_EQ(size_, 1 << 30);
}

TEST_F(FerrowTest, FolderRemovedDuringTheWalkIsSkipped) {
  for (const char* rel : {"a.txt", "b/x.txt", "b/y/z.txt", "c.txt"}) Put(rel);
  ASSERT_TRUE(f_.scan(root_.c_str()));
  EXPECT_EQ(Next(), root_ + "/a.txt");
  fs::remove_all(root_ + "/b");  // listed by the root's enumeration, not entered yet
  EXPECT_EQ(Next(), root_ + "/c.txt");
  EXPECT_EQ(Next(), "");
}

TEST_F(FerrowTest, UnreadableFolderIsSkipped) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  for (const char* rel : {"a.txt", "locked/x.txt", "z.txt"}) Put(rel);
  fs::permissions(root_ + "/locked", fs::perms::none);
  EXPECT_EQ(Walk(root_), (Files{"a.txt", "z.txt"}));
  fs::permissions(root_ + "/locked", fs::perms::owner_all);
}

TEST_F(FerrowTest, AddNewStorageWithoutDisplayIsEmpty) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  EXPECT_STREQ(f_.add(), "");
  EXPECT_STREQ(f_.add(), "");
}

}  // namespace
}  // namespace oru
