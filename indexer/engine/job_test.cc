#include <gtest/gtest.h>

#include "indexer/engine/job.h"
#include "tests/support/temp_dir.h"

namespace oru {
namespace {

TEST(JobTest, HeaderIsRecognisedInAnyCaseWithBlanks) {
  EXPECT_TRUE(IsHeaderSection("Header"));
  EXPECT_TRUE(IsHeaderSection("  HEADER "));
  EXPECT_TRUE(IsHeaderSection("header"));
  EXPECT_FALSE(IsHeaderSection("Headers"));
  EXPECT_FALSE(IsHeaderSection("Folders"));
}

TEST(JobTest, IndexNamesThatWouldLeaveTheStoragesFolderAreRefused) {
  EXPECT_TRUE(IsValidIndexName("Docs"));
  EXPECT_TRUE(IsValidIndexName("my index 2"));
  EXPECT_TRUE(IsValidIndexName("music.2"));
  for (const char* bad : {"", "0", " Docs", "Docs ", "/abs", "..", "a/../b", ".", "a/.",
                          "x=y", "[sec", ";comment", "C:\\x", "outer/inner", "a//c",
                          "a\\b", "a]b"}) {
    EXPECT_FALSE(IsValidIndexName(bad)) << bad;
  }
  // A control character, NUL included, would break the status file's record.
  for (const std::string& bad :
       {std::string("a\0b", 3), std::string("a\tb"), std::string("a\x1b"), std::string("a\x7f")}) {
    EXPECT_FALSE(IsValidIndexName(bad)) << bad;
  }
  EXPECT_TRUE(IsValidIndexName("caf\xe9"));  // Windows-1252 letters stay allowed
}

TEST(JobTest, FoldersEndAtTheFirstMissingZeroOrBlankKey) {
  testing::TempDir dir;
  using testing::Native;  // folders are written and come back with the platform's separator
  testing::WriteFile(dir / "job.ini",
                     "[Header]\nName=x\n[Folders]\nDir0=" + Native("/a") + "\nDir1=" +
                         Native("/b/") + "\nDir3=" + Native("/d") + "\n[Blank]\nDir0=" +
                         Native("/a") + "\nDir1=  \nDir2=/c\n[Zero]\nDir0=0\n");
  const auto job = platform::ProfileFile::Open(dir / "job.ini");
  EXPECT_EQ(ReadStorageFolders(job, "Folders"),
            (std::vector<std::string>{Native("/a/"), Native("/b/")}));
  EXPECT_EQ(ReadStorageFolders(job, "Blank"), (std::vector<std::string>{Native("/a/")}));
  EXPECT_TRUE(ReadStorageFolders(job, "Zero").empty());
  EXPECT_TRUE(ReadStorageFolders(job, "Missing").empty());
}

}  // namespace
}  // namespace oru
