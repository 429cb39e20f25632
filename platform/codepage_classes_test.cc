#include <gtest/gtest.h>

#include <string>

#include "platform/ansi_1252.h"
#include "platform/codepage.h"

namespace oru::platform {
namespace {

TEST(IsAnsiAlphaNumericTest, LettersAndDigitsOfWindows1252) {
  ORU_SKIP_UNLESS_1252();
  EXPECT_TRUE(IsAnsiAlphaNumeric('a') && IsAnsiAlphaNumeric('Z') && IsAnsiAlphaNumeric('0'));
  EXPECT_FALSE(IsAnsiAlphaNumeric('_') || IsAnsiAlphaNumeric('-') || IsAnsiAlphaNumeric(' '));
  // Letters: A grave, sharp s, y diaeresis, ordinal indicators, micro sign, f hook, modifier
  // circumflex (Lm).
  for (int c : {0xC0, 0xDF, 0xFF, 0xAA, 0xBA, 0xB5, 0x83, 0x88}) {
    EXPECT_TRUE(IsAnsiAlphaNumeric(static_cast<uint8_t>(c))) << c;
  }
  // Not: times, divide, one half, euro, small tilde, the undefined bytes.
  for (int c : {0xD7, 0xF7, 0xBD, 0x80, 0x98, 0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_FALSE(IsAnsiAlphaNumeric(static_cast<uint8_t>(c))) << c;
  }
  // Superscript one, two and three: digits to Windows (C1_DIGIT), not decimal digits (Nd) on POSIX.
  for (int c : {0xB9, 0xB2, 0xB3}) {
#ifdef _WIN32
    EXPECT_TRUE(IsAnsiAlphaNumeric(static_cast<uint8_t>(c))) << c;
#else
    EXPECT_FALSE(IsAnsiAlphaNumeric(static_cast<uint8_t>(c))) << c;
#endif
  }
}

TEST(IsAnsiAlphaNumericTest, AgreesWithTheWideClassOfEveryByte) {
  ORU_SKIP_UNLESS_1252();
  int count = 0;
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    const bool ansi = IsAnsiAlphaNumeric(static_cast<uint8_t>(b));
    EXPECT_EQ(ansi, IsWideAlphaNumeric(AnsiToWide(std::string_view(&byte, 1))[0])) << b;
    count += ansi ? 1 : 0;
  }
  // 62 ASCII, 9 in 0x80-0x9F, 65 in 0xA0-0xFF; and on Windows the three superscript digits.
#ifdef _WIN32
  EXPECT_EQ(count, 136 + 3);
#else
  EXPECT_EQ(count, 136);
#endif
}

TEST(IsWideAlphaNumericTest, LettersAndDecimalDigitsOfAnyScriptOnly) {
  // Greek, Cyrillic, CJK, Hangul; Arabic-Indic, Devanagari and fullwidth digits.
  for (char16_t c : {u'\u03B1', u'\u0416', u'\u4E2D', u'\uAC00', u'\u0661', u'\u0966', u'\uFF19'}) {
    EXPECT_TRUE(IsWideAlphaNumeric(c)) << int{c};
  }
  // Combining acute, ideographic space, private use, unassigned, noncharacter, surrogates.
  for (char16_t c : {u'\u0301', u'\u3000', u'\uE000', u'\u0378', u'\uFFFF',
                     static_cast<char16_t>(0xD800), static_cast<char16_t>(0xDBFF),
                     static_cast<char16_t>(0xDC00), static_cast<char16_t>(0xDFFF)}) {
    EXPECT_FALSE(IsWideAlphaNumeric(c)) << int{c};
  }
#ifdef _WIN32
  EXPECT_TRUE(IsWideAlphaNumeric(u'\u00B2'));  // superscript two is a digit to Windows
#else
  // POSIX: neither superscript two (No) nor a Roman numeral (Nl) is a letter or decimal digit.
  EXPECT_FALSE(IsWideAlphaNumeric(u'\u00B2'));
  EXPECT_FALSE(IsWideAlphaNumeric(u'\u2167'));
#endif
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
