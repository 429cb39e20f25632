// What a folder watch has seen and not yet told: the trees that changed, and the trees whose
// changes may have gone unreported, each told once by the next Wait (both platforms' watches).
#ifndef ORU_PLATFORM_COMMON_WATCH_NOTES_H_
#define ORU_PLATFORM_COMMON_WATCH_NOTES_H_

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "platform/folder_watch.h"

namespace oru::platform {

class WatchNotes {
 public:
  void Changed(size_t tree) { changed_.insert(tree); }
  void Lost(size_t tree, std::string reason, bool lasting = true) {
    lost_.push_back({tree, std::move(reason), lasting});
  }
  // For an attempt that tells its outcome itself: the losses noted since `mark` (a lost_count()
  // taken before it) are dropped; true when there were none.
  size_t lost_count() const { return lost_.size(); }
  bool DropLostSince(size_t mark) {
    const bool none = lost_.size() == mark;
    lost_.resize(mark);
    return none;
  }
  // Moves what was noted into `out` (emptied first): each tree once, a lasting loss before one
  // that is not. True when there is something.
  bool Take(WatchChanges* out);

 private:
  std::set<size_t> changed_;
  std::vector<WatchChanges::Lost> lost_;
};

}  // namespace oru::platform

#endif  // ORU_PLATFORM_COMMON_WATCH_NOTES_H_
