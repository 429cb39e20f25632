#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace oru::platform {
namespace {

constexpr MaskMatch kMatch = MaskMatch::kMatch;
constexpr MaskMatch kNoMatch = MaskMatch::kNoMatch;
constexpr MaskMatch kBadMask = MaskMatch::kBadMask;

TEST(MatchFileMaskTest, ExtensionMaskMatchesWholePathInAnyAsciiCase) {
  EXPECT_EQ(MatchFileMask("*.doc", "C:/Docs/Report.doc"), kMatch);
  EXPECT_EQ(MatchFileMask("*.doc", "REPORT.DOC"), kMatch);
  EXPECT_EQ(MatchFileMask("*.doc", ".doc"), kMatch);
  EXPECT_EQ(MatchFileMask("*.MP3", "song.mp3"), kMatch);
  EXPECT_EQ(MatchFileMask("*.doc", "C:/Docs/Report.doc.bak"), kNoMatch);
  EXPECT_EQ(MatchFileMask("*.doc", "C:/Docs/Report.docx"), kNoMatch);
  EXPECT_EQ(MatchFileMask("*.\xE9", "a.\xC9"), kNoMatch);  // only a-z are folded
  EXPECT_EQ(MatchFileMask("@[[]", "`{"), kNoMatch);
}

TEST(MatchFileMaskTest, StarAndQuestionMark) {
  EXPECT_EQ(MatchFileMask("*", ""), kMatch);
  EXPECT_EQ(MatchFileMask("", "a"), kNoMatch);
  EXPECT_EQ(MatchFileMask("a*b", "a/x/b"), kMatch);
  EXPECT_EQ(MatchFileMask("?.?", "a.b"), kMatch);
  EXPECT_EQ(MatchFileMask("?.?", "a.bc"), kNoMatch);
  EXPECT_EQ(MatchFileMask("*ab", "aab"), kMatch);  // retries after the first 'a'
}

TEST(MatchFileMaskTest, SetsRangesAndNegation) {
  EXPECT_EQ(MatchFileMask("*.[dt]o[ct]", "a.dot"), kMatch);
  EXPECT_EQ(MatchFileMask("[abc]", "d"), kNoMatch);
  EXPECT_EQ(MatchFileMask("[a-c]", "B"), kMatch);
  EXPECT_EQ(MatchFileMask("[A-C]", "b"), kMatch);
  EXPECT_EQ(MatchFileMask("[!a-c]", "d"), kMatch);
  EXPECT_EQ(MatchFileMask("[!a-c]", "B"), kNoMatch);
  EXPECT_EQ(MatchFileMask("[a-][-b]", "--"), kMatch);  // '-' at either end is a member
  EXPECT_EQ(MatchFileMask("[z-a]", "m"), kNoMatch);    // a reversed range holds nothing
  EXPECT_EQ(MatchFileMask("a]", "a]"), kMatch);
}

TEST(MatchFileMaskTest, UnclosedAndEmptySetsAreBadMasksWhateverTheName) {
  for (const char* mask : {"[abc", "[]", "[!]", "x[]", "*.doc[", "[a]b["}) {
    EXPECT_EQ(MatchFileMask(mask, "a.doc"), kBadMask) << mask;
  }
}

TEST(MatchFileMaskTest, ManyStarsDoNotBacktrackExponentially) {
  const std::string name(100000, 'a');
  EXPECT_EQ(MatchFileMask("*a*a*a*a*a*a*a*a*b", name), kNoMatch);
  EXPECT_EQ(MatchFileMask("*a*a*a*a*a*a*a*a*b", name + "b"), kMatch);
}

}  // namespace
}  // namespace oru::platform
