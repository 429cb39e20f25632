#include "platform/common/watch_notes.h"

namespace oru::platform {

bool WatchNotes::Take(WatchChanges* out) {
  out->changed.assign(changed_.begin(), changed_.end());
  out->lost.clear();
  for (WatchChanges::Lost& lost : lost_) {
    WatchChanges::Lost* seen = nullptr;
    for (WatchChanges::Lost& told : out->lost) seen = told.tree == lost.tree ? &told : seen;
    if (seen == nullptr) {
      out->lost.push_back(std::move(lost));
    } else if (lost.lasting && !seen->lasting) {
      *seen = std::move(lost);
    }
  }
  changed_.clear();
  lost_.clear();
  return !out->changed.empty() || !out->lost.empty();
}

}  // namespace oru::platform
