#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "indexer/engine/indexer.h"

namespace oru {
namespace {

class DictionaryTest : public ::testing::Test {
 protected:
  std::unique_ptr<TIndexer> indexer_ = std::make_unique<TIndexer>();
};

TEST_F(DictionaryTest, NewWordThenRepeatsInTheSameAndAnotherFile) {
  int32_t slot = -1;
  EXPECT_EQ(indexer_->AddWord(7, "alpha", 1, 0, &slot), AddWordOutcome::NewEntry);
  EXPECT_EQ(slot, 0);
  EXPECT_EQ(indexer_->AddWord(7, "alpha", 1, 0, &slot), AddWordOutcome::AlreadyRecorded);
  EXPECT_EQ(indexer_->AddWord(7, "alpha", 2, 0, &slot), AddWordOutcome::FirstInFile);
  EXPECT_EQ(slot, 0);
  EXPECT_EQ(indexer_->WordBuckets[7][0]->LastFile, 2);
}

TEST_F(DictionaryTest, OnlyTheLowByteOfFlagsIsMerged) {
  int32_t slot = -1;
  indexer_->AddWord(1, "word", 5, 0x0100, &slot);
  EXPECT_EQ(indexer_->AddWord(1, "word", 5, 0x0002, &slot), AddWordOutcome::FlagsMerged);
  EXPECT_EQ(indexer_->WordBuckets[1][0]->Flags, 0x0102);
  EXPECT_EQ(indexer_->AddWord(1, "word", 5, 0x0302, &slot), AddWordOutcome::AlreadyRecorded);
}

TEST_F(DictionaryTest, WordsOfOneBucketGetSlotsInOrderOfInsertion) {
  EXPECT_EQ(indexer_->InsertWord(9, "first", 1, 0), 0);
  EXPECT_EQ(indexer_->InsertWord(9, "second", 1, 0), 1);
  EXPECT_EQ(indexer_->FindWord(9, "second"), 1);
  EXPECT_EQ(indexer_->FindWord(9, "third"), -1);
  EXPECT_EQ(indexer_->FindWord(10, "first"), -1);
  EXPECT_EQ(indexer_->WordText(*indexer_->WordBuckets[9][1]), "second");
}

TEST_F(DictionaryTest, StoredTextKeepsAtMost31Bytes) {
  const std::string long_word(40, 'q');
  ASSERT_EQ(indexer_->InsertWord(3, long_word.c_str(), 1, 0), 0);
  EXPECT_EQ(indexer_->WordText(*indexer_->WordBuckets[3][0]), std::string(31, 'q'));
  EXPECT_EQ(indexer_->WordPoolCursor, 32u);
}

TEST_F(DictionaryTest, FullPoolAddsNoEntry) {
  indexer_->WordPoolEnd = 10;
  EXPECT_EQ(indexer_->InsertWord(1, "abcd", 1, 0), 0);      // takes 5 bytes
  EXPECT_EQ(indexer_->InsertWord(2, "efghi", 1, 0), -1);    // would need 6 of the 5 left
  EXPECT_EQ(indexer_->InsertWord(2, "efgh", 1, 0), 0);  // exactly fills the pool
  EXPECT_EQ(indexer_->WordBuckets[2].Count(), 1u);
  EXPECT_EQ(indexer_->InsertWord(3, "x", 1, 0), -1);
}

TEST_F(DictionaryTest, ABucketNeverGivesSlot0xFFFF) {
  auto& bucket = indexer_->WordBuckets[4];
  for (int i = 0; i < 0xFFFF; ++i) bucket.Add(new _Form{_Form::kNoText, 0, 0});
  EXPECT_EQ(indexer_->InsertWord(4, "more", 1, 0), -1);
  EXPECT_EQ(bucket.Count(), 0xFFFFu);
}

TEST(SameWordTest, ComparesExactlyUpTo128Bytes) {
  EXPECT_TRUE(SameWord("abc", "abc"));
  EXPECT_FALSE(SameWord("abc", "abd"));
  EXPECT_FALSE(SameWord("abc", "abcd"));
  EXPECT_FALSE(SameWord("Abc", "abc"));
  EXPECT_FALSE(SameWord(nullptr, "abc"));
  const std::string a = std::string(128, 'x') + "1";
  const std::string b = std::string(128, 'x') + "2";
  EXPECT_TRUE(SameWord(a.c_str(), b.c_str()));
}

TEST(BoundedLengthTest, CountsToTheFirstNulAtMost128) {
  EXPECT_EQ(BoundedLength(nullptr), 0);
  EXPECT_EQ(BoundedLength(""), 0);
  EXPECT_EQ(BoundedLength("four"), 4);
  EXPECT_EQ(BoundedLength(std::string(300, 'z').c_str()), 128);
}

}  // namespace
}  // namespace oru
