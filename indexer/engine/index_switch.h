// A new version of an index is written beside the old one: each file under its own name with
// ".new" appended; when all are complete they are synced and put in place together, so that a
// failure at any point leaves the old files as they were.
#ifndef ORU_INDEXER_ENGINE_INDEX_SWITCH_H_
#define ORU_INDEXER_ENGINE_INDEX_SWITCH_H_

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/status.h"

namespace oru {

class IndexSwitch {
 public:
  // `index_dir` ends in the separator; `fs` outlives the object.
  IndexSwitch(platform::FileSystem* fs, std::string index_dir);

  // Where the new version of the index file `name` is written.
  std::string NewPath(const std::string& name) const;
  // Marks the new version of `name` as complete, to be put in place by Switch.
  void Add(const std::string& name);
  bool empty() const { return names_.empty(); }

  // Makes every added file durable. Called before the index is recorded as incomplete, so that
  // the time it is recorded so is only the renames of Switch.
  platform::Status Sync();
  // Puts each added file in place (syncing first what Sync has not): the old one moves aside
  // to "<name>.old", the new one takes its name; then the folder is synced and the old
  // versions deleted. When a step fails, what was moved is moved back, so the folder holds the
  // old files again (the new versions stay for RemoveLeftovers), and the failure is returned.
  platform::Status Switch();
  // Switch in two steps, for a caller that may still go back: Place puts the new files in
  // place and keeps the old ones as "<name>.old"; then Commit deletes them, or Revert moves
  // them back as a failed Place leaves them.
  platform::Status Place();
  void Commit();
  void Revert();

  // Deletes every file a run writes into `index_dir` besides the index itself: posting logs,
  // new and old versions, and the temporary files of earlier versions of the program. A run
  // calls it before it starts (what a killed run left) and when it ends without saving.
  static void RemoveLeftovers(platform::FileSystem* fs, const std::string& index_dir);

 private:
  // Moves the files of names_[0, done) back; `moved_aside[i]` tells whether an old one existed.
  void Undo(size_t done, const std::vector<bool>& moved_aside);

  platform::FileSystem* fs_;
  std::string dir_;
  std::vector<std::string> names_;
  bool synced_ = false;  // every file of names_ is durable
  bool switched_ = false;  // Place succeeded; neither Commit nor Revert came since
  std::vector<bool> moved_aside_;  // per name: an old version was moved aside
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_INDEX_SWITCH_H_
