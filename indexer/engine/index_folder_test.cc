// The index folder in memory: its lock, and a switch that puts the old files and their records
// back when the new index cannot be recorded.
#include "indexer/engine/index_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_file_system.h"

namespace oru {
namespace {

using testing::FaultyFileSystem;

constexpr char kWork[] = "/work/";
constexpr char kStorages[] = "/work/Storages/";
// The folder as the index folder spells it: the platform's separator after the name.
const std::string kIndex = std::string(kStorages) + "docs" + platform::kPathSeparator;

std::string Indexed(platform::FileSystem* fs) {
  return fs->ReadProfileString(std::string(kWork) + kStatusFileName, "Indexed", "docs", "-");
}

TEST(IndexFolderTest, OneRunAtATimeHoldsTheFolder) {
  testing::MemoryFileSystem memory;
  IndexFolder first(&memory, kStorages, kWork, "docs");
  IndexFolder second(&memory, kStorages, kWork, "docs");
  ASSERT_TRUE(first.Lock().ok());
  const platform::Status refused = second.Lock();
  EXPECT_EQ(refused.result(), platform::Result::kExists);
  first.Unlock();
  EXPECT_TRUE(second.Lock().ok());
}

TEST(IndexFolderTest, ANewIndexThatCannotBeRecordedGivesWayToTheOldOne) {
  testing::MemoryFileSystem memory;
  memory.SetFilesIn(kIndex, {{"0.fnw", "old words"}});
  const std::string records = std::string(kWork) + kStatusFileName;
  ASSERT_TRUE(memory.WriteProfileString(records, "Indexed", "docs", "1").ok());
  // The records written by a switch: "0", then the time with "1" (the second fails).
  FaultyFileSystem faulty(&memory);
  faulty.FailNth(FaultyFileSystem::kRecord, 2, platform::Result::kFailed, "disk full");
  IndexFolder folder(&faulty, kStorages, kWork, "docs");
  ASSERT_TRUE(folder.Lock().ok());
  std::unique_ptr<platform::WriteFile> file;
  ASSERT_TRUE(faulty.Create(folder.pending()->NewPath("0.fnw"), &file).ok());
  ASSERT_TRUE(file->Write("new words", 9).ok());
  folder.pending()->Add("0.fnw");

  EXPECT_FALSE(folder.Switch(12345, 0, TextEncoding::kWindows1252).ok());
  EXPECT_EQ(memory.FilesIn(kIndex).at("0.fnw"), "old words");
  EXPECT_EQ(Indexed(&memory), "1");
  EXPECT_EQ(memory.ReadProfileString(records, "ReadSince", "docs", "-"), "-");
  // Once it can be recorded, the new index takes its place.
  EXPECT_TRUE(folder.Switch(12345, 0, TextEncoding::kWindows1252).ok());
  EXPECT_EQ(memory.FilesIn(kIndex).at("0.fnw"), "new words");
  EXPECT_EQ(memory.FilesIn(kIndex).count("0.fnw.old"), 0u);
  EXPECT_EQ(Indexed(&memory), "1");
}

}  // namespace
}  // namespace oru
