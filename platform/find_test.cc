#include "platform/find.h"

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
#include <map>
#include <vector>

#include "platform/files.h"
#include "platform/test_folder.h"
#include "platform/test_windows.h"

namespace oru::platform {
namespace {

#if !defined(_WIN32)
// Runs each case in a fixed time zone, so that local times are the same on every machine.
class FindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    if (const char* tz = std::getenv("TZ")) saved_tz_ = tz;
    SetZone("UTC0");
  }
  void TearDown() override {
    if (saved_tz_.empty())
      ::unsetenv("TZ");
    else
      ::setenv("TZ", saved_tz_.c_str(), 1);
    ::tzset();
  }
  static void SetZone(const char* tz) {
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  static int64_t Local(int year, int mon, int day, int h, int m, int s) {
    struct tm tm = {};
    tm.tm_year = year - 1900, tm.tm_mon = mon - 1, tm.tm_mday = day;
    tm.tm_hour = h, tm.tm_min = m, tm.tm_sec = s, tm.tm_isdst = -1;
    return static_cast<int64_t>(::mktime(&tm));
  }
  static void SetTime(const std::string& path, int64_t t) {
    struct timespec times[2] = {{static_cast<time_t>(t), 0}, {static_cast<time_t>(t), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
  }
#else
// Windows packs times in the zone the system is set to: local times here are converted with it.
class FindTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }
  static int64_t Local(int year, int mon, int day, int h, int m, int s) {
    return LocalToUnix(year, mon, day, h, m, s);
  }
  static void SetTime(const std::string& path, int64_t t) { ASSERT_TRUE(SetWriteTime(path, t)); }
#endif
  // Every entry of `folder`, by name, in the order the search gives them.
  static std::vector<FindEntry> List(const std::string& folder) {
    std::vector<FindEntry> all;
    FolderSearch search;
    FindEntry e;
    if (search.Start(folder, &e) != Result::kOk) return all;
    do all.push_back(e);
    while (search.Next(&e));
    return all;
  }
  TestFolder dir_;
#if !defined(_WIN32)
  std::string saved_tz_;
#endif
};

TEST_F(FindTest, PackDosTimeUsesLocalTimeWithinTheFatYears) {
  const uint32_t k2003 = 0x2EB173C5;  // 2003-05-17 14:30:10
  EXPECT_EQ(PackDosTime(Local(2003, 5, 17, 14, 30, 10)), k2003);
  EXPECT_EQ(PackDosTime(Local(2003, 5, 17, 14, 30, 11)), k2003);  // two-second steps
  EXPECT_EQ(PackDosTime(Local(1980, 1, 1, 0, 0, 0)), 0x00210000u);
  EXPECT_EQ(PackDosTime(Local(2107, 12, 31, 23, 59, 59)), 0xFF9FBF7Du);
  EXPECT_EQ(PackDosTime(Local(1979, 12, 31, 23, 59, 59)), 0u);
  EXPECT_EQ(PackDosTime(Local(2108, 1, 1, 0, 0, 0)), 0u);
#if !defined(_WIN32)
  int64_t utc = Local(2003, 5, 17, 12, 30, 10);
  SetZone("XST-2");  // two hours east of UTC
  EXPECT_EQ(PackDosTime(utc), k2003);
#endif
}

#if !defined(_WIN32)
TEST_F(FindTest, EntriesComeInByteOrderWithDotAndDotDot) {
  for (const char* name : {"b", "B", "a", "\xE9t\xE9", "-x", ".hidden", "ab"}) dir_.Write(name, "");
  ASSERT_EQ(::mkdir(dir_.Path("sub").c_str(), 0777), 0);
  std::vector<std::string> names;
  for (const FindEntry& e : List(dir_.path() + "/")) names.push_back(e.name);  // trailing '/'
  EXPECT_EQ(names, (std::vector<std::string>{"-x", ".", "..", ".hidden", "B", "a", "ab", "b", "sub",
                                             "\xE9t\xE9"}));
}
#else
// Windows hands the entries out in the file system's order; names differ only in case do not
// both exist. Both separators end a folder.
TEST_F(FindTest, EveryEntryComesOnceWithDotAndDotDot) {
  for (const char* name : {"b", "a", "\xE9t\xE9", "-x", "ab"}) dir_.Write(name, "");
  ASSERT_EQ(CreateFolder(dir_.Path("sub")), Result::kOk);
  for (const std::string& folder : {dir_.path() + "\\", dir_.path() + "/", dir_.path()}) {
    std::vector<std::string> names;
    for (const FindEntry& e : List(folder)) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"-x", ".", "..", "a", "ab", "b", "sub", "\xE9t\xE9"}));
  }
}
#endif

#if !defined(_WIN32)
TEST_F(FindTest, AttributesSizesTimesAndKinds) {
  int64_t t = Local(2003, 5, 17, 14, 30, 10);
  SetTime(dir_.Write("file", "12345"), t);
  dir_.Write(".hidden", "");
  ASSERT_EQ(::chmod(dir_.Write("ro", "").c_str(), 0444), 0);
  ASSERT_EQ(::mkdir(dir_.Path("sub").c_str(), 0777), 0);
  ASSERT_EQ(::symlink("file", dir_.Path("to-file").c_str()), 0);
  ASSERT_EQ(::symlink("sub", dir_.Path("to-sub").c_str()), 0);
  ASSERT_EQ(::symlink("..", dir_.Path("to-parent").c_str()), 0);  // a loop for a walk
  ASSERT_EQ(::symlink("self", dir_.Path("self").c_str()), 0);
  ASSERT_EQ(::symlink("missing", dir_.Path("broken").c_str()), 0);
  ASSERT_EQ(::mkfifo(dir_.Path("fifo").c_str(), 0600), 0);
  std::map<std::string, FindEntry> by_name;
  for (const FindEntry& e : List(dir_.path())) by_name[e.name] = e;
  ASSERT_EQ(by_name.size(), 12u);
  auto expect = [&](const char* name, EntryKind kind, uint32_t attributes) {
    SCOPED_TRACE(name);
    EXPECT_EQ(by_name[name].kind, kind);
    EXPECT_EQ(by_name[name].attributes, attributes);
  };
  expect(".", EntryKind::kFolder, kAttrFolder);
  expect("..", EntryKind::kFolder, kAttrFolder);
  expect("file", EntryKind::kFile, kAttrArchive);
  expect(".hidden", EntryKind::kFile, kAttrArchive | kAttrHidden);
  expect("ro", EntryKind::kFile, kAttrArchive | kAttrReadOnly);
  expect("sub", EntryKind::kFolder, kAttrFolder);
  expect("to-file", EntryKind::kFile, kAttrArchive);
  expect("to-sub", EntryKind::kLinkToFolder, kAttrFolder);
  expect("to-parent", EntryKind::kLinkToFolder, kAttrFolder);
  EXPECT_EQ(by_name["self"].kind, EntryKind::kOther);
  EXPECT_EQ(by_name["broken"].kind, EntryKind::kOther);
  EXPECT_EQ(by_name["fifo"].kind, EntryKind::kOther);
  EXPECT_EQ(by_name["file"].size, 5u);
  EXPECT_EQ(by_name["file"].time, 0x2EB173C5u);
  EXPECT_EQ(by_name["to-file"].size, 5u);  // the target's size and time
  EXPECT_EQ(by_name["to-file"].time, 0x2EB173C5u);
  EXPECT_EQ(by_name["sub"].size, 0u);
  uint32_t size = 0, time = 0;
  ASSERT_TRUE(GetFileSizeAndTime(dir_.Path("to-file"), &size, &time));
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(time, 0x2EB173C5u);
  EXPECT_FALSE(GetFileSizeAndTime(dir_.Path("missing"), &size, &time));
}
#else
TEST_F(FindTest, AttributesSizesTimesAndKinds) {
  int64_t t = Local(2003, 5, 17, 14, 30, 10);
  SetTime(dir_.Write("file", "12345"), t);
  ASSERT_TRUE(::SetFileAttributesA(dir_.Write("hidden", "").c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(::SetFileAttributesA(dir_.Write("system", "").c_str(),
                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(::SetFileAttributesA(dir_.Write("ro", "").c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_EQ(CreateFolder(dir_.Path("sub")), Result::kOk);
  std::map<std::string, FindEntry> by_name;
  for (const FindEntry& e : List(dir_.path())) by_name[e.name] = e;
  ::SetFileAttributesA(dir_.Path("ro").c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_EQ(by_name.size(), 7u);
  auto expect = [&](const char* name, EntryKind kind, uint32_t attributes) {
    SCOPED_TRACE(name);
    EXPECT_EQ(by_name[name].kind, kind);
    EXPECT_EQ(by_name[name].attributes, attributes);
  };
  expect(".", EntryKind::kFolder, kAttrFolder);
  expect("..", EntryKind::kFolder, kAttrFolder);
  expect("file", EntryKind::kFile, kAttrArchive);
  expect("hidden", EntryKind::kFile, kAttrArchive | kAttrHidden);
  expect("system", EntryKind::kFile, kAttrArchive | kAttrSystem);
  expect("ro", EntryKind::kFile, kAttrArchive | kAttrReadOnly);
  expect("sub", EntryKind::kFolder, kAttrFolder);
  EXPECT_EQ(by_name["file"].size, 5u);
  EXPECT_EQ(by_name["file"].time, 0x2EB173C5u);
  EXPECT_EQ(by_name["sub"].size, 0u);
  uint32_t size = 0, time = 0;
  ASSERT_TRUE(GetFileSizeAndTime(dir_.Path("file"), &size, &time));
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(time, 0x2EB173C5u);
  EXPECT_FALSE(GetFileSizeAndTime(dir_.Path("missing"), &size, &time));
}

// On Windows a folder that is a reparse point (here a junction) is a link to a folder, and
// a walk never enters it, so it cannot loop.
TEST_F(FindTest, AJunctionIsALinkToAFolder) {
  ASSERT_EQ(CreateFolder(dir_.Path("sub")), Result::kOk);
  ASSERT_EQ(CreateFolder(dir_.Path("j")), Result::kOk);
  if (!MakeJunction(dir_.Path("j"), dir_.path())) {  // a loop for a walk
    GTEST_SKIP() << "the file system makes no junctions here (Wine 8 does not)";
  }
  std::map<std::string, FindEntry> by_name;
  for (const FindEntry& e : List(dir_.path())) by_name[e.name] = e;
  EXPECT_EQ(by_name["j"].kind, EntryKind::kLinkToFolder);
  EXPECT_EQ(by_name["j"].attributes & kAttrFolder, kAttrFolder);
  EXPECT_EQ(by_name["sub"].kind, EntryKind::kFolder);
}
#endif

TEST_F(FindTest, StartRefusesWhatIsNoFolder) {
  FolderSearch search;
  FindEntry e;
  EXPECT_FALSE(search.Next(&e));  // not started
  EXPECT_EQ(search.Start(dir_.Path("missing"), &e), Result::kNotFound);
  EXPECT_EQ(search.Start(dir_.Write("file", ""), &e), Result::kNotFound);
  EXPECT_FALSE(search.Next(&e));
  ASSERT_EQ(search.Start(dir_.path(), &e), Result::kOk);
  search.Close();
  EXPECT_FALSE(search.Next(&e));
}

#if !defined(_WIN32)
TEST_F(FindTest, UnreadableFolderIsDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  ASSERT_EQ(::mkdir(dir_.Path("closed").c_str(), 0), 0);
  FolderSearch search;
  FindEntry e;
  EXPECT_EQ(search.Start(dir_.Path("closed"), &e), Result::kDenied);
  ::chmod(dir_.Path("closed").c_str(), 0700);
}

TEST_F(FindTest, EntriesRemovedAfterStartArePassedOver) {
  for (const char* name : {"a", "b", "c"}) dir_.Write(name, "");
  FolderSearch search;
  FindEntry e;
  ASSERT_EQ(search.Start(dir_.path(), &e), Result::kOk);
  EXPECT_EQ(e.name, ".");
  ::unlink(dir_.Path("b").c_str());
  FolderSearch moved(std::move(search));  // the search goes on where it was
  std::vector<std::string> rest;
  while (moved.Next(&e)) rest.push_back(e.name);
  EXPECT_EQ(rest, (std::vector<std::string>{"..", "a", "c"}));
}
#else
// Windows: the search goes on from where it was after a move, and new entries and removed
// ones show as the system's search shows them; what is there from start to end comes once.
TEST_F(FindTest, AMovedSearchGoesOnWhereItWas) {
  for (const char* name : {"a", "b", "c"}) dir_.Write(name, "");
  FolderSearch search;
  FindEntry e;
  ASSERT_EQ(search.Start(dir_.path(), &e), Result::kOk);
  std::vector<std::string> names{e.name};
  FolderSearch moved(std::move(search));
  EXPECT_FALSE(search.Next(&e));
  while (moved.Next(&e)) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a", "b", "c"}));
}
#endif

#if !defined(_WIN32)
TEST_F(FindTest, FolderRemovedDuringTheSearchEndsIt) {
  ASSERT_EQ(::mkdir(dir_.Path("sub").c_str(), 0777), 0);
  for (const char* name : {"a", "b"}) dir_.Write(std::string("sub/") + name, "");
  FolderSearch search;
  FindEntry e;
  ASSERT_EQ(search.Start(dir_.Path("sub"), &e), Result::kOk);
  std::filesystem::remove_all(dir_.Path("sub"));
  EXPECT_FALSE(search.Next(&e));
  EXPECT_FALSE(search.Next(&e));
}

TEST_F(FindTest, SizeAboveFourGiBKeepsItsLow32Bits) {
  const int64_t size = (int64_t{5} << 30) + 123;
  int fd = ::open(dir_.Path("big").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
  ASSERT_NE(fd, -1);
  bool sized = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
  ::close(fd);
  if (!sized) GTEST_SKIP() << "the file system refuses a 5 GiB sparse file";
  uint32_t got_size = 0, got_time = 0;
  ASSERT_TRUE(GetFileSizeAndTime(dir_.Path("big"), &got_size, &got_time));
  EXPECT_EQ(got_size, (1u << 30) + 123);
  EXPECT_EQ(List(dir_.path()).back().size, (1u << 30) + 123);
}
#else
TEST_F(FindTest, SizeAboveFourGiBKeepsItsLow32Bits) {
  HANDLE h = ::CreateFileA(dir_.Path("big").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD returned = 0;
  LARGE_INTEGER size;
  size.QuadPart = (int64_t{5} << 30) + 123;
  // Sparse, so that no file system writes 5 GiB of zeros.
  const bool sized =
      ::DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr) &&
      ::SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && ::SetEndOfFile(h);
  ::CloseHandle(h);
  if (!sized) GTEST_SKIP() << "the file system refuses a 5 GiB sparse file";
  uint32_t got_size = 0, got_time = 0;
  ASSERT_TRUE(GetFileSizeAndTime(dir_.Path("big"), &got_size, &got_time));
  EXPECT_EQ(got_size, (1u << 30) + 123);
  for (const FindEntry& e : List(dir_.path())) {
    if (e.name == "big") {
      EXPECT_EQ(e.size, (1u << 30) + 123);
    }
  }
}
#endif

}  // namespace
}  // namespace oru::platform
