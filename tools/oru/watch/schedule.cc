#include "tools/oru/watch/schedule.h"

#include <algorithm>

namespace oru::tool {

void UpdateSchedule::Changed(size_t index, int64_t now) {
  Index& state = indexes_[index];
  if (state.first_change < 0) state.first_change = now;
  state.last_change = now;
}

void UpdateSchedule::Faulty(size_t index, int64_t now) {
  Index& state = indexes_[index];
  Changed(index, now);
  if (!state.faulty) state.next_period = now + times_.fault_period;
  state.faulty = true;
}

void UpdateSchedule::Recovered(size_t index) { indexes_[index].faulty = false; }

int64_t UpdateSchedule::DueAt(const Index& index) const {
  int64_t at = -1;
  if (index.first_change >= 0) {
    at = std::min(index.last_change + times_.quiet, index.first_change + times_.longest_wait);
  }
  if (index.faulty && (at < 0 || index.next_period < at)) at = index.next_period;
  return at;
}

std::optional<size_t> UpdateSchedule::Due(int64_t now) const {
  std::optional<size_t> due;
  int64_t earliest = 0;
  for (size_t i = 0; i < indexes_.size(); ++i) {
    const int64_t at = DueAt(indexes_[i]);
    if (at >= 0 && at <= now && (!due || at < earliest)) {
      due = i;
      earliest = at;
    }
  }
  return due;
}

void UpdateSchedule::Started(size_t index, int64_t now) {
  Index& state = indexes_[index];
  state.first_change = state.last_change = -1;
  if (state.faulty) state.next_period = now + times_.fault_period;
}

int64_t UpdateSchedule::Timeout(int64_t now) const {
  int64_t timeout = -1;
  for (const Index& index : indexes_) {
    const int64_t at = DueAt(index);
    if (at < 0) continue;
    const int64_t wait = std::max<int64_t>(0, at - now);
    if (timeout < 0 || wait < timeout) timeout = wait;
  }
  return timeout;
}

}  // namespace oru::tool
