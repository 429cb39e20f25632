// Reads an index folder for searching: the file index, the word list and, per query word, only
// the block of its bucket in its part (the part's bucket table is read and checked once, when
// the part is first needed; then one seek per word, to its block).
// Every read is bounds-checked; a damaged file is reported with its path and the offset.
#ifndef ORU_TOOLS_ORU_INDEX_READER_H_
#define ORU_TOOLS_ORU_INDEX_READER_H_

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/index_format.h"
#include "indexer/engine/word_forms.h"
#include "platform/files.h"

namespace oru::tool {

// Where a word's postings are: its hash and its slot among the words of that hash.
struct WordAt {
  uint16_t hash = 0;
  uint16_t slot = 0;
};

struct IndexedFile {
  uint16_t number = 0;
  uint32_t size = 0;
  uint32_t time = 0;
  std::string path;
};

// One open index. Holds the file index and the word list in memory and the parts it has read
// open. Not copyable.
class IndexReader {
 public:
  IndexReader() = default;
  IndexReader(const IndexReader&) = delete;
  IndexReader& operator=(const IndexReader&) = delete;

  // Opens the index in `folder` (ending in the separator): reads and checks the file index and
  // the word list. With `lenient` (for an index not recorded as complete), a missing word list
  // or part reads as empty and postings of files the file index lacks are passed over. False
  // with a one-line reason in `error` (naming the file, and the offset for damage).
  // `encoding` is the index's (IndexRecords::Encoding): the paths of a UTF-8 index are handed
  // out as the system names files (platform::Utf8PathToNative).
  bool Open(const std::string& folder, bool lenient, std::string* error,
            TextEncoding encoding = TextEncoding::kWindows1252);

  // The numbers of the files that hold `word` (normalised, at most 31 bytes), ascending and
  // without repeats; empty when the index lacks the word. False with `error` when the part is
  // damaged or cannot be read.
  bool FilesWithWord(std::string_view word, std::vector<uint16_t>* files, std::string* error);
  // The numbers of the files that hold every one of `words`, ascending.
  bool FilesWithAllWords(const std::vector<std::string>& words, std::vector<uint16_t>* files,
                         std::string* error);

  // For each of `prefixes` (normalised), the words of the word list that begin with it, in
  // `found` (one vector per prefix). One pass over the word list. False when a prefix matches
  // more than `limit` words; `over` is then the index of the first such prefix.
  bool WordsWithPrefixes(const std::vector<std::string>& prefixes, size_t limit,
                         std::vector<std::vector<WordAt>>* found, size_t* over) const;
  // Like FilesWithWord, for a word found in the word list.
  bool FilesWithWordAt(WordAt word, std::vector<uint16_t>* files, std::string* error);
  // The numbers of every file of the file index, ascending.
  const std::vector<uint16_t>& AllFileNumbers() const { return numbers_; }

  // The file numbered `number`, or null. The record belongs to the reader.
  const IndexedFile* File(uint16_t number) const;
  // Every file of the file index, in its order.
  const std::vector<IndexedFile>& files() const { return files_; }
  size_t file_count() const { return files_.size(); }
  size_t word_count() const { return word_count_; }

 private:
  bool ReadFileIndex(std::string* error);
  bool ReadWordList(std::string* error);
  // The slot of `word` among the words of `hash`; false when the word list lacks it.
  bool FindSlot(std::string_view word, uint16_t hash, uint16_t* slot) const;
  // Appends the file numbers of the postings of (hash, slot) to `files`.
  bool ReadPostings(uint16_t hash, uint16_t slot, std::vector<uint16_t>* files, std::string* error);
  // Opens part `part` and reads its bucket table when it is not open yet; false (with `error`)
  // when it cannot be opened or its table is damaged.
  bool OpenPart(int part, std::string* error);
  std::string Damaged(const std::string& name, const index_format::PartDamage& damage) const;
  std::string Damaged(const std::string& name, uint64_t offset, const std::string& what) const;

  std::string folder_;
  bool lenient_ = false;
  TextEncoding encoding_ = TextEncoding::kWindows1252;
  std::vector<IndexedFile> files_;
  std::vector<uint16_t> numbers_;  // the file numbers, ascending
  std::vector<int32_t> file_by_number_;  // index into files_ by file number, -1 for none
  std::string word_list_;
  std::vector<uint32_t> hash_start_;  // offset in word_list_ of the first record of each hash
  size_t word_count_ = 0;
  std::array<platform::File, 64> parts_;
  std::array<int64_t, 64> part_sizes_{};  // -1 for a part that is missing (lenient only)
  std::array<bool, 64> part_opened_{};
  std::array<std::unique_ptr<index_format::BucketTable>, 64> tables_;
  std::vector<uint8_t> block_;  // the block read last
};

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_INDEX_READER_H_
