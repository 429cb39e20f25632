// Ferrow driven through its exports only, loaded the way the indexer loads it, over trees in a
// temporary folder.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "platform/find.h"
#include "platform/scoped_env.h"
#include "platform/test_folder.h"
#include "platform/test_windows.h"
#include "plugin-api/storage_plugin.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using Files = std::vector<std::string>;

// The separator the walk joins names with.
const std::string kSep(1, platform::TestFolder::kSeparator);

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
    return p.string();
  }
  std::string Next() { return f_.next(&size_, &time_); }
  // Every path of a walk of `root`, relative to root_ and with '/' between names; empty when
  // _ScanIt fails. Windows hands out a folder's entries in the file system's order: there the
  // paths are sorted, and the byte order of a walk is a POSIX matter.
  Files Walk(const std::string& root) {
    Files out;
    if (!f_.scan(root.c_str())) return out;
    for (std::string path = Next(); !path.empty() && out.size() < 100; path = Next()) {
      if (path.rfind(root_ + kSep, 0) == 0) {
        path = path.substr(root_.size() + 1);
        std::replace(path.begin(), path.end(), kSep[0], '/');
      }
      out.push_back(path);
    }
#if defined(_WIN32)
    std::sort(out.begin(), out.end());
#endif
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

TEST_F(FerrowTest, TheFirstEntryOfAFolderIsNotLost) {
  // '#' and '-' sort before "." in byte order, so these are the enumerations' first entries.
  Put("#first.txt");
  Put("sub/-first.txt");
  EXPECT_EQ(Walk(root_), (Files{"#first.txt", "sub/-first.txt"}));
}

TEST_F(FerrowTest, RootIsTrimmedAndGetsOneSeparator) {
  Put("a.txt");
  Put("sub/b.txt");
  const Files expected{"a.txt", "sub/b.txt"};
  EXPECT_EQ(Walk(root_), expected);
  EXPECT_EQ(Walk("  " + root_ + "  "), expected);
  EXPECT_EQ(Walk("\t " + root_ + kSep + "\n\r "), expected);
}

TEST_F(FerrowTest, UnusableRootsFailAndTheWalkIsOver) {
  Put("a.txt");
  for (const char* root : {static_cast<const char*>(nullptr), "", " \t\n"}) {
    EXPECT_FALSE(f_.scan(root));
  }
  const std::string too_long = Put(std::string(250 - root_.size(), 'd') + kSep + "123456789");
  ASSERT_EQ(too_long.size(), 261u);
  for (const std::string& root : {root_ + kSep + "missing", too_long}) {
    EXPECT_FALSE(f_.scan(root.c_str())) << root;
    EXPECT_EQ(Next(), "");
  }
}

// A root naming a file hands out that file once, however the job wrote it.
TEST_F(FerrowTest, FileRootHandsOutThatFileOnly) {
  const std::string file = Put("loose.doc", "12345");
  Put("sub/inner.doc");
  for (const std::string& root : {file, file + kSep, " " + file + kSep + "\t"}) {
    ASSERT_TRUE(f_.scan(root.c_str())) << root;
    EXPECT_EQ(Next(), file);
    EXPECT_EQ(size_, 5);
    EXPECT_NE(time_, 0);
    EXPECT_EQ(Next(), "");
  }
#if !defined(_WIN32)
  fs::create_symlink(file, root_ + "/link.doc");
  fs::create_symlink(root_ + "/nowhere", root_ + "/broken.doc");
  ASSERT_EQ(mkfifo((root_ + "/fifo").c_str(), 0600), 0);
  EXPECT_EQ(Walk(root_ + "/link.doc"), Files{"link.doc"});
  EXPECT_FALSE(f_.scan((root_ + "/broken.doc").c_str()));
  EXPECT_FALSE(f_.scan((root_ + "/fifo").c_str()));
  EXPECT_EQ(Next(), "");
#endif
}

#if !defined(_WIN32)
TEST_F(FerrowTest, LinksToFoldersAndSpecialFilesAreSkipped) {
  Put("a.txt");
  Put("sub/b.txt");
  fs::create_directory_symlink(root_, root_ + "/sub/loop");
  fs::create_directory_symlink(root_ + "/sub", root_ + "/dirlink");
  fs::create_symlink(root_ + "/a.txt", root_ + "/filelink");
  fs::create_symlink(root_ + "/nowhere", root_ + "/broken");
  ASSERT_EQ(mkfifo((root_ + "/fifo").c_str(), 0600), 0);
  EXPECT_EQ(Walk(root_), (Files{"a.txt", "filelink", "sub/b.txt"}));
}
#else
// On Windows a folder that is a reparse point, here a junction, is neither entered nor
// handed out.
TEST_F(FerrowTest, JunctionsAreNotEntered) {
  Put("a.txt");
  Put("sub/b.txt");
  fs::create_directories(root_ + kSep + "sub" + kSep + "loop");
  fs::create_directories(root_ + kSep + "dirlink");
  if (!platform::MakeJunction(root_ + kSep + "sub" + kSep + "loop", root_) ||
      !platform::MakeJunction(root_ + kSep + "dirlink", root_ + kSep + "sub")) {
    GTEST_SKIP() << "the file system makes no junctions here (Wine 8 does not)";
  }
  EXPECT_EQ(Walk(root_), (Files{"a.txt", "sub/b.txt"}));
}
#endif

TEST_F(FerrowTest, PathsLongerThan260BytesAreSkipped) {
  std::string dir(250 - root_.size(), 'd');     // root_/dir/ is 252 bytes
  Put(dir + kSep + std::string(8, 'f'));        // 260 bytes: handed out
  Put(dir + kSep + std::string(9, 'g'));        // 261 bytes: skipped
  Put(dir + kSep + std::string(7, 'h') + kSep + "x");  // below a folder too long for any file
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
  EXPECT_EQ(Next(), root_ + kSep + "a.txt");
  EXPECT_EQ(Walk(root_ + kSep + "sub"), (Files{"sub/b.txt", "sub/c.txt"}));
  ASSERT_TRUE(f_.scan(root_.c_str()));
  f_.stop();
  EXPECT_EQ(Next(), "");
  f_.stop();
}

TEST_F(FerrowTest, ReportsLow32BitsOfSizeAndPackedLocalTime) {
#if defined(_WIN32)
  // The system's zone: the time is set as the local time 2003-05-17 14:30:10.
  const int64_t t = platform::LocalToUnix(2003, 5, 17, 14, 30, 10);
  std::string path = Put("doc.txt", std::string(1234, 'x'));
  ASSERT_TRUE(platform::SetWriteTime(path, t));
#else
  platform::ScopedEnv zone("TZ", "ORU-2");  // two hours east of UTC
  tzset();
  std::string path = Put("doc.txt", std::string(1234, 'x'));
  const timespec times[2] = {{1053174610, 0}, {1053174610, 0}};  // 2003-05-17 12:30:10 UTC
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
#endif
  fs::resize_file(Put("huge"), 5ull << 30);  // sparse where the file system allows
  ASSERT_TRUE(f_.scan(root_.c_str()));
  EXPECT_EQ(Next(), path);
  EXPECT_EQ(size_, 1234);
  EXPECT_EQ(static_cast<uint32_t>(time_), 0x2EB173C5u);  // 14:30:10 local
  EXPECT_EQ(Next(), root_ + kSep + "huge");
  EXPECT_EQ(size_, 1 << 30);
}

TEST_F(FerrowTest, FolderRemovedDuringTheWalkIsSkipped) {
  for (const char* rel : {"a.txt", "b/x.txt", "b/y/z.txt", "c.txt"}) Put(rel);
  ASSERT_TRUE(f_.scan(root_.c_str()));
  EXPECT_EQ(Next(), root_ + kSep + "a.txt");
  fs::remove_all(root_ + kSep + "b");  // listed by the root's enumeration, not entered yet
  EXPECT_EQ(Next(), root_ + kSep + "c.txt");
  EXPECT_EQ(Next(), "");
}

#if !defined(_WIN32)
TEST_F(FerrowTest, UnreadableFolderIsSkipped) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  for (const char* rel : {"a.txt", "locked/x.txt", "z.txt"}) Put(rel);
  fs::permissions(root_ + "/locked", fs::perms::none);
  EXPECT_EQ(Walk(root_), (Files{"a.txt", "z.txt"}));
  fs::permissions(root_ + "/locked", fs::perms::owner_all);
}

TEST_F(FerrowTest, AddNewStorageWithoutDisplayIsEmpty) {
  platform::ScopedEnv display("DISPLAY", nullptr);
  platform::ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
  EXPECT_STREQ(f_.add(), "");
  EXPECT_STREQ(f_.add(), "");
}
#endif

}  // namespace
}  // namespace oru
