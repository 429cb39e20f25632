// Pelkan through its exports, as the indexer loads it, over the fixtures in testdata/ (made by
// testdata/make-fixtures.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/test_folder.h"
#include "plugins/parser-common/loaded_plugin.h"

namespace oru::parser::test {
namespace {

class PelkanTest : public ::testing::Test {
 protected:
  std::vector<std::u16string> Words(const std::string& fixture, bool* parsed = nullptr) {
    return plugin_.WordsOf(std::string(ORU_PELKAN_TESTDATA) + "/" + fixture, "PDF Files", parsed);
  }
  static bool Has(const std::vector<std::u16string>& words, const std::u16string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
  }

  LoadedPlugin plugin_{ORU_PELKAN_LIBRARY};
};

TEST_F(PelkanTest, DescribesItself) {
  ASSERT_TRUE(plugin_.Loaded());
  DescriptorBlock block{};
  ASSERT_TRUE(plugin_.get_plug_data(&block));
  EXPECT_STREQ(block.Filter, "PDF Files<pdf=");
  EXPECT_STREQ(block.Description,
               "This plugin is developed for parsing PDF documents. Files extensions to be "
               "handled: pdf.");
  EXPECT_STREQ(block.DisplayName, "Pelkan");
}

TEST_F(PelkanTest, ReadsWhatEachProducerWrites) {
  ASSERT_TRUE(plugin_.Loaded());
  for (const char* name : {"libreoffice.pdf", "object-streams.pdf"}) {
    const auto words = Words(name);
    EXPECT_TRUE(Has(words, u"caf\u00E9") && Has(words, u"K\u00F8benhavn") &&
                Has(words, u"efficient") && Has(words, u"passengers"))
        << name;
  }
  const auto ghostscript = Words("ghostscript.pdf");
  EXPECT_TRUE(Has(ghostscript, u"Orchard") && Has(ghostscript, u"Rotated") &&
              Has(ghostscript, u"perry"));
  // The pandoc document starts with its information (title, author), then the page.
  const auto pandoc = Words("pandoc.pdf");
  ASSERT_GE(pandoc.size(), 4u);
  EXPECT_EQ(std::vector<std::u16string>(pandoc.begin(), pandoc.begin() + 4),
            (std::vector<std::u16string>{u"Lighthouse", u"notes", u"Tomas", u"Berg"}));
  EXPECT_TRUE(Has(pandoc, u"official") && Has(pandoc, u"visibility") && Has(pandoc, u"flame"));
  // Every encryption opened with the empty password, and the QDF form, read the same.
  for (const char* name : {"qdf.pdf", "rc4-40.pdf", "rc4-128.pdf", "aes-128.pdf",
                           "aes-256-r5.pdf", "aes-256.pdf"}) {
    EXPECT_EQ(Words(name), pandoc) << name;
  }
}

TEST_F(PelkanTest, RefusesWhatItCannotRead) {
  ASSERT_TRUE(plugin_.Loaded());
  bool parsed = true;
  EXPECT_TRUE(Words("needs-password.pdf", &parsed).empty());
  EXPECT_FALSE(parsed);
  Words("missing.pdf", &parsed);
  EXPECT_FALSE(parsed);
  platform::TestFolder folder;
  plugin_.WordsOf(folder.Write("text.pdf", "just some text, no header"), "PDF Files", &parsed);
  EXPECT_FALSE(parsed);
}

TEST_F(PelkanTest, DamagedAndHostileFilesGiveTheirReadableWords) {
  ASSERT_TRUE(plugin_.Loaded());
  const std::vector<std::u16string> tidal = {u"Tidal", u"charts", u"for", u"the", u"northern",
                                             u"channel", u"Moorings", u"are", u"checked",
                                             u"every", u"morning"};
  EXPECT_EQ(Words("missing-xref.pdf"), tidal);
  EXPECT_EQ(Words("wrong-offsets.pdf"), tidal);
  const auto truncated = Words("truncated.pdf");
  EXPECT_TRUE(Has(truncated, u"Lantern") && Has(truncated, u"Tuesday"));
  EXPECT_EQ(Words("cyclic.pdf"), (std::vector<std::u16string>{u"Buoys", u"painted", u"red",
                                                              u"and", u"green", u"Signal",
                                                              u"horn", u"tested"}));
  EXPECT_EQ(Words("deflate-bomb.pdf"),
            (std::vector<std::u16string>{u"Harbour", u"dues", u"are", u"payable", u"in",
                                         u"advance"}));
  EXPECT_TRUE(Has(Words("deep-nesting.pdf"), u"lighthouse"));
  EXPECT_TRUE(Has(Words("absurd-counts.pdf"), u"jetty"));
}

}  // namespace
}  // namespace oru::parser::test
