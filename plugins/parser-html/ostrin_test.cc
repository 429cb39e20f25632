// Ostrin as the indexer loads it: the built library, its exports bound by name, over the pages
// in testdata/ and a few written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "platform/little_endian.h"
#include "platform/test_folder.h"
#include "plugin-api/parser_plugin.h"
#include "plugins/parser-common/loaded_plugin.h"

namespace oru::ostrin {
namespace {

using parser::test::LoadedPlugin;

// A word as the indexer gets it, in UTF-8 for readable expectations (the test pages keep to
// the Basic Multilingual Plane).
std::string Utf8(const uint8_t* bytes, uint32_t length) {
  std::string out;
  for (uint32_t i = 0; i + 1 < length; i += 2) {
    const unsigned c = platform::ReadLe16(bytes + i);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return out;
}

class OstrinTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(p_.Loaded()); }
  void TearDown() override { p_.stop(); }

  // Every word of the file at `path`, or {"<refused>"} when _ParseIt refuses it.
  std::vector<std::string> Words(const std::string& path) {
    if (!p_.parse(path.c_str(), "Web Pages")) return {"<refused>"};
    std::vector<std::string> words;
    WordRecord rec{};
    rec.Capacity = 128;
    while (p_.next_word(&rec)) words.push_back(Utf8(rec.Buffer, rec.Length));
    return words;
  }
  std::vector<std::string> FixtureWords(const std::string& name) {
    return Words(std::string(ORU_OSTRIN_TESTDATA) + "/" + name);
  }

  static bool Has(const std::vector<std::string>& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
  }

  static inline LoadedPlugin p_{ORU_OSTRIN_LIBRARY};
  platform::TestFolder dir_;
};

TEST_F(OstrinTest, DescriptorNamesWebPages) {
  std::string block(2080, '\xFF');
  ASSERT_TRUE(p_.get_plug_data(reinterpret_cast<DescriptorBlock*>(block.data())));
  const std::string filter = "Web Pages<html>htm>xhtml>shtml=";
  const std::string description =
      "This plugin is developed for parsing web pages. "
      "Files extensions to be handled: html,htm,xhtml,shtml.";
  EXPECT_EQ(block.substr(0, 1024), filter + std::string(1024 - filter.size(), '\0'));
  EXPECT_EQ(block.substr(1024, description.size() + 1), description + '\0');
  EXPECT_EQ(block.substr(2048, 7), std::string("Ostrin\0", 7));
}

TEST_F(OstrinTest, HandWrittenPageGivesTitleMetaThenBody) {
  const std::vector<std::string> words = FixtureWords("article.html");
  ASSERT_GE(words.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(words.begin(), words.begin() + 8),
            (std::vector<std::string>{"Harbour", "lights", "return", "to", "Kestrel", "Bay", "The",
                                      "Coastal"}));
  for (const char* shown : {"lighthouse", "museum", "keepers", "cottage", "fog-horn", "Café", "Mon",
                            "Fri", "restored", "rights"}) {
    EXPECT_TRUE(Has(words, shown)) << shown;
  }
  for (const char* hidden : {"stylesheetword", "scriptword", "commentword", "noscriptword",
                             "documentwriteword", "viewport", "analytics", "href"}) {
    EXPECT_FALSE(Has(words, hidden)) << hidden;
  }
}

TEST_F(OstrinTest, DeclaredWindows1251PageGivesCyrillicWords) {
  const std::vector<std::string> words = FixtureWords("legacy-1251.htm");
  ASSERT_FALSE(words.empty());
  EXPECT_EQ(words.front(), "Клуб");
  EXPECT_TRUE(Has(words, "ботанического"));
  EXPECT_TRUE(Has(words, "Напишите"));
  EXPECT_FALSE(Has(words, "счетчик"));  // in a comment
}

TEST_F(OstrinTest, PandocPageGivesItsText) {
  const std::vector<std::string> words = FixtureWords("pandoc.html");
  ASSERT_FALSE(words.empty());
  EXPECT_EQ(words.front(), "Field");
  for (const char* shown :
       {"curlew", "Numenius", "bubbling", "Estuaries", "count_birds", "survey"}) {
    EXPECT_TRUE(Has(words, shown)) << shown;
  }
  EXPECT_FALSE(Has(words, "margin"));  // its style sheet
}

TEST_F(OstrinTest, OnlyAnUnreadableFileIsRefused) {
  EXPECT_EQ(Words(dir_.Path("missing.html")), std::vector<std::string>{"<refused>"});
  EXPECT_EQ(Words(dir_.path()), std::vector<std::string>{"<refused>"});
  EXPECT_TRUE(Words(dir_.Write("empty.html", "")).empty());
  EXPECT_EQ(Words(dir_.Write("binary.htm", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16))),
            (std::vector<std::string>{"PNG", "IHDR"}));
}

TEST_F(OstrinTest, FragmentsShowTheTextAroundAWord) {
  ASSERT_TRUE(
      p_.parse(dir_.Write("f.html", "<title>Tide</title><p>high <b>water</b> mark</p>").c_str(),
               "Web Pages"));
  std::u16string buffer(40, u'#');
  FragmentRecord rec{};
  rec.Position = 10;
  rec.Size = 40;
  rec.Buffer = buffer.data();
  ASSERT_TRUE(p_.fragment(&rec));
  EXPECT_EQ(buffer.substr(0, rec.Length), u"Tide\nhigh water mark");
}

}  // namespace
}  // namespace oru::ostrin
