// The saving phase: each posting log becomes its part of the inverted index, then the word
// list is written. Every file is written beside the old one under a new name, synced, and put
// in place with the others only when all are complete (IndexSwitch), so a reader never sees
// half a file and a failure never costs the old index.
#include <cstring>
#include <vector>

#include "indexer/engine/index_format.h"
#include "indexer/engine/indexer.h"
#include "platform/files.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;
using platform::Status;

namespace {

// Writes `data` as the complete file at `path` and starts writing it out to the device
// (IndexSwitch syncs it before it is put in place).
Status WriteNewFile(platform::FileSystem* fs, const std::string& path,
                    const std::vector<uint8_t>& data) {
  platform::File file;
  Status status = fs->Open(path, platform::OpenMode::kCreate, &file);
  if (status.ok() && !data.empty()) status = fs->Write(&file, data.data(), data.size());
  if (status.ok()) file.StartWriteback();
  const Status closed = file.Close();
  return status.ok() ? closed : status;
}

}  // namespace

bool TIndexer::SaveIndex() {
  if (pending_ == nullptr) pending_ = std::make_unique<IndexSwitch>(Disk, IndexDir);
  bool words_added = false;
  for (int part = 0; part < fmt::kPartCount; ++part) {
    // Words are only ever added, so an equal count means the part's words are those reloaded.
    const bool gained = PartWordCount(part) != reloaded_words_[static_cast<size_t>(part)];
    words_added = words_added || gained;
    if (deferred_logs_.test(static_cast<size_t>(part)) && !gained) {
      // A reloaded part that received nothing: merging it again would write the same bytes.
      // A log left by an earlier run has nothing to add either.
      Disk->Delete(IndexDir + fmt::PostingLogName(part));
      deferred_logs_.reset(static_cast<size_t>(part));
      StepProgress();
      continue;
    }
    if (!WriteDeferredLog(part)) {
      return Fail(Status(Result::kFailed, "rebuild the posting log of",
                         IndexDir + fmt::PartFileName(part), "the part changed or cannot be read"));
    }
    if (!MergePart(part)) return false;
  }
  // The same holds for a reloaded word list when no word was added.
  const int words = word_list_canonical_ && !words_added ? 0 : WriteWordList(IndexDir);
  StepProgress();
  return words == 0 && SwitchIndex();
}

bool TIndexer::MergePart(int part) {
  const std::string log_path = IndexDir + fmt::PostingLogName(part);
  if (!platform::FileExists(log_path)) {
    // No log: the part is an empty file, and the bar does not move.
    const Status written = WriteNewFile(Disk, pending_->NewPath(fmt::PartFileName(part)), {});
    if (!written.ok()) return Fail(written);
    pending_->Add(fmt::PartFileName(part));
    return true;
  }
  std::string log;
  const Status read = platform::ReadWholeFile(log_path, &log);
  if (!read.ok()) return Fail(read);
  const size_t count = log.size() / fmt::kPostingSize;
  const auto* postings = reinterpret_cast<const uint8_t*>(log.data());

  // Each bucket with words gets one counter per slot, 0 to HashSlots[h], in one flat array.
  const int first_hash = part * fmt::kBucketsPerPart;
  std::vector<uint32_t> slot_base(fmt::kBucketsPerPart + 1, 0);
  for (int k = 0; k < fmt::kBucketsPerPart; ++k) {
    const uint16_t highest = HashSlots[first_hash + k];
    slot_base[k + 1] = slot_base[k] + (highest == kNoSlot ? 0 : uint32_t{highest} + 1);
  }
  // Counting sort of the postings by (bucket, slot), keeping their order of arrival.
  std::vector<uint32_t> start(slot_base[fmt::kBucketsPerPart] + 1, 0);
  for (size_t i = 0; i < count; ++i) {
    const fmt::Posting p = fmt::DecodePosting(postings + i * fmt::kPostingSize);
    const int k = fmt::BucketOf(p.hash);
    const uint32_t slots = slot_base[k + 1] - slot_base[k];
    if (slots == 0) continue;           // a bucket without words: dropped
    if (p.slot >= slots) {  // a slot the dictionary does not have: damaged log
      return Fail(Status(Result::kFailed, "merge", log_path,
                         "a posting names a word the dictionary does not have"));
    }
    ++start[slot_base[k] + p.slot + 1];
  }
  for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  std::vector<uint32_t> sorted(start.back());
  std::vector<uint32_t> fill(start.begin(), start.end() - 1);
  for (size_t i = 0; i < count; ++i) {
    const fmt::Posting p = fmt::DecodePosting(postings + i * fmt::kPostingSize);
    const int k = fmt::BucketOf(p.hash);
    if (slot_base[k + 1] == slot_base[k]) continue;
    sorted[fill[slot_base[k] + p.slot]++] = p.file | (uint32_t{p.flags} << 16);
  }
  log.clear();
  log.shrink_to_fit();

  // Each posting becomes at most 10 bytes of output: 4 of its own and a word header of 6.
  std::vector<uint8_t> out(fmt::kBucketTableSize + 10 * sorted.size(), 0);
  size_t pos = fmt::kBucketTableSize;
  for (int k = 0; k < fmt::kBucketsPerPart; ++k) {
    const uint32_t first = slot_base[k];
    const uint32_t slots = slot_base[k + 1] - first;
    if (slots == 0 || start[first + slots] == start[first]) continue;  // no postings: entry 0
    fmt::PutU32(&out[4 * static_cast<size_t>(k)], static_cast<uint32_t>(pos));
    for (uint32_t j = 0; j < slots; ++j) {
      const uint32_t begin = start[first + j];
      const uint32_t end = start[first + j + 1];
      if (begin == end) continue;
      fmt::PutU32(&out[pos], end - begin);
      fmt::PutU16(&out[pos + 4], static_cast<uint16_t>(j));
      pos += fmt::kWordEntryHeader;
      for (uint32_t i = begin; i < end; ++i) {
        fmt::PutU16(&out[pos], static_cast<uint16_t>(sorted[i]));
        fmt::PutU16(&out[pos + 2], static_cast<uint16_t>(sorted[i] >> 16));
        pos += fmt::kPartPostingSize;
      }
    }
  }
  out.resize(pos);
  ProcessMessages();
  const Status written = WriteNewFile(Disk, pending_->NewPath(fmt::PartFileName(part)), out);
  if (!written.ok()) return Fail(written);
  pending_->Add(fmt::PartFileName(part));
  StepProgress();
  // The log has served: a log that cannot be deleted does no harm, the next run removes it.
  Disk->Delete(log_path);
  return true;
}

int TIndexer::WriteWordList(const std::string& index_dir) {
  if (pending_ == nullptr) pending_ = std::make_unique<IndexSwitch>(Disk, index_dir);
  BufferedFile file(64 * 1024, Disk);
  Status status = file.Create(pending_->NewPath(fmt::kWordListName));
  uint8_t record[fmt::kMaxWordRecord];
  for (int h = 0; h < kHashCount && status.ok(); ++h) {
    const TTypedList<_Form>& bucket = WordBuckets[h];
    for (size_t s = 0; s < bucket.Count() && status.ok(); ++s) {
      const std::string_view word = WordText(*bucket[s]);
      const size_t n = fmt::EncodeWordRecord(word, static_cast<uint16_t>(h),
                                             static_cast<uint16_t>(s), record);
      status = file.Write(record, n);
    }
  }
  const Status committed = file.Commit();
  if (status.ok()) status = committed;
  if (!status.ok()) {
    Fail(status);
    return 2;
  }
  pending_->Add(fmt::kWordListName);
  return 0;
}

}  // namespace oru
