// Odrane through its exports, as the indexer loads it: the descriptor, fixtures written by
// LibreOffice and pandoc, and files it refuses.
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

std::string Fixture(const char* name) { return std::string(ORU_ODRANE_TESTDATA) + "/" + name; }

class OdraneTest : public ::testing::Test {
 protected:
  LoadedPlugin plugin_{ORU_ODRANE_LIBRARY};
  platform::TestFolder dir_;
};

TEST_F(OdraneTest, DescriptorAndFixtures) {
  ASSERT_TRUE(plugin_.Loaded());
  std::string block(2080, '\xFF');
  ASSERT_TRUE(plugin_.get_plug_data(reinterpret_cast<DescriptorBlock*>(block.data())));
  EXPECT_EQ(block.substr(0, block.find('\0')),
            "OpenDocument Files<odt>ott>ods>ots>odp>otp>odg>fodt>fods>fodp=");
  EXPECT_EQ(block.substr(2048, 7), std::string("Odrane") + '\0');

  for (const char* name : {"writer-report.odt", "hand-report.fodt", "mimetype-last.odt"}) {
    bool parsed = false;
    const Words words = plugin_.WordsOf(Fixture(name), "OpenDocument Files", &parsed);
    ASSERT_TRUE(parsed) << name;
    EXPECT_EQ(words.front(), u"Quarterly") << name << ": the title first";
    EXPECT_TRUE(Has(words, u"footnote") && Has(words, u"Headerline") && Has(words, u"Check"))
        << name;
    EXPECT_FALSE(Has(words, u"Reviewer")) << name << ": a comment's author is no text";
  }
  bool parsed = false;
  const Words sheet = plugin_.WordsOf(Fixture("calc-budget.ods"), "OpenDocument Files", &parsed);
  EXPECT_TRUE(parsed && Has(sheet, u"Travel") && Has(sheet, u"overspent") &&
              Has(sheet, u"Summary"));
  const Words slides =
      plugin_.WordsOf(Fixture("impress-talk.odp"), "OpenDocument Files", &parsed);
  EXPECT_TRUE(parsed && Has(slides, u"Opening") && Has(slides, u"speaker"));
}

TEST_F(OdraneTest, RefusesEncryptedAndBrokenFiles) {
  ASSERT_TRUE(plugin_.Loaded());
  bool parsed = true;
  plugin_.WordsOf(Fixture("encrypted.odt"), "OpenDocument Files", &parsed);
  EXPECT_FALSE(parsed);
  plugin_.WordsOf(Fixture("truncated.odt"), "OpenDocument Files", &parsed);
  EXPECT_FALSE(parsed);
  plugin_.WordsOf(dir_.Write("plain.odt", "just some text"), "OpenDocument Files", &parsed);
  EXPECT_FALSE(parsed);
  const Words malformed = plugin_.WordsOf(Fixture("malformed.odt"), "OpenDocument Files",
                                          &parsed);
  EXPECT_TRUE(parsed && Has(malformed, u"Quarterly")) << "the text before the damage";
}

}  // namespace
}  // namespace oru::parser::test
