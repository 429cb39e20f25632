#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "indexer/engine/plugin_registry.h"
#include "platform/dynlib.h"
#include "tests/support/temp_dir.h"

namespace oru {
namespace {

struct Ext {
  int group;
  std::string type_name;
  std::string mask;
  bool operator==(const Ext&) const = default;
};

std::vector<Ext> Parse(std::string_view filter, bool* appended = nullptr) {
  const ParserExports exports;
  TTypedList<_TExtLib> list(true);
  const bool result = ParseExtensionFilter("P", filter, nullptr, &exports, &list);
  if (appended != nullptr) *appended = result;
  std::vector<Ext> records;
  for (const _TExtLib* r : list) {
    EXPECT_EQ(r->Active, 1);
    EXPECT_EQ(r->PluginName, "P");
    EXPECT_EQ(r->Exports, &exports);
    records.push_back({r->Group, r->TypeName, r->Mask});
  }
  return records;
}

TEST(ParseExtensionFilterTest, OneRecordPerExtensionInFilterOrder) {
  EXPECT_EQ(Parse("MSWord Files<doc>dot="),
            (std::vector<Ext>{{0, "MSWord Files", "*.doc"}, {0, "MSWord Files", "*.dot"}}));
  EXPECT_EQ(Parse("MP3 Files<mp3="), (std::vector<Ext>{{0, "MP3 Files", "*.mp3"}}));
  EXPECT_EQ(Parse("A<x= B<y>z="),
            (std::vector<Ext>{{0, "A", "*.x"}, {1, "B", "*.y"}, {1, "B", "*.z"}}));
}

TEST(ParseExtensionFilterTest, BlanksAndEmptyExtensions) {
  EXPECT_EQ(Parse("Doc Files< doc > dot ="),
            (std::vector<Ext>{{0, "Doc Files", "*.doc"}, {0, "Doc Files", "*.dot"}}));
  EXPECT_EQ(Parse("<>doc="), (std::vector<Ext>{{0, "???", "*.doc"}}));
  EXPECT_EQ(Parse("<txt="), (std::vector<Ext>{{0, "???", "*.txt"}}));
  EXPECT_EQ(Parse("Mixed<DoC="), (std::vector<Ext>{{0, "Mixed", "*.DoC"}}));
}

TEST(ParseExtensionFilterTest, AnEqualsBeforeTheOpeningBracketYieldsNothingForItsGroup) {
  EXPECT_EQ(Parse("x=A<b="), (std::vector<Ext>{{1, "A", "*.b"}}));
}

TEST(ParseExtensionFilterTest, AGroupWithoutBracketKeepsItsWholeList) {
  EXPECT_EQ(Parse("txt>text="), (std::vector<Ext>{{0, "???", "*.txt"}, {0, "???", "*.text"}}));
}

TEST(ParseExtensionFilterTest, AFilterWithoutEqualsEndsAtIts1024thCharacter) {
  const std::string filter = "T<" + std::string(1030, 'e');
  const std::vector<Ext> records = Parse(filter);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].mask, "*." + std::string(1022, 'e'));
  EXPECT_EQ(records[1].group, 1);
  EXPECT_EQ(records[1].type_name, "???");  // the rest has no '<': all of it is the list
  EXPECT_EQ(records[1].mask, "*." + std::string(8, 'e'));
}

TEST(ParseExtensionFilterTest, NoExtensionMeansFalse) {
  bool appended = true;
  EXPECT_TRUE(Parse("Nothing<=", &appended).empty());
  EXPECT_FALSE(appended);
  EXPECT_TRUE(Parse("", &appended).empty());
  EXPECT_FALSE(appended);
}

// The plug-ins built for the tests, named in a work folder's "ORU.ini" by `text` and `folders`.
class PluginRegistryTest : public ::testing::Test {
 protected:
  void WriteConfig(const std::string& text, const std::string& folders) {
    testing::WriteFile(work_.path() + "ORU.ini", "[Files]\nText=" + text +
                                                     "\n[Storages]\nFolders=" + folders +
                                                     "\n[Folders]\n1=Text\n");
  }

  const std::string bin_ = std::string(ORU_BIN_DIR) + "/";
  const std::string suffix_ = platform::kLibrarySuffix;
  testing::TempDir work_;
};

TEST_F(PluginRegistryTest, LoadsAStorageTypeAndMatchesFilesToParsersWithTheirExports) {
  WriteConfig(bin_ + "TextParser" + suffix_, bin_ + "Ferrow" + suffix_);
  PluginRegistry registry;
  ASSERT_TRUE(registry.Load(work_.path(), "Folders")) << registry.Failure().Message();
  EXPECT_NE(registry.Storage().scan, nullptr);
  EXPECT_NE(registry.Storage().next_file, nullptr);
  const _TExtLib* record = registry.Match(bin_ + "notes.TXT");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->TypeName, "Text Files");
  ASSERT_NE(record->Exports, nullptr);
  EXPECT_NE(record->Exports->parse, nullptr);
  EXPECT_NE(record->Exports->next_word, nullptr);
  EXPECT_NE(record->Exports->stop, nullptr);
  EXPECT_EQ(registry.Match(bin_ + "notes.doc"), nullptr);
  registry.Release();
  EXPECT_TRUE(registry.Parsers().Empty());
  EXPECT_EQ(registry.Storage().scan, nullptr);
  EXPECT_EQ(registry.Match(bin_ + "notes.txt"), nullptr);
}

TEST_F(PluginRegistryTest, RelativeLibraryPathsAreTakenBelowTheProgramFolderOnly) {
  WriteConfig("TextParser" + suffix_, "Ferrow" + suffix_);
  PluginRegistry from_bin(bin_);
  EXPECT_TRUE(from_bin.LoadParsers(work_.path(), "Folders"));
  EXPECT_EQ(from_bin.Storage().scan, nullptr);  // the parsers alone
  EXPECT_NE(from_bin.Match("a.txt"), nullptr);

  PluginRegistry from_elsewhere(work_.path());
  EXPECT_FALSE(from_elsewhere.LoadParsers(work_.path(), "Folders"));
  EXPECT_EQ(from_elsewhere.Failure().Message(),
            "cannot load the parser plug-in Text from " + work_.path() + "TextParser" + suffix_ +
                ": no such file");
  PluginRegistry unknown_folder("");
  EXPECT_FALSE(unknown_folder.Load(work_.path(), "Folders"));
  EXPECT_EQ(unknown_folder.Failure().Message(),
            "cannot load plug-in Ferrow" + suffix_ + ": the program's folder is unknown");
}

// A configured parser that cannot be loaded would drop its type of file from an index that
// says it is complete: loading fails, naming the entry and the reason.
TEST_F(PluginRegistryTest, AnyConfiguredParserThatCannotBeLoadedFailsTheLoad) {
  testing::WriteFile(work_.path() + "ORU.ini",
                     "[Files]\nText=" + bin_ + "TextParser" + suffix_ + "\nWord=" + bin_ +
                         "Missing" + suffix_ + "\nFake=" + bin_ + "Ferrow" + suffix_ +
                         "\n[Folders]\n1=Text\n2=Word\n[Other]\n1=Text\n2=Fake\n"
                         "[Unlisted]\n1=Text\n2=Nowhere\n");
  PluginRegistry registry(bin_);
  EXPECT_FALSE(registry.LoadParsers(work_.path(), "Folders"));
  EXPECT_EQ(registry.Failure().Message(), "cannot load the parser plug-in Word from " + bin_ +
                                              "Missing" + suffix_ + ": no such file");
  EXPECT_FALSE(registry.LoadParsers(work_.path(), "Other"));
  EXPECT_EQ(registry.Failure().Message(), "cannot load the parser plug-in Fake from " + bin_ +
                                              "Ferrow" + suffix_ +
                                              ": it lacks the exports of a parser plug-in");
  EXPECT_FALSE(registry.LoadParsers(work_.path(), "Unlisted"));
  EXPECT_NE(registry.Failure().Message().find("names the parser Nowhere, which [Files] does not list"),
            std::string::npos);
}

// Parsers describe their file types once; the description is kept in [Extensions] of "ORU.ini".
// A configuration that cannot take it registers no parser, unless it holds it already.
TEST_F(PluginRegistryTest, AReadOnlyConfigurationWithoutCachedFiltersRegistersNoParser) {
  namespace fs = std::filesystem;
  const std::string config = work_.path() + "ORU.ini";
  WriteConfig(bin_ + "TextParser" + suffix_, bin_ + "Ferrow" + suffix_);
  fs::permissions(config, fs::perms::owner_read | fs::perms::group_read);
  PluginRegistry registry;
  EXPECT_FALSE(registry.Load(work_.path(), "Folders"));
  fs::permissions(config, fs::perms::owner_all);
  testing::WriteFile(config, testing::ReadFile(config) + "[Extensions]\nText=Text<txt=\n");
  fs::permissions(config, fs::perms::owner_read);
  EXPECT_TRUE(registry.Load(work_.path(), "Folders")) << registry.Failure().Message();
  EXPECT_NE(registry.Match("a.txt"), nullptr);
}

}  // namespace
}  // namespace oru
