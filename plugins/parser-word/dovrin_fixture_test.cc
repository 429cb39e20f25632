// Dovrin over Word 97 documents written by LibreOffice (testdata/README.md tells how they were
// made). The words Dovrin hands out are compared with the words of antiword's text of the same
// document, split by the same word rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "plugins/parser-common/word_rule.h"
#include "plugins/parser-word/test_doc.h"

namespace oru::dovrin::test {
namespace {

using WordSet = std::set<std::u16string>;

std::string TestData(const std::string& name) { return ORU_DOVRIN_TESTDATA "/" + name; }

// Lower case for the letters these documents use: Basic Latin, Latin-1, Greek and Cyrillic
// capitals without accents; both sides of a comparison go through it.
char16_t Lower(char16_t c) {
  const bool latin = (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
  const bool greek = c >= 0x391 && c <= 0x3A9 && c != 0x3A2;
  const bool cyrillic = c >= 0x410 && c <= 0x42F;
  if (latin || greek || cyrillic) return static_cast<char16_t>(c + 0x20);
  if (c == 0x152) return 0x153;  // OE
  return c;
}

std::u16string Lower(std::u16string word) {
  std::transform(word.begin(), word.end(), word.begin(), [](char16_t c) { return Lower(c); });
  return word;
}

// UTF-8 to UTF-16 for characters of the Basic Multilingual Plane.
std::u16string FromUtf8(const std::string& bytes) {
  std::u16string out;
  for (size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    const size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : 3;
    char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : (b & 0x0F);
    for (size_t k = 1; k < n && i + k < bytes.size(); ++k) {
      c = (c << 6) | (static_cast<uint8_t>(bytes[i + k]) & 0x3F);
    }
    out += static_cast<char16_t>(c);
    i += n;
  }
  return out;
}

WordSet AntiwordWords(const std::string& file, bool utf8) {
  std::string bytes;
  EXPECT_EQ(platform::ReadWholeFile(TestData(file), &bytes), platform::Result::kOk) << file;
  const std::u16string text = utf8 ? FromUtf8(bytes) : platform::AnsiToWide(bytes);
  WordSet words;
  parser::WordSpan span;
  for (uint32_t at = 0;
       parser::FindNextWord(text.data(), static_cast<uint32_t>(text.size()), at, &span);
       at = span.end) {
    words.insert(Lower(text.substr(span.start, span.end - span.start)));
  }
  return words;
}

WordSet Minus(const WordSet& a, const WordSet& b) {
  WordSet out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
  return out;
}

struct Fixture {
  const char* name;
  bool utf8_antiword;  // compare with NAME.antiword.utf8.txt (text outside Windows-1252)
  size_t min_words;    // distinct words at least
  // The explained differences (see testdata/README.md): words only one side has.
  WordSet only_dovrin;
  WordSet only_antiword;
};

const Fixture kFixtures[] = {
    {"plain", false, 70, {}, {}},
    {"accents", false, 70, {}, {}},
    {"breaks", false, 30, {}, {}},
    {"greek", true, 20, {}, {}},
    {"oneline", false, 5, {}, {}},
    {"hyperlink", false, 15, {}, {}},
    {"long", false, 130, {}, {}},
    // Cell marks (7) are removed without a gap, so the nine cells and the first word after the
    // table join into one word; antiword lays the cells out between bars.
    {"table",
     false,
     15,
     {u"applebreadcheeseriverstoneforestyellowsilverpurplethe"},
     {u"apple", u"bread", u"cheese", u"river", u"stone", u"forest", u"yellow", u"silver",
      u"purple"}},
};

void PrintTo(const Fixture& fixture, std::ostream* out) { *out << fixture.name; }

class DovrinFixtureTest : public ::testing::TestWithParam<Fixture> {
 protected:
  void TearDown() override { p_.stop(); }
  Plugin& p_ = Plugin::Get();
};

// The originals keep the WordDocument stream where LibreOffice put it; their byte 512 is part
// of the compound file's allocation table, not 0xA5EC, so they are refused.
TEST_P(DovrinFixtureTest, OriginalIsRefused) {
  const std::string path = TestData(std::string(GetParam().name) + ".doc");
  ASSERT_TRUE(platform::FileExists(path)) << path;
  EXPECT_FALSE(p_.parse(path.c_str(), "MSWord Files"));
}

TEST_P(DovrinFixtureTest, RelaidCopyGivesAntiwordsWords) {
  const Fixture& fixture = GetParam();
  const std::string path = TestData(std::string(fixture.name) + ".first.doc");
  ASSERT_TRUE(p_.parse(path.c_str(), "MSWord Files")) << path;
  WordSet dovrin;
  for (const auto& word : p_.Words()) dovrin.insert(Lower(word));
  const std::string antiword_file =
      std::string(fixture.name) + (fixture.utf8_antiword ? ".antiword.utf8.txt" : ".antiword.txt");
  const WordSet antiword = AntiwordWords(antiword_file, fixture.utf8_antiword);
  EXPECT_GE(dovrin.size(), fixture.min_words);
  EXPECT_EQ(Minus(dovrin, antiword), fixture.only_dovrin);
  EXPECT_EQ(Minus(antiword, dovrin), fixture.only_antiword);
}

INSTANTIATE_TEST_SUITE_P(LibreOffice, DovrinFixtureTest, ::testing::ValuesIn(kFixtures),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace oru::dovrin::test
