// The file index a pass writes: one record per file it numbers (length, number, path hash,
// size, time, path). A fresh pass writes it anew; an update extends a copy of the old one,
// made when the first record changes, so that the old file index stays as readers know it
// until the switch and an update that changes nothing leaves it alone. Either way the new
// version is written beside the old one (IndexSwitch) and put in place with the others.
#ifndef ORU_INDEXER_ENGINE_FILE_INDEX_H_
#define ORU_INDEXER_ENGINE_FILE_INDEX_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "indexer/engine/buffered_file.h"
#include "indexer/engine/index_switch.h"
#include "indexer/engine/records.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace oru {

class FileIndexWriter {
 public:
  // `index_dir` ends in the separator; `disk` and `pending` outlive the object.
  FileIndexWriter(platform::FileSystem* disk, std::string index_dir, IndexSwitch* pending);

  // A fresh index: creates the new file index now. An update: nothing until the first change.
  platform::Status Start(bool update);
  // Appends the record of a newly numbered file. A path too long for a record leaves the file
  // without one, which is no failure.
  platform::Status Append(std::string_view path, uint16_t number, uint16_t path_hash,
                          uint32_t size, uint32_t time);
  // Rewrites size and time in the record of a stored file indexed again, in place.
  platform::Status RewriteStamp(const FileNode& stored, uint32_t size, uint32_t time);
  // Completes the new file index, when one was written, and hands it to the switch.
  platform::Status Finish();
  // Closes what was written without handing it over.
  void Abandon();

 private:
  // In an update, opens the new version as a copy of the old file index, once.
  platform::Status OpenCopy();

  std::string dir_;
  IndexSwitch* pending_;
  bool update_ = false;
  bool started_ = false;
  BufferedFile file_;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_FILE_INDEX_H_
