#include "platform/md5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace oru::platform {
namespace {

std::string Md5Hex(const std::string& s) {
  std::string out;
  char buf[3];
  for (uint8_t b : Md5(s.data(), s.size())) {
    std::snprintf(buf, sizeof buf, "%02x", b);
    out += buf;
  }
  return out;
}

TEST(Md5Test, MatchesRfc1321TestSuite) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  std::string digits;
  for (int i = 0; i < 8; ++i) digits += "1234567890";
  EXPECT_EQ(Md5Hex(digits), "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5Test, PadsCorrectlyAroundBlockBoundaries) {
  // Up to 55 bytes the length fits in the same block; 56 to 63 need a second one.
  std::string s;
  for (size_t i = 0; i < 128; ++i) s.push_back(static_cast<char>((i * 7 + 3) & 0xFF));
  EXPECT_EQ(Md5Hex(s.substr(0, 55)), "52c0e574e1198de5fe3f8f11440dcb1b");
  EXPECT_EQ(Md5Hex(s.substr(0, 56)), "46c9907fc908ee68b1e7b8e71286a518");
  EXPECT_EQ(Md5Hex(s.substr(0, 63)), "a62f6d59e837867693f042f5b8f5a236");
  EXPECT_EQ(Md5Hex(s.substr(0, 64)), "7160b8fb5e9e4023d549c3971fbaeead");
  EXPECT_EQ(Md5Hex(s.substr(0, 127)), "acce2474d6cc8302120d09c818d17ef7");
  EXPECT_EQ(Md5Hex(s), "10b2da1a82f16d99a81a7203fe9f02cb");
}

TEST(WordHashTest, XorsTheEightLittleEndianWordsOfTheDigest) {
  EXPECT_EQ(WordHash("abc"), 0x830D);
  EXPECT_EQ(WordHash(""), 0x5E2B);
  EXPECT_EQ(WordHash(nullptr, 0), 0x5E2B);
  EXPECT_EQ(WordHash("abcdef", 3), 0x830D);  // only the given bytes
  EXPECT_EQ(WordHash(std::string(31, 'x')), 0xC7D9);
}

}  // namespace
}  // namespace oru::platform
