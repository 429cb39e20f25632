// Watching folder trees for changes, without polling: the system tells of a change, and the
// watcher sleeps in Wait until it does (or a stop is asked for, or a time runs out).
//
// A change is reported by tree, not by file: a watcher of indexes needs to know which tree to
// update, and every update walks its whole tree anyway. Where the system cannot promise to tell
// of every change (its queue overflowed, its limit of watched folders was reached, a folder
// cannot be watched), Wait says so for the trees concerned, with the reason, so that the caller
// falls back to updating them whole.
//
// Linux: inotify, one watch per folder, added as folders appear and dropped as they go.
// Windows: ReadDirectoryChangesW over each tree with its subtree.
#ifndef ORU_PLATFORM_FOLDER_WATCH_H_
#define ORU_PLATFORM_FOLDER_WATCH_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace oru::platform {

struct WatchOptions {
  // Folders never watched, with everything below them (the indexes' own work folder: an update
  // writing its index must not count as a change of the tree it indexes).
  std::vector<std::string> excluded;
  // At most this many folders watched, 0 for the system's own limit (lower only to try how the
  // watcher copes with reaching the limit).
  size_t folder_limit = 0;
};

// Changes seen by one Wait.
struct WatchChanges {
  std::vector<size_t> changed;  // trees with a change, by the number Add gave them
  struct Lost {
    size_t tree = 0;
    std::string reason;  // one line: what happened and what to change
    // True while it lasts (folders not watched), false for changes lost once (an overflow).
    bool lasting = true;
  };
  std::vector<Lost> lost;  // trees whose changes may not all be reported
};

class FolderWatch {
 public:
  virtual ~FolderWatch() = default;

  // Starts watching the tree below `folder`; `*tree` receives its number (0, 1, 2, ... in the
  // order of Add). A folder that cannot be watched at all fails; one below it that cannot be
  // watched is reported by the next Wait as lost for this tree.
  virtual Status Add(const std::string& folder, size_t* tree) = 0;
  // Watches the tree `tree` anew from its folder (after it was reported lost): true when every
  // folder of it is watched again.
  virtual bool Renew(size_t tree) = 0;
  // Waits until there are changes, a stop is asked for, or `timeout_ms` passes (negative: no
  // time limit). Fills `out` (emptied first). A failure of the system's notification ends the
  // watching: its Status.
  virtual Status Wait(int timeout_ms, WatchChanges* out) = 0;
  // The number of folders watched now.
  virtual size_t watched_folders() const = 0;
};

// A watcher with `options`.
Status CreateFolderWatch(const WatchOptions& options, std::unique_ptr<FolderWatch>* out);

// From the first call on, an interrupt (Ctrl-C), a terminate request, and on Windows the end of
// the console or of the user's session, no longer end the process: they are noted, and a Wait
// under way returns. Also while RunProgram runs a program (which the request reaches too).
void CatchStopRequests();
// True once a stop was asked for.
bool StopRequested();

}  // namespace oru::platform

#endif  // ORU_PLATFORM_FOLDER_WATCH_H_
