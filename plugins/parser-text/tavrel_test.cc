// Tavrel through its exports, as the indexer loads it.
#include <gtest/gtest.h>

#include <string>

#include "platform/test_folder.h"
#include "plugins/parser-common/loaded_plugin.h"

namespace oru::parser::test {
namespace {

class TavrelTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    return folder_.Write(name, bytes);
  }

  platform::TestFolder folder_;
  LoadedPlugin plugin_{ORU_TAVREL_LIBRARY};
};

TEST_F(TavrelTest, DescribesItselfWithEveryTextExtension) {
  ASSERT_TRUE(plugin_.Loaded());
  DescriptorBlock block{};
  ASSERT_TRUE(plugin_.get_plug_data(&block));
  EXPECT_STREQ(block.Filter,
               "Text Files<txt>text>md>markdown>csv>tsv>log>ini>cfg>json>yaml>yml>tex>rst>org>srt=");
  EXPECT_STREQ(block.DisplayName, "Tavrel");
}

TEST_F(TavrelTest, ServesWordsAndFragmentsOfAFile) {
  ASSERT_TRUE(plugin_.Loaded());
  const std::string path = Write("notes.md", "# Caf\xC3\xA9 notes\r\nname,price\n");
  EXPECT_EQ(plugin_.WordsOf(path, "Text Files"),
            (std::vector<std::u16string>{u"Caf\u00E9", u"notes", u"name", u"price"}));
  ASSERT_TRUE(plugin_.parse(path.c_str(), "Text Files"));
  char16_t buffer[16] = {};
  FragmentRecord rec{};
  rec.Position = 2;
  rec.Size = 16;
  rec.Buffer = buffer;
  ASSERT_TRUE(plugin_.fragment(&rec));
  EXPECT_EQ(std::u16string(buffer, rec.Length), u"# Caf\u00E9 notes\r\nna");
  plugin_.stop();
}

TEST_F(TavrelTest, RefusesMissingAndBinaryFiles) {
  ASSERT_TRUE(plugin_.Loaded());
  bool parsed = true;
  plugin_.WordsOf(folder_.Path("missing.txt"), "Text Files", &parsed);
  EXPECT_FALSE(parsed);
  std::string binary;
  for (int k = 0; k < 64; ++k) binary += std::string("PK\x03\x04\0\0\0\0name", 12);
  plugin_.WordsOf(Write("archive.txt", binary), "Text Files", &parsed);
  EXPECT_FALSE(parsed);
}

TEST_F(TavrelTest, EveryEncodingOfTheSameTextGivesTheSameWords) {
  ASSERT_TRUE(plugin_.Loaded());
  const std::vector<std::u16string> expected = {
      u"Harbour", u"notes", u"The", u"caf\u00E9", u"by",  u"the",  u"pier", u"opens", u"at",
      u"nine",    u"cr\u00E8me", u"br\u00FBl\u00E9e", u"is", u"sold", u"out", u"by", u"noon"};
  for (const char* name : {"utf8-bom.txt", "windows-1252.txt", "utf16le-bom.txt", "utf16be.txt"}) {
    bool parsed = false;
    EXPECT_EQ(plugin_.WordsOf(std::string(ORU_TAVREL_TESTDATA) + "/" + name, "Text Files", &parsed),
              expected)
        << name;
    EXPECT_TRUE(parsed) << name;
  }
}

}  // namespace
}  // namespace oru::parser::test
