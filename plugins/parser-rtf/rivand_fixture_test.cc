// Rivand over documents written by LibreOffice, pandoc and by hand in the manner of older word
// processors (testdata/make-*.{sh,py}): its words against the words of LibreOffice's own plain
// text of the same document (NAME.lo.txt), split by the same word rule. What differs is listed.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <ostream>
#include <set>
#include <string>

#include "platform/files.h"
#include "plugins/parser-common/text_decode.h"
#include "plugins/parser-common/word_rule.h"
#include "plugins/parser-rtf/rivand_test_plugin.h"

namespace oru::rivand::test {
namespace {

using WordSet = std::set<std::u16string>;

std::string TestData(const std::string& name) { return ORU_RIVAND_TESTDATA "/" + name; }

WordSet ConverterWords(const std::string& name) {
  std::string bytes;
  EXPECT_EQ(platform::ReadWholeFile(TestData(name + ".lo.txt"), &bytes), platform::Result::kOk);
  std::u16string text;
  parser::AppendDecoded(parser::kUtf8, bytes, &text);
  WordSet words;
  parser::WordSpan w;
  for (uint32_t at = 0; parser::FindNextWord(text.data(), uint32_t(text.size()), at, &w);
       at = w.end) {
    words.insert(text.substr(w.start, w.end - w.start));
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
  WordSet only_rivand;     // LibreOffice's plain text leaves out the document's properties,
                           // headers, footers, footnotes and text boxes
  WordSet only_converter;  // footnote marks glued to the word before them
};
void PrintTo(const Fixture& fixture, std::ostream* out) { *out << fixture.name; }

const Fixture kFixtures[] = {
    {"writer-report",
     {u"Grain", u"diverted", u"eastern", u"exporters", u"railway", u"Shipping"},
     {}},
    {"writer-languages", {}, {}},
    {"writer-long", {}, {}},
    {"writer-layout",
     {u"Lighthouse", u"Keeping", u"Manual",   u"Maintenance",  u"routines", u"lamps",
      u"Hedda",      u"Brandt",  u"Draft",    u"for",          u"coastal",  u"board",
      u"Coastal",    u"Board",   u"Header",   u"Confidential", u"footer",   u"notice",
      u"morning",    u"Use",     u"only",     u"chamois",      u"leather",  u"on",
      u"prisms",     u"Sidebar", u"reminder", u"about",        u"kerosene"},
     {u"morning1"}},
    {"pandoc-report", {u"Grain", u"diverted", u"eastern", u"exporters", u"railway"}, {}},
    {"pandoc-languages", {}, {}},
    {"pandoc-long", {}, {}},
    {"hand-word2003",
     {u"Expedition", u"Log", u"Svalbard", u"Kjell", u"\u00C5sen", u"Institute", u"letterhead",
      u"Page", u"high", u"Measured", u"hand", u"anemometer", u"Polar", u"bear", u"sighted", u"hut"},
     {u"high1"}},
    {"hand-wordpad-cp1251", {}, {}},
    {"hand-wordpad-shiftjis", {}, {}},
    {"hand-mac-word5",
     {u"Recipe", u"Collection", u"Am\u00E9lie", u"Dupr\u00E9", u"Kitchen", u"notebook", u"page"},
     {}},
};

class RivandFixtureTest : public ::testing::TestWithParam<Fixture> {};

TEST_P(RivandFixtureTest, WordsMatchTheConverterExceptWhereExplained) {
  LoadedPlugin& p = ThePlugin();
  const Fixture& fixture = GetParam();
  ASSERT_TRUE(p.parse(TestData(fixture.name + ".rtf").c_str(), "Rich Text Files"));
  const Words list = p.Words();
  p.stop();
  const WordSet rivand(list.begin(), list.end());
  const WordSet converter = ConverterWords(fixture.name);
  EXPECT_GT(converter.size(), 10u);
  EXPECT_EQ(Minus(rivand, converter), fixture.only_rivand);
  EXPECT_EQ(Minus(converter, rivand), fixture.only_converter);
}

INSTANTIATE_TEST_SUITE_P(Documents, RivandFixtureTest, ::testing::ValuesIn(kFixtures),
                         [](const auto& param_info) {
                           std::string name = param_info.param.name;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
}  // namespace oru::rivand::test
