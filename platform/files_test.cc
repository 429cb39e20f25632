#include "platform/files.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <utility>

#include "platform/test_folder.h"
#include "platform/test_windows.h"

namespace oru::platform {
namespace {

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }
  std::string Contents(const std::string& name) {
    std::string text = "unread";
    EXPECT_EQ(ReadWholeFile(dir_.Path(name), &text), Result::kOk);
    return text;
  }
  TestFolder dir_;
};

TEST_F(FilesTest, ExistenceTellsFilesFromFolders) {
  std::string file = dir_.Write("f", "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FolderExists(dir_.path()));
  EXPECT_FALSE(FileExists(dir_.path()) || FileExists(dir_.Path("missing")));
  EXPECT_FALSE(FolderExists(file) || FolderExists(dir_.Path("missing")));
}

#if !defined(_WIN32)
TEST_F(FilesTest, ExistenceFollowsLinks) {
  dir_.Write("f", "x");
  ASSERT_EQ(::symlink("f", dir_.Path("link-f").c_str()), 0);
  ASSERT_EQ(::symlink(".", dir_.Path("link-d").c_str()), 0);
  EXPECT_TRUE(FileExists(dir_.Path("link-f")));
  EXPECT_TRUE(FolderExists(dir_.Path("link-d")));
}
#else
TEST_F(FilesTest, PathsTakeBothSeparators) {
  EXPECT_EQ(kPathSeparator, '\\');
  ASSERT_EQ(CreateFolder(dir_.path() + "/a"), Result::kOk);
  dir_.Write("a\\f", "x");
  EXPECT_TRUE(FileExists(dir_.path() + "/a/f"));
  EXPECT_TRUE(FolderExists(dir_.path() + "/a/"));
  EXPECT_EQ(RenameFile(dir_.path() + "/a/f", dir_.Path("a\\g")), Result::kOk);
  EXPECT_EQ(Contents("a\\g"), "x");
}

TEST_F(FilesTest, AJunctionIsAFolder) {
  ASSERT_EQ(CreateFolder(dir_.Path("a")), Result::kOk);
  dir_.Write("a\\f", "x");
  ASSERT_EQ(CreateFolder(dir_.Path("j")), Result::kOk);
  if (!MakeJunction(dir_.Path("j"), dir_.Path("a"))) {
    GTEST_SKIP() << "the file system makes no junctions here (Wine 8 does not)";
  }
  EXPECT_TRUE(FolderExists(dir_.Path("j")));
  EXPECT_TRUE(FileExists(dir_.Path("j\\f")));
}
#endif

TEST_F(FilesTest, CreateFolderMakesOneLevel) {
  EXPECT_EQ(CreateFolder(dir_.Path("a")), Result::kOk);
  EXPECT_TRUE(FolderExists(dir_.Path("a")));
  EXPECT_EQ(CreateFolder(dir_.Path("a")), Result::kExists);
  EXPECT_EQ(CreateFolder(dir_.Write("f", "")), Result::kExists);
  EXPECT_EQ(CreateFolder(dir_.Path("missing/b")), Result::kNotFound);
}

TEST_F(FilesTest, RenameReplacesTheTargetAndDeleteRemoves) {
  std::string a = dir_.Write("a", std::string("n\0w\xff", 4)), b = dir_.Write("b", "old");
  EXPECT_EQ(RenameFile(a, b), Result::kOk);
  EXPECT_EQ(Contents("b"), std::string("n\0w\xff", 4));
  EXPECT_EQ(RenameFile(a, b), Result::kNotFound);
  EXPECT_EQ(DeleteFile(b), Result::kOk);
  EXPECT_EQ(DeleteFile(b), Result::kNotFound);
}

TEST_F(FilesTest, ReadWholeFileLeavesTheOutputAloneOnFailure) {
  dir_.Write("empty", "");
  EXPECT_EQ(Contents("empty"), "");
  std::string out = "kept";
  EXPECT_EQ(ReadWholeFile(dir_.Path("missing"), &out), Result::kNotFound);
  EXPECT_EQ(ReadWholeFile(dir_.path(), &out), Result::kFailed);
  EXPECT_EQ(out, "kept");
}

TEST_F(FilesTest, CreateTruncatesAndWritesPastTheEnd) {
  File f;
  ASSERT_EQ(File::Open(dir_.Write("f", "old contents"), OpenMode::kCreate, &f), Result::kOk);
  EXPECT_EQ(f.Size(), 0);
  EXPECT_EQ(f.Write("hello", 5), Result::kOk);
  EXPECT_EQ(f.Seek(10), Result::kOk);
  EXPECT_EQ(f.Write("!", 1), Result::kOk);
  EXPECT_EQ(f.Size(), 11);
  EXPECT_EQ(f.Sync(), Result::kOk);
  char buf[11];
  EXPECT_EQ(f.Seek(0), Result::kOk);
  ASSERT_EQ(f.ReadExact(buf, 11), Result::kOk);
  EXPECT_EQ(std::string(buf, 11), std::string("hello\0\0\0\0\0!", 11));
  size_t got = 99;
  EXPECT_EQ(f.Read(buf, sizeof buf, &got), Result::kOk);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(f.Seek(-1), Result::kFailed);
  EXPECT_EQ(f.Close(), Result::kOk);
  EXPECT_EQ(f.Close(), Result::kOk);
  EXPECT_NE(f.Write("x", 1), Result::kOk);
}

TEST_F(FilesTest, ReadWriteExistingKeepsContents) {
  File f;
  ASSERT_EQ(File::Open(dir_.Write("f", "abc"), OpenMode::kReadWriteExisting, &f), Result::kOk);
  EXPECT_EQ(f.SeekToEnd(), Result::kOk);
  EXPECT_EQ(f.Write("d", 1), Result::kOk);
  f.Close();
  EXPECT_EQ(Contents("f"), "abcd");
}

TEST_F(FilesTest, ReadExistingRefusesWritesAndShortReads) {
  File f;
  ASSERT_EQ(File::Open(dir_.Write("f", "abc"), OpenMode::kReadExisting, &f), Result::kOk);
  EXPECT_NE(f.Write("x", 1), Result::kOk);
  char buf[4];
  EXPECT_EQ(f.ReadExact(buf, 4), Result::kFailed);
  EXPECT_EQ(Contents("f"), "abc");
}

TEST_F(FilesTest, OpenExistingRefusesMissingFilesFoldersAndFifosWithoutBlocking) {
  File f;
  for (OpenMode mode : {OpenMode::kReadExisting, OpenMode::kReadWriteExisting}) {
    EXPECT_EQ(File::Open(dir_.Path("missing"), mode, &f), Result::kNotFound);
    EXPECT_EQ(File::Open(dir_.Path("no/file"), mode, &f), Result::kNotFound);
    EXPECT_EQ(File::Open(dir_.path(), mode, &f), Result::kFailed);
  }
#if defined(_WIN32)
  // Windows has no FIFOs in folders; a device opens at once and is refused as no file.
  EXPECT_EQ(File::Open("NUL", OpenMode::kReadExisting, &f), Result::kFailed);
  EXPECT_FALSE(f.is_open());
#else
  ASSERT_EQ(::mkfifo(dir_.Path("fifo").c_str(), 0600), 0);
  ::alarm(10);  // a blocking open ends the test program instead of hanging it
  EXPECT_EQ(File::Open(dir_.Path("fifo"), OpenMode::kReadExisting, &f), Result::kFailed);
  ::alarm(0);
  EXPECT_FALSE(f.is_open());
#endif
}

#if !defined(_WIN32)
TEST_F(FilesTest, OpenOfAWriteProtectedFileIsDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write anything";
  std::string path = dir_.Write("f", "abc");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  File f;
  EXPECT_EQ(File::Open(path, OpenMode::kReadWriteExisting, &f), Result::kDenied);
}
#else
TEST_F(FilesTest, OpenOfAReadOnlyFileIsDenied) {
  std::string path = dir_.Write("f", "abc");
  ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  File f;
  const Result result = File::Open(path, OpenMode::kReadWriteExisting, &f);
  f.Close();
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (result == Result::kOk && RunningUnderWine()) {
    GTEST_SKIP() << "Wine keeps the attribute as mode bits, which root passes";
  }
  EXPECT_EQ(result, Result::kDenied);
}

// Each mode lets others do what its comment says, and no more.
TEST_F(FilesTest, ShareModesLetOthersReadAndRefuseSecondWriters) {
  const std::string path = dir_.Write("f", "abc");
  File writer, reader, other;
  ASSERT_EQ(File::Open(path, OpenMode::kReadWriteExisting, &writer), Result::kOk);
  EXPECT_EQ(File::Open(path, OpenMode::kReadExisting, &reader), Result::kOk);
  EXPECT_EQ(File::Open(path, OpenMode::kReadWriteExisting, &other), Result::kDenied);
  EXPECT_EQ(File::Open(path, OpenMode::kCreate, &other), Result::kDenied);
  writer.Close();
  // A reader lets others write: a writer may join it.
  EXPECT_EQ(File::Open(path, OpenMode::kReadWriteExisting, &writer), Result::kOk);
  writer.Close();
  reader.Close();
  ASSERT_EQ(File::Open(path, OpenMode::kCreate, &writer), Result::kOk);
  EXPECT_EQ(File::Open(path, OpenMode::kReadExisting, &reader), Result::kOk);
  EXPECT_EQ(File::Open(path, OpenMode::kCreate, &other), Result::kDenied);
}

// A reader that holds the old file makes the rename over it fail; the caller rewrites
// the file in place instead.
TEST_F(FilesTest, RenameOverAFileHeldOpenIsDenied) {
  const std::string from = dir_.Write("new", "new"), to = dir_.Write("old", "old");
  File reader;
  ASSERT_EQ(File::Open(to, OpenMode::kReadExisting, &reader), Result::kOk);
  EXPECT_EQ(RenameFile(from, to), Result::kDenied);
  reader.Close();
  EXPECT_EQ(RenameFile(from, to), Result::kOk);
  EXPECT_EQ(Contents("old"), "new");
}
#endif

TEST_F(FilesTest, MovingHandsOverTheOpenFile) {
  File a, c;
  ASSERT_EQ(File::Open(dir_.Path("f"), OpenMode::kCreate, &a), Result::kOk);
  ASSERT_EQ(File::Open(dir_.Path("g"), OpenMode::kCreate, &c), Result::kOk);
  File b(std::move(a));
  c = std::move(b);  // closes g, takes f
  EXPECT_FALSE(a.is_open() || b.is_open());
  EXPECT_EQ(c.Write("xy", 2), Result::kOk);
  c.Close();
  EXPECT_EQ(Contents("f"), "xy");
}

}  // namespace
}  // namespace oru::platform
