// What a running watcher tells other commands: that it runs (it holds the named mutex
// "oru-watch" for its life), and in "<work folder>/watch.ini" when it started and when it last
// updated each index:
//
//   [Watcher]
//   Started=2026-12-08T21:40:00Z
//   Indexes=2
//   [Updated]
//   default=2026-12-08T21:45:12Z
#ifndef ORU_TOOLS_ORU_WATCH_WATCH_RECORD_H_
#define ORU_TOOLS_ORU_WATCH_WATCH_RECORD_H_

#include <cstddef>
#include <string>

#include "platform/mutex.h"
#include "platform/status.h"

namespace oru::tool {

class WatchRecord {
 public:
  explicit WatchRecord(std::string work);
  // Takes the watcher's mutex: kExists while another watcher runs.
  platform::Status Claim();
  void Started(size_t indexes);
  void Updated(const std::string& name);
  void Stopped();

 private:
  std::string path_;
  platform::InstanceMutex mutex_;
};

// What `oru status` shows of the watcher.
struct WatcherState {
  bool running = false;
  std::string started;  // as recorded, when running
};
WatcherState ReadWatcherState(const std::string& work);
// When the watcher last updated the index `name`; empty when it never did.
std::string LastWatchedUpdate(const std::string& work, const std::string& name);

// The current time as "YYYY-MM-DDTHH:MM:SSZ".
std::string UtcNow();

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_WATCH_WATCH_RECORD_H_
