#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace oru::platform {
namespace {

TEST(IsAnsiAlphaNumericTest, FollowsUnicodeCategoriesP2) {
  EXPECT_TRUE(IsAnsiAlphaNumeric('a') && IsAnsiAlphaNumeric('Z') && IsAnsiAlphaNumeric('0'));
  EXPECT_FALSE(IsAnsiAlphaNumeric('_') || IsAnsiAlphaNumeric('-') || IsAnsiAlphaNumeric(' '));
  // Letters: A grave, sharp s, y diaeresis, ordinal indicators, micro sign, f hook, modifier
  // circumflex (Lm).
  for (int c : {0xC0, 0xDF, 0xFF, 0xAA, 0xBA, 0xB5, 0x83, 0x88}) {
    EXPECT_TRUE(IsAnsiAlphaNumeric(static_cast<uint8_t>(c))) << c;
  }
  // Not: times, divide, superscript two, one half, euro, small tilde, the undefined bytes.
  for (int c : {0xD7, 0xF7, 0xB2, 0xBD, 0x80, 0x98, 0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_FALSE(IsAnsiAlphaNumeric(static_cast<uint8_t>(c))) << c;
  }
}

TEST(IsAnsiAlphaNumericTest, AgreesWithTheWideClassOfEveryByte) {
  int count = 0;
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    const bool ansi = IsAnsiAlphaNumeric(static_cast<uint8_t>(b));
    EXPECT_EQ(ansi, IsWideAlphaNumeric(AnsiToWide(std::string_view(&byte, 1))[0])) << b;
    count += ansi ? 1 : 0;
  }
  EXPECT_EQ(count, 136);  // 62 ASCII, 9 in 0x80-0x9F, 65 in 0xA0-0xFF
}

TEST(IsWideAlphaNumericTest, LettersAndDecimalDigitsOfAnyScriptOnly) {
  // Greek, Cyrillic, CJK, Hangul; Arabic-Indic, Devanagari and fullwidth digits.
  for (char16_t c : {u'\u03B1', u'\u0416', u'\u4E2D', u'\uAC00', u'\u0661', u'\u0966', u'\uFF19'}) {
    EXPECT_TRUE(IsWideAlphaNumeric(c)) << int{c};
  }
  // Superscript two, Roman numeral, combining acute, ideographic space, private use,
  // unassigned, noncharacter, surrogates.
  for (char16_t c : {u'\u00B2', u'\u2167', u'\u0301', u'\u3000', u'\uE000', u'\u0378', u'\uFFFF',
                     static_cast<char16_t>(0xD800), static_cast<char16_t>(0xDFFF)}) {
    EXPECT_FALSE(IsWideAlphaNumeric(c)) << int{c};
  }
}

TEST(AlphaNumericClassesTest, TablesAnswerAsTheCallsDo) {
  const AlphaNumericTable table = AlphaNumericClasses();
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(table.Is(static_cast<uint8_t>(b)), IsAnsiAlphaNumeric(static_cast<uint8_t>(b))) << b;
  }
  for (int c = 0; c < 65536; ++c) {
    const auto unit = static_cast<char16_t>(c);
    ASSERT_EQ(table.Is(unit), IsWideAlphaNumeric(unit)) << c;
  }
}

}  // namespace
}  // namespace oru::platform
