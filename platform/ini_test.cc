#include "platform/ini.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <sstream>

#include "platform/test_folder.h"
#ifdef _WIN32
#include "platform/test_windows.h"
#else
#include <unistd.h>
#endif

namespace oru::platform {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read |
                                fs::perms::others_read;

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(temp_.path().empty());
    dir_ = temp_.path();
  }

  std::string PathOf(const std::string& name) { return temp_.Path(name); }
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

  TestFolder temp_;
  fs::path dir_;
};

TEST_F(ProfileFileTest, NamesAreCaseBlindAndIgnoreBlanksAndFirstMatchWins) {
  ProfileFile ini = Make(" [ Files ]\n\t KEY One =a\nkey one=b\nother=c\n[files]\nx=d\n");
  EXPECT_EQ(ini.GetString("fileS\t", "  key ONE", "-"), "a");
  EXPECT_EQ(ini.GetString("FILES", "other", "-"), "c");
  // Keys are looked for in the first matching section only.
  EXPECT_EQ(ini.GetString("Files", "x", "-"), "-");
  EXPECT_EQ(ini.KeyNames("files"), (Names{"KEY One", "key one", "other"}));
}

TEST_F(ProfileFileTest, AccentedNamesAreCaseBlindToo) {
#ifdef _WIN32
  // Windows compares names case-blind in Unicode; Wine's profile code folds ASCII only.
  if (RunningUnderWine()) GTEST_SKIP() << "Wine compares profile names case-blind in ASCII only";
#endif
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

#ifndef _WIN32
// How the POSIX reader takes odd lines. Windows reads them as its profile routines do.
TEST_F(ProfileFileTest, LineKinds) {
  ProfileFile ini = Make(
      "lost=1\n[B]\n;c=1\nno equals\n =blank name\n[Open\nk=2\n[A] tail\n[B]\n[]\n\r\nz=3\r");
  EXPECT_EQ(ini.SectionNames(), (Names{"B", "Open", "A", "B", ""}));
  EXPECT_EQ(ini.KeyNames("B"), Names{});
  EXPECT_EQ(ini.GetString("Open", "k", "-"), "2");  // a header without "]" runs to the end
  EXPECT_EQ(ini.GetString("", "z", "-"), "3");       // a last line without LF is read
  EXPECT_EQ(ini.GetString("", "lost", "-"), "-");
}
#endif

TEST_F(ProfileFileTest, HeaderTailsAndRepeatedSections) {
  ProfileFile ini = Make("[B]\n;c=1\nk=1\n[A] tail\nx=2\n[B]\ny=3\n");
  EXPECT_EQ(ini.SectionNames(), (Names{"B", "A", "B"}));
  EXPECT_EQ(ini.GetString("A", "x", "-"), "2");
  EXPECT_EQ(ini.KeyNames("B"), Names{"k"});
  EXPECT_EQ(ini.GetString("B", "y", "-"), "-");
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

#ifndef _WIN32
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
#endif

// What every platform keeps on a write; the layout of the lines is the platform's (Windows
// rewrites them through its profile routines).
TEST_F(ProfileFileTest, WriteKeepsTheOtherEntriesAndComments) {
  ProfileFile ini = Make("; head\r\n[A]\r\nKey=old\r\nk2=x\r\n[B]\r\nb=1\r\n; note\r\n[C]\r\n");
  ASSERT_EQ(ini.WriteString("a", "KEY", "new"), Result::kOk);
  ASSERT_EQ(ini.WriteString("B", "added", "2"), Result::kOk);
  ASSERT_EQ(ini.WriteString("C", "c", "3"), Result::kOk);
  ASSERT_EQ(ini.WriteString("New", "n", "4"), Result::kOk);
  ProfileFile again = ProfileFile::Open(PathOf("t.ini"));
  EXPECT_EQ(again.SectionNames(), (Names{"A", "B", "C", "New"}));
  EXPECT_EQ(again.KeyNames("A"), (Names{"Key", "k2"}));  // the file's spelling of the key
  EXPECT_EQ(again.KeyNames("B"), (Names{"b", "added"}));
  EXPECT_EQ(again.GetString("A", "key", "-"), "new");
  EXPECT_EQ(again.GetString("A", "k2", "-"), "x");
  EXPECT_EQ(again.GetString("C", "c", "-"), "3");
  EXPECT_EQ(again.GetString("new", "n", "-"), "4");
  EXPECT_EQ(ini.GetString("B", "added", "-"), "2");
  const std::string text = Contents();
  EXPECT_NE(text.find("; head"), std::string::npos);
  EXPECT_NE(text.find("; note"), std::string::npos);
}

TEST_F(ProfileFileTest, KeyWrittenTwiceIsInTheFileOnce) {
  ProfileFile ini = Make("x=0\n[Ext]\nWord=a\nlast=1");
  ASSERT_EQ(ini.WriteString("Ext", "MP3", "MP3 Files<mp3="), Result::kOk);
  ASSERT_EQ(ini.WriteString("EXT", "mp3", "second"), Result::kOk);
  EXPECT_EQ(ini.GetString("ext", "Mp3", "-"), "second");
  ASSERT_EQ(ini.WriteString("Other", "k", "v"), Result::kOk);
  EXPECT_EQ(ini.KeyNames("ext"), (Names{"Word", "last", "MP3"}));
#ifdef _WIN32
  EXPECT_EQ(ini.SectionNames(), (Names{"Ext", "Other"}));
#else
  EXPECT_EQ(Contents(), "x=0\n[Ext]\nWord=a\nlast=1\nMP3=second\n[Other]\nk=v\n");
#endif
}

TEST_F(ProfileFileTest, DeletedKeyGoesAndTheRestStays) {
  ProfileFile ini = Make("[Indexed]\r\ndocs=1\r\nmusic.2=1\r\nmusic=0\r\n[Other]\r\ndocs=5\r\n");
  ASSERT_EQ(ini.DeleteKey("INDEXED", "Music.2"), Result::kOk);
  ASSERT_EQ(ini.DeleteKey("Indexed", "absent"), Result::kOk);
  ProfileFile again = ProfileFile::Open(PathOf("t.ini"));
  EXPECT_EQ(again.KeyNames("Indexed"), (Names{"docs", "music"}));
  EXPECT_EQ(again.GetString("Other", "docs", "-"), "5");
#ifndef _WIN32
  EXPECT_EQ(Contents(), "[Indexed]\r\ndocs=1\r\nmusic=0\r\n[Other]\r\ndocs=5\r\n");
#endif
  EXPECT_EQ(ProfileFile::Open(PathOf("none.ini")).DeleteKey("a", "b"), Result::kOk);
}

// Several changes at once: made in order, each as alone. On POSIX the file is replaced once,
// and a value that cannot be kept refuses every change.
TEST_F(ProfileFileTest, ChangesAreMadeInOrderAndTogether) {
  ProfileFile ini = Make("[Indexed]\r\ndocs=0\r\n[Since]\r\ndocs=9\r\n");
  ASSERT_EQ(ini.Change({{"Since", "docs", std::nullopt},
                        {"Indexed", "docs", "1"},
                        {"New", "docs", "x"},
                        {"New", "docs", "y"},
                        {"Gone", "docs", std::nullopt}}),
            Result::kOk);
  ProfileFile again = ProfileFile::Open(PathOf("t.ini"));
  EXPECT_EQ(again.GetString("Indexed", "docs", "-"), "1");
  EXPECT_EQ(again.GetString("Since", "docs", "-"), "-");
  EXPECT_EQ(again.GetString("New", "docs", "-"), "y");
#ifndef _WIN32
  const std::string before = Contents();
  EXPECT_EQ(ini.Change({{"Indexed", "docs", "0"}, {"Indexed", "bad", "a\nb"}}), Result::kFailed);
  EXPECT_EQ(Contents(), before);
#endif
  EXPECT_EQ(ProfileFile::Open(PathOf("none.ini")).Change({{"a", "b", std::nullopt}}), Result::kOk);
  EXPECT_FALSE(fs::exists(PathOf("none.ini")));
}

#ifndef _WIN32
// A writer killed between writing its temporary and renaming it leaves the temporary; the next
// write removes it, and never one of a writer still running (this process).
TEST_F(ProfileFileTest, AWriteRemovesTheTemporariesOfKilledWriters) {
  ProfileFile ini = Make("[A]\nk=1\n");
  const std::string dead = PathOf(".t.ini.tmp999999999-0");
  const std::string alive = PathOf(".t.ini.tmp" + std::to_string(::getpid()) + "-7");
  std::ofstream(dead) << "left";
  std::ofstream(alive) << "in use";
  ASSERT_EQ(ini.WriteString("A", "k", "2"), Result::kOk);
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(alive));
}
#endif

TEST_F(ProfileFileTest, WriteStartsFromTheFileOnDisk) {
  ProfileFile ini = Make("[A]\na=1\n");
  std::ofstream(PathOf("t.ini"), std::ios::binary | std::ios::app) << "b=2\n";
  ASSERT_EQ(ini.WriteString("A", "c", "3"), Result::kOk);
#ifdef _WIN32
  EXPECT_EQ(Contents(), "[A]\r\na=1\r\nb=2\r\nc=3\r\n");  // written as Windows writes lines
#else
  EXPECT_EQ(Contents(), "[A]\na=1\nb=2\nc=3\n");
#endif
  EXPECT_EQ(ini.GetString("A", "b", "-"), "2");
}

TEST_F(ProfileFileTest, ReadOnlyFileIsRefusedAndUnchanged) {
  ProfileFile ini = Make("[A]\nk=1\n");
  fs::permissions(PathOf("t.ini"), kReadOnly);  // Windows: the read-only attribute
  EXPECT_EQ(ini.WriteString("A", "k", "2"), Result::kDenied);
  EXPECT_EQ(Contents(), "[A]\nk=1\n");
  EXPECT_EQ(ini.GetString("A", "k", "-"), "1");
  EXPECT_EQ(ProfileFile::Open(PathOf("t.ini")).GetString("A", "k", "-"), "1");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);  // no temporary left
  fs::permissions(PathOf("t.ini"), fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(ProfileFileTest, MissingFileReadsEmptyAndWriteCreatesIt) {
  ProfileFile ini = ProfileFile::Open(PathOf("t.ini"));
  EXPECT_EQ(ini.SectionNames(), Names{});
  EXPECT_EQ(ini.GetString("A", "k", "d"), "d");
  ASSERT_EQ(ini.WriteString("Indexed", "idx", "0"), Result::kOk);
#ifdef _WIN32
  EXPECT_EQ(Contents(), "[Indexed]\r\nidx=0\r\n");
#else
  EXPECT_EQ(Contents(), "[Indexed]\nidx=0\n");
#endif
  EXPECT_EQ(ini.SectionNames(), Names{"Indexed"});
#ifndef _WIN32
  // A replaced file keeps its permissions.
  fs::permissions(PathOf("t.ini"), static_cast<fs::perms>(0640));
  ASSERT_EQ(ini.WriteString("Indexed", "idx", "1"), Result::kOk);
  EXPECT_EQ(fs::status(PathOf("t.ini")).permissions(), static_cast<fs::perms>(0640));
#endif
}

#ifndef _WIN32
TEST_F(ProfileFileTest, WriteThroughSymbolicLinkReplacesItsTarget) {
  Make("[A]\n");
  fs::create_symlink("t.ini", PathOf("link.ini"));
  ProfileFile ini = ProfileFile::Open(PathOf("link.ini"));
  ASSERT_EQ(ini.WriteString("A", "k", "v"), Result::kOk);
  EXPECT_TRUE(fs::is_symlink(PathOf("link.ini")));
  EXPECT_EQ(Contents(), "[A]\nk=v\n");
}
#endif

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
