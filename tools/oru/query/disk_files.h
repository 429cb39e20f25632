// The files of a search as they are on disk: their size and time now, and their text read by the
// parser plug-ins that the work folder configures (the FileLookup of evaluate.h).
#ifndef ORU_TOOLS_ORU_QUERY_DISK_FILES_H_
#define ORU_TOOLS_ORU_QUERY_DISK_FILES_H_

#include <memory>
#include <string>
#include <vector>

#include "tools/oru/fragment.h"
#include "tools/oru/query/evaluate.h"

namespace oru::tool {

// What became of a file since it was indexed: the same size and time, another size or time,
// or no file at that path.
enum class HitState { kCurrent, kChanged, kGone };

// Compares the file's current size and time with its record.
HitState StateOf(const IndexedFile& file);

// Not copyable (it holds loaded plug-ins).
class DiskFiles : public FileLookup {
 public:
  // `work`: the work folder (ending in the separator); `storage_types[i]`: the storage type of
  // the i-th index searched, whose parser plug-ins read its files.
  DiskFiles(std::string work, std::vector<std::string> storage_types);
  DiskFiles(const DiskFiles&) = delete;
  DiskFiles& operator=(const DiskFiles&) = delete;

  bool SizeAndTime(const IndexedFile& file, uint32_t* size, uint32_t* time) override;
  bool ReadText(const IndexedFile& file, size_t index, TextMatcher* matcher) override;

  // The plug-ins, loaded at the first call for the storage type of the index `index` and kept;
  // null when none could be loaded (then no file's text can be read).
  FragmentMaker* Plugins(size_t index);

 private:
  std::string work_;
  std::vector<std::string> storage_types_;
  std::unique_ptr<FragmentMaker> plugins_;
  bool tried_ = false;
};

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_QUERY_DISK_FILES_H_
