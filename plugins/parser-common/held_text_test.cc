#include "plugins/parser-common/held_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace oru::parser {
namespace {

TEST(HeldTextTest, DescriptorClearsTheFilterAndKeepsTheRestOfTheBlock) {
  std::vector<char> bytes(2080, '\xFF');
  auto* block = reinterpret_cast<DescriptorBlock*>(bytes.data());
  ASSERT_TRUE(FillDescriptor({"Text Files<txt=", "Reads text.", "Tavrel"}, block));
  EXPECT_STREQ(block->Filter, "Text Files<txt=");
  EXPECT_EQ(block->Filter[1023], 0);
  EXPECT_STREQ(block->DisplayName, "Tavrel");
  EXPECT_EQ(block->DisplayName[7], '\xFF');
  EXPECT_FALSE(FillDescriptor({"a<b=", "c", "d"}, nullptr));
}

TEST(HeldTextTest, WordsAndFragmentsComeFromTheHeldText) {
  HeldText held;
  WordRecord rec{};
  rec.Capacity = 128;
  EXPECT_FALSE(held.NextWord(&rec));
  EXPECT_EQ(rec.IsWide, 1);
  held.Hold(std::u16string(u"one two\0three", 13));
  ASSERT_TRUE(held.NextWord(&rec));
  EXPECT_EQ(rec.Length, 6);
  EXPECT_EQ(std::memcmp(rec.Buffer, u"one", 6), 0);

  char16_t buffer[8];
  FragmentRecord fragment{};
  fragment.Position = 6;
  fragment.Size = 8;
  fragment.Buffer = buffer;
  ASSERT_TRUE(held.CutFragment(&fragment));
  EXPECT_EQ(fragment.Position, 2u);
  EXPECT_EQ(std::u16string(buffer), u"e two");  // the copy ends at the zero character
  held.Release();
  EXPECT_FALSE(held.CutFragment(&fragment));
}

}  // namespace
}  // namespace oru::parser
