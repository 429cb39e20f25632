#include "indexer/engine/record_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <thread>
#include <vector>

#include "indexer/engine/records.h"

namespace oru {
namespace {

TEST(RecordPoolTest, BlocksAreDistinctAlignedAndReusedOnceFreed) {
  std::vector<void*> blocks;
  std::set<void*> distinct;
  for (int i = 0; i < 300000; ++i) {  // more than one chunk
    void* block = RecordPool::Allocate(8);
    ASSERT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u);
    *static_cast<uint64_t*>(block) = static_cast<uint64_t>(i);
    blocks.push_back(block);
    distinct.insert(block);
  }
  EXPECT_EQ(distinct.size(), blocks.size());
  for (size_t i = 0; i < blocks.size(); ++i) {
    ASSERT_EQ(*static_cast<uint64_t*>(blocks[i]), i);  // no block overlaps another
  }
  void* last = blocks.back();
  blocks.pop_back();
  RecordPool::Free(last, 8);
  EXPECT_EQ(RecordPool::Allocate(8), last);
  blocks.push_back(last);
  for (void* block : blocks) RecordPool::Free(block, 8);
}

TEST(RecordPoolTest, ALargerRequestGetsAllItsBytesApartFromTheRecords) {
  auto* big = static_cast<unsigned char*>(RecordPool::Allocate(64));
  auto* before = static_cast<unsigned char*>(RecordPool::Allocate(8));
  std::fill(big, big + 64, 0xAB);
  auto* after = static_cast<unsigned char*>(RecordPool::Allocate(8));
  for (unsigned char* record : {before, after}) {
    EXPECT_TRUE(record + 8 <= big || record >= big + 64);  // no record inside the large block
  }
  EXPECT_EQ(big[0], 0xAB);
  EXPECT_EQ(big[63], 0xAB);
  RecordPool::Free(after, 8);
  RecordPool::Free(before, 8);
  RecordPool::Free(big, 64);
}

TEST(RecordPoolTest, RecordsOfAThreadThatEndedStayUsableAndAreNotLeaked) {
  // A record still alive when its thread ends (as when an engine outlives the thread that
  // filled it) keeps its memory for the rest of the process, without a leak being reported.
  uint64_t* records[2] = {};
  std::thread([&] {
    for (auto*& record : records) record = static_cast<uint64_t*>(RecordPool::Allocate(8));
  }).join();
  *records[0] = 0x0123456789abcdef;
  *records[1] = 42;
  EXPECT_EQ(*records[0], 0x0123456789abcdefu);
  EXPECT_EQ(*records[1], 42u);
}

TEST(RecordPoolTest, RecordsMadeThroughAnotherThreadsPoolAreFreedByThatThread) {
  auto* mine = new _Form{1, 2, 3};
  std::vector<_Form*> theirs;
  RecordPool::State* pool = RecordPool::ThisThreadsPool();
  std::thread([&] {
    const RecordPool::UsePool use(pool);
    for (uint32_t i = 0; i < 1000; ++i) theirs.push_back(new _Form{i, 0, 0});
    delete theirs.back();
    theirs.pop_back();
  }).join();
  EXPECT_EQ(theirs[998]->Text, 998u);
  for (_Form* form : theirs) delete form;
  // They counted as this thread's records: its own still has its memory.
  auto* next = new _Form{4, 5, 6};
  EXPECT_EQ(mine->Text, 1u);
  EXPECT_EQ(next->Text, 4u);
  delete next;
  delete mine;
}

}  // namespace
}  // namespace oru
