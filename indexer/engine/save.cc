// The saving phase: each posting log becomes its part of the inverted index, then the word
// list is written. Every file is written under a temporary name and renamed over the old one
// when complete, so a reader never sees half a file (F13).
#include <cstring>
#include <vector>

#include "indexer/engine/index_format.h"
#include "indexer/engine/indexer.h"
#include "platform/files.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;

namespace {

constexpr char kTempSuffix[] = ".tmp";

// Writes `data` to `path` through a temporary file in the same folder.
bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& data) {
  const std::string temp = path + kTempSuffix;
  platform::File file;
  if (platform::File::Open(temp, platform::OpenMode::kCreate, &file) != Result::kOk) return false;
  const bool written = file.Write(data.data(), data.size()) == Result::kOk &&
                       file.Close() == Result::kOk;
  if (!written || platform::RenameFile(temp, path) != Result::kOk) {
    file.Close();
    platform::DeleteFile(temp);
    return false;
  }
  return true;
}

}  // namespace

bool TIndexer::SaveIndex() {
  bool words_added = false;
  for (int part = 0; part < fmt::kPartCount; ++part) {
    // Words are only ever added, so an equal count means the part's words are those reloaded.
    const bool gained = PartWordCount(part) != reloaded_words_[static_cast<size_t>(part)];
    words_added = words_added || gained;
    if (deferred_logs_.test(static_cast<size_t>(part)) && !gained) {
      // A reloaded part that received nothing: merging it again would write the same bytes.
      // A log left by an earlier run has nothing to add either.
      platform::DeleteFile(IndexDir + fmt::PostingLogName(part));
      deferred_logs_.reset(static_cast<size_t>(part));
      StepProgress();
      continue;
    }
    if (!WriteDeferredLog(part) || !MergePart(part)) return false;
  }
  // The same holds for a reloaded word list when no word was added.
  const int words = word_list_canonical_ && !words_added ? 0 : WriteWordList(IndexDir);
  StepProgress();
  return words == 0;
}

bool TIndexer::MergePart(int part) {
  const std::string log_path = IndexDir + fmt::PostingLogName(part);
  const std::string part_path = IndexDir + fmt::PartFileName(part);
  if (!platform::FileExists(log_path)) {
    // No log: the part is an empty file, and the bar does not move.
    return ReplaceFile(part_path, {});
  }
  std::string log;
  if (platform::ReadWholeFile(log_path, &log) != Result::kOk) return false;
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
    if (p.slot >= slots) return false;  // a slot the dictionary does not have: damaged log
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
    if (slots == 0 || start[first + slots] == start[first]) continue;  // no postings: entry 0 (F23)
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
  if (!ReplaceFile(part_path, out)) return false;
  StepProgress();
  // The log goes only once its part is in place. A log that cannot be deleted does no harm:
  // the next run truncates or rebuilds it.
  platform::DeleteFile(log_path);
  return true;
}

int TIndexer::WriteWordList(const std::string& index_dir) {
  const std::string path = index_dir + fmt::kWordListName;
  const std::string temp = path + kTempSuffix;
  BufferedFile file(64 * 1024);
  if (file.Create(temp) != Result::kOk) return 2;
  uint8_t record[fmt::kMaxWordRecord];
  for (int h = 0; h < kHashCount; ++h) {
    const TTypedList<_Form>& bucket = WordBuckets[h];
    for (size_t s = 0; s < bucket.Count(); ++s) {
      const std::string_view word = WordText(*bucket[s]);
      const size_t n = fmt::EncodeWordRecord(word, static_cast<uint16_t>(h),
                                             static_cast<uint16_t>(s), record);
      if (file.Write(record, n) != Result::kOk) break;
    }
  }
  if (file.Close() != Result::kOk || platform::RenameFile(temp, path) != Result::kOk) {
    platform::DeleteFile(temp);
    return 2;
  }
  return 0;
}

}  // namespace oru
