#include "indexer/engine/reload.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "indexer/engine/index_format.h"
#include "indexer/engine/part_reader.h"
#include "indexer/engine/record_pool.h"

namespace oru {

namespace fmt = index_format;
using platform::Result;

namespace {

// Appends the words of part `part` (its `bytes`) to the dictionary. False when the part is
// empty or damaged.
bool LoadPart(const std::string& bytes, int part, Dictionary* dictionary,
              const std::function<void()>& pump, ReloadedDictionary* reloaded,
              std::vector<uint32_t>* frequent) {
  if (bytes.empty()) return false;
  uint32_t words = 0;
  const PartShape shape = WalkPart(
      reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), part, pump,
      [dictionary, &words, frequent](uint16_t hash, const fmt::WordEntry& entry) {
        const int32_t slot = dictionary->AppendUntitled(hash);
        if (slot < 0 || slot != entry.header.slot) return false;  // slots run 0, 1, 2, ...
        ++words;
        if (frequent != nullptr && entry.header.count >= kFrequentWordFiles) {
          frequent->push_back((uint32_t{hash} << 16) | static_cast<uint32_t>(slot));
        }
        return true;
      });
  if (shape == PartShape::kDamaged) return false;
  reloaded->part_words[static_cast<size_t>(part)] = words;
  reloaded->part_canonical[static_cast<size_t>(part)] = shape == PartShape::kCanonical;
  return true;
}

// Gives each word of the word list (`size` bytes at `data`) its text. False when a record is
// damaged, names a word the parts did not create, the pool is full, or a reloaded word is left
// without text. `*canonical` tells whether the list is exactly what saving writes.
bool RestoreWordTexts(const uint8_t* data, size_t size, Dictionary* dictionary,
                      const std::function<void()>& pump, bool* canonical_list) {
  const Dictionary& view = *dictionary;
  // The list is canonical (exactly what WriteWordList writes for the dictionary it gives) when
  // its records name every word once, in bucket and slot order, each text whole: the word
  // `next_hash`, `next_slot` is the one the next record must name.
  const auto first_word_from = [&view](int hash) {
    while (hash < kHashCount && view.SlotCount(static_cast<uint16_t>(hash)) == 0) ++hash;
    return hash;
  };
  bool canonical = true;
  int next_hash = first_word_from(0);
  size_t next_slot = 0;
  for (size_t pos = 0; pos < size;) {
    pump();
    fmt::WordListEntry record;
    size_t length = 0;
    if (!fmt::DecodeWordRecord(data + pos, size - pos, &record, &length)) {
      return false;  // a damaged word list fails the reload
    }
    // A word the parts did not create, or a full pool, fails the reload too.
    if (!dictionary->SetText(record.hash, record.slot, record.word)) return false;
    if (canonical) {
      const size_t n = record.word.size();
      canonical = record.hash == next_hash && record.slot == next_slot &&
                  n <= fmt::kMaxWordRecord - fmt::kWordRecordExtra &&
                  std::memchr(record.word.data(), '\0', n) == nullptr;
      if (canonical && ++next_slot == view.SlotCount(record.hash)) {
        next_hash = first_word_from(next_hash + 1);
        next_slot = 0;
      }
    }
    pos += length;
  }
  // Every reloaded word must have been named by the word list.
  if (!view.EveryWordHasText()) return false;
  *canonical_list = canonical && next_hash == kHashCount;
  return true;
}

}  // namespace

ReloadedDictionary ReloadDictionary(platform::FileSystem* fs, const std::string& index_dir,
                                    Dictionary* dictionary, const std::function<void()>& pump,
                                    std::vector<uint32_t>* frequent) {
  ReloadedDictionary reloaded;
  // A file that is missing is damage; one that cannot be read fails the run.
  std::string buffer;
  const auto read = [&](const std::string& name) {
    const platform::Status status = fs->ReadWhole(index_dir + name, &buffer);
    if (!status.ok() && status.result() != Result::kNotFound) reloaded.failure = status;
    return status.ok();
  };
  try {
    for (int part = 0; part < fmt::kPartCount; ++part) {
      if (!read(fmt::PartFileName(part)) ||
          !LoadPart(buffer, part, dictionary, pump, &reloaded, frequent)) {
        return reloaded;
      }
    }
    if (!read(fmt::kWordListName) || buffer.empty() || buffer.size() > INT32_MAX) return reloaded;
    reloaded.ok = RestoreWordTexts(reinterpret_cast<const uint8_t*>(buffer.data()), buffer.size(),
                                   dictionary, pump, &reloaded.word_list_canonical);
  } catch (...) {
    reloaded.ok = false;  // memory exhausted, most likely
  }
  return reloaded;
}

namespace {

struct Abandoned {};

}  // namespace

bool BackgroundReload::Start(platform::FileSystem* fs, const std::string& index_dir,
                             Dictionary* dictionary) {
  done_ = false;
  fill_wanted_ = false;
  fill_stopped_ = false;
  ended_ = false;
  try {
    // The dictionary's entries come from this thread's pool, which makes none meanwhile. The
    // window belongs to this thread: the reload handles no messages.
    thread_ = std::thread([this, fs, index_dir, dictionary,
                           pool = RecordPool::ThisThreadsPool()] {
      ReloadedDictionary result;
      std::vector<uint32_t> frequent;
      {
        const RecordPool::UsePool use(pool);
        // An abandoned reload stops at its next look: what it throws ends the reload as failed.
        result = ReloadDictionary(
            fs, index_dir, dictionary, [this] { if (abandoned_) throw Abandoned(); }, &frequent);
      }
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        result_ = result;
        done_ = true;
        finished_.notify_one();
      }
      // Once a file to index is met, the words of the files the update indexes are put in the
      // table, so that they find their entries there. The table is only ever complete
      // entries, wherever the filling stops; an update that indexes nothing never fills it.
      bool fill = false;
      if (result.ok) {
        std::unique_lock<std::mutex> lock(mutex_);
        fill_asked_.wait(lock, [this] { return fill_wanted_ || fill_stopped_ || abandoned_; });
        fill = fill_wanted_ && !fill_stopped_ && !abandoned_;
      }
      if (fill) {
        try {
          dictionary->FillWordTable(frequent, [this] { return !abandoned_ && !fill_stopped_; });
        } catch (...) {
          // Nothing of it is needed: the buckets answer what the table does not.
        }
      }
      ended_.store(true, std::memory_order_release);
    });
  } catch (...) {
    return false;
  }
  running_ = true;
  return true;
}

ReloadedDictionary BackgroundReload::Wait(const std::function<void()>& pump) {
  constexpr auto kSlice = std::chrono::milliseconds(20);
  {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!done_) {
      lock.unlock();
      pump();
      lock.lock();
      finished_.wait_for(lock, kSlice, [this] { return done_; });
    }
  }
  StopFilling();
  Join();
  running_ = false;
  return result_;
}

void BackgroundReload::WantWordTable() {
  if (!running_ || fill_wanted_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  fill_wanted_ = true;
  fill_asked_.notify_one();
}

void BackgroundReload::StopFilling() {
  const std::lock_guard<std::mutex> lock(mutex_);
  fill_stopped_ = true;
  fill_asked_.notify_one();
}

void BackgroundReload::Join() {
  if (thread_.joinable()) thread_.join();
}

void BackgroundReload::Abandon() {
  abandoned_ = true;
  StopFilling();
  Join();
  running_ = false;
  abandoned_ = false;
}

}  // namespace oru
