// Reloading a saved index's dictionary, and saving an update over it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "indexer/engine/index_format.h"
#include "indexer/engine/dictionary.h"
#include "indexer/engine/posting_logs.h"
#include "indexer/engine/reload.h"
#include "indexer/engine/save.h"
#include "platform/find.h"
#include "platform/md5.h"
#include "tests/support/memory_pass.h"

namespace oru {
namespace {

namespace fmt = index_format;

std::string Bytes(const uint8_t* data, size_t n) { return std::string(reinterpret_cast<const char*>(data), n); }

std::string FileRecord(uint16_t number, const std::string& path, uint32_t size = 0,
                       uint32_t time = 0, int path_hash = -1) {
  uint8_t record[fmt::kMaxFileRecord];
  const auto hash = static_cast<uint16_t>(path_hash < 0 ? platform::WordHash(path) : path_hash);
  return Bytes(record, fmt::EncodeFileRecord({number, hash, size, time, path}, record));
}

std::string Posting(uint16_t hash, uint16_t slot, uint16_t file) {
  uint8_t posting[fmt::kPostingSize];
  fmt::EncodePosting({hash, slot, file, 0}, posting);
  return Bytes(posting, sizeof(posting));
}

class ReloadTest : public ::testing::Test {
 protected:
  void WriteFile(const std::string& name, std::string bytes) {
    disk_.Put(dir_ + name, std::move(bytes));
  }
  std::string ReadFile(const std::string& name) const { return disk_.Get(dir_ + name); }

  // Saves three files and six words, two of them sharing hash kShared: the dictionary is built
  // as a reload builds it, so that the words get the hashes chosen here.
  void SaveSampleIndex() {
    Dictionary dictionary;
    std::string logs[64];
    auto word = [&](uint16_t hash, const char* text, std::initializer_list<uint16_t> files) {
      const auto slot = static_cast<uint16_t>(dictionary.AppendUntitled(hash));
      ASSERT_TRUE(dictionary.SetText(hash, slot, text));
      for (uint16_t file : files) logs[fmt::PartOf(hash)] += Posting(hash, slot, file);
    };
    word(kShared, "first", {1, 3});
    word(kShared, "second", {2});
    word(kShared + 2, "third", {3});
    word(0x830D, "abc", {1, 2, 3});
    word(0x0001, "low", {3});
    word(0xFFFF, "high", {2, 1});
    for (int p = 0; p < 64; ++p) WriteFile(fmt::PostingLogName(p), logs[p]);
    ASSERT_TRUE(Save(dictionary, ReloadedDictionary(), FileNumberSet()).ok());
    WriteFile(fmt::kFileIndexName, FileRecord(1, "/d/one.txt") + FileRecord(3, "/d/three.txt") +
                                       FileRecord(2, "/d/two.txt"));
  }

  // Saves as a pass does and puts the files in place.
  platform::Status Save(const Dictionary& dictionary, const ReloadedDictionary& reloaded,
                        const FileNumberSet& forget) {
    IndexSwitch pending(&disk_, dir_);
    IndexSaver saver(
        &disk_, dir_, &pending, [] {}, [] {});
    const platform::Status saved = saver.Save(dictionary, logs_, reloaded, forget);
    return saved.ok() ? pending.Switch() : saved;
  }

  ReloadedDictionary Reload() {
    return ReloadDictionary(&disk_, dir_, dictionary_.get(), [this] { ++pumps_; });
  }

  // Each word's files, as "word:1,3".
  std::string WordFiles() {
    testing::DecodedIndex index;
    EXPECT_EQ(testing::DecodeIndex(disk_, dir_, &index), "");
    std::string result;
    for (const auto& [key, postings] : index.postings) {
      result += (result.empty() ? "" : " ") + index.words.at(key) + ":";
      for (const auto& posting : postings) result += std::to_string(posting.first) + ",";
      result.pop_back();
    }
    return result;
  }

  static constexpr uint16_t kShared = 0x1234;
  testing::MemoryFileSystem disk_;
  const std::string dir_ = testing::InMemory("index/");
  std::unique_ptr<Dictionary> dictionary_ = std::make_unique<Dictionary>();
  PostingLogs logs_{&disk_, dir_};
  int pumps_ = 0;
};

TEST_F(ReloadTest, GivesBackWordsSlotsAndPostingsAndSavesTheSameBytes) {
  SaveSampleIndex();
  std::string saved;
  for (int p = 0; p < 64; ++p) saved += ReadFile(fmt::PartFileName(p));
  saved += ReadFile(fmt::kWordListName);

  const ReloadedDictionary reloaded = Reload();
  ASSERT_TRUE(reloaded.ok);
  EXPECT_TRUE(reloaded.word_list_canonical);
  EXPECT_EQ(reloaded.part_words[4], 3u);
  EXPECT_EQ(dictionary_->word_count(), 6);
  ASSERT_EQ(dictionary_->SlotCount(kShared), 2u);
  EXPECT_EQ(dictionary_->SlotCount(kShared + 1), 0u);
  EXPECT_EQ(dictionary_->Text(dictionary_->Entry(kShared, 1)), "second");
  EXPECT_EQ(dictionary_->Entry(kShared, 1).LastFile, kNoFile);
  EXPECT_EQ(dictionary_->pool_used(), 32u);  // six texts and their terminators
  // The window is kept answered while the parts and the word list are read.
  EXPECT_GE(pumps_, 64);
  EXPECT_TRUE(reloaded.part_canonical[4]);

  // Every part merged again gives the same bytes.
  ReloadedDictionary merge_all = reloaded;
  merge_all.part_canonical.reset();
  merge_all.word_list_canonical = false;
  ASSERT_TRUE(Save(*dictionary_, merge_all, FileNumberSet()).ok());
  std::string again;
  for (int p = 0; p < 64; ++p) again += ReadFile(fmt::PartFileName(p));
  EXPECT_EQ(again + ReadFile(fmt::kWordListName), saved);
}

TEST_F(ReloadTest, APartWhoseBlocksOverlapFailsTheReload) {
  SaveSampleIndex();
  // Bucket 0x235 of part 4 points at the block of bucket 0x234, which 0x236's block follows.
  std::string part = ReadFile("4.fnx");
  part.replace(4 * 0x235, 4, part.substr(4 * 0x234, 4));
  WriteFile("4.fnx", part);
  EXPECT_FALSE(Reload().ok);
}

TEST_F(ReloadTest, ForgettingFilesDropsTheirPostingsAndClosesUpTheSlotsOfWordsLeftWithout) {
  SaveSampleIndex();
  const ReloadedDictionary reloaded = Reload();
  ASSERT_TRUE(reloaded.ok);
  // This run indexed file 3 again and found "third" in it: its new posting follows the old ones.
  WriteFile("4.tf", Posting(kShared + 2, 0, 3));
  FileNumberSet forget;
  forget.Add(1);
  forget.Add(3);
  ASSERT_TRUE(Save(*dictionary_, reloaded, forget).ok());
  EXPECT_EQ(WordFiles(), "second:2 third:3 abc:2 high:2");
  // "first" lost its only posting: "second" takes its slot, in the part and the word list.
  testing::DecodedIndex index;
  ASSERT_EQ(testing::DecodeIndex(disk_, dir_, &index), "");
  EXPECT_EQ(index.words.at({kShared, 0}), "second");
  EXPECT_FALSE(disk_.Has(dir_ + "4.tf"));
  dictionary_ = std::make_unique<Dictionary>();
  EXPECT_TRUE(Reload().ok);
}

TEST_F(ReloadTest, APartChangedSinceTheReloadFailsTheSave) {
  SaveSampleIndex();
  const ReloadedDictionary reloaded = Reload();
  ASSERT_TRUE(reloaded.ok);
  // Part 32 ("abc") loses its word: the reloaded dictionary no longer describes it.
  WriteFile("32.fnx", std::string(4096, '\0'));
  FileNumberSet forget;
  forget.Add(2);
  EXPECT_FALSE(Save(*dictionary_, reloaded, forget).ok());
}

}  // namespace
}  // namespace oru
