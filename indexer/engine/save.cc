#include "indexer/engine/save.h"

#include <utility>

#include "indexer/engine/buffered_file.h"
#include "indexer/engine/index_format.h"
#include "platform/files.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;
using platform::Status;

bool BuildPart(const Dictionary& dictionary, int part, std::string log,
               std::vector<uint8_t>* out_part) {
  const size_t count = log.size() / fmt::kPostingSize;
  const auto* postings = reinterpret_cast<const uint8_t*>(log.data());

  // Each bucket with words gets one counter per slot, in one flat array.
  const int first_hash = part * fmt::kBucketsPerPart;
  std::vector<uint32_t> slot_base(fmt::kBucketsPerPart + 1, 0);
  for (int k = 0; k < fmt::kBucketsPerPart; ++k) {
    const auto slots = dictionary.SlotCount(static_cast<uint16_t>(first_hash + k));
    slot_base[k + 1] = slot_base[k] + static_cast<uint32_t>(slots);
  }
  // Counting sort of the postings by (bucket, slot), keeping their order of arrival.
  std::vector<uint32_t> start(slot_base[fmt::kBucketsPerPart] + 1, 0);
  for (size_t i = 0; i < count; ++i) {
    const fmt::Posting p = fmt::DecodePosting(postings + i * fmt::kPostingSize);
    const int k = fmt::BucketOf(p.hash);
    const uint32_t slots = slot_base[k + 1] - slot_base[k];
    if (slots == 0) continue;           // a bucket without words: dropped
    if (p.slot >= slots) {  // a slot the dictionary does not have: damaged log
      return false;
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
  std::vector<uint8_t>& out = *out_part;
  out.assign(fmt::kBucketTableSize + 10 * sorted.size(), 0);
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
  return true;
}

IndexSaver::IndexSaver(platform::FileSystem* disk, std::string index_dir, IndexSwitch* pending,
                       std::function<void()> step, std::function<void()> pump)
    : disk_(disk),
      dir_(std::move(index_dir)),
      pending_(pending),
      step_(std::move(step)),
      pump_(std::move(pump)) {}

Status IndexSaver::Save(const Dictionary& dictionary, PostingLogs* logs,
                        const ReloadedDictionary& reloaded) {
  bool words_added = false;
  for (int part = 0; part < fmt::kPartCount; ++part) {
    // Words are only ever added, so an equal count means the part's words are those reloaded.
    const bool gained =
        dictionary.PartWordCount(part) != reloaded.part_words[static_cast<size_t>(part)];
    words_added = words_added || gained;
    if (logs->put_off(part) && !gained) {
      // A reloaded part that received nothing: merging it again would write the same bytes.
      logs->DropPutOff(part);
      step_();
      continue;
    }
    Status status = logs->WritePutOff(part);
    if (status.ok()) status = MergePart(dictionary, part, logs->PathOf(part));
    if (!status.ok()) return status;
  }
  // The same holds for a reloaded word list when no word was added.
  Status status;
  if (!reloaded.word_list_canonical || words_added) status = WriteWordList(dictionary);
  step_();
  return status;
}

Status IndexSaver::MergePart(const Dictionary& dictionary, int part, const std::string& log_path) {
  const std::string name = fmt::PartFileName(part);
  if (!platform::FileExists(log_path)) {
    // No log: the part is an empty file, and the bar does not move.
    const Status written = WriteWholeFile(disk_, pending_->NewPath(name), {}, true);
    if (written.ok()) pending_->Add(name);
    return written;
  }
  std::string log;
  const Status read = platform::ReadWholeFile(log_path, &log);
  if (!read.ok()) return read;
  std::vector<uint8_t> out;
  if (!BuildPart(dictionary, part, std::move(log), &out)) {
    return Status(Result::kFailed, "merge", log_path,
                  "a posting names a word the dictionary does not have");
  }
  pump_();
  const Status written = WriteWholeFile(disk_, pending_->NewPath(name), out, true);
  if (!written.ok()) return written;
  pending_->Add(name);
  step_();
  // The log has served: a log that cannot be deleted does no harm, the next run removes it.
  disk_->Delete(log_path);
  return Status();
}

Status IndexSaver::WriteWordList(const Dictionary& dictionary) {
  BufferedFile file(64 * 1024, disk_);
  Status status = file.Create(pending_->NewPath(fmt::kWordListName));
  uint8_t record[fmt::kMaxWordRecord];
  for (int h = 0; h < kHashCount && status.ok(); ++h) {
    const auto hash = static_cast<uint16_t>(h);
    for (size_t s = 0; s < dictionary.SlotCount(hash) && status.ok(); ++s) {
      const auto slot = static_cast<uint16_t>(s);
      const std::string_view word = dictionary.Text(dictionary.Entry(hash, slot));
      const size_t n = fmt::EncodeWordRecord(word, hash, slot, record);
      status = file.Write(record, n);
    }
  }
  const Status committed = file.Commit();
  if (status.ok()) status = committed;
  if (status.ok()) pending_->Add(fmt::kWordListName);
  return status;
}

}  // namespace oru
