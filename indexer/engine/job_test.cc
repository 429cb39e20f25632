#include <gtest/gtest.h>

#include "indexer/engine/job.h"
#include "indexer/engine/run_codes.h"
#include "platform/folders.h"
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

TEST(JobTest, AJobWrittenAsTextReadsBackWithItsFoldersMadeAbsolute) {
  testing::TempDir dir;
  using testing::Native;
  const Job written{"docs", true, "Folders", {dir / "a/b", "relative"}};
  testing::WriteFile(dir / "job.ini", JobText(written));
  Job read;
  platform::Status why;
  ASSERT_EQ(ReadJob(platform::RealFileSystem(), dir / "job.ini", &read, &why), kRunOk) << why.Message();
  EXPECT_EQ(read.name, "docs");
  EXPECT_TRUE(read.updating);
  EXPECT_EQ(read.storage, "Folders");
  EXPECT_EQ(read.folders,
            (std::vector<std::string>{dir / "a/b/", platform::CurrentFolder() + Native("relative/")}));
}

TEST(JobTest, AJobThatCannotBeUsedSaysWhy) {
  testing::TempDir dir;
  Job job;
  platform::Status why;
  EXPECT_EQ(ReadJob(platform::RealFileSystem(), dir / "missing.ini", &job, &why), kRunNoJobFile);
  EXPECT_NE(why.Message().find("no such file"), std::string::npos);
  testing::WriteFile(dir / "empty.ini", "no section here\n");
  EXPECT_EQ(ReadJob(platform::RealFileSystem(), dir / "empty.ini", &job, &why), kRunBadJob);
  testing::WriteFile(dir / "nameless.ini", "[Header]\nUpdating=1\n");
  EXPECT_EQ(ReadJob(platform::RealFileSystem(), dir / "nameless.ini", &job, &why), kRunBadJob);
  EXPECT_NE(why.Message().find("index name"), std::string::npos);
  // Without a storage section there is nothing to walk, which is no failure.
  testing::WriteFile(dir / "header.ini", "[Header]\nName=x\n");
  ASSERT_EQ(ReadJob(platform::RealFileSystem(), dir / "header.ini", &job, &why), kRunOk);
  EXPECT_TRUE(job.storage.empty());
  EXPECT_TRUE(job.folders.empty());
}

}  // namespace
}  // namespace oru
