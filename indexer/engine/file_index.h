// The file index a pass writes: one record per file it numbers (length, number, path hash,
// size, time, path). A fresh pass writes it as the walk goes. An update keeps what changes in
// memory (the records of new files, the new size and time of files indexed again) and writes
// the new version at the end, from the old one less the records of files that are gone; an
// update that changes nothing leaves it alone. Either way the new version is written beside
// the old one (IndexSwitch) and put in place with the others.
#ifndef ORU_INDEXER_ENGINE_FILE_INDEX_H_
#define ORU_INDEXER_ENGINE_FILE_INDEX_H_

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "indexer/engine/buffered_file.h"
#include "indexer/engine/file_numbers.h"
#include "indexer/engine/index_format.h"
#include "indexer/engine/index_switch.h"
#include "indexer/engine/records.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace oru {

class FileIndexWriter {
 public:
  // `index_dir` ends in the separator; every file goes through `disk`; `disk` and `pending`
  // outlive the object.
  FileIndexWriter(platform::FileSystem* disk, std::string index_dir, IndexSwitch* pending);

  // A fresh index: creates the new file index now. An update: nothing until Finish.
  platform::Status Start(bool update);
  // Appends the record of a newly numbered file. A path too long for a record leaves the file
  // without one, which is no failure.
  platform::Status Append(std::string_view path, uint16_t number, uint16_t path_hash,
                          uint32_t size, uint32_t time);
  // Gives the record of a stored file indexed again its new size and time.
  void RewriteStamp(const FileNode& stored, uint32_t size, uint32_t time);
  // Completes the new file index, when there is one, and hands it to the switch. An update's
  // leaves out the records of the files numbered in `gone`.
  platform::Status Finish(const FileNumberSet& gone);
  // Closes what was written without handing it over.
  void Abandon();

 private:
  // An update's new version: the old records but those of `gone`, with their new stamps, then
  // the new records.
  platform::Status WriteUpdate(const FileNumberSet& gone);

  platform::FileSystem* disk_;
  std::string dir_;
  IndexSwitch* pending_;
  bool update_ = false;
  bool started_ = false;
  BufferedFile file_;
  // An update's changes: the records of new files, and the new stamps by record offset.
  std::string added_;
  std::map<uint32_t, std::array<uint8_t, index_format::kFileStampSize>> stamps_;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_FILE_INDEX_H_
