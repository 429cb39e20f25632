#include "tools/trovella/search_model.h"

#include <condition_variable>
#include <iterator>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/folders.h"
#include "tools/oru/group.h"
#include "tools/oru/query/search_run.h"

namespace oru::trovella {

// What the search thread hands the window's thread: rows to append (the first batch of a search
// starts its results anew), fragments of rows already shown, and counts to add.
struct SearchModel::Batch {
  uint64_t generation = 0;
  bool first = false;
  bool last = false;
  std::string error;
  std::vector<std::string> notes;
  bool words_only = true;
  size_t hits = 0;
  size_t gone = 0;
  size_t no_longer = 0;
  std::vector<Row> rows;
  struct Fragment {
    size_t row = 0;
    std::string text;
    std::vector<Span> marked;
  };
  std::vector<Fragment> fragments;
};

// The search thread. It owns the latest search run: searches, checks and fragments all happen
// here, so the window's thread never waits on a disk or a parser.
struct SearchModel::Worker {
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;
  // The indexes to open before any search (at the start, and after they were read again).
  bool open_pending = false;
  // The newest search asked for, not yet started.
  bool search_pending = false;
  uint64_t search_generation = 0;
  tool::SearchRequest request;
  // Rows whose fragments are wanted, of the search `fragment_generation`.
  std::vector<size_t> fragment_rows;
  uint64_t fragment_generation = 0;

  std::string work;
  Post post;
  SearchModel* model = nullptr;  // valid while the worker lives: the model joins it first
  std::thread thread;

  // Of the search being served (thread only).
  tool::ReaderCache readers;  // the indexes stay open from one search to the next
  std::unique_ptr<tool::SearchRun> run;
  uint64_t run_generation = 0;
  std::vector<size_t> hit_of_row;

  // Hands `batch` to the model on the window's thread, unless the model is gone by then.
  void Send(Batch batch, const std::shared_ptr<Worker>& self) {
    std::weak_ptr<Worker> weak = self;
    post([weak, batch = std::move(batch)]() mutable {
      if (const std::shared_ptr<Worker> worker = weak.lock()) worker->model->Take(std::move(batch));
    });
  }

  // True when a newer search or a stop waits.
  bool Interrupted() {
    const std::lock_guard<std::mutex> lock(mutex);
    return stop || search_pending;
  }

  // Makes the fragments wanted of the current search, if any.
  void ServeFragments(const std::shared_ptr<Worker>& self) {
    std::vector<size_t> rows;
    {
      const std::lock_guard<std::mutex> lock(mutex);
      if (fragment_generation == run_generation) rows.swap(fragment_rows);
      fragment_rows.clear();
    }
    if (rows.empty() || run == nullptr) return;
    Batch batch;
    batch.generation = run_generation;
    for (size_t row : rows) {
      if (row >= hit_of_row.size()) continue;
      const tool::SearchHit& hit = run->hits()[hit_of_row[row]];
      const tool::CheckedHit checked = run->Check(hit, true);
      Batch::Fragment fragment{row, checked.has_fragment ? checked.fragment : "", {}};
      fragment.marked = HitSpans(fragment.text, run->query(hit.index));
      batch.fragments.push_back(std::move(fragment));
      if (Interrupted()) break;
    }
    Send(std::move(batch), self);
  }

  void Search(uint64_t generation, const tool::SearchRequest& asked,
              const std::shared_ptr<Worker>& self) {
    run = std::make_unique<tool::SearchRun>();
    run_generation = generation;
    hit_of_row.clear();
    Batch batch;
    batch.generation = generation;
    batch.first = true;
    const bool ran = run->Run(work, asked, &readers);
    batch.notes = run->notes();
    if (!ran) {
      batch.error = run->error();
      batch.last = true;
      run.reset();
      Send(std::move(batch), self);
      return;
    }
    const std::vector<tool::SearchHit>& hits = run->hits();
    batch.hits = hits.size();
    batch.words_only = run->words_only();
    size_t limit = kFirstRows;
    size_t chunk_start = 0;
    for (size_t next = 0; next < hits.size();) {
      const tool::SearchHit& hit = hits[next];
      const tool::CheckedHit checked = run->Check(hit, false);
      if (!checked.true_hit) {
        ++(checked.state == tool::HitState::kGone ? batch.gone : batch.no_longer);
      } else {
        Row row;
        SplitPath(hit.file->path, &row.name, &row.folder);
        row.path = hit.file->path;
        row.index = run->indexes()[hit.index];
        row.size = hit.file->size;
        row.time = hit.file->time;
        batch.rows.push_back(std::move(row));
        hit_of_row.push_back(next);
      }
      ++next;
      // A chunk ends with enough rows, or enough hits looked at (all of them left out, say).
      if (batch.rows.size() >= limit || next - chunk_start >= kRowChunk || next == hits.size()) {
        chunk_start = next;
        batch.last = next == hits.size();
        Send(std::move(batch), self);
        batch = Batch();
        batch.generation = generation;
        limit = kRowChunk;
        ServeFragments(self);
        if (Interrupted()) return;
      }
    }
    if (hits.empty()) {
      batch.last = true;
      Send(std::move(batch), self);
    }
  }

  void Loop(const std::shared_ptr<Worker>& self) {
    for (;;) {
      uint64_t generation = 0;
      tool::SearchRequest asked;
      bool search = false;
      {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [this] {
          return stop || search_pending || open_pending || !fragment_rows.empty();
        });
        if (stop) return;
        if (open_pending && !search_pending) {
          open_pending = false;
          lock.unlock();
          tool::SearchRequest all;
          all.all_indexes = true;
          tool::SearchRun().Open(work, all, &readers);
          continue;
        }
        open_pending = false;
        if (search_pending) {
          search = true;
          search_pending = false;
          generation = search_generation;
          asked = request;
        }
      }
      if (search) {
        Search(generation, asked, self);
      } else {
        ServeFragments(self);
      }
    }
  }
};

SearchModel::SearchModel(std::string work, Post post) : work_(std::move(work)) {
  worker_ = std::make_shared<Worker>();
  worker_->work = work_;
  worker_->post = std::move(post);
  worker_->model = this;
  std::shared_ptr<Worker> worker = worker_;
  worker_->thread = std::thread([worker] { worker->Loop(worker); });
  ReloadIndexes();
}

SearchModel::~SearchModel() {
  {
    const std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->stop = true;
  }
  worker_->wake.notify_one();
  worker_->thread.join();
  // The thread held a reference of its own; what it posted finds the worker gone once this
  // one is dropped, and its loop ended, so nothing more is posted.
  worker_.reset();
}

void SearchModel::ReloadIndexes() {
  {
    const std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->open_pending = true;
  }
  worker_->wake.notify_one();
  const std::string chosen = choice_ < choices_.size() ? choices_[choice_].name : "";
  choices_.clear();
  choices_.push_back({"", "All indexes", {}});
  std::vector<std::vector<std::string>> parts;
  const std::vector<std::string> names = tool::ListIndexNames(work_, &parts);
  choice_ = 0;
  for (size_t n = 0; n < names.size(); ++n) {
    IndexChoice entry{names[n], names[n], tool::SummarizeIndexes(work_, parts[n])};
    entry.label += " (" + entry.summary.state;
    if (!entry.summary.missing && !entry.summary.damaged) {
      entry.label += ", " + std::to_string(entry.summary.files) + " files";
    }
    entry.label += ")";
    if (names[n] == chosen) choice_ = choices_.size();
    choices_.push_back(std::move(entry));
  }
}

void SearchModel::Choose(size_t choice) {
  if (choice >= choices_.size()) return;
  choice_ = choice;
  Start();
}

void SearchModel::SetQuery(std::string text, int64_t now_ms) {
  query_ = std::move(text);
  due_ = now_ms + kTypingPauseMs;
}

void SearchModel::SetSort(tool::SortKey key, bool descending) {
  sort_ = key;
  descending_ = descending;
  Start();
}

int64_t SearchModel::Timeout(int64_t now_ms) const {
  if (due_ < 0) return -1;
  return due_ > now_ms ? due_ - now_ms : 0;
}

void SearchModel::Tick(int64_t now_ms) {
  if (due_ >= 0 && now_ms >= due_) Start();
}

void SearchModel::Refresh() { Start(); }

void SearchModel::Start() {
  due_ = -1;
  ++generation_;
  rows_.clear();
  notes_.clear();
  error_.clear();
  hits_ = gone_ = no_longer_ = 0;
  const bool blank = query_.find_first_not_of(" \t") == std::string::npos;
  busy_ = !blank;
  {
    const std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->fragment_rows.clear();
    worker_->search_pending = !blank;
    worker_->search_generation = generation_;
    tool::SearchRequest& request = worker_->request;
    request = tool::SearchRequest();
    request.query = query_;
    request.sort = sort_;
    request.descending = descending_;
    request.current_folder = platform::CurrentFolder();
    if (choice_ == 0 || choice_ >= choices_.size()) {
      request.all_indexes = true;
    } else {
      request.names.push_back(choices_[choice_].name);
    }
  }
  worker_->wake.notify_one();
  if (on_results) on_results();
}

void SearchModel::Take(Batch&& batch) {
  if (batch.generation != generation_) return;  // of a search since replaced
  if (batch.first) {
    error_ = batch.error;
    notes_ = batch.notes;
    hits_ = batch.hits;
    words_only_ = batch.words_only;
  }
  gone_ += batch.gone;
  no_longer_ += batch.no_longer;
  if (batch.first) rows_.reserve(batch.hits);
  rows_.insert(rows_.end(), std::make_move_iterator(batch.rows.begin()),
               std::make_move_iterator(batch.rows.end()));
  for (const Batch::Fragment& fragment : batch.fragments) {
    if (fragment.row >= rows_.size()) continue;
    Row& row = rows_[fragment.row];
    row.fragment = fragment.text;
    row.marked = fragment.marked;
    row.fragment_done = true;
  }
  if (batch.last) busy_ = false;
  if (on_results) on_results();
}

void SearchModel::WantFragments(size_t first, size_t last) {
  std::vector<size_t> wanted;
  for (size_t i = first; i < last && i < rows_.size(); ++i) {
    if (!rows_[i].fragment_asked) {
      rows_[i].fragment_asked = true;
      wanted.push_back(i);
    }
  }
  if (wanted.empty()) return;
  {
    const std::lock_guard<std::mutex> lock(worker_->mutex);
    if (worker_->fragment_generation != generation_) worker_->fragment_rows.clear();
    worker_->fragment_generation = generation_;
    worker_->fragment_rows.insert(worker_->fragment_rows.end(), wanted.begin(), wanted.end());
  }
  worker_->wake.notify_one();
}

std::string SearchModel::Summary() const {
  if (!error_.empty()) return error_;
  if (query_.find_first_not_of(" \t") == std::string::npos) return "";
  std::string line = std::to_string(rows_.size()) + (rows_.size() == 1 ? " file" : " files");
  if (busy_) line += " so far, of " + std::to_string(hits_) + " hits";
  const size_t left_out = gone_ + no_longer_;
  if (left_out > 0) {
    line += "; " + std::to_string(left_out) + (left_out == 1 ? " hit" : " hits") +
            " left out: files gone since indexing: " + std::to_string(gone_) +
            ", changed and no longer " +
            (words_only_ ? "holding every word" : "matching the query") + ": " +
            std::to_string(no_longer_) + " (Update brings the index up to date)";
  }
  return line;
}

}  // namespace oru::trovella
