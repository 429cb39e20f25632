// Rivand as the indexer loads it: the built library, its exports bound by name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "platform/test_folder.h"
#include "plugin-api/parser_plugin.h"

namespace oru::rivand::test {
namespace {

using Words = std::vector<std::u16string>;

struct Plugin {
  platform::Library library{platform::LoadLibrary(ORU_RIVAND_LIBRARY)};
  GetFPlugDataFn get_plug_data = library.Find<GetFPlugDataFn>(kGetFPlugDataExport);
  ParseItFn parse = library.Find<ParseItFn>(kParseItExport);
  GetNextWordFn next_word = library.Find<GetNextWordFn>(kGetNextWordExport);
  StopParseFn stop = library.Find<StopParseFn>(kStopParseExport);
  GetFragmentAtPosFn fragment = library.Find<GetFragmentAtPosFn>(kGetFragmentAtPosExport);

  // Loaded once per process; the process ends when an export is missing.
  static Plugin& Get() {
    static Plugin* plugin = new Plugin;
    if (!plugin->get_plug_data || !plugin->parse || !plugin->next_word || !plugin->stop ||
        !plugin->fragment) {
      ADD_FAILURE() << "Rivand or an export is missing: " << platform::LastLoadError();
      std::abort();
    }
    return *plugin;
  }

  // Every word of the held text, as the indexer reads them.
  Words AllWords() const {
    Words words;
    WordRecord rec{};
    rec.Capacity = 128;
    while (next_word(&rec)) {
      words.emplace_back(rec.Length / 2, u'\0');
      std::memcpy(words.back().data(), rec.Buffer, rec.Length);
    }
    return words;
  }
};

class RivandTest : public ::testing::Test {
 protected:
  void TearDown() override { p_.stop(); }
  bool Parse(const std::string& bytes, const char* name = "doc.rtf") {
    return p_.parse(dir_.Write(name, bytes).c_str(), "Rich Text Files");
  }

  Plugin& p_ = Plugin::Get();
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
  ASSERT_TRUE(Parse("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}"
                    "{\\info{\\title Report}}\\f0 first\\par \\'cf\\'e8\\'f0 {\\b bold}}"));
  EXPECT_EQ(p_.AllWords(), (Words{u"Report", u"first", u"\u041F\u0438\u0440", u"bold"}));
  std::u16string buffer(40, u'#');
  FragmentRecord rec{0, 0, 40, 0, buffer.data(), 0};
  ASSERT_TRUE(p_.fragment(&rec));
  EXPECT_EQ(buffer.substr(0, rec.Length), u"Report\nfirst\n\u041F\u0438\u0440 bold");

  EXPECT_FALSE(Parse("plain text in a file named .rtf"));
  EXPECT_FALSE(p_.next_word(nullptr));
  EXPECT_FALSE(p_.parse(dir_.Path("missing.rtf").c_str(), "Rich Text Files"));
  EXPECT_TRUE(Parse("{\\rtf1 empty}", "named.doc")) << "the content decides, not the name";
  EXPECT_TRUE(Parse("{\\rtf1 "));
  EXPECT_EQ(p_.AllWords(), Words{});
}

}  // namespace
}  // namespace oru::rivand::test
