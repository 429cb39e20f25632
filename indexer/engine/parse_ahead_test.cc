#include "indexer/engine/parse_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace oru {
namespace {

// A file of `size` words, word j of it keyed time * 1,000,000 + j; a size of 7 throws at once.
// True (read) for a file with words.
bool CountingParse(const WalkedFile& file, FoundWordsSink* sink) {
  if (file.size == 7) throw std::runtime_error("no memory");
  std::vector<FoundWord> words;
  for (uint64_t j = 0; j < file.size; ++j) {
    words.push_back({uint64_t{file.time} * 1000000 + j, {}});
    if (words.size() == FileWords::kBatchWords) sink->Take(&words);
  }
  if (!words.empty()) sink->Take(&words);
  return file.size != 0;
}

WalkedFile File(uint32_t time, uint32_t size) { return WalkedFile{nullptr, "f", 0, size, time}; }

TEST(ParseAheadTest, HandsBackEveryFilesWordsInOrderWithItsOutcome) {
  ParseAhead ahead(CountingParse);
  ASSERT_TRUE(ahead.Start());
  // Small files, files of several batches, an empty one, one passed over, one that throws,
  // and one of far more words than the queue holds: the walk drains the queue while the
  // thread waits for room.
  const std::vector<uint32_t> sizes = {5, 0, 3 * FileWords::kBatchWords + 1, 7, 1, 20000, 9,
                                       300000, 2, 300000, 300000};
  for (uint32_t i = 0; i < sizes.size(); ++i) ahead.Add(File(i + 1, sizes[i]), i != 4);
  const std::function<void()> pump = [] {};
  ParseAhead::Batch batch;
  for (uint32_t i = 0; i < sizes.size(); ++i) {
    std::vector<uint64_t> keys;
    do {
      // Waiting for four files at a time, fewer at the end.
      ASSERT_TRUE(ahead.Take(&batch, &pump, 4));
      for (const FoundWord& word : batch.words) keys.push_back(word.key);
    } while (!batch.last);
    const uint32_t expected = i == 3 || i == 4 ? 0 : sizes[i];
    ASSERT_EQ(keys.size(), expected) << "file " << i;
    for (uint64_t j = 0; j < keys.size(); ++j) ASSERT_EQ(keys[j], (i + 1) * 1000000ull + j);
    EXPECT_EQ(batch.parsed, expected != 0) << "file " << i;
    EXPECT_EQ(batch.thrown != nullptr, i == 3) << "file " << i;
  }
  EXPECT_EQ(ahead.files_pending(), 0u);
  EXPECT_FALSE(ahead.Take(&batch, &pump));
}

TEST(ParseAheadTest, StopEndsAParseThatWaitsForRoomAndDropsTheRest) {
  std::atomic<bool> ended_by_stop{false};
  std::atomic<int> parses{0};
  ParseAhead ahead([&](const WalkedFile& file, FoundWordsSink* sink) {
    ++parses;
    try {
      return CountingParse(file, sink);
    } catch (...) {
      ended_by_stop = true;
      throw;
    }
  });
  ASSERT_TRUE(ahead.Start());
  // Far more batches than the queue holds; nothing is taken.
  ahead.Add(File(1, 1000 * FileWords::kBatchWords), true);
  ahead.Add(File(2, 10), true);
  ParseAhead::Batch batch;
  const std::function<void()> pump = [] {};
  ASSERT_TRUE(ahead.Take(&batch, &pump));  // the first parse is under way
  ahead.Stop();
  EXPECT_TRUE(ended_by_stop);
  EXPECT_EQ(parses, 1);
  EXPECT_EQ(ahead.files_pending(), 0u);
  EXPECT_FALSE(ahead.Take(&batch, nullptr));
}

}  // namespace
}  // namespace oru
