#include "platform/ini.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <sstream>

namespace oru::platform {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "oru-ini-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) { return (dir_ / name).string(); }
  ProfileFile Make(const std::string& text) {
    std::ofstream(PathOf("t.ini"), std::ios::binary) << text;
    return ProfileFile::Open(PathOf("t.ini"));
  }
  std::string Contents() {
    std::ifstream in(PathOf("t.ini"), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  fs::path dir_;
};

TEST_F(ProfileFileTest, NamesAreCaseBlindAndIgnoreBlanksAndFirstMatchWins) {
  ProfileFile ini = Make(" [ Fil\xC9s ]\n\t KEY One =a\nkey one=b\nother=c\n[fil\xE9s]\nx=d\n");
  EXPECT_EQ(ini.GetString("fil\xE9S\t", "  key ONE", "-"), "a");
  EXPECT_EQ(ini.GetString("FIL\xC9S", "other", "-"), "c");
  // Keys are looked for in the first matching section only.
  EXPECT_EQ(ini.GetString("Fil\xC9s", "x", "-"), "-");
  EXPECT_EQ(ini.KeyNames("fil\xE9s"), (Names{"KEY One", "key one", "other"}));
}

TEST_F(ProfileFileTest, ValuesLoseBlanksThenOnePairOfMatchingQuotes) {
  ProfileFile ini = Make(
      "[S]\na =  \"x y\" \t\nb='q'\nc=\"mixed'\nd=\"\"in\"\"\ne= \" pad \" \nf=\"\nurl=a=b\n");
  EXPECT_EQ(ini.GetString("S", "a", "-"), "x y");
  EXPECT_EQ(ini.GetString("S", "b", "-"), "q");
  EXPECT_EQ(ini.GetString("S", "c", "-"), "\"mixed'");
  EXPECT_EQ(ini.GetString("S", "d", "-"), "\"in\"");
  EXPECT_EQ(ini.GetString("S", "e", "-"), " pad ");
  EXPECT_EQ(ini.GetString("S", "f", "-"), "\"");
  EXPECT_EQ(ini.GetString("S", "url", "-"), "a=b");
}

TEST_F(ProfileFileTest, ValuesAndDefaultsAreCutToTheBuffer) {
  ProfileFile ini = Make("[S]\nlong=" + std::string(3000, 'x') + "\n");
  EXPECT_EQ(ini.GetString("S", "long", ""), std::string(2047, 'x'));
  EXPECT_EQ(ini.GetString("S", "long", "", 10), std::string(9, 'x'));
  EXPECT_EQ(ini.GetString("S", "none", "default"), "default");
  EXPECT_EQ(ini.GetString("T", "long", "default", 4), "def");
  EXPECT_EQ(ini.GetString("T", "long", "default", 0), "");
}

TEST_F(ProfileFileTest, LineKinds) {
  ProfileFile ini = Make(
      "lost=1\n[B]\n;c=1\nno equals\n =blank name\n[Open\nk=2\n[A] tail\n[B]\n[]\n\r\nz=3\r");
  EXPECT_EQ(ini.SectionNames(), (Names{"B", "Open", "A", "B", ""}));
  EXPECT_EQ(ini.KeyNames("B"), Names{});
  EXPECT_EQ(ini.GetString("Open", "k", "-"), "2");  // a header without "]" runs to the end
  EXPECT_EQ(ini.GetString("", "z", "-"), "3");       // a last line without LF is read
  EXPECT_EQ(ini.GetString("", "lost", "-"), "-");
}

TEST_F(ProfileFileTest, CrLfLinesAndMissingLastLineEnd) {
  ProfileFile ini = Make("[A]\r\nk = v \r\nz=last");
  EXPECT_EQ(ini.GetString("a", "K", "-"), "v");
  EXPECT_EQ(ini.GetString("a", "z", "-"), "last");
}

TEST_F(ProfileFileTest, KeyNamesFitTheWindowsListBuffer) {
  ProfileFile small = Make("[S]\nab=1\ncd=2\n");  // list "ab\0cd\0\0" needs 7 bytes
  EXPECT_EQ(small.KeyNames("S", 7), (Names{"ab", "cd"}));
  EXPECT_EQ(small.KeyNames("S", 6), (Names{"ab", "c"}));
  EXPECT_EQ(small.KeyNames("S", 5), (Names{"ab"}));
  EXPECT_EQ(small.KeyNames("S", 2), Names{});
  EXPECT_EQ(small.KeyNames("T"), Names{});

  std::string text = "[Big]\n";
  char name[16];
  for (int i = 0; i < 10000; ++i) {
    std::snprintf(name, sizeof name, "Key%05d", i);
    text += std::string(name) + "=x\n";
  }
  Names names = Make(text).KeyNames("big");
  // 16382 bytes hold 1820 names of 8 bytes with their separators, and 2 bytes of the next.
  ASSERT_EQ(names.size(), 1821u);
  EXPECT_EQ(names[1819], "Key01819");
  EXPECT_EQ(names[1820], "Ke");
}

TEST_F(ProfileFileTest, WriteKeepsEveryOtherByte) {
  const std::string text =
      "; head\r\n[A]\r\n  Key = old ; x\r\nno equals\r\n\r\n[B]\r\nb=1\r\n; note\r\n\r\n[C]";
  ProfileFile ini = Make(text);
  ASSERT_EQ(ini.WriteString("a", "KEY", "new"), Result::kOk);
  std::string expected = text;
  expected.replace(expected.find(" old ; x"), 8, "new");
  EXPECT_EQ(Contents(), expected);

  ASSERT_EQ(ini.WriteString("B", "added", "2"), Result::kOk);
  expected.insert(expected.find("; note"), "added=2\r\n");
  EXPECT_EQ(Contents(), expected);

  ASSERT_EQ(ini.WriteString("C", "c", "3"), Result::kOk);  // header is the last line
  ASSERT_EQ(ini.WriteString("New", "n", "4"), Result::kOk);
  expected += "\r\nc=3\r\n[New]\r\nn=4\r\n";
  EXPECT_EQ(Contents(), expected);

  EXPECT_EQ(ini.GetString("A", "key", "-"), "new");
  EXPECT_EQ(ini.GetString("new", "n", "-"), "4");
  EXPECT_EQ(ProfileFile::Open(PathOf("t.ini")).GetString("B", "added", "-"), "2");
}

TEST_F(ProfileFileTest, KeyWrittenTwiceIsInTheFileOnce) {
  ProfileFile ini = Make("x=0\n[Ext]\nWord=a\nlast=1");
  ASSERT_EQ(ini.WriteString("Ext", "MP3", "MP3 Files<mp3="), Result::kOk);
  ASSERT_EQ(ini.WriteString("EXT", "mp3", "second"), Result::kOk);
  EXPECT_EQ(Contents(), "x=0\n[Ext]\nWord=a\nlast=1\nMP3=second\n");
  EXPECT_EQ(ini.GetString("ext", "Mp3", "-"), "second");
  ASSERT_EQ(ini.WriteString("Other", "k", "v"), Result::kOk);
  EXPECT_EQ(Contents(), "x=0\n[Ext]\nWord=a\nlast=1\nMP3=second\n[Other]\nk=v\n");
}

TEST_F(ProfileFileTest, WriteStartsFromTheFileOnDisk) {
  ProfileFile ini = Make("[A]\na=1\n");
  std::ofstream(PathOf("t.ini"), std::ios::binary | std::ios::app) << "b=2\n";
  ASSERT_EQ(ini.WriteString("A", "c", "3"), Result::kOk);
  EXPECT_EQ(Contents(), "[A]\na=1\nb=2\nc=3\n");
  EXPECT_EQ(ini.GetString("A", "b", "-"), "2");
}

TEST_F(ProfileFileTest, ReadOnlyFileIsRefusedAndUnchanged) {
  ProfileFile ini = Make("[A]\nk=1\n");
  ASSERT_EQ(chmod(PathOf("t.ini").c_str(), 0444), 0);
  EXPECT_EQ(ini.WriteString("A", "k", "2"), Result::kDenied);
  EXPECT_EQ(Contents(), "[A]\nk=1\n");
  EXPECT_EQ(ini.GetString("A", "k", "-"), "1");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);  // no temporary left
}

TEST_F(ProfileFileTest, MissingFileReadsEmptyAndWriteCreatesIt) {
  ProfileFile ini = ProfileFile::Open(PathOf("t.ini"));
  EXPECT_EQ(ini.SectionNames(), Names{});
  EXPECT_EQ(ini.GetString("A", "k", "d"), "d");
  ASSERT_EQ(ini.WriteString("Indexed", "idx", "0"), Result::kOk);
  EXPECT_EQ(Contents(), "[Indexed]\nidx=0\n");
  EXPECT_EQ(ini.SectionNames(), Names{"Indexed"});
  // A replaced file keeps its permissions.
  ASSERT_EQ(chmod(PathOf("t.ini").c_str(), 0640), 0);
  ASSERT_EQ(ini.WriteString("Indexed", "idx", "1"), Result::kOk);
  EXPECT_EQ(fs::status(PathOf("t.ini")).permissions(), static_cast<fs::perms>(0640));
}

TEST_F(ProfileFileTest, WriteThroughSymbolicLinkReplacesItsTarget) {
  Make("[A]\n");
  fs::create_symlink("t.ini", PathOf("link.ini"));
  ProfileFile ini = ProfileFile::Open(PathOf("link.ini"));
  ASSERT_EQ(ini.WriteString("A", "k", "v"), Result::kOk);
  EXPECT_TRUE(fs::is_symlink(PathOf("link.ini")));
  EXPECT_EQ(Contents(), "[A]\nk=v\n");
}

TEST_F(ProfileFileTest, WriteIntoMissingFolderOrUnreadableNameFails) {
  ProfileFile lost = ProfileFile::Open(PathOf("none/t.ini"));
  EXPECT_EQ(lost.WriteString("A", "k", "v"), Result::kNotFound);
  EXPECT_FALSE(fs::exists(PathOf("none")));

  ProfileFile ini = Make("[A]\n");
  EXPECT_EQ(ini.WriteString("A", "k=1", "v"), Result::kFailed);
  EXPECT_EQ(ini.WriteString("A", " ;k", "v"), Result::kFailed);
  EXPECT_EQ(ini.WriteString("A]", "k", "v"), Result::kFailed);
  EXPECT_EQ(ini.WriteString("A", "k", "v\nw"), Result::kFailed);
  EXPECT_EQ(Contents(), "[A]\n");
}

}  // namespace
}  // namespace oru::platform
