#include "plugins/parser-common/part_path.h"

#include <gtest/gtest.h>

namespace oru::containers {
namespace {

TEST(PartPathTest, ResolvesTargetsAgainstTheFolderOfTheirPart) {
  EXPECT_EQ(ResolvePartName("word/document.xml", "media/x.png"), "word/media/x.png");
  EXPECT_EQ(ResolvePartName("word/document.xml", "../media/x.png"), "media/x.png");
  EXPECT_EQ(ResolvePartName("word/document.xml", "./a/./b//c.xml"), "word/a/b/c.xml");
  EXPECT_EQ(ResolvePartName("word/document.xml", "/docProps/core.xml"), "docProps/core.xml");
  EXPECT_EQ(ResolvePartName("/ppt/slides/slide1.xml", "../media/a.png"), "ppt/media/a.png");
  EXPECT_EQ(ResolvePartName("", "word/document.xml"), "word/document.xml");
  EXPECT_EQ(ResolvePartName("content.xml", "Pictures/p.png"), "Pictures/p.png");
  // Never above the root.
  EXPECT_EQ(ResolvePartName("word/document.xml", "../../../x.xml"), "x.xml");
  EXPECT_EQ(ResolvePartName("a/b.xml", ".."), "");
}

TEST(PartPathTest, UnescapesOnlyWholeEscapes) {
  EXPECT_EQ(UnescapePartName("image%201.png"), "image 1.png");
  EXPECT_EQ(UnescapePartName("%C3%a9%"), "\xC3\xA9%");
  EXPECT_EQ(UnescapePartName("100%x1"), "100%x1");
  EXPECT_EQ(UnescapePartName("a%4"), "a%4");
}

}  // namespace
}  // namespace oru::containers
