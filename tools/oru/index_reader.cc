#include "tools/oru/index_reader.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "indexer/engine/index_format.h"
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

bool IndexReader::Open(const std::string& folder, bool lenient, std::string* error) {
  folder_ = folder;
  lenient_ = lenient;
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
    if (!fmt::DecodeFileRecord(Bytes(data) + pos, data.size() - pos, &record, &length)) {
      *error = Damaged(fmt::kFileIndexName, pos, "a file record is cut short or has a bad length");
      return false;
    }
    const uint16_t number = record.number;
    if (number == 0 || number == 0xFFFF) {
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
      files_.push_back({number, record.size, record.time, std::string(record.path)});
    }
    pos += length;
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

bool IndexReader::OpenPart(int part, std::string* error) {
  if (part_opened_[part]) return true;
  const std::string name = fmt::PartFileName(part);
  const Result opened =
      platform::File::Open(folder_ + name, platform::OpenMode::kReadExisting, &parts_[part]);
  if (opened == Result::kNotFound && lenient_) {
    part_sizes_[part] = -1;
  } else if (opened != Result::kOk) {
    *error = "cannot open " + folder_ + name + " (" + platform::ResultName(opened) + ")";
    return false;
  } else {
    part_sizes_[part] = parts_[part].Size();
    if (part_sizes_[part] < 0) {
      *error = "cannot read " + folder_ + name;
      return false;
    }
  }
  part_opened_[part] = true;
  return true;
}

bool IndexReader::ReadPostings(uint16_t hash, uint16_t slot, std::vector<uint16_t>* files,
                               std::string* error) {
  const int part = fmt::PartOf(hash);
  const size_t bucket = static_cast<size_t>(fmt::BucketOf(hash));
  if (!OpenPart(part, error)) return false;
  const int64_t size = part_sizes_[part];
  // A part saved without a posting log is empty: it holds no words.
  if (size <= 0) return true;
  const std::string name = fmt::PartFileName(part);
  platform::File& file = parts_[part];
  if (size < static_cast<int64_t>(fmt::kBucketTableSize)) {
    *error = Damaged(name, static_cast<uint64_t>(size), "the file ends inside its bucket table");
    return false;
  }
  // The bucket's entry and the entries after it: the next non-zero one is where its block ends.
  uint8_t table[fmt::kBucketTableSize];
  const size_t table_pos = 4 * bucket;
  const size_t table_bytes = fmt::kBucketTableSize - table_pos;
  if (file.Seek(static_cast<int64_t>(table_pos)) != Result::kOk ||
      file.ReadExact(table, table_bytes) != Result::kOk) {
    *error = "cannot read " + folder_ + name;
    return false;
  }
  const uint64_t start = fmt::GetU32(table);
  if (start == 0) return true;
  const auto file_size = static_cast<uint64_t>(size);
  if (start < fmt::kBucketTableSize || start >= file_size) {
    *error = Damaged(name, table_pos,
                     "the bucket table points to offset " + std::to_string(start) +
                         ", outside the file's blocks");
    return false;
  }
  uint64_t end = file_size;
  for (size_t i = 4; i < table_bytes; i += 4) {
    const uint64_t next = fmt::GetU32(table + i);
    if (next == 0) continue;
    if (next <= start || next > file_size) {
      *error = Damaged(name, table_pos + i, "the bucket table is out of order");
      return false;
    }
    end = next;
    break;
  }
  std::string block(static_cast<size_t>(end - start), '\0');
  if (file.Seek(static_cast<int64_t>(start)) != Result::kOk ||
      file.ReadExact(block.data(), block.size()) != Result::kOk) {
    *error = "cannot read " + folder_ + name;
    return false;
  }
  // The block lists the bucket's words in slot order 0, 1, 2, ... without gaps.
  const uint8_t* data = Bytes(block);
  size_t pos = 0;
  for (uint32_t expected = 0; pos < block.size(); ++expected) {
    if (block.size() - pos < fmt::kWordEntryHeader) {
      *error = Damaged(name, start + pos, "a word entry is cut short");
      return false;
    }
    const fmt::PartWordHeader header = fmt::DecodePartWordHeader(data + pos);
    if (header.count == 0 || (!lenient_ && header.slot != expected)) {
      *error =
          Damaged(name, start + pos,
                  header.count == 0 ? "a word entry without postings"
                                    : "a word entry has slot " + std::to_string(header.slot) +
                                          " where slot " + std::to_string(expected) + " belongs");
      return false;
    }
    const uint64_t entry_size = fmt::PartWordEntrySize(header.count);
    if (entry_size > block.size() - pos) {
      *error = Damaged(name, start + pos,
                       "a word entry's " + std::to_string(header.count) +
                           " postings run past the end of its bucket's block");
      return false;
    }
    if (header.slot == slot) {
      for (size_t i = pos + fmt::kWordEntryHeader; i < pos + entry_size;
           i += fmt::kPartPostingSize) {
        const uint16_t number = fmt::GetU16(data + i);
        if (file_by_number_[number] != -1) {
          files->push_back(number);
        } else if (!lenient_) {
          *error = Damaged(name, start + i,
                           "a posting names the file number " + std::to_string(number) +
                               ", which the file index lacks");
          return false;
        }
      }
      return true;
    }
    pos += static_cast<size_t>(entry_size);
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
