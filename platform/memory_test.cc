#include "platform/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace oru::platform {
namespace {

bool AllZero(const LargeBlock& block) {
  const auto* p = static_cast<const unsigned char*>(block.data());
  for (size_t i = 0; i < block.size(); ++i) {
    if (p[i] != 0) return false;
  }
  return true;
}

TEST(LargeBlockTest, IsZeroFilledAlignedAndWritableThroughout) {
  for (size_t size : {size_t{1}, size_t{5000}, size_t{3} << 20}) {
    LargeBlock block;
    ASSERT_TRUE(block.Allocate(size));
    EXPECT_EQ(block.size(), size);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block.data()) % 4096, 0u);
    EXPECT_TRUE(AllZero(block));
    std::memset(block.data(), 0xAB, size);
  }
}

TEST(LargeBlockTest, AllocatingAgainGivesAFreshZeroFilledBlock) {
  LargeBlock block;
  ASSERT_TRUE(block.Allocate(8192));
  std::memset(block.data(), 1, 8192);
  ASSERT_TRUE(block.Allocate(4096));
  EXPECT_TRUE(AllZero(block));
  EXPECT_FALSE(block.Allocate(0));
  EXPECT_EQ(block.data(), nullptr);
}

TEST(LargeBlockTest, MovingHandsTheBlockOverAndReleaseEmpties) {
  LargeBlock a;
  ASSERT_TRUE(a.Allocate(4096));
  void* data = a.data();
  LargeBlock b(std::move(a));
  EXPECT_EQ(a.data(), nullptr);
  EXPECT_EQ(b.data(), data);
  LargeBlock c;
  c = std::move(b);
  EXPECT_EQ(c.data(), data);
  EXPECT_EQ(c.size(), 4096u);
  c.Release();
  EXPECT_EQ(c.data(), nullptr);
  EXPECT_EQ(c.size(), 0u);
}

}  // namespace
}  // namespace oru::platform
