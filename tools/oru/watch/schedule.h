// When the watcher updates which index: a pure account of changes and times, without clocks or
// files, so that tests can drive it.
//
// An index is updated once its folders have been quiet for a while, so that a burst of changes
// gives one update; changes that never stop still give one after a longer wait. An index whose
// changes may go unreported (folders that cannot be watched) is also updated at a steady period
// until it is watched again. The watcher runs one update at a time; changes seen during a run
// are told after it, and lead to one more run.
#ifndef ORU_TOOLS_ORU_WATCH_SCHEDULE_H_
#define ORU_TOOLS_ORU_WATCH_SCHEDULE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace oru::tool {

// Times in milliseconds.
struct WatchTimes {
  int64_t quiet = 5000;           // how long an index's folders stay quiet before it is updated
  int64_t longest_wait = 60000;   // the most an update waits after the first change for quiet
  int64_t fault_period = 900000;  // while changes may go unreported: an update this often
};

class UpdateSchedule {
 public:
  UpdateSchedule(size_t indexes, WatchTimes times) : times_(times), indexes_(indexes) {}

  // Index `index` changed at `now`.
  void Changed(size_t index, int64_t now);
  // Changes of `index` may go unreported from `now` on: it is updated as after a change, and
  // every fault period until Recovered.
  void Faulty(size_t index, int64_t now);
  void Recovered(size_t index);
  bool faulty(size_t index) const { return indexes_[index].faulty; }

  // The index whose update is due at `now` (the one due first), if any.
  std::optional<size_t> Due(int64_t now) const;
  // An update of `index` starts at `now`: what it waited for is taken care of.
  void Started(size_t index, int64_t now);
  // Milliseconds from `now` until an update falls due (0 when one is due), -1 for none.
  int64_t Timeout(int64_t now) const;

 private:
  struct Index {
    int64_t first_change = -1;  // -1: no change waits
    int64_t last_change = -1;
    bool faulty = false;
    int64_t next_period = 0;  // while faulty: when the next steady update falls due
  };
  // When `index` falls due, -1 for never.
  int64_t DueAt(const Index& index) const;

  WatchTimes times_;
  std::vector<Index> indexes_;
};

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_WATCH_SCHEDULE_H_
