#include "plugins/parser-word/text_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace oru::dovrin {
namespace {

// Builds a 16-bit text from ASCII pieces and single control characters.
std::u16string T(std::initializer_list<std::u16string> pieces) {
  std::u16string out;
  for (const auto& piece : pieces) out += piece;
  return out;
}
std::u16string C(char16_t c) { return std::u16string(1, c); }

constexpr char16_t kCr = 13, kLf = 10;

TEST(TextFilterTest, RemovedCharactersLeaveNoGap) {
  for (int c : {1, 8, 21, 31}) {
    EXPECT_EQ(FilterText(T({u"abc", C(static_cast<char16_t>(c)), u"def"})), u"abcdef") << c;
  }
}

// Cell and row ends, a line break and a page or section break each become one space.
TEST(TextFilterTest, CellLineAndPageMarksSeparateWords) {
  EXPECT_EQ(
      FilterText(T({u"Version", C(7), u"Date", C(7), C(7), u"1.2", C(7), u"May", C(7), C(7)})),
      u"Version Date  1.2 May  ");
  EXPECT_EQ(FilterText(T({u"alpha", C(11), u"beta", C(12), u"gamma", C(1), C(12), C(12)})),
            u"alpha beta gamma  ");
}

TEST(TextFilterTest, OtherControlCharactersAreCopied) {
  const std::u16string text = T({u"a", C(0), C(9), C(20), C(10), u"b"});
  EXPECT_EQ(FilterText(text), text);
}

TEST(TextFilterTest, ParagraphMarkAfterOrdinaryCharacterGetsLineEnd) {
  EXPECT_EQ(FilterText(T({u"Hello", C(kCr), u"World", C(kCr)})),
            T({u"Hello", C(kCr), C(kCr), C(kLf), u"World", C(kCr), C(kCr), C(kLf)}));
}

TEST(TextFilterTest, ParagraphMarkNotFoundAsNextCharacterIsPlain) {
  // At position 0, after a mark that got its line end, after a removed character.
  EXPECT_EQ(FilterText(T({C(kCr), u"a", C(kCr), C(kCr)})),
            T({C(kCr), u"a", C(kCr), C(kCr), C(kLf), C(kCr)}));
  EXPECT_EQ(FilterText(T({u"a", C(1), C(kCr), u"b"})), T({u"a", C(kCr), u"b"}));
  EXPECT_EQ(FilterText(T({u"a", C(7), C(kCr), u"b"})), T({u"a ", C(kCr), u"b"}));
}

TEST(TextFilterTest, FieldCodeIsDroppedAndResultKept) {
  EXPECT_EQ(FilterText(T({u"a", C(19), u" HYPERLINK x ", C(20), u"link", C(21), u"b", C(kCr)})),
            T({u"alinkb", C(kCr), C(kCr), C(kLf)}));
}

TEST(TextFilterTest, FieldsNestAndEachCodeEndsAtItsOwnSeparatorOrEnd) {
  // A field inside the code belongs to the code; the outer result stays.
  EXPECT_EQ(FilterText(T({u"<", C(19), u" A ", C(19), u" B ", C(20), u"inner", C(21), u" rest ",
                          C(20), u"outer", C(21), u">"})),
            u"<outer>");
  // Without a separator the whole field goes, up to its own end.
  EXPECT_EQ(FilterText(T({u"a", C(19), u" PAGE ", C(21), u"b ", C(19), u" X ", C(19), u" Y ",
                          C(21), u" Z ", C(21), u"c"})),
            u"ab c");
  // A field in a result keeps its own result; a separator outside any code is copied.
  EXPECT_EQ(FilterText(T({u"(", C(19), u"Q", C(20), u"x ", C(19), u"D", C(20), u"y", C(21),
                          C(21), C(20), u")"})),
            T({u"(x y", C(20), u")"}));
}

TEST(TextFilterTest, F11_PendingRunAtEndIsKept) {
  EXPECT_EQ(FilterText(T({u"one", C(kCr), u"two"})), T({u"one", C(kCr), C(kCr), C(kLf), u"two"}));
  EXPECT_EQ(FilterText(u"no marks at all"), u"no marks at all");
}

TEST(TextFilterTest, F11_FieldWithoutSeparatorEndsText) {
  EXPECT_EQ(FilterText(T({u"ab", C(19), u"code", C(kCr), u"more"})), u"ab");
  EXPECT_EQ(FilterText(T({C(19)})), u"");
}

TEST(TextFilterTest, OutputIsAtMostTwiceTheInput) {
  std::u16string text;
  for (int i = 0; i < 100; ++i) text += T({u"a", C(kCr)});
  EXPECT_EQ(FilterText(text).size(), 2 * text.size());
  EXPECT_EQ(FilterText(u""), u"");
}

}  // namespace
}  // namespace oru::dovrin
