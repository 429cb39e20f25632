#include "plugins/parser-pdf/pdf_crypt.h"

#include <gtest/gtest.h>

namespace oru::pdf {
namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

TEST(PdfCryptTest, PrimitivesMatchKnownValues) {
  EXPECT_EQ(Hex(Md5("abc")), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Hex(Sha2(256, "abc")).substr(0, 16), "ba7816bf8f01cfea");
  EXPECT_EQ(Hex(Sha2(384, "abc")).substr(0, 16), "cb00753f45a35e8b");
  EXPECT_EQ(Hex(Sha2(512, "abc")).substr(0, 16), "ddaf35a193617aba");
  EXPECT_EQ(Hex(Rc4("Secret", "Attack at dawn")), "45a01f645fc35b383552544b9bf5");
  const std::string key(32, 'k'), iv(16, 'i'), plain(48, 'p');
  const std::string sealed = AesCbc(key, iv, plain, true);
  EXPECT_NE(sealed, plain);
  EXPECT_EQ(AesCbc(key, iv, sealed, false), plain);
  EXPECT_EQ(AesCbc(std::string(7, 'k'), iv, plain, true), "");
}

}  // namespace
}  // namespace oru::pdf
