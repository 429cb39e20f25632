#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "indexer/engine/file_words.h"
#include "platform/little_endian.h"
#include "platform/md5.h"

namespace oru {
namespace {

// A parser that hands out a fixed list of words, 8-bit or UTF-16.
struct FakeParser {
  static inline std::vector<std::u16string> words;
  static inline bool wide = false;
  static inline bool parse_result = true;
  static inline bool stuck = false;  // hands out its first word forever without moving on
  static inline int stop_calls = 0;
  static inline size_t next = 0;

  static bool ParseIt(const char*, const char*) {
    next = 0;
    return parse_result;
  }
  static bool GetNextWord(WordRecord* rec) {
    if (next >= words.size()) return false;
    const std::u16string& w = words[stuck ? 0 : next++];
    std::memset(rec->Buffer, 0, sizeof(rec->Buffer));
    size_t n = 0;
    for (char16_t c : w) {
      if (wide) {
        if (n + 2 > rec->Capacity) break;
        platform::WriteLe16(rec->Buffer + n, c);
        n += 2;
      } else {
        if (n + 1 > rec->Capacity) break;
        rec->Buffer[n++] = static_cast<uint8_t>(c);
      }
    }
    rec->Length = static_cast<uint16_t>(n);
    rec->IsWide = wide ? 1 : 0;
    rec->Position = stuck ? 5 : rec->Position + static_cast<uint32_t>(w.size()) + 1;
    return true;
  }
  static void StopParse() { ++stop_calls; }
};

const ParserExports kFakeParser{&FakeParser::ParseIt, &FakeParser::GetNextWord,
                                &FakeParser::StopParse};

class RecordingLabel : public platform::Label {
 public:
  void SetCaption(std::string_view text) override { captions.emplace_back(text); }
  std::vector<std::string> captions;
};

class FileWordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeParser::words.clear();
    FakeParser::wide = false;
    FakeParser::parse_result = true;
    FakeParser::stuck = false;
    FakeParser::stop_calls = 0;
  }

  // Runs the words of one file and returns the texts of its distinct words, in order.
  std::vector<std::string> Extract(std::vector<std::u16string> words, uint16_t file = 1) {
    FakeParser::words = std::move(words);
    words_.clear();
    FileWords::Entering entering(reader_.get(), file, 0, &words_);
    reader_->Find(kFakeParser, "Fake Files", "file", &entering);
    std::vector<std::string> texts;
    for (const _Dict& d : words_) texts.emplace_back(dictionary_.Text(*d.Entry));
    return texts;
  }

  // Reads with the stop list `stop_words`, showing the word count in `words_found`.
  void MakeReader(StopList stop_words, platform::Label* words_found = nullptr) {
    stop_words_ = std::move(stop_words);
    reader_ = std::make_unique<FileWords>(&dictionary_, &stop_words_, words_found);
  }

  Dictionary dictionary_;
  StopList stop_words_;
  std::unique_ptr<FileWords> reader_ = std::make_unique<FileWords>(&dictionary_, &stop_words_, nullptr);
  std::vector<_Dict> words_;
};

TEST_F(FileWordsTest, FiltersShortAndJunkWordsThenLowerCases) {
  EXPECT_EQ(Extract({u"ab", u"Index", u"zzz", u"1999", u"mp3", u"win32", u"a12345b", u"INDEX"}),
            (std::vector<std::string>{"index", "mp3", "win32"}));
  EXPECT_EQ(dictionary_.word_count(), 3);
  EXPECT_EQ(reader_->posting_count(), 3);
  EXPECT_EQ(FakeParser::stop_calls, 1);
}

TEST_F(FileWordsTest, StopListAppliesToWordsOfAtMostFiveBytesIgnoringCase) {
  MakeReader(StopList({"about", "the", "whatever"}));
  EXPECT_EQ(Extract({u"The", u"ABOUT", u"whatever", u"other"}),
            (std::vector<std::string>{"whatever", "other"}));
}

TEST_F(FileWordsTest, EachWordGivesOnePostingPerFile) {
  EXPECT_EQ(Extract({u"alpha", u"beta", u"alpha"}, 1).size(), 2u);
  EXPECT_EQ(Extract({u"alpha", u"alpha"}, 2).size(), 1u);
  EXPECT_EQ(Extract({u"beta"}, 3).size(), 1u);
  EXPECT_EQ(dictionary_.word_count(), 2);
  EXPECT_EQ(reader_->posting_count(), 4);
}

TEST_F(FileWordsTest, WideWordsAreConvertedToTheCodePage) {
  FakeParser::wide = true;
  EXPECT_EQ(Extract({u"Caf\u00C9", u"x\u03B1\u03B2y"}),
            (std::vector<std::string>{"caf\xE9", "x??y"}));
}

TEST_F(FileWordsTest, LongWordsAreCutTo31BytesAndFindTheirEntry) {
  const std::u16string long_word = u"pneumonoultramicroscopicsilicovolcanic";
  EXPECT_EQ(Extract({long_word, long_word}).size(), 1u);
  EXPECT_EQ(Extract({long_word}, 2).size(), 1u);
  EXPECT_EQ(dictionary_.word_count(), 1);
  const std::string cut = "pneumonoultramicroscopicsilicov";
  EXPECT_EQ(dictionary_.SlotCount(platform::WordHash(cut)), 1u);
}

TEST_F(FileWordsTest, AFailedParseGivesNoWordsButIsStillClosed) {
  FakeParser::parse_result = false;
  EXPECT_TRUE(Extract({u"alpha"}).empty());
  EXPECT_EQ(FakeParser::stop_calls, 1);
}

TEST_F(FileWordsTest, APluginThatDoesNotMoveOnEndsTheLoop) {
  FakeParser::stuck = true;
  EXPECT_EQ(Extract({u"alpha", u"beta"}), (std::vector<std::string>{"alpha"}));
  EXPECT_EQ(FakeParser::stop_calls, 1);
}

TEST_F(FileWordsTest, WordsFoundLabelMovesEveryThousandNewWords) {
  RecordingLabel label;
  MakeReader(StopList(), &label);
  std::vector<std::u16string> words;
  for (int i = 0; i < 1999; ++i) {
    std::u16string w = u"w";
    for (char c : std::to_string(i)) w += static_cast<char16_t>('a' + (c - '0'));
    words.push_back(w + u"x");
  }
  Extract(words);
  EXPECT_EQ(label.captions, (std::vector<std::string>{"1000"}));
}

}  // namespace
}  // namespace oru
