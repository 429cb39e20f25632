// Drives the built Mellic library through its exports only, loaded as the indexer loads it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/dynlib.h"
#include "platform/little_endian.h"
#include "platform/test_folder.h"
#include "plugin-api/parser_plugin.h"

namespace oru {
namespace {

using namespace std::string_literals;
using Word = std::pair<std::string, uint32_t>;
using WideWord = std::pair<std::u16string, uint32_t>;

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

  // All words the way the indexer asks for them; every call must report `is_wide`.
  template <typename Text>
  std::vector<std::pair<Text, uint32_t>> CollectWords(uint8_t is_wide) {
    std::vector<std::pair<Text, uint32_t>> words;
    WordRecord rec{};
    rec.Capacity = 128;
    for (int guard = 0; guard < 100000; ++guard) {
      std::memset(rec.Buffer, 0, sizeof rec.Buffer);
      rec.IsWide = 9;
      const bool found = next_word_(&rec);
      EXPECT_EQ(rec.IsWide, is_wide);
      if (!found) break;
      Text word;
      for (uint32_t k = 0; k < rec.Length; k += sizeof(typename Text::value_type)) {
        word.push_back(static_cast<typename Text::value_type>(
            is_wide ? platform::ReadLe16(rec.Buffer + k) : rec.Buffer[k]));
      }
      words.emplace_back(word, rec.Position);
    }
    return words;
  }
  std::vector<Word> Words() { return CollectWords<std::string>(0); }
  std::vector<WideWord> WideWords() { return CollectWords<std::u16string>(1); }
  std::vector<std::u16string> WideWordTexts() {
    std::vector<std::u16string> texts;
    for (const WideWord& word : WideWords()) texts.push_back(word.first);
    return texts;
  }
  // A 16-bit fragment of `size` characters before a guard region, up to its first zero
  // character; `length` receives Length (set to 0xDEADBEEF before the call).
  std::u16string WideFragment(uint32_t size, uint32_t* length) {
    std::vector<uint8_t> buffer(2 * size + 64, 0xAB);
    FragmentRecord rec{};
    rec.Size = size;
    rec.Length = 0xDEADBEEF;
    rec.Buffer = buffer.data();
    EXPECT_TRUE(fragment_(&rec));
    EXPECT_EQ(rec.IsWide, 1);
    for (size_t i = 2 * size; i < buffer.size(); ++i) {
      EXPECT_EQ(buffer[i], 0xAB) << "written past Size at " << i;
    }
    EXPECT_EQ(buffer[2 * size - 1] | buffer[2 * size - 2], 0) << "no terminator";
    *length = rec.Length;
    std::u16string text;
    for (size_t k = 0; k < size; ++k) {
      const char16_t unit = platform::ReadLe16(buffer.data() + 2 * k);
      if (unit == 0) break;
      text.push_back(unit);
    }
    return text;
  }
  std::u16string WideLabelled(uint32_t size = 4096) {
    uint32_t length = 0;
    const std::u16string line = WideFragment(size, &length);
    EXPECT_EQ(length, 0xDEADBEEF);
    return line;
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
  // The labelled line (up to its terminator); its Length must be left as it was.
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

// Fields filled to their last byte: each field's end ends a word, whatever byte follows; the
// text and both fragments stay the bytes as they stand.
TEST_F(MellicTest, EveryFieldEndEndsAWord) {
  const Tag full{"Songs Heard Along Exactly Here", "Harbour Street Band of the Bay",
                 "Old Routes of the Northern Sea", "1999",
                 "recorded live at the quay wall", 'P'};
  ASSERT_TRUE(ParseTag(full));
  EXPECT_EQ(Words(),
            (std::vector<Word>{
                {"Songs", 5},     {"Heard", 11},  {"Along", 17},  {"Exactly", 25},   {"Here", 30},
                {"Harbour", 37},  {"Street", 44}, {"Band", 49},   {"of", 52},        {"the", 56},
                {"Bay", 60},      {"Old", 63},    {"Routes", 70}, {"of", 73},        {"the", 77},
                {"Northern", 86}, {"Sea", 90},    {"1999", 94},   {"recorded", 102}, {"live", 107},
                {"at", 110},      {"the", 114},   {"quay", 119},  {"wall", 124},     {"P", 125}}));
  // Asked from inside a field, the word ends at the field's end; the next field follows.
  WordRecord rec{};
  rec.Capacity = 128;
  rec.Position = 28;
  ASSERT_TRUE(next_word_(&rec));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(rec.Buffer), rec.Length), "re");
  EXPECT_EQ(rec.Position, 30u);
  ASSERT_TRUE(next_word_(&rec));
  EXPECT_EQ(rec.Position, 37u);

  bool ok = false;
  uint32_t length = 0;
  EXPECT_EQ(Fragment(128, &ok, &length).substr(0, 126), TagBytes(full).substr(3) + '\0');
  EXPECT_TRUE(ok);
  EXPECT_EQ(length, 127u);
  EXPECT_EQ(Labelled(4096),
            "Title: Songs Heard Along Exactly Here    Artist: Harbour Street Band of the Bay    "
            "Album: Old Routes of the Northern Sea    Year: 1999    "
            "Comments: recorded live at the quay wal");
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

// The longest line has 177 characters; a smaller buffer gets it cut at Size - 1.
TEST_F(MellicTest, LongestLabelledLineIsCutBeforeSize) {
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

// Every refusal also drops the text held before it.
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

// A second _ParseIt without _StopParse serves the second file only.
TEST_F(MellicTest, ParseWhileHoldingReplacesTheText) {
  ASSERT_TRUE(ParseTag({"First"}));
  ASSERT_TRUE(parse_(WriteFile("second.mp3", TagBytes({"Second"})).c_str(), ""));
  EXPECT_EQ(Words(), (std::vector<Word>{{"Second", 6}}));
  EXPECT_FALSE(parse_(WriteFile("third.mp3", "no tag here").c_str(), ""));
  EXPECT_FALSE(HoldsText());
}

// A file tagged by id3v2 (testdata/make-mp3-fixture.sh). Its comment follows the year's four
// bytes at once; the two stay apart.
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
                                        {"2004", 94},
                                        {"recorded", 102},
                                        {"live", 107}}));
  EXPECT_EQ(Labelled(176),
            "Title: Harbour Lights at Dusk    Artist: The Quiet Engines    "
            "Album: Northern Routes    Year: 2004    Comments: recorded live");
}

// ID3 version 2 tags, as tools write them and as forged here.

std::string Syncsafe(uint32_t n) {
  return {static_cast<char>((n >> 21) & 0x7F), static_cast<char>((n >> 14) & 0x7F),
          static_cast<char>((n >> 7) & 0x7F), static_cast<char>(n & 0x7F)};
}
std::string BigEndian(uint32_t n) {
  return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
          static_cast<char>(n)};
}
// A frame of version 2.3 (plain size) or 2.4 (syncsafe size, unless `plain`).
std::string Frame(const std::string& id, const std::string& body, int version = 4,
                  char flags = 0, bool plain = false) {
  const auto size = static_cast<uint32_t>(body.size());
  return id + (version == 4 && !plain ? Syncsafe(size) : BigEndian(size)) + '\0' + flags + body;
}
std::string Id3(int version, char flags, const std::string& body) {
  return "ID3" + std::string{static_cast<char>(version), '\0', flags} +
         Syncsafe(static_cast<uint32_t>(body.size())) + body;
}
std::string Latin1(const std::string& text) { return '\0' + text; }
std::string Utf16(const std::u16string& text) {
  std::string bytes = "\x01\xFF\xFE";
  for (char16_t c : text) bytes += platform::LeBytes(c, 2);
  return bytes;
}
// Inserts a zero byte after every 0xFF, as unsynchronisation does where one is needed.
std::string Unsynchronise(const std::string& data) {
  std::string out;
  for (char c : data) {
    out += c;
    if (c == '\xFF') out += '\0';
  }
  return out;
}
const std::string kAudio = "\xFF\xFB\x90" + std::string(414, '\0');

TEST_F(MellicTest, ReadsVersion2TagsOfEveryVersionAndEncoding) {
  const std::vector<std::pair<const char*, std::vector<std::u16string>>> cases = {
      {"v22.mp3",
       {u"Old", u"Harbour", u"Songs", u"from", u"the", u"Western", u"Isles", u"Siân", u"Évans",
        u"Coastal", u"1998", u"first", u"pressing", u"Harbour", u"Choir", u"Dafydd", u"Ôwen"}},
      {"v23-latin1.mp3",
       {u"Harbour", u"Lights", u"at", u"Dusk", u"over", u"the", u"Northern", u"Sea", u"The",
        u"Quiet", u"Engines", u"Northern", u"Routes", u"2004", u"recorded", u"live", u"Various",
        u"Harbours", u"Ana", u"Ferreira"}},
      {"v23-utf16.mp3",
       {u"Café", u"Ωmega", u"Nights", u"Zoë", u"Kéan", u"Été", u"Paris", u"1999", u"über",
        u"alles", u"Ölçü", u"Ensemble", u"Jiří", u"Novák"}},
      {"v24-utf8.mp3",
       {u"Северный", u"ветер", u"Nordwind", u"Ирина", u"Волкова", u"Зимние", u"песни", u"Пётр",
        u"Ильич"}},
      {"v24-utf16be.mp3", {u"Ωmega", u"Station", u"Ψυχή", u"Band", u"Λευκό", u"Άλμπουμ"}},
  };
  for (const auto& [file, words] : cases) {
    ASSERT_TRUE(parse_((std::string(MELLIC_TESTDATA "/") + file).c_str(), "MP3 Files")) << file;
    EXPECT_EQ(WideWordTexts(), words) << file;
  }
  ASSERT_TRUE(parse_(MELLIC_TESTDATA "/v24-utf16be.mp3", ""));
  EXPECT_EQ(WideWords(), (std::vector<WideWord>{{u"Ωmega", 5},
                                                {u"Station", 13},
                                                {u"Ψυχή", 18},
                                                {u"Band", 23},
                                                {u"Λευκό", 29},
                                                {u"Άλμπουμ", 37}}));
  ASSERT_TRUE(parse_(MELLIC_TESTDATA "/v23-latin1.mp3", ""));
  EXPECT_EQ(WideLabelled(),
            u"Title: Harbour Lights at Dusk over the Northern Sea    Artist: The Quiet Engines    "
            u"Album: Northern Routes    Year: 2004    Comments: recorded live    "
            u"Album artist: Various Harbours    Composer: Ana Ferreira    ");
}

TEST_F(MellicTest, Version1FillsTheFieldsVersion2Lacks) {
  ASSERT_TRUE(parse_(MELLIC_TESTDATA "/both-tags.mp3", ""));
  EXPECT_EQ(WideWordTexts(),
            (std::vector<std::u16string>{u"Title", u"Longer", u"Than", u"Thirty", u"Bytes",
                                         u"Each", u"Way", u"Version", u"Two", u"Artist",
                                         u"Filled", u"Album", u"1987", u"filled", u"comment"}));
  EXPECT_EQ(WideLabelled(),
            u"Title: A Title Longer Than Thirty Bytes Each Way    Artist: Version Two Artist    "
            u"Album: Filled Album    Year: 1987    Comments: filled comment");
}

// A version 2 tag with none of the indexed fields changes nothing: same words, positions and
// fragments, byte for byte, as the version 1 tag alone.
TEST_F(MellicTest, Version2TagWithoutIndexedFieldsIsServedFromVersion1) {
  std::vector<std::vector<Word>> words;
  std::vector<std::string> raw, labelled;
  for (const char* file : {MELLIC_TESTDATA "/tagged.mp3", MELLIC_TESTDATA "/v2-no-fields.mp3"}) {
    ASSERT_TRUE(parse_(file, ""));
    words.push_back(Words());
    bool ok = false;
    uint32_t length = 0;
    raw.push_back(Fragment(128, &ok, &length));
    EXPECT_TRUE(ok);
    EXPECT_EQ(length, 127u);
    labelled.push_back(Labelled(176));
  }
  EXPECT_EQ(words[0], words[1]);
  EXPECT_EQ(raw[0], raw[1]);
  EXPECT_EQ(labelled[0], labelled[1]);

  // Only an application's comment: not a field either.
  const std::string itunes = Frame("COMM", "\0engiTunNORM\0 00000A2B 00000C4F"s);
  ASSERT_TRUE(parse_(WriteFile("a.mp3", Id3(4, 0, itunes) + kAudio + TagBytes({"Old"})).c_str(), ""));
  EXPECT_EQ(Words(), (std::vector<Word>{{"Old", 3}}));
  EXPECT_FALSE(parse_(WriteFile("b.mp3", Id3(4, 0, itunes) + kAudio).c_str(), ""));
  // The label some taggers give the user's own comment does not make it a note.
  const std::string id3lib_comment = Frame("COMM", "\0engID3v1 Comment\0kept remark"s);
  ASSERT_TRUE(parse_(WriteFile("c.mp3", Id3(4, 0, id3lib_comment) + kAudio).c_str(), ""));
  EXPECT_EQ(WideWordTexts(), (std::vector<std::u16string>{u"kept", u"remark"}));
}

TEST_F(MellicTest, UserCommentIsTheOneWithoutDescriptionAndStringsAreJoined) {
  ASSERT_TRUE(parse_(MELLIC_TESTDATA "/v24-multi.mp3", ""));
  EXPECT_EQ(WideWordTexts(), (std::vector<std::u16string>{u"Lanterns", u"Ana", u"Ferreira",
                                                           u"Bruno", u"Lima", u"2011-04-02",
                                                           u"harbour", u"session"}));
  EXPECT_EQ(WideLabelled(),
            u"Title: Lanterns    Artist: Ana Ferreira Bruno Lima    Year: 2011-04-02    "
            u"Comments: harbour session");
  // The first frame with text wins; an empty one before it does not count.
  const std::string frames = Frame("TIT2", Latin1("")) + Frame("TIT2", Latin1("First")) +
                             Frame("TIT2", Latin1("Second"));
  ASSERT_TRUE(parse_(WriteFile("c.mp3", Id3(4, 0, frames) + kAudio).c_str(), ""));
  EXPECT_EQ(WideWordTexts(), std::vector<std::u16string>{u"First"});
  // Bytes 0x80-0x9F of an 8-bit frame are read as Windows-1252, as Windows taggers write them.
  const std::string quoted = Frame("TIT2", Latin1("Don\x92t \x93Stop\x94 \x80uro"));
  ASSERT_TRUE(parse_(WriteFile("d.mp3", Id3(4, 0, quoted) + kAudio).c_str(), ""));
  EXPECT_EQ(WideWordTexts(), (std::vector<std::u16string>{u"Don", u"Stop", u"uro"}));
  EXPECT_EQ(WideLabelled(), u"Title: Don\u2019t \u201CStop\u201D \u20ACuro    ");
}

TEST_F(MellicTest, ReadsUnsynchronisedTagsExtendedHeadersAndFooters) {
  // 2.3: an extended header and tag-wide unsynchronisation; a compressed frame is passed over,
  // a grouped one read after its group byte.
  const std::string v23 =
      Unsynchronise(BigEndian(6) + std::string(6, '\0') +
                    Frame("TIT2", Utf16(u"ÿÿ unsynchronised title"), 3) +
                    Frame("TPE1", "\0\0\0\x10x\x9c"s, 3, '\x80') +
                    Frame("TALB", "\x07" + Latin1("Grouped"), 3, '\x20') + std::string(16, '\0'));
  ASSERT_TRUE(parse_(WriteFile("v23.mp3", Id3(3, '\xC0', v23) + kAudio).c_str(), ""));
  EXPECT_EQ(WideWordTexts(),
            (std::vector<std::u16string>{u"ÿÿ", u"unsynchronised", u"title", u"Grouped"}));

  // 2.4: an extended header, a frame unsynchronised on its own with a data length, an
  // encrypted frame passed over, padding, and a footer after it all.
  const std::string title = Utf16(u"ÿÿ own frame");
  const std::string v24 =
      Syncsafe(6) + "\x01" + '\0' +
      Frame("TIT2", Syncsafe(static_cast<uint32_t>(title.size())) + Unsynchronise(title), 4, 3) +
      Frame("TPE1", "\x80" + Latin1("secret"), 4, 4) + Frame("TCOM", "\x03" "Composer") +
      std::string(20, '\0');
  std::string tag = Id3(4, 0x50, v24);
  tag += "3DI" + tag.substr(3, 7);
  ASSERT_TRUE(parse_(WriteFile("v24.mp3", tag + kAudio).c_str(), ""));
  EXPECT_EQ(WideWordTexts(), (std::vector<std::u16string>{u"ÿÿ", u"own", u"frame", u"Composer"}));
  EXPECT_EQ(WideLabelled(), u"Title: ÿÿ own frame    Composer: Composer    ");
}

TEST_F(MellicTest, ForgedSizesAndTextsStayWithinTheTag) {
  const std::string title = Frame("TIT2", Latin1("Kept"));
  // A tag larger than the file, and a frame larger than its tag: the frames before are kept.
  const std::string cut = Id3(4, 0, title + Frame("TPE1", Latin1("Lost artist")));
  ASSERT_TRUE(parse_(WriteFile("a.mp3", cut.substr(0, cut.size() - 3)).c_str(), ""));
  EXPECT_EQ(WideWordTexts(), std::vector<std::u16string>{u"Kept"});
  const std::string too_long = Frame("TPE1", Latin1("x")).substr(0, 4) + Syncsafe(5000) + "\0\0"s;
  ASSERT_TRUE(parse_(WriteFile("b.mp3", Id3(4, 0, title + too_long + "\0zz"s) + kAudio).c_str(), ""));
  EXPECT_EQ(WideWordTexts(), std::vector<std::u16string>{u"Kept"});

  // A header size that is not syncsafe: no version 2 tag, so the version 1 tag as today.
  std::string bad_header = Id3(4, 0, title);
  bad_header[9] = '\x80';
  ASSERT_TRUE(parse_(WriteFile("c.mp3", bad_header + kAudio + TagBytes({"Old"})).c_str(), ""));
  EXPECT_EQ(Words(), (std::vector<Word>{{"Old", 3}}));
  EXPECT_FALSE(parse_(WriteFile("d.mp3", bad_header + kAudio).c_str(), ""));

  // 2.4 frames written with plain sizes, one of them at least 128.
  std::string long_title;
  for (int k = 0; k < 30; ++k) long_title += "word" + std::to_string(k) + " ";
  const std::string plain = Frame("TIT2", Latin1(long_title), 4, 0, true) +
                            Frame("TPE1", Latin1("Plain Artist"), 4, 0, true);
  ASSERT_TRUE(parse_(WriteFile("e.mp3", Id3(4, 0, plain) + kAudio).c_str(), ""));
  const std::vector<std::u16string> words = WideWordTexts();
  ASSERT_EQ(words.size(), 32u);
  EXPECT_EQ(words[29], u"word29");
  EXPECT_EQ(words[31], u"Artist");

  // An odd-length UTF-16 string loses its last byte; one without byte-order mark is read
  // little-endian; an unknown encoding gives nothing.
  const std::string odd = Frame("TIT2", Utf16(u"Odd") + "X") + Frame("TPE1", "\x01N\0o\0m\0"s) +
                          Frame("TALB", "\x09Unknown");
  ASSERT_TRUE(parse_(WriteFile("f.mp3", Id3(4, 0, odd) + kAudio).c_str(), ""));
  EXPECT_EQ(WideWordTexts(), (std::vector<std::u16string>{u"Odd", u"Nom"}));

  // A million characters are served whole; more than 1 Mi characters of text are cut there.
  const std::string million = Frame("TIT2", Latin1(std::string(999990, 'x') + " end"));
  ASSERT_TRUE(parse_(WriteFile("g.mp3", Id3(4, 0, million) + kAudio).c_str(), ""));
  EXPECT_EQ(WideWords(), (std::vector<WideWord>{{std::u16string(64, u'x'), 999990},
                                                {u"end", 999994}}));
  const std::string over = Frame("TIT2", Latin1(std::string(700000, 'a'))) +
                           Frame("TPE1", Latin1(std::string(700000, 'b'))) +
                           Frame("TALB", Latin1("Tail"));
  ASSERT_TRUE(parse_(WriteFile("h.mp3", Id3(4, 0, over) + kAudio).c_str(), ""));
  EXPECT_EQ(WideWords(), (std::vector<WideWord>{{std::u16string(64, u'a'), 700000},
                                                {std::u16string(64, u'b'), 1u << 20}}));
}

TEST_F(MellicTest, WideFragmentsStayWithinSize) {
  ASSERT_TRUE(parse_(MELLIC_TESTDATA "/v23-latin1.mp3", ""));
  const std::u16string text =
      u"Harbour Lights at Dusk over the Northern Sea The Quiet Engines Northern Routes 2004 "
      u"recorded live Various Harbours Ana Ferreira";
  uint32_t length = 0;
  EXPECT_EQ(WideFragment(128, &length), text.substr(0, 127));
  EXPECT_EQ(length, 127u);
  EXPECT_EQ(WideFragment(175, &length), text);
  EXPECT_EQ(length, text.size());
  const std::u16string line = WideLabelled(4096);
  EXPECT_EQ(WideLabelled(176), line.substr(0, 175));
  std::vector<uint8_t> buffer(2 * 127, 0xAB);
  FragmentRecord rec{};
  rec.Size = 127;
  rec.Buffer = buffer.data();
  EXPECT_FALSE(fragment_(&rec));
  EXPECT_EQ(buffer, std::vector<uint8_t>(2 * 127, 0xAB));
}

}  // namespace
}  // namespace oru
