#include "indexer/engine/word_cache.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "indexer/engine/file_words.h"
#include "platform/codepage.h"
#include "platform/md5.h"

namespace oru {
namespace {

// A parser plug-in that hands out a list of 8-bit words.
struct ListParser {
  static inline std::vector<std::string> words;
  static inline size_t next = 0;

  static bool ParseIt(const char*, const char*) {
    next = 0;
    return true;
  }
  static bool GetNextWord(WordRecord* rec) {
    rec->IsWide = 0;
    if (next >= words.size()) return false;
    const std::string& word = words[next++];
    const size_t n = std::min<size_t>(word.size(), rec->Capacity);
    std::memcpy(rec->Buffer, word.data(), n);
    rec->Length = static_cast<uint16_t>(n);
    rec->Position += static_cast<uint32_t>(word.size()) + 1;
    return true;
  }
  static void StopParse() {}
};

const ParserExports kListParser{&ListParser::ParseIt, &ListParser::GetNextWord,
                                &ListParser::StopParse};

class WordTableTest : public ::testing::Test {
 protected:

  // Finds and enters the words of the list parser's file under `file` into words_.
  void Read(uint16_t file) {
    words_.clear();
    FileWords::Entering entering(&reader_, file, 0, &words_);
    reader_.Find(kListParser, "List Files", "file", &entering);
  }

  // Runs one file's words; returns the texts of FileWords after checking that every record
  // names the entry WordHash and FindWord would give for its text.
  std::vector<std::string> Extract(std::vector<std::string> words, uint16_t file) {
    ListParser::words = std::move(words);
    Read(file);
    std::vector<std::string> texts;
    const Dictionary& dictionary = dictionary_;
    for (const _Dict& d : words_) {
      EXPECT_EQ(d.Entry, &dictionary.Entry(d.Hash, d.Slot));
      const std::string text(dictionary.Text(*d.Entry));
      EXPECT_EQ(d.Hash, platform::WordHash(text)) << text;
      texts.push_back(text);
    }
    return texts;
  }

  size_t DictionarySize() const {
    size_t n = 0;
    for (int part = 0; part < 64; ++part) n += dictionary_.PartWordCount(part);
    return n;
  }

  Dictionary dictionary_;
  StopList no_stop_words_;
  FileWords reader_{&dictionary_, &no_stop_words_, nullptr};
  std::vector<_Dict> words_;
};

// What the words loop keeps of a word of letters: lower-cased, cut to 31 bytes.
std::string Kept(const std::string& word) {
  return platform::LowerAnsi(word).substr(0, kMaxWordText);
}

TEST_F(WordTableTest, EveryFileGetsEachOfItsWordsOnceWithTheDictionarysHashAndSlot) {
  // Short and long words, words sharing their first 16 bytes or more, words longer than 31
  // bytes that agree on their first 31, accented letters and mixed case, repeated at random
  // over many files.
  std::mt19937 random(7);
  std::vector<std::string> vocabulary;
  for (int i = 0; i < 3000; ++i) {
    std::string word;
    const int length = 3 + static_cast<int>(random() % 38);
    if (i % 5 == 0) word = "internationalisation";  // a shared 20-byte stem
    while (static_cast<int>(word.size()) < length) {
      word += static_cast<char>((random() % 3 == 0 ? 'A' : 'a') + random() % 26);
    }
    if (i % 17 == 0) word += "\xE9t\xC9";  // e acute in both cases
    vocabulary.push_back(word);
  }
  std::set<std::string> seen;
  for (uint16_t file = 1; file <= 40; ++file) {
    std::vector<std::string> words;
    std::vector<std::string> expected;
    std::set<std::string> in_file;
    for (int i = 0; i < 400; ++i) {
      const std::string& word = vocabulary[random() % (i % 2 ? 50 : vocabulary.size())];
      words.push_back(word);
      if (in_file.insert(Kept(word)).second) expected.push_back(Kept(word));
      seen.insert(Kept(word));
    }
    EXPECT_EQ(Extract(words, file), expected);
  }
  EXPECT_EQ(DictionarySize(), seen.size());
  EXPECT_EQ(dictionary_.word_count(), static_cast<int32_t>(seen.size()));
}

TEST_F(WordTableTest, WordsBeyondAFullTableAreStillFoundOnce) {
  // The table takes 262,144 words; the rest are looked up in the buckets.
  constexpr int kWords = 262144 + 300;
  std::vector<std::string> words;
  words.reserve(kWords);
  for (int i = 0; i < kWords; ++i) {
    std::string word = "w";
    for (int r = i; r > 0 || word.size() < 5; r /= 26) word += static_cast<char>('a' + r % 26);
    words.push_back(word);
  }
  ListParser::words = words;
  Read(1);
  EXPECT_EQ(dictionary_.word_count(), kWords);
  ListParser::words = {words.front(), words.back(), words.back()};
  Read(2);
  EXPECT_EQ(dictionary_.word_count(), kWords);
  EXPECT_EQ(words_.size(), 2u);
  EXPECT_EQ(DictionarySize(), static_cast<size_t>(kWords));
}

// Texts in a pool, as the dictionary keeps them, for the table on its own.
struct Pool {
  std::string bytes;
  std::vector<std::unique_ptr<_Form>> forms;
  _Form* Add(const std::string& word) {
    forms.push_back(std::make_unique<_Form>(
        _Form{static_cast<uint32_t>(bytes.size()), 0, 0}));
    bytes += word;
    bytes += '\0';
    return forms.back().get();
  }
};

// A word as the table is given it: zero-filled to 32 bytes.
std::string Padded(const std::string& word) { return word + std::string(32 - word.size(), '\0'); }

TEST(WordCacheTest, LongWordsAreToldApartBeyondTheirFirst16Bytes) {
  WordCache cache;
  Pool pool;
  const std::string a = Padded("characteristically");
  const std::string b = Padded("characteristicalness");
  _Form* form_a = pool.Add("characteristically");
  ASSERT_TRUE(cache.Insert(WordCache::Key(a.data()), a.data(), 11, 0, form_a));
  EXPECT_EQ(cache.Find(WordCache::Key(b.data()), b.data(), pool.bytes.data()), nullptr);
  _Form* form_b = pool.Add("characteristicalness");
  ASSERT_TRUE(cache.Insert(WordCache::Key(b.data()), b.data(), 12, 3, form_b));
  const WordCache::Entry* found = cache.Find(WordCache::Key(a.data()), a.data(), pool.bytes.data());
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->form, form_a);
  EXPECT_EQ(found->hash, 11);
  found = cache.Find(WordCache::Key(b.data()), b.data(), pool.bytes.data());
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->form, form_b);
  EXPECT_EQ(found->slot, 3);
}

TEST(WordCacheTest, ClearForgetsEveryWord) {
  WordCache cache;
  Pool pool;
  const std::string word = Padded("lantern");
  ASSERT_TRUE(cache.Insert(WordCache::Key(word.data()), word.data(), 1, 0, pool.Add("lantern")));
  ASSERT_NE(cache.Find(WordCache::Key(word.data()), word.data(), pool.bytes.data()), nullptr);
  cache.Clear();
  EXPECT_EQ(cache.Find(WordCache::Key(word.data()), word.data(), pool.bytes.data()), nullptr);
}

}  // namespace
}  // namespace oru
