// The check of stored files: an update's question for each file the walk meets, answered from
// the file index it starts from.
#include "indexer/engine/stored_files.h"

#include <gtest/gtest.h>

#include <string>

#include "indexer/engine/index_format.h"
#include "platform/md5.h"

namespace oru {
namespace {

namespace fmt = index_format;

std::string FileRecord(uint16_t number, const std::string& path, uint32_t size = 0,
                       uint32_t time = 0, int path_hash = -1) {
  uint8_t record[fmt::kMaxFileRecord];
  const auto hash = static_cast<uint16_t>(path_hash < 0 ? platform::WordHash(path) : path_hash);
  const size_t length = fmt::EncodeFileRecord({number, hash, size, time, path}, record);
  return std::string(reinterpret_cast<const char*>(record), length);
}

class CheckStoredFileTest : public ::testing::Test {
 protected:
  void Load(const std::string& records) {
    ASSERT_TRUE(files_.Load(records, [] {}));
  }
  // Checks `name` as the storage plug-in hands it out with `size` and `time`.
  StoredFileState Check(const std::string& name, uint32_t size, uint32_t time, int hash = -1,
                        uint16_t* number = nullptr) {
    const std::string path = dir_ + name;
    const FileNode* stored = nullptr;
    const auto state = files_.Check(
        path, static_cast<uint16_t>(hash < 0 ? platform::WordHash(path) : hash), size, time,
        &stored);
    if (number != nullptr) *number = stored == nullptr ? 0 : stored->Number;
    return state;
  }

  const std::string dir_ = "/d/";
  StoredFiles files_;
};

TEST_F(CheckStoredFileTest, TheSizeAndTimeHandedOutDecideWithoutAskingTheFileSystem) {
  // None of these files exists: only what the plug-in hands out counts.
  const uint32_t time = 0x5A21'6C40;
  Load(FileRecord(4, dir_ + "same.txt", 5, time) + FileRecord(5, dir_ + "grown.txt", 4, time) +
       FileRecord(6, dir_ + "touched.txt", 5, time));
  uint16_t number = 0;
  EXPECT_EQ(Check("same.txt", 5, time), StoredFileState::kUnchanged);
  EXPECT_EQ(Check("grown.txt", 5, time, -1, &number), StoredFileState::kChanged);
  EXPECT_EQ(number, 5);
  EXPECT_EQ(Check("touched.txt", 5, time + 1, -1, &number), StoredFileState::kChanged);
  EXPECT_EQ(number, 6);
  EXPECT_EQ(Check("other.txt", 5, time), StoredFileState::kNew);
  // After a failed load nothing is stored any more.
  EXPECT_FALSE(files_.Load(FileRecord(0, dir_ + "grown.txt", 4, time), [] {}));
  EXPECT_EQ(Check("grown.txt", 5, time), StoredFileState::kNew);
}

TEST_F(CheckStoredFileTest, TheTableKeepsEachRecordsPlaceAndTheHighestNumber) {
  Load(FileRecord(1, "/d/one.txt") + FileRecord(3, "/d/three.txt") + FileRecord(2, "/d/two.txt"));
  EXPECT_EQ(files_.highest_number(), 3);  // not the last record's
  ASSERT_EQ(files_.files().size(), 3u);
  EXPECT_EQ(files_.files()[1].Path, "/d/three.txt");
  EXPECT_EQ(files_.files()[1].Offset, 24u);  // where the in-place rewrite goes
}

TEST_F(CheckStoredFileTest, PathsMatchIgnoringCaseAndTheFirstRecordDecides) {
  // Records made by hand, so that paths differing in case share a hash.
  const int hash = 0x4242;
  Load(FileRecord(8, dir_ + "SAME.TXT", 0, 0, hash) + FileRecord(9, dir_ + "same.txt", 0, 0, hash) +
       FileRecord(10, dir_ + "\xC9T\xC9.txt", 0, 0, hash));
  uint16_t number = 0;
  EXPECT_EQ(Check("same.txt", 5, 0, hash, &number), StoredFileState::kChanged);  // size 0 differs
  EXPECT_EQ(number, 8);
  EXPECT_EQ(Check("same.txt", 0, 0, hash + 1), StoredFileState::kNew);  // the hash must agree
  EXPECT_EQ(Check("same.tx", 0, 0, hash), StoredFileState::kNew);       // and the whole path
  // Windows-1252 letters fold too.
  EXPECT_EQ(Check("\xE9t\xE9.TXT", 0, 0, hash), StoredFileState::kUnchanged);
}

TEST_F(CheckStoredFileTest, FilesMetInAnyOrderFindTheirRecords) {
  // Records 1 and 2 share a hash, so that the record tried first can have the hash of the path
  // looked for and another path.
  Load(FileRecord(1, dir_ + "a.txt", 1, 0, 7) + FileRecord(2, dir_ + "b.txt", 2, 0, 7) +
       FileRecord(3, dir_ + "c.txt", 3) + FileRecord(4, dir_ + "d.txt", 4));
  const struct {
    const char* name;
    uint16_t number;
  } walk[] = {{"b.txt", 2}, {"c.txt", 3}, {"a.txt", 1}, {"d.txt", 4}, {"d.txt", 4},
              {"c.txt", 3}, {"a.txt", 1}, {"b.txt", 2}, {"e.txt", 0}, {"a.txt", 1}};
  for (const auto& met : walk) {
    const std::string name = met.name;
    const int hash = name == "a.txt" || name == "b.txt" ? 7 : -1;
    uint16_t number = 99;
    Check(name, met.number, 0, hash, &number);
    EXPECT_EQ(number, met.number) << name;
  }
}

}  // namespace
}  // namespace oru
