#include "platform/little_endian.h"

#include <gtest/gtest.h>

#include <string>

namespace oru::platform {
namespace {

TEST(LittleEndianTest, ReadsTheLeastSignificantByteFirstAndHighBytesStayUnsigned) {
  const uint8_t bytes[8] = {0x01, 0x80, 0xFF, 0x7F, 0xFE, 0x00, 0x90, 0xC3};
  EXPECT_EQ(ReadLe16(bytes), 0x8001u);
  EXPECT_EQ(ReadLe32(bytes), 0x7FFF8001u);
  EXPECT_EQ(ReadLe64(bytes), 0xC39000FE7FFF8001ull);
  EXPECT_EQ(ReadLe(bytes + 1, 3), 0x7FFF80u);
  EXPECT_EQ(ReadLe(bytes, 0), 0u);
  const std::string text(reinterpret_cast<const char*>(bytes), sizeof(bytes));
  EXPECT_EQ(ReadLe(text.data() + 2, 2), 0x7FFFu);  // a char that is negative reads as its byte
}

TEST(LittleEndianTest, WritersGiveWhatTheReadersTakeBackAndNoByteMore) {
  uint8_t bytes[10] = {};
  WriteLe16(bytes, 0xBEEF);
  WriteLe32(bytes + 2, 0xDEADBEEF);
  EXPECT_EQ(ReadLe16(bytes), 0xBEEFu);
  EXPECT_EQ(ReadLe32(bytes + 2), 0xDEADBEEFu);
  WriteLe64(bytes + 1, 0x0102030405060708ull);
  EXPECT_EQ(ReadLe64(bytes + 1), 0x0102030405060708ull);
  EXPECT_EQ(bytes[0], 0xEF);
  EXPECT_EQ(bytes[9], 0x00);
  EXPECT_EQ(LeBytes(0x123456, 3), std::string("\x56\x34\x12", 3));
  EXPECT_EQ(LeBytes(0xFFFF0001, 2), std::string("\x01\x00", 2));  // only the low bytes
}

}  // namespace
}  // namespace oru::platform
