// The folder of one index below the storages folder, and what "storages.ini" records of it.
// A run locks the folder before it changes anything in it, removes what a dead run left,
// writes its new files beside the old ones (pending()) and puts them in place between a "0"
// and a "1" in "storages.ini"; a run that saves nothing removes what it wrote, so the folder
// and its record stay as they were.
#ifndef ORU_INDEXER_ENGINE_INDEX_FOLDER_H_
#define ORU_INDEXER_ENGINE_INDEX_FOLDER_H_

#include <cstdint>
#include <memory>
#include <string>

#include "indexer/engine/index_records.h"
#include "indexer/engine/index_switch.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace oru {

class IndexFolder {
 public:
  // The index `name` in `storages_dir`; its records are in "storages.ini" of `work_dir` (both
  // ending in the separator). `disk` outlives the object.
  IndexFolder(platform::FileSystem* disk, const std::string& storages_dir, std::string work_dir,
              std::string name);

  // Creates the folder when it is missing and takes its lock, so that two runs never work on
  // one index; reads the index's records. A failure when the folder cannot be made or another
  // run holds it.
  platform::Status Lock();
  bool locked() const { return lock_ != nullptr; }
  // Removes what a killed run left in the folder, so that a full disk frees up.
  void RemoveLeftovers();

  const std::string& path() const { return path_; }  // ends in the separator
  const std::string& name() const { return name_; }
  // What "storages.ini" recorded before the run: "1" for a complete index ("" for none), the
  // time its files began to be read, and the highest file number it kept (0 for none).
  const std::string& recorded() const { return recorded_; }
  uint32_t recorded_read_since() const { return recorded_read_since_; }
  uint16_t recorded_highest_number() const { return recorded_highest_; }
  // The encoding of the index's words and paths, as recorded.
  TextEncoding recorded_encoding() const { return recorded_encoding_; }

  // Where the run writes the new versions of the index files.
  IndexSwitch* pending() { return &pending_; }
  // Puts the new versions in place, durable before "storages.ini" records "0", and records "1"
  // with `read_since`, `highest_number` and `encoding` after, in one write (IndexRecords::
  // WriteSaved). When any step up to that "1" fails, the old files and their records come
  // back. Nothing to put in place changes nothing.
  platform::Status Switch(uint32_t read_since, uint16_t highest_number, TextEncoding encoding);
  // Ends a run that saves nothing: removes everything it wrote into the folder.
  void Abandon();
  // Releases the lock.
  void Unlock() { lock_.reset(); }

 private:
  platform::FileSystem* disk_;
  std::string path_;
  std::string name_;
  IndexRecords records_;
  std::unique_ptr<platform::HeldLock> lock_;
  IndexSwitch pending_;
  std::string recorded_;
  uint16_t recorded_highest_ = 0;
  uint32_t recorded_read_since_ = 0;
  TextEncoding recorded_encoding_ = TextEncoding::kWindows1252;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_INDEX_FOLDER_H_
