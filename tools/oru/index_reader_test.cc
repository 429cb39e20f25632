#include "tools/oru/index_reader.h"

#include <gtest/gtest.h>

#include <map>

#include "indexer/engine/index_format.h"
#include "platform/little_endian.h"
#include "platform/md5.h"
#include "tests/support/temp_dir.h"

namespace oru::tool {
namespace {

namespace fmt = index_format;
using testing::WriteFile;

std::string U16(uint16_t v) { return platform::LeBytes(v, 2); }
std::string U32(uint32_t v) { return platform::LeBytes(v, 4); }

// Writes an index by the layout, word by word: each word with its files, slot 0, 1, ... per hash.
class IndexReaderTest : public ::testing::Test {
 protected:
  void Build(const std::map<std::string, std::vector<uint16_t>>& words, int files = 3) {
    std::string file_index;
    for (int n = 1; n <= files; ++n) {
      uint8_t record[fmt::kMaxFileRecord];
      const std::string path = "/docs/" + std::to_string(n) + ".txt";
      file_index.append(reinterpret_cast<char*>(record),
                        fmt::EncodeFileRecord({static_cast<uint16_t>(n), 0, 0, 0, path}, record));
    }
    WriteFile(dir_ / "Fileindex.fnd", file_index);
    std::map<uint16_t, std::vector<std::pair<std::string, std::vector<uint16_t>>>> by_hash;
    for (const auto& [word, numbers] : words) {
      by_hash[platform::WordHash(word)].push_back({word, numbers});
    }
    std::string word_list;
    std::string parts[fmt::kPartCount];
    for (auto& part : parts) part.assign(fmt::kBucketTableSize, '\0');
    for (const auto& [hash, entries] : by_hash) {
      std::string& part = parts[fmt::PartOf(hash)];
      part.replace(4 * static_cast<size_t>(fmt::BucketOf(hash)), 4, U32(uint32_t(part.size())));
      for (uint16_t slot = 0; slot < entries.size(); ++slot) {
        const auto& [word, numbers] = entries[slot];
        word_list += char(word.size() + 5) + word + U16(hash) + U16(slot);
        part += U32(uint32_t(numbers.size())) + U16(slot);
        for (uint16_t n : numbers) part += U16(n) + U16(0);
      }
    }
    WriteFile(dir_ / "0.fnw", word_list);
    for (int p = 0; p < fmt::kPartCount; ++p) WriteFile(dir_ / fmt::PartFileName(p), parts[p]);
  }

  std::string PartOf(const std::string& word) {
    return dir_ / fmt::PartFileName(fmt::PartOf(platform::WordHash(word)));
  }

  // The files holding `word`, or the error.
  std::string Find(const std::string& word, bool lenient = false) {
    IndexReader reader;
    std::string error;
    std::vector<uint16_t> files;
    if (!reader.Open(dir_.path(), lenient, &error) || !reader.FilesWithWord(word, &files, &error)) {
      return error;
    }
    std::string out;
    for (uint16_t n : files) out += std::to_string(n) + " ";
    return out;
  }

  testing::TempDir dir_;
};

TEST_F(IndexReaderTest, FindsAWordsFilesThroughItsBucket) {
  Build({{"harbour", {1, 3, 3}}, {"engines", {2}}});
  EXPECT_EQ(Find("harbour"), "1 3 ");
  EXPECT_EQ(Find("engines"), "2 ");
  EXPECT_EQ(Find("zebra"), "");
  IndexReader reader;
  std::string error;
  ASSERT_TRUE(reader.Open(dir_.path(), false, &error));
  EXPECT_EQ(reader.file_count(), 3u);
  EXPECT_EQ(reader.word_count(), 2u);
  ASSERT_NE(reader.File(3), nullptr);
  EXPECT_EQ(reader.File(3)->path, "/docs/3.txt");
  EXPECT_EQ(reader.File(4), nullptr);
  std::vector<uint16_t> files;
  ASSERT_TRUE(reader.FilesWithAllWords({"harbour", "engines"}, &files, &error));
  EXPECT_TRUE(files.empty());
}

TEST_F(IndexReaderTest, WordsSharingAHashAreToldApartByTheirSlot) {
  // Find two words with one hash, so that they share a block with slots 0 and 1.
  std::map<uint16_t, std::string> seen;
  std::string first, second;
  for (int i = 0; second.empty(); ++i) {
    const std::string word = "w" + std::to_string(i);
    auto [it, added] = seen.emplace(platform::WordHash(word), word);
    if (!added) first = it->second, second = word;
  }
  Build({{first, {1}}, {second, {2, 3}}});
  EXPECT_EQ(Find(first), "1 ");
  EXPECT_EQ(Find(second), "2 3 ");
}

TEST_F(IndexReaderTest, DamageIsReportedWithTheFileAndOffset) {
  Build({{"harbour", {1}}});
  const std::string part = PartOf("harbour");
  const std::string good = testing::ReadFile(part);
  const size_t block = good.size() - 10;  // the word's entry: count, slot, one posting

  WriteFile(part, good.substr(0, good.size() - 2));
  EXPECT_EQ(Find("harbour"), "damaged index file " + part + " at offset " + std::to_string(block) +
                                 ": a word entry's 1 postings run past the end of its bucket's "
                                 "block");
  WriteFile(part, good.substr(0, 100));
  EXPECT_EQ(Find("harbour"),
            "damaged index file " + part + " at offset 100: the file ends inside its bucket table");
  std::string bad = good;
  bad.replace(block, 4, U32(0));
  WriteFile(part, bad);
  EXPECT_EQ(Find("harbour"), "damaged index file " + part + " at offset " + std::to_string(block) +
                                 ": a word entry without postings");
  bad = good;
  bad.replace(block + 6, 2, U16(9));
  WriteFile(part, bad);
  EXPECT_EQ(Find("harbour"), "damaged index file " + part + " at offset " +
                                 std::to_string(block + 6) +
                                 ": a posting names the file number 9, which the file index lacks");
  EXPECT_EQ(Find("harbour", true), "");  // an incomplete index passes over unknown files
  bad = good;
  const size_t entry = 4 * static_cast<size_t>(fmt::BucketOf(platform::WordHash("harbour")));
  bad.replace(entry, 4, U32(99999));
  WriteFile(part, bad);
  EXPECT_EQ(Find("harbour"), "damaged index file " + part + " at offset " + std::to_string(entry) +
                                 ": the bucket table points to offset 99999, outside the file's "
                                 "blocks");
}

TEST_F(IndexReaderTest, APartsWholeTableAndItsSlotsAreCheckedEvenInAnIncompleteIndex) {
  Build({{"harbour", {1}}});
  const std::string part = PartOf("harbour");
  const std::string good = testing::ReadFile(part);
  const size_t bucket = static_cast<size_t>(fmt::BucketOf(platform::WordHash("harbour")));
  // Another bucket's entry, before or after this word's, points into the table.
  const size_t other = 4 * ((bucket + 1023) % 1024);
  std::string bad = good;
  bad.replace(other, 4, U32(5));
  WriteFile(part, bad);
  EXPECT_EQ(Find("harbour", true), "damaged index file " + part + " at offset " +
                                       std::to_string(other) +
                                       ": the bucket table points to offset 5, outside the file's "
                                       "blocks");
  bad = good;
  bad.replace(good.size() - 6, 2, U16(1));
  WriteFile(part, bad);
  EXPECT_EQ(Find("harbour", true), "damaged index file " + part + " at offset " +
                                       std::to_string(good.size() - 10) +
                                       ": a word entry has slot 1 where slot 0 belongs");
}

TEST_F(IndexReaderTest, DamagedFileIndexAndWordListAreReported) {
  Build({{"harbour", {1}}, {"engines", {2}}});
  std::string words = testing::ReadFile(dir_ / "0.fnw");
  WriteFile(dir_ / "0.fnw", words + "\x09xy");
  EXPECT_EQ(Find("harbour"), "damaged index file " + (dir_ / "0.fnw") + " at offset " +
                                 std::to_string(words.size()) +
                                 ": a word record is cut short or has a bad length");
  const size_t first = static_cast<uint8_t>(words[0]);
  WriteFile(dir_ / "0.fnw", words.substr(first) + words.substr(0, first));
  EXPECT_NE(Find("harbour").find("out of hash order"), std::string::npos);
  WriteFile(dir_ / "0.fnw", words);
  const std::string files = testing::ReadFile(dir_ / "Fileindex.fnd");
  WriteFile(dir_ / "Fileindex.fnd", files + files.substr(0, 25));
  EXPECT_EQ(Find("harbour"), "damaged index file " + (dir_ / "Fileindex.fnd") + " at offset " +
                                 std::to_string(files.size()) +
                                 ": the file number 1 appears twice");
  WriteFile(dir_ / "Fileindex.fnd", files.substr(0, files.size() - 1));
  EXPECT_NE(Find("harbour").find("a file record is cut short"), std::string::npos);
}

TEST_F(IndexReaderTest, AnIncompleteIndexMayLackItsWordListAndParts) {
  Build({{"harbour", {1}}});
  std::filesystem::remove(dir_ / "0.fnw");
  EXPECT_NE(Find("harbour").find("cannot read"), std::string::npos);
  EXPECT_EQ(Find("harbour", true), "");
  Build({{"harbour", {1}}});
  std::filesystem::remove(PartOf("harbour"));
  EXPECT_NE(Find("harbour").find("cannot open"), std::string::npos);
  EXPECT_EQ(Find("harbour", true), "");
  WriteFile(PartOf("harbour"), "");  // a part saved without a posting log holds no words
  EXPECT_EQ(Find("harbour"), "");
}

}  // namespace
}  // namespace oru::tool
