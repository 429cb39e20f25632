// Reloading a saved index for an update.
//
// PLACEHOLDER until updating lands: ReloadIndex always fails, which makes the run build a
// fresh index, and CheckStoredFile is never reached because the run then leaves update mode.
#include "indexer/engine/indexer.h"

namespace oru {

bool TIndexer::ReloadIndex() { return false; }

StoredFileState TIndexer::CheckStoredFile(std::string_view, uint16_t, uint16_t*) {
  return StoredFileState::kNew;
}

}  // namespace oru
