#include "plugins/parser-common/word_rule.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/codepage.h"

namespace oru::parser {
namespace {

// A word as the caller sees it: its bytes and the Position after the call.
using Word = std::pair<std::string, uint32_t>;

WordRecord FreshRecord(uint32_t capacity = 128) {
  WordRecord rec;
  std::memset(&rec, 0, sizeof rec);
  rec.Capacity = capacity;
  return rec;
}

// Every word of an 8-bit text, driven the way the indexer drives a plug-in.
std::vector<Word> Words8(const std::string& text) {
  const auto* chars = reinterpret_cast<const uint8_t*>(text.data());
  std::vector<Word> words;
  WordRecord rec = FreshRecord();
  while (NextWordInto(chars, static_cast<uint32_t>(text.size()), &rec)) {
    words.emplace_back(std::string(reinterpret_cast<char*>(rec.Buffer), rec.Length), rec.Position);
  }
  return words;
}

// The same over the text widened unit by unit (every byte below 0x100 is its own code point);
// the words come back narrowed, so both forms compare with the same expectations.
std::vector<Word> Words16(const std::string& text) {
  std::u16string wide;
  for (unsigned char c : text) wide.push_back(c);
  std::vector<Word> words;
  WordRecord rec = FreshRecord();
  while (NextWordInto(wide.data(), static_cast<uint32_t>(wide.size()), &rec)) {
    EXPECT_EQ(rec.Length % 2, 0);
    std::string narrow;
    for (size_t i = 0; i + 1 < rec.Length; i += 2) {
      EXPECT_EQ(rec.Buffer[i + 1], 0) << "a unit above 0xFF";
      narrow.push_back(static_cast<char>(rec.Buffer[i]));
    }
    words.emplace_back(narrow, rec.Position);
  }
  return words;
}

// Compares the fields a call may write; the alignment gaps are nobody's.
void ExpectSameRecord(const WordRecord& a, const WordRecord& b) {
  EXPECT_EQ(std::memcmp(a.Buffer, b.Buffer, sizeof a.Buffer), 0);
  EXPECT_EQ(a.Length, b.Length);
  EXPECT_EQ(a.Position, b.Position);
  EXPECT_EQ(a.Capacity, b.Capacity);
}

void ExpectWords(const std::string& text, const std::vector<Word>& expected) {
  EXPECT_EQ(Words8(text), expected) << "8-bit text '" << text << "'";
  EXPECT_EQ(Words16(text), expected) << "16-bit text '" << text << "'";
}

TEST(WordRuleTest, SkipsSingleCharacterRuns) {
  ExpectWords("ab x cd", {{"ab", 2}, {"cd", 7}});
  ExpectWords("x y z", {{"z", 5}});
  ExpectWords(" q  ", {});
  ExpectWords("", {});
}

TEST(WordRuleTest, ReturnsSingleCharacterRightBeforeTheEnd) {
  ExpectWords("ab x", {{"ab", 2}, {"x", 4}});
  ExpectWords("x", {{"x", 1}});
}

TEST(WordRuleTest, HyphenAndUnderscoreJoinButDoubledOnesSeparate) {
  ExpectWords("well-known snake_case", {{"well-known", 10}, {"snake_case", 21}});
  ExpectWords("a--b", {{"-b", 4}});
  ExpectWords("a__b", {{"_b", 4}});
  ExpectWords("ab--cd", {{"ab", 2}, {"-cd", 6}});
  ExpectWords("word- next", {{"word-", 5}, {"next", 10}});
  ExpectWords("end_", {{"end_", 4}});
}

TEST(WordRuleTest, Windows1252LettersAreWordCharactersButTimesSignIsNot) {
  ExpectWords("caf\xE9 na\xEFve \xC6sir", {{"caf\xE9", 4}, {"na\xEFve", 10}, {"\xC6sir", 15}});
  ExpectWords(
      "ab\xD7"
      "cd",
      {{"ab", 2}, {"cd", 5}});
  ExpectWords(
      "12\xF7"
      "34",
      {{"12", 2}, {"34", 5}});  // division sign
}

TEST(WordRuleTest, LongWordIsCutToCapacityAndPositionMovesPastAllOfIt) {
  const std::string word(70, 'w');
  const std::string text = word + " tail";
  EXPECT_EQ(Words8(text), (std::vector<Word>{{word, 70}, {"tail", 75}}));
  // 70 characters of 16-bit text are 140 bytes: the buffer takes the first 64.
  EXPECT_EQ(Words16(text), (std::vector<Word>{{std::string(64, 'w'), 70}, {"tail", 75}}));
}

TEST(WordRuleTest, SmallCapacityCutsTheWord) {
  const auto* text = reinterpret_cast<const uint8_t*>("alphabet");
  WordRecord rec = FreshRecord(3);
  ASSERT_TRUE(NextWordInto(text, 8, &rec));
  EXPECT_EQ(rec.Length, 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(rec.Buffer), 3), "alp");
  EXPECT_EQ(rec.Position, 8u);
}

// A Capacity above the buffer's 128 bytes never lets a word spill over the record.
TEST(WordRuleTest, CapacityAbove128CopiesAtMost128Bytes) {
  struct Guarded {
    WordRecord rec;
    uint8_t guard[64];
  };
  const std::string text8(200, 'k');
  const std::u16string text16(100, u'k');
  for (bool wide : {false, true}) {
    Guarded g;
    std::memset(&g, 0xA5, sizeof g);
    g.rec.Capacity = 100000;
    g.rec.Position = 0;
    const bool found =
        wide ? NextWordInto(text16.data(), 100, &g.rec)
             : NextWordInto(reinterpret_cast<const uint8_t*>(text8.data()), 200, &g.rec);
    ASSERT_TRUE(found);
    EXPECT_EQ(g.rec.Length, 128);
    EXPECT_EQ(g.rec.Position, wide ? 100u : 200u);
    EXPECT_EQ(g.rec.IsWide, 0xA5) << "the rule leaves IsWide to the plug-in";
    for (uint8_t b : g.guard) ASSERT_EQ(b, 0xA5);
  }
}

TEST(WordRuleTest, PositionAtOrPastTheEndFindsNothingAndLeavesTheRecord) {
  const auto* text = reinterpret_cast<const uint8_t*>("ab cd");
  const std::u16string wide = u"ab cd";
  for (uint32_t position : {5u, 6u, 0xFFFFFFFFu}) {
    WordRecord rec = FreshRecord();
    std::memset(rec.Buffer, 'z', sizeof rec.Buffer);
    rec.Length = 7;
    rec.Position = position;
    const WordRecord before = rec;
    EXPECT_FALSE(NextWordInto(text, 5, &rec));
    ExpectSameRecord(rec, before);
    EXPECT_FALSE(NextWordInto(wide.data(), 5, &rec));
    ExpectSameRecord(rec, before);
  }
  // No word left after the position: the record stays as it was, too.
  WordRecord rec = FreshRecord();
  rec.Position = 3;
  const WordRecord before = rec;
  EXPECT_FALSE(NextWordInto(reinterpret_cast<const uint8_t*>("ab x  "), 6, &rec));
  ExpectSameRecord(rec, before);
}

// Callers clear the buffer and read a 16-bit word up to its first zero unit, so no byte past
// the word may be written but a zero, whatever the word's size and the text after it.
TEST(WordRuleTest, BytesPastTheWordAreKeptOrCleared) {
  for (uint32_t size = 2; size <= 40; ++size) {
    const std::u16string wide = std::u16string(size, u'w') + u" " + std::u16string(40, u'x');
    const std::string narrow = std::string(size, 'w') + " " + std::string(40, 'x');
    for (bool is_wide : {false, true}) {
      WordRecord rec = FreshRecord();
      std::memset(rec.Buffer, 0xA5, sizeof rec.Buffer);
      const auto n = static_cast<uint32_t>(wide.size());
      ASSERT_TRUE(is_wide ? NextWordInto(wide.data(), n, &rec)
                          : NextWordInto(reinterpret_cast<const uint8_t*>(narrow.data()), n, &rec));
      ASSERT_EQ(rec.Length, is_wide ? 2 * size : size);
      for (size_t k = rec.Length; k < sizeof rec.Buffer; ++k) {
        ASSERT_TRUE(rec.Buffer[k] == 0xA5 || rec.Buffer[k] == 0) << "size " << size << " at " << k;
      }
    }
  }
}

// The words of a text as the rule defines them, one character at a time.
template <typename Char>
std::vector<std::pair<uint32_t, uint32_t>> ReferenceWords(const std::basic_string<Char>& text) {
  const platform::AlphaNumericTable classes = platform::AlphaNumericClasses();
  const auto n = static_cast<uint32_t>(text.size());
  const auto is_word = [&](uint32_t k) {
    const Char c = text[k];
    if (classes.Is(c)) return true;
    if (c != '_' && c != '-') return false;
    return (k + 1 < n ? text[k + 1] : Char{0}) != c;
  };
  std::vector<std::pair<uint32_t, uint32_t>> words;
  for (uint32_t k = 0; k < n;) {
    if (!is_word(k)) {
      ++k;
      continue;
    }
    const uint32_t start = k;
    while (k < n && is_word(k)) ++k;
    if (k == n || k - start >= 2) words.emplace_back(start, k);
  }
  return words;
}

template <typename Char>
std::vector<std::pair<uint32_t, uint32_t>> FoundWords(const std::basic_string<Char>& text) {
  std::vector<std::pair<uint32_t, uint32_t>> words;
  WordSpan word;
  for (uint32_t at = 0; FindNextWord(text.data(), static_cast<uint32_t>(text.size()), at, &word);
       at = word.end) {
    words.emplace_back(word.start, word.end);
  }
  return words;
}

// The words of a 16-bit text through its marks.
std::vector<std::pair<uint32_t, uint32_t>> MarkedWords(const std::u16string& text) {
  WordMarks marks;
  const auto n = static_cast<uint32_t>(text.size());
  marks.Mark(text.data(), n);
  std::vector<std::pair<uint32_t, uint32_t>> words;
  WordRecord rec = FreshRecord();
  while (marks.NextWordInto(text.data(), n, &rec)) {
    words.emplace_back(rec.Position - rec.Length / 2, rec.Position);
  }
  return words;
}

// Long texts mixing ASCII with the characters that ASCII's quick rule cannot decide (joiners,
// letters and non-letters above 0x7F, units above 0x7FFF) give the words the rule defines,
// found directly and through the text's marks.
TEST(WordRuleTest, LongMixedTextsFindTheWordsOfTheRule) {
  const char16_t wide_pool[] = {u'a',   u'Z',    u'5',    u' ',    u'.',    u'-',    u'_',
                                u'\n', 0x00E9,  0x00D7,  0x00A0,  0x03A9,  0x2019,  0x4E2D,
                                0xAC00, 0xFF0C,  0xD83D,  0x0080,  0x00FF,  0x0100,  0x7FFF, 0xFFFF};
  const uint8_t narrow_pool[] = {'a', 'Z', '5', ' ', '.', '-', '_', '\n', 0xE9, 0xD7, 0xA0, 0x80};
  uint32_t seed = 12345;
  const auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245 + 12345;
    return (seed >> 8) % n;
  };
  for (int round = 0; round < 300; ++round) {
    // Mostly ASCII letters, so that words span blocks; the rest drawn from the pools.
    const uint32_t length = next(300);
    std::u16string wide;
    std::basic_string<uint8_t> narrow;
    for (uint32_t k = 0; k < length; ++k) {
      const bool letter = next(3) != 0;
      wide.push_back(letter ? static_cast<char16_t>('a' + next(26))
                            : wide_pool[next(std::size(wide_pool))]);
      narrow.push_back(letter ? static_cast<uint8_t>('A' + next(26))
                              : narrow_pool[next(std::size(narrow_pool))]);
    }
    const auto expected = ReferenceWords(wide);
    ASSERT_EQ(FoundWords(wide), expected) << "round " << round;
    ASSERT_EQ(MarkedWords(wide), expected) << "round " << round;
    ASSERT_EQ(FoundWords(narrow), ReferenceWords(narrow)) << "round " << round;
  }
}

}  // namespace
}  // namespace oru::parser
