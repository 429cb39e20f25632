// Reloading a saved index for an update: the file index becomes StoredFiles, the parts and the
// word list become the dictionary again (same hash and slot for every word), and each part's
// postings go back into its posting log, which the run then extends.
//
// Everything read here may be damaged. Every offset and length is checked against the bytes
// actually read before it is used, and the only files written are the posting logs, named by
// part number inside IndexDir; any doubt fails the reload and the run starts a fresh index.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "indexer/engine/index_format.h"
#include "indexer/engine/indexer.h"
#include "platform/files.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;

namespace {

// Opens an index file for reading it whole; `*size` receives its length. False when it is
// missing or too large to hold.
bool OpenIndexFile(const std::string& path, platform::File* file, size_t* size) {
  if (platform::File::Open(path, platform::OpenMode::kReadExisting, file) != Result::kOk) {
    return false;
  }
  const int64_t length = file->Size();
  if (length < 0 || static_cast<uint64_t>(length) >= SIZE_MAX / 2) return false;
  *size = static_cast<size_t>(length);
  return true;
}

// Reads a whole file with one read into a buffer one zero byte longer than the file.
bool ReadIndexFile(const std::string& path, std::unique_ptr<uint8_t[]>* data, size_t* size) {
  platform::File file;
  if (!OpenIndexFile(path, &file, size)) return false;
  // Only the byte behind the file needs clearing: the read fills the rest.
  data->reset(new uint8_t[*size + 1]);
  (*data)[*size] = 0;
  return file.ReadExact(data->get(), *size) == Result::kOk;
}

// The same into `buffer`, which keeps its memory from one file to the next: the parts are read
// one after the other, and fresh memory for each would cost a page fault per page.
bool ReadIndexFile(const std::string& path, std::vector<uint8_t>* buffer, size_t* size) {
  platform::File file;
  if (!OpenIndexFile(path, &file, size)) return false;
  if (buffer->size() < *size + 1) buffer->resize(*size + 1);
  (*buffer)[*size] = 0;
  return file.ReadExact(buffer->data(), *size) == Result::kOk;
}

// Replaces posting log `part` of `index_dir` with `postings`, in one write through `fs`.
platform::Status WritePostingLog(platform::FileSystem* fs, const std::string& index_dir, int part,
                                 const std::vector<uint8_t>& postings) {
  platform::File file;
  platform::Status status =
      fs->Open(index_dir + fmt::PostingLogName(part), platform::OpenMode::kCreate, &file);
  if (status.ok() && !postings.empty()) status = fs->Write(&file, postings.data(), postings.size());
  const platform::Status closed = file.Close();
  return status.ok() ? closed : status;
}

}  // namespace

bool TIndexer::ReloadIndex() {
  if (!ReloadFileTable()) return false;
  if (ReloadDictionary()) return true;
  DropReload();
  return false;
}

bool TIndexer::ReloadFileTable() {
  deferred_logs_.reset();
  word_list_canonical_ = false;
  bool loaded = false;
  try {
    loaded = LoadStoredFiles(IndexDir + fmt::kFileIndexName);
  } catch (...) {
    loaded = false;  // memory exhausted, most likely
  }
  if (!loaded) DropReload();
  return loaded;
}

bool TIndexer::ReloadDictionary() {
  bool loaded = true;
  try {
    for (int part = 0; loaded && part < fmt::kPartCount; ++part) loaded = LoadPart(part);
    loaded = loaded && LoadWordFile(IndexDir + fmt::kWordListName) && RestoreWordTexts();
  } catch (...) {
    loaded = false;  // memory exhausted, most likely
  }
  WordFileBuffer.reset();
  WordFileSize = 0;
  part_buffer_ = {};
  return loaded;
}

void TIndexer::DropReload() {
  deferred_logs_.reset();
  word_list_canonical_ = false;
  stored_lookup_.Clear();
  StoredFiles.reset();
}

bool TIndexer::LoadStoredFiles(const std::string& path) {
  FileCount = 0;
  stored_lookup_.Clear();
  StoredFiles = std::make_unique<TTypedList<FileNode>>(true);
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
  if (!ReadIndexFile(path, &data, &size) || size == 0) return false;
  // The offsets kept for the in-place rewrite are 32 bits wide.
  if (size > UINT32_MAX) return false;
  // One node per record: count them first, so the list is allocated once.
  size_t records = 0;
  for (size_t pos = 0, length = 0; pos < size; pos += length, ++records) {
    fmt::FileRecord record;
    // Damage ends the count: the loop below says so.
    if (fmt::DecodeFileRecord(data.get() + pos, size - pos, &record, &length) !=
        fmt::FileRecordRead::kRecord) {
      break;
    }
  }
  StoredFiles->Reserve(records);
  for (size_t pos = 0; pos < size;) {
    ProcessMessages();
    fmt::FileRecord record;
    size_t length = 0;
    // A record shorter than its header or running past the end, the numbers no file is given
    // and a path that does not fit a node all fail the reload.
    if (fmt::DecodeFileRecord(data.get() + pos, size - pos, &record, &length) !=
        fmt::FileRecordRead::kRecord) {
      return false;
    }
    if (record.path.size() >= sizeof(FileNode::Path)) return false;
    auto node = std::make_unique<FileNode>();
    node->Number = record.number;
    node->PathHash = record.path_hash;
    node->Size = record.size;
    node->Time = record.time;
    std::memcpy(node->Path, record.path.data(), record.path.size());
    node->Offset = static_cast<uint32_t>(pos);
    StoredFiles->Add(node.release());
    FileCount = std::max(FileCount, record.number);
    pos += length;
  }
  stored_lookup_.Build(*StoredFiles);
  return true;
}

namespace {

// How a part reads: damaged (the reload fails), canonical (exactly the bytes MergePart writes
// for the postings read from it), or readable but laid out otherwise (bytes between the table
// and the first block, or behind an empty table).
enum class PartShape { kDamaged, kCanonical, kIrregular };

// Walks the blocks of part `part` (`size` bytes at `data`) as the reload reads them, calling
// `pump` once per bucket up to the part's last block (every bucket of a part without words)
// and `on_word(hash, entry)` for every word entry in bucket and slot order; `on_word` returns
// false to fail the walk.
template <typename Pump, typename OnWord>
PartShape WalkPart(const uint8_t* data, size_t size, int part, Pump&& pump, OnWord&& on_word) {
  fmt::BucketTable table;
  fmt::PartDamage damage;
  if (!table.Read(data, size, &damage)) return PartShape::kDamaged;
  for (int k = 0; k < fmt::kBucketsPerPart; ++k) {
    pump();
    const fmt::BucketTable::Block block = table.block(k);
    if (block.empty()) continue;
    const auto hash = static_cast<uint16_t>(part * fmt::kBucketsPerPart + k);
    fmt::BlockReader words(data + block.begin, block);
    fmt::WordEntry entry;
    while (words.Next(&entry)) {
      if (!on_word(hash, entry)) return PartShape::kDamaged;
    }
    if (words.damaged()) return PartShape::kDamaged;
    if (block.end == size) break;  // the last block: no bucket after it has words
  }
  return table.canonical() ? PartShape::kCanonical : PartShape::kIrregular;
}

// The posting log of a part: each 4-byte posting of a word entry becomes an 8-byte posting
// with the word's hash and slot, in bucket, slot and posting order.
class LogBuilder {
 public:
  // `size`: the part's, which bounds the log: a 4-byte posting becomes 8 bytes.
  explicit LogBuilder(size_t size) {
    if (size > fmt::kBucketTableSize) log_.reserve(2 * (size - fmt::kBucketTableSize));
  }
  bool operator()(uint16_t hash, const fmt::WordEntry& entry) {
    const size_t first = log_.size();
    log_.resize(first + size_t{entry.header.count} * fmt::kPostingSize);
    const uint8_t* in = entry.postings;
    uint8_t* out = log_.data() + first;
    for (uint32_t i = 0; i < entry.header.count; ++i) {
      const fmt::PartPosting posting = fmt::DecodePartPosting(in);
      fmt::EncodePosting({hash, entry.header.slot, posting.file, posting.flags}, out);
      in += fmt::kPartPostingSize;
      out += fmt::kPostingSize;
    }
    ++words_;
    return true;
  }
  const std::vector<uint8_t>& log() const { return log_; }
  uint32_t words() const { return words_; }

 private:
  std::vector<uint8_t> log_;
  uint32_t words_ = 0;
};

}  // namespace

bool TIndexer::LoadPart(int part) {
  std::vector<uint8_t>& data = part_buffer_;
  size_t size = 0;
  if (!ReadIndexFile(IndexDir + fmt::PartFileName(part), &data, &size) || size == 0) return false;
  uint32_t words = 0;
  const PartShape shape = WalkPart(
      data.data(), size, part, [this] { ProcessMessages(); },
      [this, &words](uint16_t hash, const fmt::WordEntry& entry) {
        const int32_t slot = AppendEmptyWord(hash);
        if (slot < 0 || slot != entry.header.slot) return false;  // slots run 0, 1, 2, ...
        ++WordsFound;
        ++words;
        HashSlots[hash] = entry.header.slot;
        return true;
      });
  if (shape == PartShape::kDamaged) return false;
  reloaded_words_[static_cast<size_t>(part)] = words;
  if (shape == PartShape::kCanonical) {
    // Merging this part's postings again would write the same bytes: its log is written only
    // when the run needs it (WriteDeferredLog).
    deferred_logs_.set(static_cast<size_t>(part));
    return true;
  }
  LogBuilder builder(size);
  WalkPart(data.data(), size, part, [] {}, builder);
  return WritePostingLog(Disk, IndexDir, part, builder.log()).ok();
}

bool TIndexer::WriteDeferredLog(int part) {
  if (!deferred_logs_.test(static_cast<size_t>(part))) return true;
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
  if (!ReadIndexFile(IndexDir + fmt::PartFileName(part), &data, &size)) return false;
  LogBuilder builder(size);
  // The part must still be the one the reload read: same words, same layout.
  if (WalkPart(data.get(), size, part, [] {}, builder) != PartShape::kCanonical ||
      builder.words() != reloaded_words_[static_cast<size_t>(part)]) {
    return false;
  }
  const platform::Status written = WritePostingLog(Disk, IndexDir, part, builder.log());
  if (!written.ok()) return Fail(written);
  deferred_logs_.reset(static_cast<size_t>(part));
  return true;
}

bool TIndexer::WriteDeferredLogs() {
  for (int part = 0; part < fmt::kPartCount; ++part) {
    if (!WriteDeferredLog(part)) return false;
  }
  return true;
}

uint32_t TIndexer::PartWordCount(int part) const {
  uint32_t words = 0;
  const int first = part * fmt::kBucketsPerPart;
  for (int h = first; h < first + fmt::kBucketsPerPart; ++h) {
    words += static_cast<uint32_t>(WordBuckets[h].Count());
  }
  return words;
}

bool TIndexer::LoadWordFile(const std::string& path) {
  WordFileBuffer.reset();
  WordFileSize = 0;
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
  if (!ReadIndexFile(path, &data, &size) || size == 0 || size > INT32_MAX) return false;
  WordFileBuffer = std::move(data);
  WordFileSize = static_cast<int32_t>(size);
  return true;
}

bool TIndexer::RestoreWordTexts() {
  if (WordFileBuffer == nullptr || WordFileSize < 0) return false;
  const auto size = static_cast<size_t>(WordFileSize);
  const uint64_t pool_end = std::min<uint64_t>(WordPoolEnd, kWordPoolSize);
  // The list is canonical (exactly what WriteWordList writes for the dictionary it gives) when
  // its records name every word once, in bucket and slot order, each text whole: the word
  // `next_hash`, `next_slot` is the one the next record must name.
  const auto first_word_from = [this](int hash) {
    while (hash < kHashCount && WordBuckets[hash].Empty()) ++hash;
    return hash;
  };
  bool canonical = true;
  int next_hash = first_word_from(0);
  size_t next_slot = 0;
  for (size_t pos = 0; pos < size;) {
    ProcessMessages();
    fmt::WordListEntry record;
    size_t length = 0;
    if (!fmt::DecodeWordRecord(WordFileBuffer.get() + pos, size - pos, &record, &length)) {
      return false;  // a damaged word list fails the reload
    }
    const TTypedList<_Form>& bucket = WordBuckets[record.hash];
    if (record.slot >= bucket.Count()) return false;  // a word the parts did not create
    const size_t n = record.word.size();
    if (WordPoolCursor + uint64_t{n} + 1 >= pool_end) return false;  // the pool is full
    if (canonical) {
      canonical = record.hash == next_hash && record.slot == next_slot &&
                  n <= fmt::kMaxWordRecord - fmt::kWordRecordExtra &&
                  std::memchr(record.word.data(), '\0', n) == nullptr;
      if (canonical && ++next_slot == bucket.Count()) {
        next_hash = first_word_from(next_hash + 1);
        next_slot = 0;
      }
    }
    std::memcpy(WordPool + WordPoolCursor, record.word.data(), n);
    WordPool[WordPoolCursor + n] = '\0';
    bucket[record.slot]->Text = WordPoolCursor;
    WordPoolCursor += static_cast<uint32_t>(n + 1);
    pos += length;
  }
  // Every reloaded word must have been named by the word list.
  for (int h = 0; h < kHashCount; ++h) {
    for (const _Form* form : WordBuckets[h]) {
      if (form->Text == _Form::kNoText) return false;
    }
  }
  word_list_canonical_ = canonical && next_hash == kHashCount;
  return true;
}

int32_t TIndexer::AppendEmptyWord(uint16_t hash) {
  TTypedList<_Form>& bucket = WordBuckets[hash];
  if (bucket.Count() >= kNoSlot) return -1;
  bucket.Add(new _Form{_Form::kNoText, kNoFile, 0});
  return static_cast<int32_t>(bucket.Count() - 1);
}

StoredFileState TIndexer::CheckStoredFile(std::string_view path, uint16_t path_hash,
                                          uint32_t size, uint32_t time, const FileNode** stored) {
  try {
    const FileNode* node = stored_lookup_.Find(path, path_hash);
    if (node == nullptr) return StoredFileState::kNew;
    if (size == node->Size && time == node->Time) return StoredFileState::kUnchanged;
    *stored = node;
    return StoredFileState::kChanged;
  } catch (...) {
    return StoredFileState::kUnchanged;
  }
}

}  // namespace oru
