// Dovrin over Word 97 documents written by LibreOffice (testdata/README.md tells how they were
// made): its words, lower-cased, against the words of antiword's text of the same document
// split by the same word rule. Then over the documents make-piece-fixtures.py writes, whose
// text lies in pieces: the words each must give.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "plugins/parser-common/word_rule.h"
#include "plugins/parser-word/test_plugin.h"

namespace oru::dovrin::test {
namespace {

using WordSet = std::set<std::u16string>;

std::string TestData(const std::string& name) { return ORU_DOVRIN_TESTDATA "/" + name; }

// Lower case for the capitals these documents use: Latin-1, Greek and Cyrillic.
std::u16string Lower(std::u16string word) {
  for (char16_t& c : word) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F)) {
      c = static_cast<char16_t>(c + 0x20);
    }
  }
  return word;
}

WordSet AntiwordWords(const std::string& name) {
  std::string bytes;
  EXPECT_EQ(platform::ReadWholeFile(TestData(name + ".antiword.txt"), &bytes),
            platform::Result::kOk);
  const std::u16string text = platform::AnsiToWide(bytes);
  WordSet words;
  parser::WordSpan w;
  for (uint32_t at = 0; parser::FindNextWord(text.data(), uint32_t(text.size()), at, &w);
       at = w.end) {
    words.insert(Lower(text.substr(w.start, w.end - w.start)));
  }
  return words;
}

WordSet Minus(const WordSet& a, const WordSet& b) {
  WordSet out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
  return out;
}

struct Fixture {
  std::string name;
  WordSet only_dovrin;  // the explained differences (testdata/README.md)
  WordSet only_antiword;
};
void PrintTo(const Fixture& fixture, std::ostream* out) { *out << fixture.name; }

const Fixture kFixtures[] = {
    {"plain", {}, {}},
    {"accents", {}, {}},
    {"breaks", {}, {}},
    {"oneline", {}, {}},
    {"hyperlink", {}, {}},
    {"long", {}, {}},
    // The Greek and the Cyrillic word have no Windows-1252 form: antiword's text has '?' there.
    {"greek",
     {u"\u03B8\u03AC\u03BB\u03B1\u03C3\u03C3\u03B1", u"\u0431\u0435\u0440\u0435\u0433"},
     {}},
    {"table", {}, {}},
    {"separators", {}, {}},
};

class DovrinFixtureTest : public ::testing::TestWithParam<Fixture> {
 protected:
  void TearDown() override { p_.stop(); }
  Plugin& p_ = Plugin::Get();
};

// The originals keep the WordDocument stream wherever the compound file put it (byte 512 holds
// the allocation table); their re-laid copies keep it at byte 512. Both give the same text.
TEST_P(DovrinFixtureTest, OriginalGivesWhatItsRelaidCopyGives) {
  struct Parsed {
    std::vector<std::u16string> words;
    std::vector<uint32_t> ends;
    std::vector<std::tuple<bool, uint32_t, uint32_t, std::u16string>> fragments;
  };
  auto parse = [&](const std::string& file) {
    Parsed out;
    EXPECT_TRUE(p_.parse(TestData(GetParam().name + file).c_str(), "MSWord Files")) << file;
    out.words = p_.Words(&out.ends);
    const uint32_t end = out.ends.empty() ? 0 : out.ends.back();
    for (uint32_t position : {0u, end / 3, end / 2, end - 1}) {
      for (uint32_t size : {40u, 1000u}) {
        std::u16string text(size, u'#');
        FragmentRecord rec{position, 0, size, 0, text.data(), 0};
        const bool ok = p_.fragment(&rec);
        out.fragments.emplace_back(ok, rec.Position, rec.Length, text);
      }
    }
    p_.stop();
    return out;
  };
  const Parsed relaid = parse(".first.doc"), original = parse(".doc");
  EXPECT_GE(original.words.size(), 5u);
  EXPECT_EQ(original.words, relaid.words);
  EXPECT_EQ(original.ends, relaid.ends);
  EXPECT_EQ(original.fragments, relaid.fragments);
}

TEST_P(DovrinFixtureTest, GivesAntiwordsWords) {
  const WordSet antiword = AntiwordWords(GetParam().name);
  for (const char* file : {".doc", ".first.doc"}) {
    ASSERT_TRUE(p_.parse(TestData(GetParam().name + file).c_str(), "MSWord Files")) << file;
    WordSet dovrin;
    for (const auto& word : p_.Words()) dovrin.insert(Lower(word));
    EXPECT_GE(dovrin.size(), 5u) << file;
    EXPECT_EQ(Minus(dovrin, antiword), GetParam().only_dovrin) << file;
    EXPECT_EQ(Minus(antiword, dovrin), GetParam().only_antiword) << file;
  }
}

INSTANTIATE_TEST_SUITE_P(LibreOffice, DovrinFixtureTest, ::testing::ValuesIn(kFixtures),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

// The last word of a table cell (of a nested table too), and the words before a line break, a
// page break and a section break, each end there.
TEST(DovrinSeparatorsTest, CellsAndBreaksEndWords) {
  Plugin& p = Plugin::Get();
  const std::vector<std::u16string> words = {
      u"Release", u"sheet",  u"Version", u"Date",    u"Owner",   u"Harbour", u"Monday",  u"Lantern",
      u"Anchor",  u"Pebble", u"Meadow",  u"Orchard", u"Tiger",   u"lily",    u"Page",    u"break",
      u"after",   u"ivory",  u"jasmine", u"opens",   u"page",    u"two",     u"Section", u"ends",
      u"with",    u"copper", u"saffron", u"opens",   u"section", u"two"};
  for (const char* file : {"separators.doc", "separators.first.doc"}) {
    ASSERT_TRUE(p.parse(TestData(file).c_str(), "MSWord Files")) << file;
    EXPECT_EQ(p.Words(), words) << file;
    p.stop();
  }
}

// A generated document and its words; no words: the document is refused.
struct Generated {
  std::string name;
  std::vector<std::u16string> words;
};
void PrintTo(const Generated& doc, std::ostream* out) { *out << doc.name; }

std::vector<Generated> GeneratedDocuments() {
  std::vector<Generated> docs = {
      {"fields", {u"Visit", u"our", u"website", u"today", u"Page", u"ends", u"See", u"section",
                  u"three"}},
      {"nested-fields", {u"Before", u"Madam", u"after", u"last", u"outer", u"inner", u"kept"}},
      {"pieces",
       {u"Greek", u"\u03B8\u03AC\u03BB\u03B1\u03C3\u03C3\u03B1", u"first", u"caf\u00E9", u"second",
        u"\u0431\u0435\u0440\u0435\u0433", u"third", u"na\u00EFve", u"fourth"}},
      {"fastsaved", {u"Original", u"draft", u"paragraph", u"revised", u"wording", u"appended"}},
      {"encrypted", {}},
      {"obfuscated-flag-alone", {u"Obfuscation", u"flag", u"alone", u"readable"}},
      {"word95", {u"Word95", u"pieces", u"la", u"carte"}},  // "\u00E0" is one letter
      {"word95-plain", {u"Word95", u"full", u"save", u"caf\u00E9"}},
      {"word95-russian", {u"\u041F\u0440\u0438\u043B\u043E\u0436\u0435\u043D\u0438\u0435",
                          u"\u0434\u043E\u0433\u043E\u0432\u043E\u0440\u0443"}},
      {"word95-greek", {u"\u0391\u03BD\u03AC\u03BB\u03C5\u03C3\u03B7", u"\u03C7\u03B8\u03B5\u03C2"}},
  };
  // A piece table that cannot be used leaves the fcMin..fcMac region.
  for (const char* malformed : {"past-stream", "cp-order", "clx-tail", "no-piece-list",
                                "size-overflow", "cp-overflow", "overlapping", "no-table"}) {
    docs.push_back({std::string("malformed-") + malformed, {u"Region", u"words", u"only"}});
  }
  return docs;
}

class DovrinPieceTest : public ::testing::TestWithParam<Generated> {
 protected:
  void TearDown() override { p_.stop(); }
  Plugin& p_ = Plugin::Get();
};

TEST_P(DovrinPieceTest, GivesTheWordsOfItsPieces) {
  const bool parsed =
      p_.parse(TestData("pieces/" + GetParam().name + ".doc").c_str(), "MSWord Files");
  EXPECT_EQ(parsed, !GetParam().words.empty());
  if (parsed) {
    EXPECT_EQ(p_.Words(), GetParam().words);
  }
}

INSTANTIATE_TEST_SUITE_P(Generated, DovrinPieceTest, ::testing::ValuesIn(GeneratedDocuments()),
                         [](const auto& param_info) {
                           std::string name = param_info.param.name;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
}  // namespace oru::dovrin::test

namespace oru::dovrin::test {
namespace {

// An encrypted Office Open XML package saved as .doc (a compound file of EncryptionInfo and
// EncryptedPackage, made by parser-ooxml/testdata/make-damaged.py) is refused, not read as junk.
TEST(DovrinEncryptedPackageTest, IsRefused) {
  Plugin& p = Plugin::Get();
  EXPECT_FALSE(p.parse(TestData("encrypted-package.doc").c_str(), "MSWord Files"));
  p.stop();
}

}  // namespace
}  // namespace oru::dovrin::test
