// The walk of one folder tree: depth-first, pre-order, one regular file per step, kept on an
// explicit stack of open folder enumerations (no recursion). Links to folders are never
// entered, and only regular files (or links to them) whose full path fits 260 bytes come out.
// A root that names a regular file (or a link to one) is a walk of that one file, by the same
// rules: this is how a job gives an index the files directly in a folder without the folders
// below it.
#ifndef ORU_PLUGINS_STORAGE_LOCAL_FOLDER_WALK_H_
#define ORU_PLUGINS_STORAGE_LOCAL_FOLDER_WALK_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/find.h"

namespace oru::storage {

// The longest full path a walk hands out, in bytes; longer ones are skipped.
inline constexpr size_t kMaxPath = 260;

// The root text of a walk: `root` without leading and trailing bytes of value 32 or below,
// ending in the path separator. Empty when nothing is left.
std::string MakeRootText(std::string_view root);

// One folder open in the walk: its path (ending in the separator) and its enumeration, with
// the first entry that the enumeration's start yielded, still to be examined.
struct TRec {
  std::string path;
  platform::FolderSearch search;
  platform::FindEntry first;
  bool has_first = false;
};

// A file handed out by the walk.
struct FoundFile {
  std::string path;
  uint32_t size = 0;  // low 32 bits of the size in bytes
  uint32_t time = 0;  // packed local last-write time
};

// The state of at most one walk. Idle until Start; Stop (or destruction) closes every open
// enumeration. Not copyable.
class FolderWalk {
 public:
  FolderWalk() = default;
  FolderWalk(const FolderWalk&) = delete;
  FolderWalk& operator=(const FolderWalk&) = delete;

  // Ends any earlier walk and starts one below `root` (trimmed as by MakeRootText), or of the
  // one file `root` names (trailing separators ignored). False when the root is blank, is a
  // file whose path is too long, or is neither a file nor a folder that can be enumerated; the
  // walk is then over at once.
  bool Start(std::string_view root);
  // Stores the walk's next file in `out`; false when the walk is over (or none was started).
  // Folders that cannot be read, or vanish meanwhile, are passed over with their subtrees.
  bool Next(FoundFile* out);
  // Closes every open enumeration; the walk is over.
  void Stop();

 private:
  // Opens `path` (ending in the separator) and puts it on top of the stack; false, with the
  // stack unchanged, when it cannot be enumerated.
  bool Push(std::string path);

  std::vector<TRec> stack_;  // the root at the bottom, the folder being read on top
  std::optional<FoundFile> single_;  // the file of a file root, until handed out
};

}  // namespace oru::storage

#endif  // ORU_PLUGINS_STORAGE_LOCAL_FOLDER_WALK_H_
