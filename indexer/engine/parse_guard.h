// ParseGuard: what a run leaves for the next one about the file its parser plug-in is working
// on, and the watchdog that ends a parse running past its time limit.
//
// A parser runs inside the process: a document that crashes it ends the run. So before each
// parse the run notes the file (path, size, time) in "<Storages>/<NAME>.parsing", a small file
// kept open for the run and overwritten in place, one write per file; the note is removed when
// the run ends. A note found by the next run of the name (which holds the index folder's lock,
// so no live run owns it) names the file that ended a run; that run records it as crashed.
// The write sits in the system's cache when the process dies, which is enough: a power cut may
// lose it. A run killed from outside between two parses leaves the last file parsed noted,
// which is then recorded as crashed too (until it changes).
//
// The watchdog is one thread per run, asleep on a condition variable; the walk tells it the
// start of each parse through an atomic time, nothing else. A parse that runs past the limit
// calls the handler given at Start on the watchdog's thread, which records the file and ends
// the process (see TIndexer).
#ifndef ORU_INDEXER_ENGINE_PARSE_GUARD_H_
#define ORU_INDEXER_ENGINE_PARSE_GUARD_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "indexer/engine/unread_files.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace oru {

class ParseGuard {
 public:
  using TimeoutHandler = std::function<void(const UnreadFile& file)>;

  ParseGuard() = default;
  // Stops the watchdog and closes the note (left in place: only Finish removes it).
  ~ParseGuard();
  ParseGuard(const ParseGuard&) = delete;
  ParseGuard& operator=(const ParseGuard&) = delete;

  // "<storages_dir><name>.parsing".
  static std::string NotePath(const std::string& storages_dir, const std::string& name);
  // Reads the note at `path` through `fs` into `file` (reason kCrashed, `when` the parse's
  // start). False when there is none, or it names no file (a run that ended its parse by the
  // watchdog), or it cannot be read.
  static bool ReadNote(platform::FileSystem* fs, const std::string& path, UnreadFile* file);

  // Creates the note at `note_path` through `fs`, which outlives the guard (emptying a note
  // that is there), and starts the watchdog:
  // `on_timeout` is called, on the watchdog's thread and with mutex() held, for a parse that
  // has run `limit` or longer (it is noticed within a quarter of the limit after that). On
  // failure nothing runs and the note is not written.
  platform::Status Start(platform::FileSystem* fs, const std::string& note_path,
                         std::chrono::milliseconds limit, TimeoutHandler on_timeout);
  bool started() const { return note_ != nullptr; }
  // A parse of `path` begins: the note is written (one write at its start; a failed write is
  // ignored: the file is then not guarded) and the watchdog is told. Does nothing before Start.
  void Begin(const std::string& path, uint32_t size, uint32_t time);
  // The parse begun last has ended.
  void End() { parse_start_.store(0, std::memory_order_release); }
  // Held by the timeout handler; whatever it reads that the walk changes is changed under it.
  std::mutex& mutex() { return mutex_; }
  // Overwrites the note with one that names no file (for the timeout handler, which has
  // recorded the file itself).
  void ClearNote();
  // Stops the watchdog, closes the note and removes it: the run ended by itself.
  void Finish();

 private:
  void Watch();
  void StopWatchdog();
  void WriteNote(const std::string& path, uint32_t size, uint32_t time, int64_t when);

  platform::FileSystem* fs_ = nullptr;
  std::unique_ptr<platform::WriteFile> note_;
  std::string note_path_;
  std::string buffer_;  // the note's bytes, reused from file to file
  std::mutex mutex_;
  UnreadFile current_;  // the file being parsed, under mutex_
  std::atomic<int64_t> parse_start_{0};  // steady-clock nanoseconds; 0 while no parse runs
  std::chrono::milliseconds limit_{0};
  TimeoutHandler on_timeout_;
  std::thread watchdog_;
  std::mutex wait_mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;  // under wait_mutex_
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_PARSE_GUARD_H_
