#include "indexer/engine/index_format.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace oru::index_format
