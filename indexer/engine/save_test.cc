#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "indexer/engine/index_format.h"
#include "indexer/engine/save.h"
#include "platform/md5.h"
#include "tests/support/memory_pass.h"

namespace oru {
namespace {

// The index folder in memory; a file it cannot create (as when a folder of its name is in the
// way).
class SaveDisk : public testing::MemoryFileSystem {
 public:
  platform::Status Create(const std::string& path,
                          std::unique_ptr<platform::WriteFile>* out) override {
    if (path == blocked)
      return platform::Status(platform::Result::kFailed, "create", path, "blocked");
    return MemoryFileSystem::Create(path, out);
  }
  std::string blocked;
};

class SaveIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int p = 0; p < 64; ++p) WriteFile(index_format::PostingLogName(p), "");
  }

  void WriteFile(const std::string& name, std::string bytes) {
    disk_.Put(dir_ + name, std::move(bytes));
  }
  std::string ReadFile(const std::string& name) const { return disk_.Get(dir_ + name); }
  bool Exists(const std::string& name) const { return disk_.Has(dir_ + name); }

  // Adds a word under `hash` (as a reload does, so that the hash can be chosen) and returns
  // its slot.
  uint16_t AddWord(uint16_t hash, const char* word) {
    const auto slot = static_cast<uint16_t>(dictionary_->AppendUntitled(hash));
    EXPECT_TRUE(dictionary_->SetText(hash, slot, word));
    return slot;
  }

  // Saves as a pass does and puts the files in place.
  bool SaveIndex() {
    IndexSwitch pending(&disk_, dir_);
    IndexSaver saver(
        &disk_, dir_, &pending, [this] { ++steps_; }, [] {});
    return saver.Save(*dictionary_, logs_, ReloadedDictionary(), FileNumberSet()).ok() &&
           pending.Switch().ok();
  }

  void Post(uint16_t hash, uint16_t slot, uint16_t file) {
    uint8_t posting[8];
    index_format::EncodePosting({hash, slot, file, 0}, posting);
    const std::string log = index_format::PostingLogName(index_format::PartOf(hash));
    WriteFile(log, ReadFile(log) + std::string(reinterpret_cast<char*>(posting), 8));
  }

  SaveDisk disk_;
  const std::string dir_ = testing::InMemory("index/");
  int steps_ = 0;  // the progress bar's moves
  std::unique_ptr<Dictionary> dictionary_ = std::make_unique<Dictionary>();
  PostingLogs logs_{&disk_, dir_};
};

TEST_F(SaveIndexTest, OneFileWithTheWordAbc) {
  const uint16_t hash = platform::WordHash("abc");
  ASSERT_EQ(hash, 0x830D);
  Post(hash, AddWord(hash, "abc"), 1);
  ASSERT_TRUE(SaveIndex());

  const std::string part = ReadFile("32.fnx");
  ASSERT_EQ(part.size(), 4106u);
  std::string expected(4096, '\0');
  expected[3124] = 0x00;  // table entry 781 = 4096
  expected[3125] = 0x10;
  expected += std::string("\x01\x00\x00\x00\x00\x00\x01\x00\x00\x00", 10);
  EXPECT_EQ(part, expected);
  for (int p = 0; p < 64; ++p) {
    if (p != 32) {
      EXPECT_EQ(ReadFile(index_format::PartFileName(p)), std::string(4096, '\0'));
    }
    EXPECT_FALSE(Exists(index_format::PostingLogName(p)));
  }
  EXPECT_EQ(ReadFile("0.fnw"), std::string("\x08"
                                           "abc\x0D\x83\x00\x00",
                                           8));
  EXPECT_EQ(steps_, 65);
}

TEST_F(SaveIndexTest, AnEmptyPassGivesEmptyTablesAndAnEmptyWordList) {
  ASSERT_TRUE(SaveIndex());
  for (int p = 0; p < 64; ++p) {
    EXPECT_EQ(ReadFile(index_format::PartFileName(p)), std::string(4096, '\0'));
  }
  EXPECT_EQ(ReadFile("0.fnw"), "");
  EXPECT_EQ(steps_, 65);
}

TEST_F(SaveIndexTest, WordsSharingAHashShareABlockInSlotOrder) {
  const uint16_t hash = 0x1234;
  const uint16_t first = AddWord(hash, "first");
  const uint16_t second = AddWord(hash, "second");
  Post(hash, second, 3);
  Post(hash, first, 3);
  Post(hash, first, 7);
  ASSERT_TRUE(SaveIndex());
  testing::DecodedIndex index;
  WriteFile("Fileindex.fnd", "");
  ASSERT_EQ(testing::DecodeIndex(disk_, dir_, &index), "");
  using Postings = std::vector<testing::FilePosting>;
  const testing::WordKey first_key(hash, 0);
  const testing::WordKey second_key(hash, 1);
  EXPECT_EQ(index.postings[first_key], (Postings{{3, 0}, {7, 0}}));
  EXPECT_EQ(index.postings[second_key], (Postings{{3, 0}}));
  EXPECT_EQ(index.word_order, (std::vector<std::string>{"first", "second"}));
  // The block is the word entry 02 00 00 00, slot 0, 03 00 00 00, 07 00 00 00, then slot 1.
  const std::string part = ReadFile("4.fnx");
  EXPECT_EQ(part.substr(4096, 14), std::string("\x02\0\0\0\0\0\x03\0\0\0\x07\0\0\0", 14));
}

TEST_F(SaveIndexTest, AMissingLogLeavesAnEmptyPartAndOneStepLess) {
  disk_.Delete(dir_ + "5.tf");
  ASSERT_TRUE(SaveIndex());
  EXPECT_TRUE(Exists("5.fnx"));
  EXPECT_EQ(ReadFile("5.fnx"), "");
  EXPECT_EQ(steps_, 64);
}

TEST_F(SaveIndexTest, ABucketWhosePostingsAreAllGoneGetsNoTableEntry) {
  // The slot table names the bucket, but its log holds nothing for it.
  AddWord(0x0005, "lonely");
  ASSERT_TRUE(SaveIndex());
  EXPECT_EQ(ReadFile("0.fnx"), std::string(4096, '\0'));
}

TEST_F(SaveIndexTest, APartThatCannotBeWrittenKeepsTheOldPartsAndFails) {
  Post(0x0801, AddWord(0x0801, "word"), 1);  // part 2
  disk_.blocked = dir_ + "2.fnx.new";
  WriteFile("1.fnx", "old part");
  WriteFile("2.fnx", "old part");
  EXPECT_FALSE(SaveIndex());
  EXPECT_EQ(ReadFile("1.fnx"), "old part");  // written anew beside it, never put in place
  EXPECT_EQ(ReadFile("2.fnx"), "old part");
  EXPECT_EQ(ReadFile("2.tf").size(), 8u);
}

TEST_F(SaveIndexTest, AWordListThatCannotBeWrittenFailsTheSave) {
  disk_.blocked = dir_ + "0.fnw.new";
  EXPECT_FALSE(SaveIndex());
  EXPECT_EQ(steps_, 65);
  EXPECT_FALSE(Exists("0.fnx"));
}

TEST_F(SaveIndexTest, APostingForASlotTheDictionaryLacksFailsThePart) {
  AddWord(0x0042, "known");
  Post(0x0042, 3, 1);
  EXPECT_FALSE(SaveIndex());
  EXPECT_TRUE(Exists("0.tf"));
}

}  // namespace
}  // namespace oru
