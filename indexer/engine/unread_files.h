// The files of an index that no parser read: refused by their parser (damaged, encrypted, not
// what the extension says), or passed over because parsing them once ended the run (a crash)
// or ran past the time limit. Kept beside the index folder, in "<Storages>/<NAME>.unread", a
// text file of one line per file, written whole (temporary file, then rename) at most once or
// twice a run; the index's own files never hold them, so the index format is unchanged.
//
// A line: reason, size, time (packed DOS), when (seconds since 1970, UTC) and the path, split
// by tabs; the path comes last, with backslash, line feed and carriage return escaped
// ("\\", "\n", "\r").
#ifndef ORU_INDEXER_ENGINE_UNREAD_FILES_H_
#define ORU_INDEXER_ENGINE_UNREAD_FILES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"
#include "platform/status.h"

namespace oru {

enum class UnreadReason : uint8_t { kRefused, kCrashed, kTimedOut };

// "refused", "crashed" or "timed out".
const char* UnreadReasonName(UnreadReason reason);

struct UnreadFile {
  std::string path;
  UnreadReason reason = UnreadReason::kRefused;
  uint32_t size = 0;   // the size and time the walk handed out when it was recorded
  uint32_t time = 0;
  int64_t when = 0;    // seconds since 1970 (UTC)
};

// The seconds since 1970 (UTC) now.
int64_t SecondsNow();

class UnreadFiles {
 public:
  // "<storages_dir><name>.unread"; storages_dir ends in the separator.
  static std::string PathFor(const std::string& storages_dir, const std::string& name);

  // Reads the list at `path` through `fs`, replacing this one. A missing file is an empty list;
  // lines that cannot be read are left out. False only when the file is there but cannot be
  // read (the list is then empty).
  bool Load(platform::FileSystem* fs, const std::string& path);
  // Writes the list to `path` through `fs` whole (`path` + ".new", synced, renamed over it); an
  // empty list removes the file. Clears dirty(), unless the write fails.
  platform::Status Save(platform::FileSystem* fs, const std::string& path);

  bool empty() const { return files_.empty(); }
  size_t size() const { return files_.size(); }
  // The record of `path`, or null. Valid until the list changes.
  const UnreadFile* Find(const std::string& path) const;
  // Records `file`, replacing an earlier record of its path.
  void Put(UnreadFile file);
  // Forgets the record of `path`, if any.
  void Remove(const std::string& path);
  // Forgets every record whose path `keep` returns false for.
  template <typename Keep>
  void RemoveUnless(Keep keep) {
    for (auto it = files_.begin(); it != files_.end();) {
      if (keep(it->first)) {
        ++it;
      } else {
        it = files_.erase(it);
        dirty_ = true;
      }
    }
  }
  // Every record, ordered by path.
  std::vector<UnreadFile> Sorted() const;
  // True when the list changed since it was loaded or saved.
  bool dirty() const { return dirty_; }

 private:
  std::unordered_map<std::string, UnreadFile> files_;
  bool dirty_ = false;
};

// The line of `file` without its line end, and back. ParseUnreadLine is false for a line
// that is not a record.
std::string UnreadLine(const UnreadFile& file);
bool ParseUnreadLine(std::string_view line, UnreadFile* file);

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_UNREAD_FILES_H_
