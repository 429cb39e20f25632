// Saving a pass: each posting log becomes its part of the inverted index, then the word list is
// written. Every file is written beside the old one under a new name and put in place with the
// others only when all are complete (IndexSwitch), so a reader never sees half a file and a
// failure never costs the old index.
#ifndef ORU_INDEXER_ENGINE_SAVE_H_
#define ORU_INDEXER_ENGINE_SAVE_H_

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "indexer/engine/dictionary.h"
#include "indexer/engine/index_switch.h"
#include "indexer/engine/posting_logs.h"
#include "indexer/engine/reload.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace oru {

// Builds part `part` from its posting log `log` (8-byte postings) into `out`: the
// 4,096-byte bucket table, then each bucket's words in slot order, each word's postings in the
// order of the log. False when a posting names a slot the dictionary does not have.
bool BuildPart(const Dictionary& dictionary, int part, std::string log,
               std::vector<uint8_t>* out);

class IndexSaver {
 public:
  // `index_dir` ends in the separator. `step` moves the progress bar by one (once per part
  // built, once for the word list); `pump` handles the window's messages. `disk` and `pending`
  // outlive the object.
  IndexSaver(platform::FileSystem* disk, std::string index_dir, IndexSwitch* pending,
             std::function<void()> step, std::function<void()> pump);

  // Writes the new parts and word list of `dictionary` from `logs`; what an update reloaded
  // (`reloaded`) and did not change is left as it is. The files are handed to the switch; the
  // first failure is returned.
  platform::Status Save(const Dictionary& dictionary, PostingLogs* logs,
                        const ReloadedDictionary& reloaded);
  // Writes the new version of the word list.
  platform::Status WriteWordList(const Dictionary& dictionary);

 private:
  platform::Status MergePart(const Dictionary& dictionary, int part, const std::string& log_path);

  platform::FileSystem* disk_;
  std::string dir_;
  IndexSwitch* pending_;
  std::function<void()> step_;
  std::function<void()> pump_;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_SAVE_H_
