#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "indexer/engine/indexer.h"

namespace oru {
namespace {

struct Ext {
  int group;
  std::string type_name;
  std::string mask;
  bool operator==(const Ext&) const = default;
};

std::vector<Ext> Parse(std::string_view filter, bool* appended = nullptr) {
  auto indexer = std::make_unique<TIndexer>();
  const bool result = indexer->ParseExtensionFilter("P", filter, nullptr);
  if (appended != nullptr) *appended = result;
  std::vector<Ext> records;
  for (const _TExtLib* r : *indexer->Plugins) {
    EXPECT_EQ(r->Active, 1);
    EXPECT_EQ(r->PluginName, "P");
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

}  // namespace
}  // namespace oru
