// Quillet through its exports, as the indexer loads it: the descriptor, fixtures made by
// word processors, and files it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/test_folder.h"
#include "plugins/parser-common/loaded_plugin.h"

namespace oru::parser::test {
namespace {

using Words = std::vector<std::u16string>;

bool Has(const Words& words, const std::u16string& word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

std::string Fixture(const char* name) { return std::string(ORU_QUILLET_TESTDATA) + "/" + name; }

class QuilletTest : public ::testing::Test {
 protected:
  LoadedPlugin plugin_{ORU_QUILLET_LIBRARY};
  platform::TestFolder dir_;
};

TEST_F(QuilletTest, DescriptorNamesTheThreeKinds) {
  ASSERT_TRUE(plugin_.Loaded());
  std::string block(2080, '\xFF');
  ASSERT_TRUE(plugin_.get_plug_data(reinterpret_cast<DescriptorBlock*>(block.data())));
  EXPECT_EQ(block.substr(0, block.find('\0')),
            "Office Documents<docx>docm>dotx>dotm=Office Spreadsheets<xlsx>xlsm>xltx>xltm="
            "Office Presentations<pptx>pptm>potx>potm>ppsx>ppsm=");
  EXPECT_EQ(block.substr(2048, 8), std::string("Quillet") + '\0');
}

TEST_F(QuilletTest, ReadsFixturesOfEveryKindWhateverTheirTypeName) {
  ASSERT_TRUE(plugin_.Loaded());
  bool parsed = false;
  const Words doc = plugin_.WordsOf(Fixture("writer-report.docx"), "Office Spreadsheets", &parsed);
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(Has(doc, u"Quarterly") && Has(doc, u"footnote") && Has(doc, u"Headerline"));
  EXPECT_TRUE(Has(doc, u"Report") && Has(doc, u"Tester")) << "title and author first";
  const Words sheet = plugin_.WordsOf(Fixture("calc-budget.xlsx"), "Office Documents", &parsed);
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(Has(sheet, u"Travel") && Has(sheet, u"Expenses") && Has(sheet, u"Summary"));
  const Words slides = plugin_.WordsOf(Fixture("impress-talk.pptx"), "Office Presentations",
                                       &parsed);
  ASSERT_TRUE(parsed);
  const auto opening = std::find(slides.begin(), slides.end(), u"Opening");
  const auto closing = std::find(slides.begin(), slides.end(), u"Closing");
  EXPECT_TRUE(opening < closing && closing != slides.end());
  EXPECT_TRUE(Has(slides, u"speaker")) << "notes";
}

TEST_F(QuilletTest, RefusesEncryptedAndBrokenFiles) {
  ASSERT_TRUE(plugin_.Loaded());
  bool parsed = true;
  EXPECT_TRUE(plugin_.WordsOf(Fixture("encrypted.docx"), "Office Documents", &parsed).empty());
  EXPECT_FALSE(parsed);
  plugin_.WordsOf(dir_.Write("plain.docx", "just some text"), "Office Documents", &parsed);
  EXPECT_FALSE(parsed);
  plugin_.WordsOf(dir_.Path("missing.docx"), "Office Documents", &parsed);
  EXPECT_FALSE(parsed);
  const Words cut = plugin_.WordsOf(Fixture("truncated.docx"), "Office Documents", &parsed);
  EXPECT_FALSE(parsed) << "a cut archive has no central directory";
}

}  // namespace
}  // namespace oru::parser::test
