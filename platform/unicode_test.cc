#include "platform/unicode.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#endif

namespace oru::platform {
namespace {

// The same answers on every platform, for characters of many scripts.
TEST(UnicodeTest, FoldsCaseAndKnowsThePairedScripts) {
  struct Case {
    char16_t c;
    char16_t folded;
    bool paired;
  };
  const Case cases[] = {
      {u'A', u'a', false},           {u'z', u'z', false},           {u'\u00C9', u'\u00E9', false},
      {u'\u00DF', u'\u00DF', false},  // sharp s has no simple folding
      {u'\u1E9E', u'\u00DF', false},  // capital sharp s
      {u'\u0130', u'\u0130', false},  // Turkish capital I with dot: no simple folding
      {u'\u0131', u'\u0131', false},  // dotless i
      {u'\u0141', u'\u0142', false},  // Polish L with stroke
      {u'\u010C', u'\u010D', false},  // Czech C with caron
      {u'\u03A3', u'\u03C3', false}, {u'\u03C2', u'\u03C3', false},  // sigma, final sigma
      {u'\u0416', u'\u0436', false}, {u'\u0404', u'\u0454', false},  // Cyrillic, Ukrainian
      {u'\u0531', u'\u0561', false},                                 // Armenian
      {u'\u10A0', u'\u2D00', false},                                 // Georgian
      {u'\uFF21', u'\uFF41', false},                                 // fullwidth A
      {u'\u05D0', u'\u05D0', false}, {u'\u0627', u'\u0627', false},  // Hebrew, Arabic
      {u'\u0E01', u'\u0E01', false},                                 // Thai: runs, not pairs
      {u'\u4E2D', u'\u4E2D', true},  {u'\u3042', u'\u3042', true},   // Han, Hiragana
      {u'\u30AB', u'\u30AB', true},  {u'\u30FC', u'\u30FC', true},   // Katakana, long vowel
      {u'\uFF76', u'\uFF76', true},  {u'\uAC00', u'\uAC00', true},   // halfwidth Kana, Hangul
      {u'\u3005', u'\u3005', true},  {u'\uF900', u'\uF900', true},   // iteration mark, compat
      {u'\u3000', u'\u3000', false}, {u'\u3002', u'\u3002', false},  // ideographic space, stop
  };
  for (const Case& test : cases) {
    EXPECT_EQ(int{FoldCase(test.c)}, int{test.folded}) << std::hex << int{test.c};
    EXPECT_EQ(IsPairedScript(test.c), test.paired) << std::hex << int{test.c};
  }
}

#ifndef _WIN32
// The tables are ICU's, for every 16-bit character assigned before Unicode 15.
TEST(UnicodeTest, AgreesWithIcuOnEveryCharacter) {
  for (UChar32 c = 0; c < 0x10000; ++c) {
    UVersionInfo age;
    u_charAge(c, age);
    if (u_charType(c) == U_UNASSIGNED || age[0] >= 15 || (c >= 0xD800 && c <= 0xDFFF)) continue;
    const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    ASSERT_EQ(FoldCase(static_cast<char16_t>(c)), folded > 0xFFFF ? c : folded) << c;
    if ((U_GET_GC_MASK(c) & U_GC_L_MASK) == 0) continue;
    const bool paired =
        uscript_hasScript(c, USCRIPT_HAN) || uscript_hasScript(c, USCRIPT_HIRAGANA) ||
        uscript_hasScript(c, USCRIPT_KATAKANA) || uscript_hasScript(c, USCRIPT_HANGUL);
    ASSERT_EQ(IsPairedScript(static_cast<char16_t>(c)), paired) << c;
  }
}
#endif

}  // namespace
}  // namespace oru::platform
