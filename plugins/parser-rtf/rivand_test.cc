// Rivand through its exports, over documents written in the test.
#include <gtest/gtest.h>

#include <string>

#include "platform/test_folder.h"
#include "plugins/parser-rtf/rivand_test_plugin.h"

namespace oru::rivand::test {
namespace {

class RivandTest : public ::testing::Test {
 protected:
  void TearDown() override { p_.stop(); }
  bool Parse(const std::string& bytes, const char* name = "doc.rtf") {
    return p_.parse(dir_.Write(name, bytes).c_str(), "Rich Text Files");
  }

  LoadedPlugin& p_ = ThePlugin();
  platform::TestFolder dir_;
};

TEST_F(RivandTest, DescriptorBlockFilledAsDocumented) {
  std::string block(2080, '\xFF');
  ASSERT_TRUE(p_.get_plug_data(reinterpret_cast<DescriptorBlock*>(block.data())));
  const std::string description =
      "This plugin is developed for parsing Rich Text Format files. "
      "Files extensions to be handled: rtf.";
  EXPECT_EQ(block.substr(0, 1024), "Rich Text Files<rtf=" + std::string(1004, '\0'));
  EXPECT_EQ(block.substr(1024, description.size() + 1), description + '\0');
  EXPECT_EQ(block.substr(2048, 7), std::string("Rivand") + '\0');
}

TEST_F(RivandTest, ReadsRichTextAndRefusesTheRest) {
  ASSERT_TRUE(
      Parse("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}"
            "{\\info{\\title Report}}\\f0 first\\par \\'cf\\'e8\\'f0 {\\b bold}}"));
  EXPECT_EQ(p_.Words(), (Words{u"Report", u"first", u"\u041F\u0438\u0440", u"bold"}));
  std::u16string buffer(40, u'#');
  FragmentRecord rec{0, 0, 40, 0, buffer.data(), 0};
  ASSERT_TRUE(p_.fragment(&rec));
  EXPECT_EQ(buffer.substr(0, rec.Length), u"Report\nfirst\n\u041F\u0438\u0440 bold");

  EXPECT_FALSE(Parse("plain text in a file named .rtf"));
  EXPECT_FALSE(p_.next_word(nullptr));
  EXPECT_FALSE(p_.parse(dir_.Path("missing.rtf").c_str(), "Rich Text Files"));
  EXPECT_TRUE(Parse("{\\rtf1 empty}", "named.doc")) << "the content decides, not the name";
  EXPECT_TRUE(Parse("{\\rtf1 "));
  EXPECT_EQ(p_.Words(), Words{});
}

}  // namespace
}  // namespace oru::rivand::test
