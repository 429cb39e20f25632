// The parses of the walk on a thread of their own: while the walk's thread enters the words of
// one file into the dictionary and walks on, the files after it are parsed, one at a time and
// in the order they were handed in. A parser plug-in is still called by one thread at a time.
// The words come back in batches, in order, through a bounded queue: a large file takes
// bounded memory.
#ifndef ORU_INDEXER_ENGINE_PARSE_AHEAD_H_
#define ORU_INDEXER_ENGINE_PARSE_AHEAD_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "indexer/engine/file_words.h"
#include "indexer/engine/walk.h"

namespace oru {

class ParseAhead {
 public:
  // Parses `file` on the thread, handing its words to `sink`; true when the parser read it.
  // What it throws is handed on with the file's last batch.
  using Parse = std::function<bool(const WalkedFile& file, FoundWordsSink* sink)>;

  // A batch of the words of the oldest file not yet done. The last batch of a file says
  // whether it was read, or what its parse threw.
  struct Batch {
    std::vector<FoundWord> words;
    bool last = false;
    bool parsed = false;
    std::exception_ptr thrown;
  };

  explicit ParseAhead(Parse parse);
  ~ParseAhead();
  ParseAhead(const ParseAhead&) = delete;
  ParseAhead& operator=(const ParseAhead&) = delete;

  // Starts the thread; false when none could be started (the caller parses by itself then).
  bool Start();
  bool running() const { return thread_.joinable(); }

  // Hands in a file, to be parsed after those handed in before; with `parse` false it is not
  // parsed and gives one empty last batch, in its turn.
  void Add(const WalkedFile& file, bool parse);
  // Files handed in whose last batch was not taken yet. The counts change only on the thread
  // that hands files in and takes batches (the parse thread reads them under the lock).
  size_t files_pending() const { return files_added_ - files_taken_; }
  // The next batch, in order: at once (false when none is there yet or no file is pending),
  // or, with `pump`, waiting, and calling `pump` every 20 ms meanwhile, until `files` files
  // are done (every file handed in, or as many as the queue holds, when fewer): one wait for
  // several files rather than one for each.
  bool Take(Batch* batch, const std::function<void()>* pump, size_t files = 1);

  // Forgets the files not parsed yet and every batch not taken, and ends the thread once a
  // parse under way has ended (the sink makes it throw at its next batch).
  void Stop();

 private:
  struct Job {
    WalkedFile file;
    bool parse = true;
  };
  // The thread: parses the jobs in order until Stop.
  void Work();
  // Queues a batch, waiting while the queue is full; throws once stopping.
  void Put(Batch batch);
  // Under mutex_: `files` files are done and not taken, or every file handed in is done, or
  // the thread waits for room while a batch is queued. Each way, a batch is there to take.
  bool EnoughDone(size_t files) const;

  Parse parse_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;  // a job, a batch, room, or the stop
  // Who waits on changed_, and for what: told only then, so that a pass makes few calls to
  // wake a thread.
  bool walk_waits_ = false;  // for walk_wants_ files done
  size_t walk_wants_ = 1;
  bool thread_waits_for_job_ = false;
  bool thread_waits_for_room_ = false;
  // Files handed in, done (their last batch queued) and taken, since the start.
  size_t files_added_ = 0;
  size_t files_done_ = 0;
  size_t files_taken_ = 0;
  std::deque<Job> jobs_;
  std::deque<Batch> batches_;
  size_t queued_bytes_ = 0;  // the room of batches_
  bool stopping_ = false;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_PARSE_AHEAD_H_
