#include <gtest/gtest.h>

#include "indexer/engine/job.h"
#include "indexer/engine/run_codes.h"
#include "platform/folders.h"
#include "tests/support/memory_file_system.h"
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
  testing::MemoryFileSystem disk;
  using testing::Native;  // folders are written and come back with the platform's separator
  disk.Put("job.ini", "[Header]\nName=x\n[Folders]\nDir0=" + Native("/a") +
                          "\nDir1=" + Native("/b/") + "\nDir3=" + Native("/d") +
                          "\n[Blank]\nDir0=" + Native("/a") +
                          "\nDir1=  \nDir2=/c\n[Zero]\nDir0=0\n");
  EXPECT_EQ(ReadStorageFolders(&disk, "job.ini", "Folders"),
            (std::vector<std::string>{Native("/a/"), Native("/b/")}));
  EXPECT_EQ(ReadStorageFolders(&disk, "job.ini", "Blank"),
            (std::vector<std::string>{Native("/a/")}));
  EXPECT_TRUE(ReadStorageFolders(&disk, "job.ini", "Zero").empty());
  EXPECT_TRUE(ReadStorageFolders(&disk, "job.ini", "Missing").empty());
}

// Relative folders are taken below the current folder when the job is read: the walk must not
// depend on where the program happens to stand later.
TEST(JobTest, AJobWrittenAsTextReadsBackWithItsFoldersMadeAbsolute) {
  testing::MemoryFileSystem disk;
  using testing::Native;
  const std::string absolute = platform::CurrentFolder() + Native("elsewhere/a/b");
  const Job written{"docs", true, "Folders", {absolute, "relative"}};
  disk.Put("job.ini", JobText(written));
  Job read;
  platform::Status why;
  ASSERT_EQ(ReadJob(&disk, "job.ini", &read, &why), kRunOk) << why.Message();
  EXPECT_EQ(read.name, "docs");
  EXPECT_TRUE(read.updating);
  EXPECT_EQ(read.storage, "Folders");
  EXPECT_EQ(read.folders,
            (std::vector<std::string>{absolute + testing::kSep,
                                      platform::CurrentFolder() + Native("relative/")}));
}

TEST(JobTest, AJobThatCannotBeUsedSaysWhy) {
  testing::MemoryFileSystem disk;
  Job job;
  platform::Status why;
  EXPECT_EQ(ReadJob(&disk, "missing.ini", &job, &why), kRunNoJobFile);
  EXPECT_EQ(why.Message(), "cannot open job file missing.ini: no such file");
  disk.Put("empty.ini", "no section here\n");
  EXPECT_EQ(ReadJob(&disk, "empty.ini", &job, &why), kRunBadJob);
  disk.Put("nameless.ini", "[Header]\nUpdating=1\n");
  EXPECT_EQ(ReadJob(&disk, "nameless.ini", &job, &why), kRunBadJob);
  EXPECT_NE(why.Message().find("index name"), std::string::npos);
  disk.Put("escape.ini", "[Header]\nName=../escape\n[Folders]\nDir0=/x\n");
  EXPECT_EQ(ReadJob(&disk, "escape.ini", &job, &why), kRunBadJob);
  // The header in any case and with blanks; without a storage section there is nothing to
  // walk, which is no failure.
  disk.Put("header.ini", "[ header ]\nName=x\n");
  ASSERT_EQ(ReadJob(&disk, "header.ini", &job, &why), kRunOk);
  EXPECT_EQ(job.name, "x");
  EXPECT_TRUE(job.storage.empty());
  EXPECT_TRUE(job.folders.empty());
}

}  // namespace
}  // namespace oru
