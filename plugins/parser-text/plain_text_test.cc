#include "plugins/parser-text/plain_text.h"

#include <gtest/gtest.h>

#include <string>

namespace oru::tavrel {
namespace {

std::u16string Text(std::string_view bytes) {
  std::optional<std::u16string> text = PlainText(bytes);
  EXPECT_TRUE(text.has_value());
  return text.value_or(u"");
}

TEST(PlainTextTest, TheEncodingIsDecidedByMarkThenByTheBytes) {
  size_t bom = 0;
  EXPECT_EQ(DetectEncoding("\xEF\xBB\xBFhi", &bom), TextEncoding::kUtf8);
  EXPECT_EQ(bom, 3u);
  EXPECT_EQ(DetectEncoding("\xFF\xFEh\0", &bom), TextEncoding::kUtf16Le);
  EXPECT_EQ(DetectEncoding("\xFE\xFF\0h", &bom), TextEncoding::kUtf16Be);
  EXPECT_EQ(DetectEncoding("caf\xC3\xA9", &bom), TextEncoding::kUtf8);
  EXPECT_EQ(DetectEncoding("caf\xC3", &bom), TextEncoding::kUtf8);  // cut at the very end
  EXPECT_EQ(DetectEncoding("caf\xE9 cr\xE8me", &bom), TextEncoding::kWindows1252);
  EXPECT_EQ(DetectEncoding(std::string_view("h\0e\0l\0l\0o\0", 10), &bom), TextEncoding::kUtf16Le);
  EXPECT_EQ(DetectEncoding(std::string_view("\0h\0e\0l\0l\0o", 10), &bom), TextEncoding::kUtf16Be);
  EXPECT_EQ(bom, 0u);
}

TEST(PlainTextTest, TextComesOutInUtf16WithoutItsMark) {
  EXPECT_EQ(Text("\xEF\xBB\xBFna\xC3\xAFve\r\nline"), u"na\u00EFve\r\nline");
  EXPECT_EQ(Text("caf\xE9\rcr\xE8me"), u"caf\u00E9\rcr\u00E8me");
  EXPECT_EQ(Text(std::string_view("\xFF\xFE\x1F\x04\x40\x04", 6)), u"\u041F\u0440");
  EXPECT_EQ(Text(""), u"");
}

TEST(PlainTextTest, BinaryFilesAreRefusedButAZeroedTailIsNot) {
  std::string binary;
  for (int k = 0; k < 100; ++k) binary += std::string("\x7F" "ELF\x02\x01\x01\0\0\0text", 14);
  EXPECT_FALSE(PlainText(binary).has_value());
  std::string log = "started\nworking\n" + std::string(4096, '\0');
  EXPECT_EQ(Text(log).substr(0, 16), u"started\nworking\n");
  // A stray zero byte stands as a space, so the words around it stay apart.
  EXPECT_EQ(Text(std::string_view("one\0two", 7)), u"one two");
}

}  // namespace
}  // namespace oru::tavrel
