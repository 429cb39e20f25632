#include "indexer/engine/save.h"

#include <array>
#include <atomic>
#include <cstring>
#include <exception>
#include <thread>
#include <utility>

#include "indexer/engine/buffered_file.h"
#include "indexer/engine/index_format.h"
#include "indexer/engine/part_reader.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;
using platform::Status;

const char* PartBuilder::Build(const Dictionary& dictionary, int part, const PartSources& sources,
                               DroppedWords* dropped, size_t* forgotten) {
  const size_t count = sources.log.size() / fmt::kPostingSize;
  const auto* postings = reinterpret_cast<const uint8_t*>(sources.log.data());

  // Each bucket with words gets one counter per slot, in one flat array.
  const int first_hash = part * fmt::kBucketsPerPart;
  slot_base_.assign(fmt::kBucketsPerPart + 1, 0);
  std::vector<uint32_t>& slot_base = slot_base_;
  for (int k = 0; k < fmt::kBucketsPerPart; ++k) {
    const auto slots = dictionary.SlotCount(static_cast<uint16_t>(first_hash + k));
    slot_base[k + 1] = slot_base[k] + static_cast<uint32_t>(slots);
  }
  const uint32_t counters = slot_base[fmt::kBucketsPerPart];

  // The old part's entry of each counter (at most one: a bucket's slots run 0, 1, 2, ...):
  // where its postings are and how many. The old part must be whole and the one the
  // dictionary was reloaded from.
  old_postings_.assign(counters, nullptr);
  old_counts_.assign(counters, 0);
  size_t old_total = 0;
  if (sources.old_part != nullptr) {
    uint32_t words = 0;
    const PartShape shape = WalkPart(
        sources.old_part, sources.old_size, part, [] {},
        [&](uint16_t hash, const fmt::WordEntry& entry) {
          const int k = fmt::BucketOf(hash);
          if (entry.header.slot >= slot_base[k + 1] - slot_base[k]) return false;
          ++words;
          const uint32_t counter = slot_base[k] + entry.header.slot;
          old_postings_[counter] = entry.postings;
          old_counts_[counter] = entry.header.count;
          old_total += entry.header.count;
          return true;
        });
    if (shape == PartShape::kDamaged || words != sources.old_words) {
      return "the part is damaged or changed since it was read";
    }
  }

  // Counting sort of the log's postings by (bucket, slot), in their order of arrival.
  std::vector<uint32_t>& start = start_;
  start.assign(counters + 1, 0);
  for (size_t i = 0; i < count; ++i) {
    const fmt::Posting p = fmt::DecodePosting(postings + i * fmt::kPostingSize);
    const int k = fmt::BucketOf(p.hash);
    const uint32_t slots = slot_base[k + 1] - slot_base[k];
    if (slots == 0) continue;  // a bucket without words: dropped
    if (p.slot >= slots) return "a posting names a word the dictionary does not have";
    ++start[slot_base[k] + p.slot + 1];
  }
  for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  std::vector<uint32_t>& sorted = sorted_;
  sorted.resize(start.back());
  std::vector<uint32_t>& fill = fill_;
  fill.assign(start.begin(), start.end() - 1);
  for (size_t i = 0; i < count; ++i) {
    const fmt::Posting p = fmt::DecodePosting(postings + i * fmt::kPostingSize);
    const int k = fmt::BucketOf(p.hash);
    if (slot_base[k + 1] == slot_base[k]) continue;
    sorted[fill[slot_base[k] + p.slot]++] = p.file | (uint32_t{p.flags} << 16);
  }

  // Each word's entry: its old postings as the old part holds them (the bytes are those this
  // loop would write for them), less those of forgotten files, then the log's. The part is
  // written into room for every counter and posting and cut to what it holds.
  std::vector<uint8_t>& out = part_;
  out.resize(fmt::kBucketTableSize + fmt::kWordEntryHeader * size_t{counters} +
             fmt::kPartPostingSize * (old_total + sorted.size()));
  uint8_t* const bytes = out.data();
  std::memset(bytes, 0, fmt::kBucketTableSize);
  const FileNumberSet* forget =
      sources.forget != nullptr && !sources.forget->empty() ? sources.forget : nullptr;
  size_t old_forgotten = 0;
  size_t pos = fmt::kBucketTableSize;
  for (int k = 0; k < fmt::kBucketsPerPart; ++k) {
    const uint32_t first = slot_base[k];
    const uint32_t slots = slot_base[k + 1] - first;
    const auto hash = static_cast<uint32_t>(first_hash + k);
    const size_t bucket_begin = pos;
    uint16_t saved_slot = 0;
    for (uint32_t j = 0; j < slots; ++j) {
      const uint32_t counter = first + j;
      const size_t header = pos;
      pos += fmt::kWordEntryHeader;
      const uint8_t* in = old_postings_[counter];
      const uint32_t old_count = old_counts_[counter];
      if (forget == nullptr) {
        if (old_count != 0) std::memcpy(bytes + pos, in, fmt::kPartPostingSize * old_count);
        pos += fmt::kPartPostingSize * old_count;
      } else {
        for (uint32_t i = 0; i < old_count; ++i, in += fmt::kPartPostingSize) {
          if (forget->Contains(fmt::GetU16(in))) {
            ++old_forgotten;
            continue;
          }
          std::memcpy(bytes + pos, in, fmt::kPartPostingSize);
          pos += fmt::kPartPostingSize;
        }
      }
      for (uint32_t i = start[counter]; i < start[counter + 1]; ++i) {
        fmt::PutU16(bytes + pos, static_cast<uint16_t>(sorted[i]));
        fmt::PutU16(bytes + pos + 2, static_cast<uint16_t>(sorted[i] >> 16));
        pos += fmt::kPartPostingSize;
      }
      const size_t held = (pos - header - fmt::kWordEntryHeader) / fmt::kPartPostingSize;
      if (held == 0) {
        pos = header;
        dropped->push_back((hash << 16) | j);
        continue;
      }
      fmt::PutU32(bytes + header, static_cast<uint32_t>(held));
      fmt::PutU16(bytes + header + 4, saved_slot++);
    }
    // A bucket without postings gets table entry 0.
    if (pos != bucket_begin) {
      fmt::PutU32(bytes + 4 * static_cast<size_t>(k), static_cast<uint32_t>(bucket_begin));
    }
  }
  out.resize(pos);
  *forgotten = old_forgotten;
  return nullptr;
}

IndexSaver::IndexSaver(platform::FileSystem* disk, std::string index_dir, IndexSwitch* pending,
                       std::function<void()> step, std::function<void()> pump)
    : disk_(disk),
      dir_(std::move(index_dir)),
      pending_(pending),
      step_(std::move(step)),
      pump_(std::move(pump)) {}

Status IndexSaver::Save(const Dictionary& dictionary, const PostingLogs& logs,
                        const ReloadedDictionary& reloaded, const FileNumberSet& forget) {
  bool words_added = false;
  std::array<std::string, fmt::kPartCount> log_paths;
  for (int part = 0; part < fmt::kPartCount; ++part) {
    // Words are only ever added, so an equal count means the part's words are those reloaded.
    words_added = words_added ||
                  dictionary.PartWordCount(part) != reloaded.part_words[static_cast<size_t>(part)];
    log_paths[static_cast<size_t>(part)] = logs.PathOf(part);
  }

  // Two threads take the parts in turn, each with memory of its own; the dictionary is only
  // read meanwhile. A failure stops both from taking further parts.
  std::array<PartOutcome, fmt::kPartCount> outcomes;
  std::array<std::atomic<bool>, fmt::kPartCount> done{};
  std::atomic<int> next_part{0};
  std::atomic<bool> failed{false};
  const auto save_parts = [&](PartWork* work, const std::function<void(int)>& after_part) {
    for (int part = next_part++; part < fmt::kPartCount && !failed; part = next_part++) {
      PartOutcome& outcome = outcomes[static_cast<size_t>(part)];
      try {
        SavePart(dictionary, part, log_paths[static_cast<size_t>(part)], reloaded, forget, work,
                 &outcome);
      } catch (const std::exception& e) {
        outcome.status = Status(Result::kFailed, "save", dir_ + fmt::PartFileName(part), e.what());
      }
      if (!outcome.status.ok()) failed = true;
      done[static_cast<size_t>(part)].store(true, std::memory_order_release);
      after_part(part);
    }
  };
  // The bar moves in part order, for the parts of either thread done so far.
  size_t stepped = 0;
  const auto step_done = [&] {
    while (stepped < outcomes.size() && done[stepped].load(std::memory_order_acquire) &&
           outcomes[stepped].status.ok()) {
      if (outcomes[stepped].stepped) step_();
      ++stepped;
    }
  };
  {
    PartWork second_work;
    std::thread second;
    try {
      second = std::thread([&] { save_parts(&second_work, [](int) {}); });
    } catch (...) {
      // No second thread: this one saves every part.
    }
    // The second thread takes no further part and has ended before anything it uses goes,
    // whatever this one meets (a pump may throw).
    struct Joined {
      std::thread& thread;
      std::atomic<bool>& stop;
      ~Joined() {
        if (!thread.joinable()) return;
        if (std::uncaught_exceptions() > 0) stop = true;
        thread.join();
      }
    } joined{second, failed};
    PartWork work;
    save_parts(&work, [&](int part) {
      if (!outcomes[static_cast<size_t>(part)].stepped) return;
      pump_();
      step_done();
    });
  }
  step_done();

  DroppedWords dropped;
  for (int part = 0; part < fmt::kPartCount; ++part) {
    PartOutcome& outcome = outcomes[static_cast<size_t>(part)];
    if (!outcome.status.ok()) return outcome.status;
    if (outcome.written) pending_->Add(fmt::PartFileName(part));
    dropped.insert(dropped.end(), outcome.dropped.begin(), outcome.dropped.end());
  }
  // A reloaded word list that is exactly what would be written stays as it is.
  Status status;
  if (!reloaded.word_list_canonical || words_added || !dropped.empty()) {
    status = WriteWordList(dictionary, dropped);
  }
  step_();
  return status;
}

void IndexSaver::SavePart(const Dictionary& dictionary, int part, const std::string& log_path,
                          const ReloadedDictionary& reloaded, const FileNumberSet& forget,
                          PartWork* work, PartOutcome* outcome) const {
  const std::string name = fmt::PartFileName(part);
  const bool update = reloaded.ok;
  std::string& log = work->log;
  const Status read_log = disk_->ReadWhole(log_path, &log);
  if (!read_log.ok() && read_log.result() != Result::kNotFound) {
    outcome->status = read_log;
    return;
  }
  const bool has_log = read_log.ok();
  if (!has_log) log.clear();
  if (!update && !has_log) {
    // No log: the part is an empty file, and the bar does not move.
    outcome->status = WriteWholeFile(disk_, pending_->NewPath(name), {}, true);
    outcome->written = outcome->status.ok();
    return;
  }
  const bool canonical = update && reloaded.part_canonical[static_cast<size_t>(part)];
  if (canonical && !has_log && forget.empty()) {
    // A reloaded part that neither gains nor loses a posting: it stays as it is.
    outcome->stepped = true;
    return;
  }
  PartSources sources;
  if (update) {
    outcome->status = disk_->ReadWhole(dir_ + name, &work->old_part);
    if (!outcome->status.ok()) return;
    sources.old_part = reinterpret_cast<const uint8_t*>(work->old_part.data());
    sources.old_size = work->old_part.size();
    sources.old_words = reloaded.part_words[static_cast<size_t>(part)];
    sources.forget = &forget;
  }
  sources.log = log;
  size_t forgotten = 0;
  if (const char* fault =
          work->builder.Build(dictionary, part, sources, &outcome->dropped, &forgotten)) {
    outcome->status = Status(Result::kFailed, "merge", has_log ? log_path : dir_ + name, fault);
    return;
  }
  // The same holds when the log held nothing and no old posting was forgotten.
  if (!canonical || !log.empty() || forgotten != 0) {
    outcome->status = WriteWholeFile(disk_, pending_->NewPath(name), work->builder.part(), true);
    if (!outcome->status.ok()) return;
    outcome->written = true;
  }
  outcome->stepped = true;
  // The log has served: a log that cannot be deleted does no harm, the next run removes it.
  if (has_log) disk_->Delete(log_path);
}

Status IndexSaver::WriteWordList(const Dictionary& dictionary, const DroppedWords& dropped) {
  BufferedFile file(64 * 1024, disk_);
  Status status = file.Create(pending_->NewPath(fmt::kWordListName));
  uint8_t record[fmt::kMaxWordRecord];
  auto next_dropped = dropped.begin();
  for (int h = 0; h < kHashCount && status.ok(); ++h) {
    const auto hash = static_cast<uint16_t>(h);
    uint16_t saved_slot = 0;  // the slot the parts give the word: dropped words close up
    for (size_t s = 0; s < dictionary.SlotCount(hash) && status.ok(); ++s) {
      const auto slot = static_cast<uint16_t>(s);
      if (next_dropped != dropped.end() && *next_dropped == ((uint32_t{hash} << 16) | slot)) {
        ++next_dropped;
        continue;
      }
      const std::string_view word = dictionary.Text(dictionary.Entry(hash, slot));
      const size_t n = fmt::EncodeWordRecord(word, hash, saved_slot++, record);
      status = file.Write(record, n);
    }
  }
  const Status committed = file.Commit();
  if (status.ok()) status = committed;
  if (status.ok()) pending_->Add(fmt::kWordListName);
  return status;
}

}  // namespace oru
