#include "indexer/engine/dictionary.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "indexer/engine/word_text.h"
#include "platform/md5.h"

namespace oru {
namespace {

// A word as the words loop hands it over: zero-filled behind its end.
struct Word {
  explicit Word(const std::string& text) { text.copy(bytes, sizeof(bytes) - 1); }
  char bytes[128] = {};
};

uint16_t HashOf(const std::string& text) {
  return platform::WordHash(text.substr(0, kMaxWordText));
}

class DictionaryTest : public ::testing::Test {
 protected:
  Dictionary::Entered Enter(const std::string& text, uint32_t file, uint16_t flags = 0) {
    return dictionary_->Enter(Word(text).bytes, file, flags);
  }
  std::unique_ptr<Dictionary> dictionary_ = std::make_unique<Dictionary>();
};

TEST_F(DictionaryTest, AWordIsNewThenRepeatedThenSeenInAnotherFile) {
  const Dictionary::Entered first = Enter("alpha", 1);
  EXPECT_EQ(first.outcome, AddWordOutcome::NewEntry);
  EXPECT_EQ(first.hash, HashOf("alpha"));
  EXPECT_EQ(first.slot, 0);
  EXPECT_EQ(Enter("alpha", 1).outcome, AddWordOutcome::AlreadyRecorded);
  const Dictionary::Entered again = Enter("alpha", 2);
  EXPECT_EQ(again.outcome, AddWordOutcome::FirstInFile);
  EXPECT_EQ(again.slot, 0);
  EXPECT_EQ(again.entry->LastFile, 2);
  EXPECT_EQ(dictionary_->word_count(), 1);
}

TEST_F(DictionaryTest, OnlyTheLowByteOfFlagsIsMerged) {
  Enter("word", 5, 0x0100);
  const Dictionary::Entered merged = Enter("word", 5, 0x0002);
  EXPECT_EQ(merged.outcome, AddWordOutcome::FlagsMerged);
  EXPECT_EQ(merged.entry->Flags, 0x0102);
  EXPECT_EQ(Enter("word", 5, 0x0302).outcome, AddWordOutcome::AlreadyRecorded);
}

TEST_F(DictionaryTest, TextsAreCutTo31BytesAndKeptInThePool) {
  const Dictionary::Entered entered = Enter(std::string(40, 'q'), 1);
  EXPECT_EQ(dictionary_->Text(*entered.entry), std::string(31, 'q'));
  EXPECT_EQ(dictionary_->pool_used(), 32u);
}

TEST_F(DictionaryTest, AFullPoolAddsNoEntry) {
  dictionary_ = std::make_unique<Dictionary>(10);
  EXPECT_EQ(Enter("abcd", 1).slot, 0);  // takes 5 bytes
  EXPECT_EQ(Enter("efghi", 1).slot, -1);  // would need 6 of the 5 left
  EXPECT_EQ(Enter("efgh", 1).slot, 0);  // exactly fills the pool
  EXPECT_EQ(Enter("xyz", 1).slot, -1);
  EXPECT_EQ(dictionary_->word_count(), 2);
}

TEST_F(DictionaryTest, ABucketNeverGivesSlot0xFFFF) {
  const uint16_t hash = HashOf("more");
  for (int i = 0; i < 0xFFFF; ++i) ASSERT_EQ(dictionary_->AppendUntitled(hash), i);
  EXPECT_EQ(dictionary_->AppendUntitled(hash), -1);
  EXPECT_EQ(Enter("more", 1).slot, -1);
  EXPECT_EQ(dictionary_->SlotCount(hash), 0xFFFFu);
}

TEST_F(DictionaryTest, AReloadedWordIsFoundByItsText) {
  // Entries rebuilt without the word table: the words loop must still find them in their
  // bucket, not enter them twice.
  const uint16_t hash = HashOf("harbour");
  ASSERT_EQ(dictionary_->AppendUntitled(hash), 0);
  ASSERT_EQ(dictionary_->AppendUntitled(hash), 1);
  EXPECT_FALSE(dictionary_->EveryWordHasText());
  ASSERT_TRUE(dictionary_->SetText(hash, 0, "other"));
  ASSERT_TRUE(dictionary_->SetText(hash, 1, "harbour"));
  EXPECT_FALSE(dictionary_->SetText(hash, 2, "none"));  // no such entry
  EXPECT_TRUE(dictionary_->EveryWordHasText());
  const Dictionary::Entered found = Enter("harbour", 3);
  EXPECT_EQ(found.outcome, AddWordOutcome::FirstInFile);
  EXPECT_EQ(found.slot, 1);
  EXPECT_EQ(Enter("walls", 3).outcome, AddWordOutcome::NewEntry);
  EXPECT_EQ(dictionary_->PartWordCount(hash >> 10), hash >> 10 == HashOf("walls") >> 10 ? 3u : 2u);
}

TEST_F(DictionaryTest, AFilledWordTableAnswersWhatTheBucketsWould) {
  // Two dictionaries rebuilt alike, as a reload does, one with its word table filled: a word of
  // its own bucket, the same text twice in one bucket, a text in a bucket its hash does not
  // name, a text no parsed word has, and a word whose slot the list of first words misnames.
  const auto rebuild = [](Dictionary* d) {
    const uint16_t harbour = HashOf("harbour");
    const uint16_t stray = static_cast<uint16_t>(HashOf("stray") + 1);
    const std::string long_text(40, 'q');
    for (int i = 0; i < 3; ++i) d->AppendUntitled(harbour);
    d->AppendUntitled(stray);
    d->AppendUntitled(HashOf(long_text));
    d->SetText(harbour, 0, "other");
    d->SetText(harbour, 1, "harbour");
    d->SetText(harbour, 2, "harbour");
    d->SetText(stray, 0, "stray");
    d->SetText(HashOf(long_text), 0, long_text);
    return std::vector<uint32_t>{(uint32_t{harbour} << 16) | 2, (uint32_t{stray} << 16),
                                 (uint32_t{harbour} << 16) | 9};
  };
  Dictionary filled;
  const std::vector<uint32_t> first = rebuild(&filled);
  rebuild(dictionary_.get());
  filled.FillWordTable(first, [] { return true; });
  // Parsed words come cut to kMaxWordText bytes: none is the 40-byte text.
  for (const std::string& text : std::vector<std::string>{"harbour", "stray", "other",
                                                          std::string(31, 'q'), "walls"}) {
    const Dictionary::Entered want = Enter(text, 5);
    const Dictionary::Entered got = filled.Enter(Word(text).bytes, 5, 0);
    EXPECT_EQ(got.hash, want.hash) << text;
    EXPECT_EQ(got.slot, want.slot) << text;
    EXPECT_EQ(got.outcome, want.outcome) << text;
  }
  EXPECT_EQ(Enter("harbour", 6).slot, 1);
  EXPECT_EQ(filled.word_count(), dictionary_->word_count());
  // A filling stopped at once changes nothing either.
  Dictionary stopped;
  rebuild(&stopped);
  stopped.FillWordTable(first, [] { return false; });
  EXPECT_EQ(stopped.Enter(Word("harbour").bytes, 5, 0).slot, 1);
  EXPECT_EQ(stopped.Enter(Word("stray").bytes, 5, 0).outcome, AddWordOutcome::NewEntry);
}

TEST_F(DictionaryTest, AfterResetEveryWordIsNewAgain) {
  Enter("alpha", 1);
  dictionary_->Reset();
  EXPECT_EQ(dictionary_->word_count(), 0);
  EXPECT_EQ(dictionary_->pool_used(), 0u);
  EXPECT_EQ(Enter("alpha", 1).outcome, AddWordOutcome::NewEntry);
}

TEST(SameWordTest, ComparesExactlyUpTo128Bytes) {
  EXPECT_TRUE(SameWord("abc", "abc"));
  EXPECT_FALSE(SameWord("abc", "abd"));
  EXPECT_FALSE(SameWord("abc", "abcd"));
  EXPECT_FALSE(SameWord("Abc", "abc"));
  EXPECT_FALSE(SameWord(nullptr, "abc"));
  const std::string a = std::string(128, 'x') + "1";
  const std::string b = std::string(128, 'x') + "2";
  EXPECT_TRUE(SameWord(a.c_str(), b.c_str()));
  EXPECT_EQ(BoundedLength(nullptr), 0);
  EXPECT_EQ(BoundedLength("four"), 4);
  EXPECT_EQ(BoundedLength(std::string(300, 'z').c_str()), 128);
}

}  // namespace
}  // namespace oru
