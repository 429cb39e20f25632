// Drives the built Mellic library through its exports only, loaded as the indexer loads it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/dynlib.h"
#include "platform/test_folder.h"
#include "plugin-api/parser_plugin.h"

namespace oru {
namespace {

using Word = std::pair<std::string, uint32_t>;

struct Tag {
  Tag(std::string t = "", std::string ar = "", std::string al = "", std::string y = "",
      std::string c = "", char g = 0, std::string m = "TAG")
      : title(std::move(t)),
        artist(std::move(ar)),
        album(std::move(al)),
        year(std::move(y)),
        comment(std::move(c)),
        genre(g),
        marker(std::move(m)) {}
  std::string title, artist, album, year, comment;
  char genre;
  std::string marker;
};

// The 128 tag bytes: each field padded with zero bytes to its width.
std::string TagBytes(const Tag& t) {
  std::string bytes = t.marker;
  for (auto [field, width] :
       {std::pair{&t.title, 30}, {&t.artist, 30}, {&t.album, 30}, {&t.year, 4}, {&t.comment, 30}}) {
    bytes +=
        field->substr(0, width) + std::string(width - std::min<size_t>(field->size(), width), '\0');
  }
  return bytes + t.genre;
}

class MellicTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    library_ = new platform::Library(platform::LoadLibrary(MELLIC_LIBRARY));
    ASSERT_TRUE(library_->loaded()) << platform::LastLoadError();
    get_data_ = library_->Find<GetFPlugDataFn>(kGetFPlugDataExport);
    parse_ = library_->Find<ParseItFn>(kParseItExport);
    next_word_ = library_->Find<GetNextWordFn>(kGetNextWordExport);
    stop_ = library_->Find<StopParseFn>(kStopParseExport);
    fragment_ = library_->Find<GetFragmentAtPosFn>(kGetFragmentAtPosExport);
    ASSERT_TRUE(get_data_ && parse_ && next_word_ && stop_ && fragment_);
  }
  static void TearDownTestSuite() {
    delete library_;
    library_ = nullptr;
  }

  void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }
  void TearDown() override { stop_(); }

  std::string WriteFile(const std::string& name, const std::string& contents) {
    return folder_.Write(name, contents);
  }
  // Some audio bytes and then the tag, parsed; true when the plug-in holds a text.
  bool ParseTag(const Tag& tag) {
    return parse_(WriteFile("song.mp3", std::string(300, '\xFB') + TagBytes(tag)).c_str(),
                  "MP3 Files");
  }

  // All words the way the indexer asks for them; every call must report 8-bit text.
  std::vector<Word> Words() {
    std::vector<Word> words;
    WordRecord rec{};
    rec.Capacity = 128;
    for (int guard = 0; guard < 200; ++guard) {
      std::memset(rec.Buffer, 0, sizeof rec.Buffer);
      rec.IsWide = 9;
      const bool found = next_word_(&rec);
      EXPECT_EQ(rec.IsWide, 0);
      if (!found) break;
      words.emplace_back(std::string(reinterpret_cast<char*>(rec.Buffer), rec.Length),
                         rec.Position);
    }
    return words;
  }

  // Asks for a fragment of `size` bytes placed before a guard region; checks the guard and
  // returns the buffer's bytes up to `size`.
  std::string Fragment(uint32_t size, bool* ok, uint32_t* length) {
    std::vector<char> buffer(size + 64, '\xAB');
    FragmentRecord rec{};
    rec.Position = 77;
    rec.Size = size;
    rec.Length = 0xDEADBEEF;
    rec.Buffer = buffer.data();
    rec.IsWide = 9;
    *ok = fragment_(&rec);
    EXPECT_EQ(rec.IsWide, 0);
    EXPECT_EQ(rec.Size, size);
    EXPECT_EQ(rec.Position, 77u);
    for (size_t i = size; i < buffer.size(); ++i)
      EXPECT_EQ(buffer[i], '\xAB') << "written past Size at " << i;
    *length = rec.Length;
    return std::string(buffer.data(), size);
  }
  bool HoldsText() {
    std::vector<char> buffer(128);
    FragmentRecord rec{};
    rec.Size = 128;
    rec.Buffer = buffer.data();
    return fragment_(&rec);
  }
  // The labelled line (up to its terminator); its Length must be left as it was (C4).
  std::string Labelled(uint32_t size) {
    bool ok = false;
    uint32_t length = 0;
    const std::string bytes = Fragment(size, &ok, &length);
    EXPECT_TRUE(ok);
    EXPECT_EQ(length, 0xDEADBEEF);
    return bytes.c_str();
  }

  static inline platform::Library* library_ = nullptr;
  static inline GetFPlugDataFn get_data_ = nullptr;
  static inline ParseItFn parse_ = nullptr;
  static inline GetNextWordFn next_word_ = nullptr;
  static inline StopParseFn stop_ = nullptr;
  static inline GetFragmentAtPosFn fragment_ = nullptr;
  platform::TestFolder folder_;
};

TEST_F(MellicTest, DescriptorClearsOnlyTheFilterAndEndsEachString) {
  std::vector<uint8_t> block(2080, 0xFF);
  ASSERT_TRUE(get_data_(reinterpret_cast<DescriptorBlock*>(block.data())));
  const std::string filter = "MP3 Files<mp3=";
  const std::string description =
      "This plugin is developed for parsing tags in MP3 files. Files extensions to be handled: "
      "mp3.";
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block.data())), filter);
  for (size_t i = filter.size(); i < 1024; ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&block[1024])), description);
  EXPECT_EQ(block[1024 + description.size() + 1], 0xFF);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&block[2048])), "Mellic");
  for (size_t i = 2048 + 7; i < 2080; ++i) ASSERT_EQ(block[i], 0xFF) << i;
  EXPECT_FALSE(get_data_(nullptr));
}

TEST_F(MellicTest, WordsComeInOrderWithTheirPositions) {
  ASSERT_TRUE(ParseTag({"Harbour Lights", "The Quays", "Night Ferry", "1999", "", '\x0D'}));
  EXPECT_EQ(Words(), (std::vector<Word>{{"Harbour", 7},
                                        {"Lights", 14},
                                        {"The", 33},
                                        {"Quays", 39},
                                        {"Night", 65},
                                        {"Ferry", 71},
                                        {"1999", 94}}));
}

TEST_F(MellicTest, OneLetterFieldsAndZeroTitlesGiveNoWords) {
  ASSERT_TRUE(ParseTag({std::string(30, '\0'), "X", "Disc", "", "well-known_tune"}));
  EXPECT_EQ(Words(), (std::vector<Word>{{"Disc", 64}, {"well-known_tune", 109}}));
}

TEST_F(MellicTest, RawFragmentShowsTheTextWithZeroBytesAsSpaces) {
  ASSERT_TRUE(ParseTag({"Alpha", std::string(30, '\0'), "", "", "", '\x07'}));
  std::string text = TagBytes({"Alpha"}).substr(3, 125);
  for (char& c : text) c = c == '\0' ? ' ' : c;
  text[124] = '\x07';  // the genre byte is shown as it is
  for (uint32_t size : {128u, 175u}) {
    bool ok = false;
    uint32_t length = 0;
    const std::string bytes = Fragment(size, &ok, &length);
    ASSERT_TRUE(ok);
    EXPECT_EQ(length, 127u);
    EXPECT_EQ(bytes.substr(0, 125), text);
    EXPECT_EQ(bytes.substr(125), std::string(size - 125, '\0'));
  }
}

TEST_F(MellicTest, LabelledFragmentLeavesOutBlankFields) {
  ASSERT_TRUE(ParseTag({"Alpha Beta", "  ", "Gamma", "1999", ""}));
  const std::string line = "Title: Alpha Beta    Album: Gamma    Year: 1999    ";
  EXPECT_EQ(Labelled(176), line);
  EXPECT_EQ(Labelled(4096), line);

  ASSERT_TRUE(ParseTag({}));
  EXPECT_EQ(Labelled(176), "");
  ASSERT_TRUE(ParseTag({"", "", "", "", "fine\t\r\n"}));
  EXPECT_EQ(Labelled(176), "Comments: fine");
}

// F12: the longest line has 177 characters; a smaller buffer gets it cut at Size - 1.
TEST_F(MellicTest, F12LongestLabelledLineIsCutBeforeSize) {
  ASSERT_TRUE(ParseTag({std::string(30, 't'), std::string(30, 'a'), std::string(30, 'b'), "2024",
                        std::string(30, 'c')}));
  const std::string full =
      "Title: " + std::string(30, 't') + "    Artist: " + std::string(30, 'a') +
      "    Album: " + std::string(30, 'b') + "    Year: 2024    Comments: " + std::string(29, 'c');
  ASSERT_EQ(full.size(), 177u);
  EXPECT_EQ(Labelled(176), full.substr(0, 175));
  EXPECT_EQ(Labelled(177), full.substr(0, 176));
  EXPECT_EQ(Labelled(178), full);
}

TEST_F(MellicTest, FragmentBelow128IsRefusedUntouched) {
  ASSERT_TRUE(ParseTag({"Alpha"}));
  bool ok = true;
  uint32_t length = 0;
  EXPECT_EQ(Fragment(127, &ok, &length), std::string(127, '\xAB'));
  EXPECT_FALSE(ok);
  EXPECT_EQ(length, 0xDEADBEEF);
}

// Every refusal also drops the text held before it (F25).
TEST_F(MellicTest, RefusesFilesWithoutAnUpperCaseTag) {
  const std::string lower = std::string(200, 'x') + TagBytes(Tag("Song", "", "", "", "", 0, "tag"));
  const std::string missing = folder_.Path("missing.mp3");
  for (const std::string& contents : {lower, TagBytes({"Song"}).substr(0, 127), std::string()}) {
    ASSERT_TRUE(ParseTag({"Held"}));
    EXPECT_FALSE(parse_(WriteFile("refused.mp3", contents).c_str(), ""));
    EXPECT_TRUE(Words().empty());
    EXPECT_FALSE(HoldsText());
  }
  for (const char* name : {missing.c_str(), "", static_cast<const char*>(nullptr)}) {
    ASSERT_TRUE(ParseTag({"Held"}));
    EXPECT_FALSE(parse_(name, nullptr));
    EXPECT_FALSE(HoldsText());
  }
  // A file that is nothing but its tag is fine.
  EXPECT_TRUE(parse_(WriteFile("bare.mp3", TagBytes({"Song"})).c_str(), nullptr));
  EXPECT_EQ(Words(), (std::vector<Word>{{"Song", 4}}));
}

TEST_F(MellicTest, NothingIsServedWithoutAHeldText) {
  stop_();
  stop_();
  EXPECT_TRUE(Words().empty());
  EXPECT_FALSE(HoldsText());
  ASSERT_TRUE(ParseTag({"Alpha"}));
  EXPECT_FALSE(next_word_(nullptr));
  EXPECT_FALSE(fragment_(nullptr));
  stop_();
  stop_();
  EXPECT_TRUE(Words().empty());
  EXPECT_FALSE(HoldsText());
}

TEST_F(MellicTest, PositionAtOrPastTheEndFindsNothing) {
  ASSERT_TRUE(ParseTag({"Alpha"}));
  for (uint32_t position : {125u, 126u, 0xFFFFFFFFu}) {
    WordRecord rec{};
    rec.Capacity = 128;
    rec.Position = position;
    EXPECT_FALSE(next_word_(&rec));
    EXPECT_EQ(rec.Position, position);
    EXPECT_EQ(rec.Length, 0);
  }
}

// F25: a second _ParseIt without _StopParse serves the second file only.
TEST_F(MellicTest, F25ParseWhileHoldingReplacesTheText) {
  ASSERT_TRUE(ParseTag({"First"}));
  ASSERT_TRUE(parse_(WriteFile("second.mp3", TagBytes({"Second"})).c_str(), ""));
  EXPECT_EQ(Words(), (std::vector<Word>{{"Second", 6}}));
  EXPECT_FALSE(parse_(WriteFile("third.mp3", "no tag here").c_str(), ""));
  EXPECT_FALSE(HoldsText());
}

// A file tagged by id3v2 (testdata/make-mp3-fixture.sh). Its year runs straight into the
// comment, so the two make one word.
TEST_F(MellicTest, ReadsATagWrittenByATaggingTool) {
  ASSERT_TRUE(parse_(MELLIC_TESTDATA "/tagged.mp3", "MP3 Files"));
  EXPECT_EQ(Words(), (std::vector<Word>{{"Harbour", 7},
                                        {"Lights", 14},
                                        {"at", 17},
                                        {"Dusk", 22},
                                        {"The", 33},
                                        {"Quiet", 39},
                                        {"Engines", 47},
                                        {"Northern", 68},
                                        {"Routes", 75},
                                        {"2004recorded", 102},
                                        {"live", 107}}));
  EXPECT_EQ(Labelled(176),
            "Title: Harbour Lights at Dusk    Artist: The Quiet Engines    "
            "Album: Northern Routes    Year: 2004    Comments: recorded live");
}

}  // namespace
}  // namespace oru
