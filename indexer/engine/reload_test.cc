// Reloading a saved index, and the check of stored files, through TIndexer's own calls.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "indexer/engine/index_format.h"
#include "indexer/engine/indexer.h"
#include "platform/find.h"
#include "platform/md5.h"
#include "tests/support/temp_dir.h"

namespace oru {
namespace {

namespace fmt = index_format;
using testing::ReadFile;
using testing::WriteFile;

class CountingPump : public platform::MessagePump {
 public:
  void ProcessMessages() override { ++calls; }
  int calls = 0;
};

std::string FileRecord(uint16_t number, const std::string& path, uint32_t size, uint32_t time,
                       uint16_t path_hash) {
  uint8_t record[fmt::kMaxFileRecord];
  const size_t n = fmt::EncodeFileRecord({number, path_hash, size, time, path}, record);
  return std::string(reinterpret_cast<char*>(record), n);
}

std::string FileRecord(uint16_t number, const std::string& path, uint32_t size = 0,
                       uint32_t time = 0) {
  return FileRecord(number, path, size, time, platform::WordHash(path));
}

class ReloadTest : public ::testing::Test {
 protected:
  // Saves an index of three files and six words (two of them sharing one hash) in dir_.
  void SaveSampleIndex() {
    auto writer = std::make_unique<TIndexer>();
    writer->IndexDir = dir_.path();
    for (int p = 0; p < 64; ++p) WriteFile(dir_ / fmt::PostingLogName(p), "");
    Word(*writer, kShared, "first", {1, 3});
    Word(*writer, kShared, "second", {2});
    Word(*writer, kShared + 2, "third", {3});
    Word(*writer, 0x830D, "abc", {1, 2, 3});
    Word(*writer, 0x0001, "low", {3});
    Word(*writer, 0xFFFF, "high", {2, 1});
    ASSERT_TRUE(writer->SaveIndex());
    WriteFile(dir_ / fmt::kFileIndexName,
              FileRecord(1, "/d/one.txt") + FileRecord(3, "/d/three.txt") + FileRecord(2, "/d/two.txt"));
  }

  void Word(TIndexer& writer, uint16_t hash, const char* text, std::initializer_list<uint16_t> files) {
    const int32_t slot = writer.InsertWord(hash, text, kNoFile, 0);
    writer.HashSlots[hash] = static_cast<uint16_t>(slot);
    const std::string log = dir_ / fmt::PostingLogName(fmt::PartOf(hash));
    for (uint16_t file : files) {
      uint8_t posting[8];
      fmt::EncodePosting({hash, static_cast<uint16_t>(slot), file, 0}, posting);
      WriteFile(log, ReadFile(log) + std::string(reinterpret_cast<char*>(posting), 8));
    }
  }

  std::unique_ptr<TIndexer> Reloaded() {
    auto indexer = std::make_unique<TIndexer>();
    indexer->IndexDir = dir_.path();
    indexer->Pump = &pump_;
    return indexer;
  }

  static constexpr uint16_t kShared = 0x1234;
  testing::TempDir dir_;
  CountingPump pump_;
};

TEST_F(ReloadTest, GivesBackFilesWordsSlotsAndPostings) {
  SaveSampleIndex();
  auto indexer = Reloaded();
  ASSERT_TRUE(indexer->ReloadIndex());
  EXPECT_EQ(indexer->FileCount, 3);  // the highest number, not the last record's
  ASSERT_EQ(indexer->StoredFiles->Count(), 3u);
  EXPECT_STREQ((*indexer->StoredFiles)[1]->Path, "/d/three.txt");
  EXPECT_EQ((*indexer->StoredFiles)[1]->Offset, 24u);
  EXPECT_EQ(indexer->WordsFound, 6);
  const TTypedList<_Form>& shared = indexer->WordBuckets[kShared];
  ASSERT_EQ(shared.Count(), 2u);
  EXPECT_EQ(indexer->WordText(*shared[0]), "first");
  EXPECT_EQ(indexer->WordText(*shared[1]), "second");
  EXPECT_EQ(shared[1]->LastFile, kNoFile);
  EXPECT_EQ(indexer->HashSlots[kShared], 1);
  EXPECT_EQ(indexer->HashSlots[kShared + 1], kNoSlot);
  // Texts are packed from the start of the pool in word-list order (ascending hash).
  EXPECT_EQ(std::string(indexer->WordPool, 10), std::string("low\0first\0", 10));
  EXPECT_EQ(indexer->WordPoolCursor, 32u);
  // The log of part 4 (hashes 0x1234, 0x1236) holds the postings in bucket, slot and posting order.
  std::string expected;
  for (const fmt::Posting& p : {fmt::Posting{kShared, 0, 1, 0}, fmt::Posting{kShared, 0, 3, 0},
                                 fmt::Posting{kShared, 1, 2, 0}, fmt::Posting{kShared + 2, 0, 3, 0}}) {
    uint8_t posting[8];
    fmt::EncodePosting(p, posting);
    expected.append(reinterpret_cast<char*>(posting), 8);
  }
  EXPECT_EQ(ReadFile(dir_ / "4.tf"), expected);
  EXPECT_EQ(ReadFile(dir_ / "5.tf"), "");
  EXPECT_EQ(indexer->WordFileBuffer, nullptr);  // only needed while the texts are restored
  // Once per file record, once per bucket up to the last block of each part (the part's end
  // ends its reading), once per word-list record.
  EXPECT_EQ(pump_.calls, 3 + 60 * 1024 + (0x001 + 1) + (0x236 + 1) + (0x30D + 1) + 1024 + 6);
}

TEST_F(ReloadTest, SavingAReloadedIndexGivesTheSameBytes) {
  SaveSampleIndex();
  std::string before[65];
  for (int p = 0; p < 64; ++p) before[p] = ReadFile(dir_ / fmt::PartFileName(p));
  before[64] = ReadFile(dir_ / fmt::kWordListName);
  auto indexer = Reloaded();
  ASSERT_TRUE(indexer->ReloadIndex());
  ASSERT_TRUE(indexer->SaveIndex());
  for (int p = 0; p < 64; ++p) EXPECT_EQ(ReadFile(dir_ / fmt::PartFileName(p)), before[p]) << p;
  EXPECT_EQ(ReadFile(dir_ / fmt::kWordListName), before[64]);
}

TEST_F(ReloadTest, ABucketTakesAtMost65535Words) {
  auto indexer = Reloaded();
  for (int i = 0; i < 65535; ++i) ASSERT_EQ(indexer->AppendEmptyWord(9), i);
  EXPECT_EQ(indexer->AppendEmptyWord(9), -1);
  EXPECT_EQ(indexer->WordBuckets[9][7]->Text, _Form::kNoText);
}

TEST_F(ReloadTest, APartWhoseBlocksOverlapFailsTheReload) {
  SaveSampleIndex();
  // Bucket 0x235 of part 4 points at the block of bucket 0x234, which 0x236's block follows.
  std::string part = ReadFile(dir_ / "4.fnx");
  part.replace(4 * 0x235, 4, part.substr(4 * 0x234, 4));
  WriteFile(dir_ / "4.fnx", part);
  EXPECT_FALSE(Reloaded()->LoadPart(4));
}

class CheckStoredFileTest : public ReloadTest {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "same.txt", "12345");
    ASSERT_TRUE(platform::GetFileSizeAndTime(dir_ / "same.txt", &size_, &time_));
  }
  void Load(const std::string& records) {
    WriteFile(dir_ / fmt::kFileIndexName, records);
    ASSERT_TRUE(indexer_->LoadStoredFiles(dir_ / fmt::kFileIndexName));
    indexer_->UpdateMode = true;
  }
  StoredFileState Check(const std::string& path, uint16_t hash, uint16_t* number = nullptr) {
    const FileNode* stored = nullptr;
    const StoredFileState state = indexer_->CheckStoredFile(path, hash, &stored);
    if (number != nullptr) *number = stored == nullptr ? 0 : stored->Number;
    return state;
  }

  std::unique_ptr<TIndexer> indexer_ = Reloaded();
  uint32_t size_ = 0;
  uint32_t time_ = 0;
};

TEST_F(CheckStoredFileTest, SizeAndTimeDecide) {
  const std::string same = dir_ / "same.txt";
  const std::string grown = dir_ / "grown.txt";
  const std::string touched = dir_ / "touched.txt";
  const std::string gone = dir_ / "gone.txt";
  WriteFile(grown, "12345");
  WriteFile(touched, "12345");
  std::filesystem::last_write_time(touched, std::filesystem::last_write_time(same));
  Load(FileRecord(4, same, size_, time_) + FileRecord(5, grown, size_ - 1, time_) +
       FileRecord(6, touched, size_, time_ + 1) + FileRecord(7, gone, size_, time_));
  uint16_t number = 0;
  EXPECT_EQ(Check(same, platform::WordHash(same)), StoredFileState::kUnchanged);
  EXPECT_EQ(Check(grown, platform::WordHash(grown), &number), StoredFileState::kChanged);
  EXPECT_EQ(number, 5);
  EXPECT_EQ(Check(touched, platform::WordHash(touched), &number), StoredFileState::kChanged);
  EXPECT_EQ(number, 6);
  // A file that vanished between the scan and the check is left as recorded.
  EXPECT_EQ(Check(gone, platform::WordHash(gone)), StoredFileState::kUnchanged);
  EXPECT_EQ(Check(dir_ / "other.txt", platform::WordHash(dir_ / "other.txt")),
            StoredFileState::kNew);
}

TEST_F(CheckStoredFileTest, PathsMatchIgnoringCaseAndTheFirstRecordDecides) {
  // Records made by hand, so that paths differing in case share a hash (C2).
  const uint16_t hash = 0x4242;
  Load(FileRecord(8, dir_ / "SAME.TXT", 0, 0, hash) + FileRecord(9, dir_ / "same.txt", 0, 0, hash) +
       FileRecord(10, dir_ / "\xC9T\xC9.txt", 0, 0, hash));
  uint16_t number = 0;
  EXPECT_EQ(Check(dir_ / "same.txt", hash, &number), StoredFileState::kChanged);
  EXPECT_EQ(number, 8);
  EXPECT_EQ(Check(dir_ / "same.txt", hash + 1), StoredFileState::kNew);   // hash must agree
  EXPECT_EQ(Check(dir_ / "same.tx", hash), StoredFileState::kNew);        // whole path
  // Windows-1252 letters fold too: the file does not exist, so the match reads unchanged.
  EXPECT_EQ(Check(dir_ / "\xE9t\xE9.TXT", hash), StoredFileState::kUnchanged);
}

}  // namespace
}  // namespace oru
