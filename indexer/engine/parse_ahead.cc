#include "indexer/engine/parse_ahead.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace oru {

namespace {

// The words queued at most, in bytes of room (some 50,000 words): enough to keep the parses
// going while the walk's thread is busy elsewhere, little beside the dictionary.
constexpr size_t kMaxQueuedBytes = size_t{2} << 20;

size_t RoomOf(const ParseAhead::Batch& batch) {
  return batch.words.capacity() * sizeof(FoundWord);
}

// Thrown out of a parse whose words are no longer wanted: it ends the parse as any failure
// does (the plug-in's parse is ended) and the thread with it.
struct Stopped {};

}  // namespace

ParseAhead::ParseAhead(Parse parse) : parse_(std::move(parse)) {}

ParseAhead::~ParseAhead() { Stop(); }

bool ParseAhead::Start() {
  if (running()) return true;
  stopping_ = false;
  try {
    thread_ = std::thread([this] { Work(); });
  } catch (...) {
    return false;
  }
  return true;
}

void ParseAhead::Add(const WalkedFile& file, bool parse) {
  bool wake = false;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back({file, parse});
    ++files_added_;
    wake = thread_waits_for_job_;
  }
  if (wake) changed_.notify_all();
}

bool ParseAhead::EnoughDone(size_t files) const {
  // The thread may not have seen yet that the walk made room: its flag then outlives the
  // batches that filled the queue.
  return files_done_ - files_taken_ >= files || files_done_ == files_added_ ||
         (thread_waits_for_room_ && !batches_.empty());
}

bool ParseAhead::Take(Batch* batch, const std::function<void()>* pump, size_t files) {
  if (files_pending() == 0) return false;
  constexpr auto kSlice = std::chrono::milliseconds(20);
  files = std::max<size_t>(files, 1);  // a wait ends with a file done at the least
  bool wake = false;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (pump == nullptr) {
      if (batches_.empty()) return false;
    } else if (!EnoughDone(files)) {
      walk_wants_ = files;
      do {
        lock.unlock();
        (*pump)();
        lock.lock();
        walk_waits_ = true;
        changed_.wait_for(lock, kSlice, [this] { return EnoughDone(walk_wants_); });
        walk_waits_ = false;
      } while (!EnoughDone(walk_wants_));
    }
    *batch = std::move(batches_.front());
    batches_.pop_front();
    queued_bytes_ -= RoomOf(*batch);
    if (batch->last) ++files_taken_;
    wake = thread_waits_for_room_;
  }
  if (wake) changed_.notify_all();
  return true;
}

void ParseAhead::Stop() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    jobs_.clear();
    batches_.clear();
    queued_bytes_ = 0;
    files_added_ = files_done_ = files_taken_ = 0;
  }
  changed_.notify_all();
  // The thread queues nothing once it has seen the stop.
  if (thread_.joinable()) thread_.join();
}

void ParseAhead::Put(Batch batch) {
  // A file's last words rarely fill their room: what they leave goes back.
  if (batch.words.size() < batch.words.capacity() / 2) batch.words.shrink_to_fit();
  const size_t room = RoomOf(batch);
  bool wake = false;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto has_room = [this, room] {
      return stopping_ || batches_.empty() || queued_bytes_ + room <= kMaxQueuedBytes;
    };
    if (!has_room()) {
      // A walk waiting for more files to be done takes what there is instead.
      thread_waits_for_room_ = true;
      if (walk_waits_) changed_.notify_all();
      changed_.wait(lock, has_room);
      thread_waits_for_room_ = false;
    }
    if (stopping_) throw Stopped();
    if (batch.last) ++files_done_;
    batches_.push_back(std::move(batch));
    queued_bytes_ += room;
    wake = walk_waits_ && EnoughDone(walk_wants_);
  }
  if (wake) changed_.notify_all();
}

void ParseAhead::Work() {
  class Queueing : public FoundWordsSink {
   public:
    explicit Queueing(ParseAhead* ahead) : ahead_(ahead) {}
    void Take(std::vector<FoundWord>* words) override {
      Batch batch;
      batch.words.swap(*words);
      words->reserve(FileWords::kBatchWords);
      ahead_->Put(std::move(batch));
    }

   private:
    ParseAhead* ahead_;
  } queueing(this);
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      thread_waits_for_job_ = true;
      changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      thread_waits_for_job_ = false;
      if (stopping_) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    Batch last;
    last.last = true;
    try {
      if (job.parse) last.parsed = parse_(job.file, &queueing);
    } catch (const Stopped&) {
      return;
    } catch (...) {
      last.thrown = std::current_exception();
    }
    try {
      Put(std::move(last));
    } catch (const Stopped&) {
      return;
    }
  }
}

}  // namespace oru
