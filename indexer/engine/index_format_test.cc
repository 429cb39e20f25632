#include "indexer/engine/index_format.h"

#include <gtest/gtest.h>

#include <string>

namespace oru::index_format {
namespace {

TEST(IndexFormatTest, AWordRecordReadsBackAsWritten) {
  uint8_t record[kMaxWordRecord + 1] = {};
  const size_t n = EncodeWordRecord("abc", 0x830D, 2, record);
  ASSERT_EQ(n, 8u);
  WordListEntry entry;
  size_t length = 0;
  ASSERT_TRUE(DecodeWordRecord(record, n, &entry, &length));
  EXPECT_EQ(entry.word, "abc");
  EXPECT_EQ(entry.hash, 0x830D);
  EXPECT_EQ(entry.slot, 2);
  EXPECT_EQ(length, 8u);
}

TEST(IndexFormatTest, AWordRecordThatIsTooShortOrRunsPastTheEndIsRefused) {
  uint8_t record[kMaxWordRecord] = {};
  const size_t n = EncodeWordRecord("abc", 1, 0, record);
  WordListEntry entry;
  size_t length = 0;
  EXPECT_FALSE(DecodeWordRecord(record, n - 1, &entry, &length));
  EXPECT_FALSE(DecodeWordRecord(record, 0, &entry, &length));
  record[0] = 4;  // below the 5 bytes of hash, slot and length
  EXPECT_FALSE(DecodeWordRecord(record, n, &entry, &length));
}

TEST(IndexFormatTest, APartWordEntrySizeDoesNotWrap) {
  EXPECT_EQ(PartWordEntrySize(2), 14u);
  EXPECT_EQ(PartWordEntrySize(0xFFFFFFFF), 6 + 4 * uint64_t{0xFFFFFFFF});
}

TEST(IndexFormatTest, AFileRecordNumbered0Or65535IsReadButRefused) {
  uint8_t record[kMaxFileRecord] = {};
  FileRecord read;
  size_t length = 0;
  for (uint16_t number : {0, 0xFFFF}) {
    const size_t n = EncodeFileRecord({number, 7, 1, 2, "/a"}, record);
    EXPECT_EQ(DecodeFileRecord(record, n, &read, &length), FileRecordRead::kBadNumber);
    EXPECT_EQ(read.path, "/a");
  }
  const size_t n = EncodeFileRecord({3, 7, 1, 2, "/a"}, record);
  EXPECT_EQ(DecodeFileRecord(record, n, &read, &length), FileRecordRead::kRecord);
  EXPECT_EQ(DecodeFileRecord(record, n - 1, &read, &length), FileRecordRead::kBadLength);
}

// A part built entry by entry: the table, then whatever bytes the case needs.
class PartTest : public ::testing::Test {
 protected:
  void Point(int bucket, uint32_t offset) { PutU32(Bytes() + 4 * bucket, offset); }
  // A word entry: `count` postings of file 1, of which `written` are present.
  void Word(uint32_t count, uint16_t slot, uint32_t written) {
    uint8_t header[kWordEntryHeader];
    PutU32(header, count);
    PutU16(header + 4, slot);
    part_.append(reinterpret_cast<const char*>(header), sizeof(header));
    for (uint32_t i = 0; i < written; ++i) part_.append("\x01\x00\x00\x00", 4);
  }
  uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(part_.data()); }
  bool Read(PartDamage* damage) { return table_.Read(Bytes(), part_.size(), damage); }
  // The slots of `bucket`'s block, or the fault that stops its walk.
  std::string Walk(int bucket, PartDamage* damage) {
    const BucketTable::Block block = table_.block(bucket);
    BlockReader words(Bytes() + block.begin, block);
    std::string slots;
    WordEntry entry;
    while (words.Next(&entry)) slots += std::to_string(entry.header.slot) + " ";
    *damage = words.damage();
    return slots;
  }

  std::string part_ = std::string(kBucketTableSize, '\0');
  BucketTable table_;
};

TEST_F(PartTest, ABlockEndsAtTheNextNonZeroEntryOrTheEndOfThePart) {
  PartDamage damage;
  ASSERT_TRUE(Read(&damage));  // only the table: no words, as saving writes it
  EXPECT_TRUE(table_.canonical());
  EXPECT_TRUE(table_.block(0).empty());

  Point(2, 4096);
  Word(1, 0, 1);
  Word(2, 1, 2);
  Point(700, static_cast<uint32_t>(part_.size()));
  Word(1, 0, 1);
  ASSERT_TRUE(Read(&damage));
  EXPECT_TRUE(table_.canonical());
  EXPECT_EQ(table_.block(2).begin, 4096u);
  EXPECT_EQ(table_.block(2).end, 4096u + 10 + 14);
  EXPECT_TRUE(table_.block(3).empty());
  EXPECT_EQ(table_.block(700).end, part_.size());
  EXPECT_EQ(Walk(2, &damage), "0 1 ");
  EXPECT_EQ(damage.fault, PartFault::kNone);
  EXPECT_EQ(Walk(700, &damage), "0 ");

  // Bytes behind the last block belong to it: a word entry of slot 0 there is damage, not the
  // start of another bucket.
  Word(1, 0, 1);
  ASSERT_TRUE(Read(&damage));
  EXPECT_EQ(Walk(700, &damage), "0 ");
  EXPECT_EQ(damage.fault, PartFault::kSlotOutOfOrder);
  EXPECT_EQ(damage.offset, part_.size() - 10);
  EXPECT_EQ(damage.expected_slot, 1);

  // A gap between two blocks is the end of the first, cut short.
  part_.insert(4096 + 24, "\0\0\0\0", 4);
  Point(700, 4096 + 28);
  ASSERT_TRUE(Read(&damage));
  EXPECT_EQ(Walk(2, &damage), "0 1 ");
  EXPECT_EQ(damage.fault, PartFault::kEntryCut);
  EXPECT_EQ(damage.offset, 4096u + 24);

  // Bytes between the table and the first block are readable, but not as saving lays them out;
  // so are bytes behind a table without blocks.
  Point(2, 4096 + 4);
  ASSERT_TRUE(Read(&damage));
  EXPECT_FALSE(table_.canonical());
  part_.resize(kBucketTableSize + 1);
  part_.replace(0, kBucketTableSize, kBucketTableSize, '\0');
  ASSERT_TRUE(Read(&damage));
  EXPECT_FALSE(table_.canonical());
}

TEST_F(PartTest, TheTableIsCheckedAsAWhole) {
  Point(5, 4096);
  Word(1, 0, 1);
  Word(1, 1, 1);
  PartDamage damage;
  // Sets entry `bucket` to `offset` for one read, which must fail with `fault` at entry `at`.
  const auto fails = [&](int bucket, uint32_t offset, PartFault fault, int at) {
    Point(bucket, offset);
    const bool read = Read(&damage);
    Point(bucket, 0);
    return !read && damage.fault == fault && damage.offset == 4u * at;
  };
  EXPECT_TRUE(fails(9, 1, PartFault::kOffsetOutside, 9));  // inside the table
  EXPECT_TRUE(fails(9, 4095, PartFault::kOffsetOutside, 9));
  EXPECT_TRUE(fails(9, static_cast<uint32_t>(part_.size()), PartFault::kOffsetOutside, 9));
  EXPECT_EQ(damage.value, part_.size());
  EXPECT_TRUE(fails(1, 4106, PartFault::kOffsetOutOfOrder, 5));  // blocks in reverse order
  EXPECT_TRUE(fails(9, 4096, PartFault::kOffsetOutOfOrder, 9));  // the same block twice

  // A table entry pointing into a block makes the entry before it run past its block's end.
  Point(6, 4106 + 8);
  ASSERT_TRUE(Read(&damage));
  EXPECT_EQ(Walk(5, &damage), "0 ");
  EXPECT_EQ(damage.fault, PartFault::kPastBlock);
  EXPECT_EQ(damage.offset, 4106u);
  EXPECT_EQ(damage.value, 1u);

  part_.resize(100);
  EXPECT_FALSE(Read(&damage));
  EXPECT_EQ(damage.fault, PartFault::kTableCut);
  EXPECT_EQ(damage.offset, 100u);
  part_.clear();
  EXPECT_TRUE(Read(&damage));  // an empty part holds no words
  EXPECT_TRUE(table_.block(5).empty());
}

TEST_F(PartTest, AWordEntryWithoutPostingsOrWithACountThatWouldWrapIsDamage) {
  Point(0, 4096);
  for (uint32_t count : {0u, 0xFFFFFFFFu}) {
    part_.resize(kBucketTableSize);
    Word(count, 0, 1);
    PartDamage damage;
    ASSERT_TRUE(Read(&damage));
    EXPECT_EQ(Walk(0, &damage), "");
    EXPECT_EQ(damage.fault, count == 0 ? PartFault::kNoPostings : PartFault::kPastBlock);
  }
}

}  // namespace
}  // namespace oru::index_format
