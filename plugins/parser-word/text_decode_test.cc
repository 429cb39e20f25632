#include "plugins/parser-word/text_decode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace oru::dovrin {
namespace {

// A region of `size` bytes 'a' whose first `low` bytes are below 9 as signed numbers.
std::vector<uint8_t> Sample(size_t size, size_t low, uint8_t low_byte) {
  std::vector<uint8_t> bytes(size, 'a');
  for (size_t i = 0; i < low; ++i) bytes[i] = low_byte;
  return bytes;
}

TEST(TextDecodeTest, MoreThanAThirdLowBytesMeansWide) {
  for (uint8_t low_byte : {uint8_t{0x00}, uint8_t{0x08}, uint8_t{0x80}, uint8_t{0xFF}}) {
    EXPECT_FALSE(LooksWide(Sample(1024, 341, low_byte).data(), 1024)) << int{low_byte};
    EXPECT_TRUE(LooksWide(Sample(1024, 342, low_byte).data(), 1024)) << int{low_byte};
  }
  EXPECT_FALSE(LooksWide(Sample(1024, 400, 0x09).data(), 1024));
  EXPECT_FALSE(LooksWide(Sample(1024, 400, 0x7F).data(), 1024));
}

TEST(TextDecodeTest, SampleIsAtMostTheFirst1024Bytes) {
  std::vector<uint8_t> bytes = Sample(4096, 341, 0);
  for (size_t i = 1024; i < bytes.size(); ++i) bytes[i] = 0;
  EXPECT_FALSE(LooksWide(bytes.data(), bytes.size()));
  EXPECT_FALSE(LooksWide(Sample(3, 1, 0).data(), 3));  // 1 is not more than 3 / 3
  EXPECT_TRUE(LooksWide(Sample(3, 2, 0).data(), 3));
}

TEST(TextDecodeTest, WideTextIsLittleEndianAndKeepsAnOddLastByte) {
  const std::vector<uint8_t> bytes = {'H', 0, 'i', 0, 0xAC, 0x20, 'x'};
  EXPECT_EQ(DecodeText(bytes.data(), bytes.size()), u"Hi\u20ACx");
}

TEST(TextDecodeTest, NarrowTextIsConvertedFromTheCodePage) {
  const std::string text = "caf\xE9 au lait \x80\x81";
  const std::vector<uint8_t> bytes(text.begin(), text.end());
  EXPECT_EQ(DecodeText(bytes.data(), bytes.size()), u"caf\u00E9 au lait \u20AC\u0081");
}

}  // namespace
}  // namespace oru::dovrin
