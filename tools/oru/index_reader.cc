#include "tools/oru/index_reader.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "indexer/engine/index_format.h"
#include "platform/codepage.h"
#include "platform/md5.h"

namespace oru::tool {

namespace fmt = index_format;
using platform::Result;

namespace {

constexpr size_t kFileNumbers = 65536;
constexpr size_t kHashes = 65536;

const uint8_t* Bytes(const std::string& data) {
  return reinterpret_cast<const uint8_t*>(data.data());
}

}  // namespace

std::string IndexReader::Damaged(const std::string& name, uint64_t offset,
                                 const std::string& what) const {
  return "damaged index file " + folder_ + name + " at offset " + std::to_string(offset) + ": " +
         what;
}

bool IndexReader::Open(const std::string& folder, bool lenient, std::string* error,
                       TextEncoding encoding) {
  folder_ = folder;
  lenient_ = lenient;
  encoding_ = encoding;
  return ReadFileIndex(error) && ReadWordList(error);
}

bool IndexReader::ReadFileIndex(std::string* error) {
  const std::string path = folder_ + fmt::kFileIndexName;
  std::string data;
  const Result read = platform::ReadWholeFile(path, &data);
  if (read != Result::kOk) {
    *error = "cannot read " + path + " (" + platform::ResultName(read) + ")";
    return false;
  }
  files_.clear();
  file_by_number_.assign(kFileNumbers, -1);
  size_t pos = 0;
  while (pos < data.size()) {
    fmt::FileRecord record;
    size_t length = 0;
    const fmt::FileRecordRead read_record =
        fmt::DecodeFileRecord(Bytes(data) + pos, data.size() - pos, &record, &length);
    if (read_record == fmt::FileRecordRead::kBadLength) {
      *error = Damaged(fmt::kFileIndexName, pos, "a file record is cut short or has a bad length");
      return false;
    }
    const uint16_t number = record.number;
    if (read_record == fmt::FileRecordRead::kBadNumber) {
      *error = Damaged(fmt::kFileIndexName, pos,
                       "a file record has the number " + std::to_string(number));
      return false;
    }
    if (file_by_number_[number] != -1) {
      if (!lenient_) {
        *error = Damaged(fmt::kFileIndexName, pos,
                         "the file number " + std::to_string(number) + " appears twice");
        return false;
      }
    } else {
      file_by_number_[number] = static_cast<int32_t>(files_.size());
      files_.push_back({number, record.size, record.time,
                        encoding_ == TextEncoding::kUtf8 ? platform::Utf8PathToNative(record.path)
                                                         : std::string(record.path)});
    }
    pos += length;
  }
  numbers_.clear();
  for (size_t n = 0; n < kFileNumbers; ++n) {
    if (file_by_number_[n] != -1) numbers_.push_back(static_cast<uint16_t>(n));
  }
  return true;
}

bool IndexReader::ReadWordList(std::string* error) {
  const std::string path = folder_ + fmt::kWordListName;
  word_list_.clear();
  word_count_ = 0;
  hash_start_.assign(kHashes + 1, 0);
  const Result read = platform::ReadWholeFile(path, &word_list_);
  if (read == Result::kNotFound && lenient_) return true;
  if (read != Result::kOk) {
    *error = "cannot read " + path + " (" + platform::ResultName(read) + ")";
    return false;
  }
  if (word_list_.size() >= std::numeric_limits<uint32_t>::max()) {
    *error = Damaged(fmt::kWordListName, 0, "the word list is too large");
    return false;
  }
  // The records come in ascending hash order; hash_start_[h] is where the words of h begin.
  size_t next_hash = 0;
  size_t pos = 0;
  while (pos < word_list_.size()) {
    fmt::WordListEntry entry;
    size_t length = 0;
    if (!fmt::DecodeWordRecord(Bytes(word_list_) + pos, word_list_.size() - pos, &entry, &length)) {
      *error = Damaged(fmt::kWordListName, pos, "a word record is cut short or has a bad length");
      return false;
    }
    if (entry.hash + size_t{1} < next_hash) {
      *error = Damaged(fmt::kWordListName, pos, "the words are out of hash order");
      return false;
    }
    while (next_hash <= entry.hash) hash_start_[next_hash++] = static_cast<uint32_t>(pos);
    pos += length;
    ++word_count_;
  }
  while (next_hash <= kHashes) hash_start_[next_hash++] = static_cast<uint32_t>(pos);
  return true;
}

bool IndexReader::FindSlot(std::string_view word, uint16_t hash, uint16_t* slot) const {
  size_t pos = hash_start_[hash];
  const size_t end = hash_start_[hash + 1];
  while (pos < end) {
    fmt::WordListEntry entry;
    size_t length = 0;
    if (!fmt::DecodeWordRecord(Bytes(word_list_) + pos, end - pos, &entry, &length)) return false;
    if (entry.word == word) {
      *slot = entry.slot;
      return true;
    }
    pos += length;
  }
  return false;
}

std::string IndexReader::Damaged(const std::string& name, const fmt::PartDamage& damage) const {
  std::string what;
  switch (damage.fault) {
    case fmt::PartFault::kNone:
      break;
    case fmt::PartFault::kTableCut:
      what = "the file ends inside its bucket table";
      break;
    case fmt::PartFault::kOffsetOutside:
      what = "the bucket table points to offset " + std::to_string(damage.value) +
             ", outside the file's blocks";
      break;
    case fmt::PartFault::kOffsetOutOfOrder:
      what = "the bucket table is out of order";
      break;
    case fmt::PartFault::kEntryCut:
      what = "a word entry is cut short";
      break;
    case fmt::PartFault::kNoPostings:
      what = "a word entry without postings";
      break;
    case fmt::PartFault::kSlotOutOfOrder:
      what = "a word entry has slot " + std::to_string(damage.slot) + " where slot " +
             std::to_string(damage.expected_slot) + " belongs";
      break;
    case fmt::PartFault::kPastBlock:
      what = "a word entry's " + std::to_string(damage.value) +
             " postings run past the end of its bucket's block";
      break;
  }
  return Damaged(name, damage.offset, what);
}

bool IndexReader::OpenPart(int part, std::string* error) {
  if (part_opened_[part]) return true;
  const std::string name = fmt::PartFileName(part);
  const Result opened =
      platform::File::Open(folder_ + name, platform::OpenMode::kReadExisting, &parts_[part]);
  if (opened == Result::kNotFound && lenient_) {
    part_sizes_[part] = -1;
    part_opened_[part] = true;
    return true;
  }
  if (opened != Result::kOk) {
    *error = "cannot open " + folder_ + name + " (" + platform::ResultName(opened) + ")";
    return false;
  }
  const int64_t size = parts_[part].Size();
  if (size < 0) {
    *error = "cannot read " + folder_ + name;
    return false;
  }
  // A part saved without a posting log is empty: it holds no words, and has no table to read.
  uint8_t table[fmt::kBucketTableSize];
  if (size >= static_cast<int64_t>(fmt::kBucketTableSize) &&
      parts_[part].ReadExact(table, sizeof(table)) != Result::kOk) {
    *error = "cannot read " + folder_ + name;
    return false;
  }
  auto checked = std::make_unique<fmt::BucketTable>();
  fmt::PartDamage damage;
  if (!checked->Read(table, static_cast<uint64_t>(size), &damage)) {
    *error = Damaged(name, damage);
    return false;
  }
  part_sizes_[part] = size;
  tables_[part] = std::move(checked);
  part_opened_[part] = true;
  return true;
}

bool IndexReader::ReadPostings(uint16_t hash, uint16_t slot, std::vector<uint16_t>* files,
                               std::string* error) {
  const int part = fmt::PartOf(hash);
  if (!OpenPart(part, error)) return false;
  if (part_sizes_[part] <= 0) return true;  // missing (lenient) or empty: no words
  const fmt::BucketTable::Block block = tables_[part]->block(fmt::BucketOf(hash));
  if (block.empty()) return true;
  const std::string name = fmt::PartFileName(part);
  block_.resize(static_cast<size_t>(block.end - block.begin));
  if (parts_[part].Seek(static_cast<int64_t>(block.begin)) != Result::kOk ||
      parts_[part].ReadExact(block_.data(), block_.size()) != Result::kOk) {
    *error = "cannot read " + folder_ + name;
    return false;
  }
  fmt::BlockReader words(block_.data(), block);
  fmt::WordEntry entry;
  while (words.Next(&entry)) {
    if (entry.header.slot != slot) continue;
    for (uint32_t i = 0; i < entry.header.count; ++i) {
      const uint16_t number =
          fmt::DecodePartPosting(entry.postings + size_t{i} * fmt::kPartPostingSize).file;
      if (file_by_number_[number] != -1) {
        files->push_back(number);
      } else if (!lenient_) {
        const uint64_t at =
            entry.offset + fmt::kWordEntryHeader + uint64_t{i} * fmt::kPartPostingSize;
        *error = Damaged(name, at,
                         "a posting names the file number " + std::to_string(number) +
                             ", which the file index lacks");
        return false;
      }
    }
    return true;
  }
  if (words.damaged()) {
    *error = Damaged(name, words.damage());
    return false;
  }
  return true;
}

bool IndexReader::FilesWithWord(std::string_view word, std::vector<uint16_t>* files,
                                std::string* error) {
  files->clear();
  const uint16_t hash = platform::WordHash(word);
  uint16_t slot = 0;
  if (!FindSlot(word, hash, &slot)) return true;
  if (!ReadPostings(hash, slot, files, error)) return false;
  std::sort(files->begin(), files->end());
  files->erase(std::unique(files->begin(), files->end()), files->end());
  return true;
}

bool IndexReader::WordsWithPrefixes(const std::vector<std::string>& prefixes, size_t limit,
                                    std::vector<std::vector<WordAt>>* found, size_t* over) const {
  found->assign(prefixes.size(), {});
  size_t pos = 0;
  fmt::WordListEntry entry;
  size_t length = 0;
  // The list was checked whole when it was read.
  while (pos < word_list_.size() &&
         fmt::DecodeWordRecord(Bytes(word_list_) + pos, word_list_.size() - pos, &entry, &length)) {
    for (size_t p = 0; p < prefixes.size(); ++p) {
      if (entry.word.substr(0, prefixes[p].size()) != prefixes[p]) continue;
      if ((*found)[p].size() >= limit) {
        *over = p;
        return false;
      }
      (*found)[p].push_back({entry.hash, entry.slot});
    }
    pos += length;
  }
  return true;
}

bool IndexReader::FilesWithWordAt(WordAt word, std::vector<uint16_t>* files, std::string* error) {
  files->clear();
  if (!ReadPostings(word.hash, word.slot, files, error)) return false;
  std::sort(files->begin(), files->end());
  files->erase(std::unique(files->begin(), files->end()), files->end());
  return true;
}

bool IndexReader::FilesWithAllWords(const std::vector<std::string>& words,
                                    std::vector<uint16_t>* files, std::string* error) {
  files->clear();
  std::vector<uint16_t> holding;
  std::vector<uint16_t> both;
  for (size_t i = 0; i < words.size(); ++i) {
    if (!FilesWithWord(words[i], &holding, error)) return false;
    if (i == 0) {
      files->swap(holding);
    } else {
      both.clear();
      std::set_intersection(files->begin(), files->end(), holding.begin(), holding.end(),
                            std::back_inserter(both));
      files->swap(both);
    }
    if (files->empty()) break;
  }
  return true;
}

const IndexedFile* IndexReader::File(uint16_t number) const {
  if (file_by_number_.empty() || file_by_number_[number] < 0) return nullptr;
  return &files_[static_cast<size_t>(file_by_number_[number])];
}

}  // namespace oru::tool
