#include "plugins/parser-html/char_refs.h"

#include <gtest/gtest.h>

#include <string>

#include "plugins/parser-html/char_ref_table.h"

namespace oru::ostrin {
namespace {

// What the reference at the start of `text` gives, and how many characters it took.
struct Read {
  std::u16string chars;
  size_t taken;
};
Read ReadText(std::u16string_view text, bool in_attribute = false) {
  Read read{u"", 0};
  read.taken = ReadCharRef(text, in_attribute, &read.chars);
  return read;
}

void ExpectRead(std::u16string_view text, std::u16string_view chars, size_t taken,
                bool in_attribute = false) {
  const Read read = ReadText(text, in_attribute);
  EXPECT_EQ(read.chars, chars) << std::string(text.begin(), text.end());
  EXPECT_EQ(read.taken, taken) << std::string(text.begin(), text.end());
}

TEST(CharRefsTest, NamedReferencesMatchTheLongestName) {
  ExpectRead(u"&amp; rest", u"&", 5);
  ExpectRead(u"&eacute;", u"\u00E9", 8);
  ExpectRead(u"&CounterClockwiseContourIntegral;", u"\u2233", 33);
  ExpectRead(u"&NotEqualTilde;", u"\u2242\u0338", 15);  // two characters
  ExpectRead(u"&Afr;", u"\U0001D504", 5);               // beyond the BMP
  // The old names go without ';', and match inside longer words.
  ExpectRead(u"&amp rest", u"&", 4);
  ExpectRead(u"&copy2024", u"\u00A9", 5);
  ExpectRead(u"&notit;", u"\u00AC", 4);
  ExpectRead(u"&ampx;", u"&", 4);
  // Names that need their ';', and names that are none.
  ExpectRead(u"&hellip and", u"", 0);
  ExpectRead(u"&nosuchname;", u"", 0);
  ExpectRead(u"& amp;", u"", 0);
  ExpectRead(u"&", u"", 0);
  ExpectRead(u"&Amp;", u"", 0);  // names are case-sensitive
}

TEST(CharRefsTest, AttributeValuesKeepOldNamesBeforeEqualsOrAlphanumerics) {
  ExpectRead(u"&copy=2", u"", 0, true);
  ExpectRead(u"&copyx", u"", 0, true);
  ExpectRead(u"&copy 2", u"\u00A9", 5, true);
  ExpectRead(u"&copy;=2", u"\u00A9", 6, true);
}

TEST(CharRefsTest, NumericReferencesAreFixedUpAsBrowsersDo) {
  ExpectRead(u"&#233;", u"\u00E9", 6);
  ExpectRead(u"&#xE9;", u"\u00E9", 6);
  ExpectRead(u"&#XE9 x", u"\u00E9", 5);
  ExpectRead(u"&#233x", u"\u00E9", 5);
  ExpectRead(u"&#x1F600;", u"\U0001F600", 9);
  ExpectRead(u"&#0;", u"\uFFFD", 4);
  ExpectRead(u"&#xD800;", u"\uFFFD", 8);
  ExpectRead(u"&#x110000;", u"\uFFFD", 10);
  ExpectRead(u"&#99999999999999999999;", u"\uFFFD", 23);
  ExpectRead(u"&#x80;", u"\u20AC", 6);  // Windows-1252's euro sign
  ExpectRead(u"&#150;", u"\u2013", 6);
  ExpectRead(u"&#x81;", u"\u0081", 6);  // undefined in Windows-1252: kept
  ExpectRead(u"&#;", u"", 0);
  ExpectRead(u"&#x;", u"", 0);
  ExpectRead(u"&#xG", u"", 0);
}

TEST(CharRefsTest, TableHoldsEveryNameInOrder) {
  ASSERT_EQ(kCharRefCount, 2231u);
  size_t bare_names = 0;
  for (size_t i = 0; i < kCharRefCount; ++i) {
    const std::string_view name(kCharRefNames + kCharRefs[i].name_offset, kCharRefs[i].name_length);
    if (name.back() != ';') ++bare_names;
    if (i > 0) {
      const std::string_view before(kCharRefNames + kCharRefs[i - 1].name_offset,
                                    kCharRefs[i - 1].name_length);
      EXPECT_LT(before, name);
    }
  }
  EXPECT_EQ(bare_names, 106u);
}

}  // namespace
}  // namespace oru::ostrin
