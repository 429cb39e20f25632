#include "tools/oru/watch/watch_record.h"

#include <chrono>

#include "platform/ini.h"
#include "tools/oru/text.h"

namespace oru::tool {

namespace {

constexpr char kMutexName[] = "oru-watch";
constexpr char kRecordName[] = "watch.ini";
constexpr char kWatcherSection[] = "Watcher";
constexpr char kUpdatedSection[] = "Updated";

}  // namespace

std::string UtcNow() {
  return IsoTime(std::chrono::duration_cast<std::chrono::seconds>(
                     std::chrono::system_clock::now().time_since_epoch())
                     .count());
}

WatchRecord::WatchRecord(std::string work) : path_(std::move(work) + kRecordName) {}

platform::Status WatchRecord::Claim() {
  return platform::InstanceMutex::Acquire(kMutexName, &mutex_);
}

void WatchRecord::Started(size_t indexes) {
  platform::ProfileFile file = platform::ProfileFile::Open(path_);
  file.WriteString(kWatcherSection, "Started", UtcNow());
  file.WriteString(kWatcherSection, "Indexes", std::to_string(indexes));
}

void WatchRecord::Updated(const std::string& name) {
  platform::ProfileFile::Open(path_).WriteString(kUpdatedSection, name, UtcNow());
}

void WatchRecord::Stopped() {
  platform::ProfileFile::Open(path_).DeleteKey(kWatcherSection, "Started");
  mutex_.Release();
}

WatcherState ReadWatcherState(const std::string& work) {
  WatcherState state;
  platform::InstanceMutex probe;
  state.running =
      platform::InstanceMutex::Acquire(kMutexName, &probe).result() == platform::Result::kExists;
  if (state.running) {
    state.started =
        platform::ProfileFile::Open(work + kRecordName).GetString(kWatcherSection, "Started", "");
  }
  return state;
}

std::string LastWatchedUpdate(const std::string& work, const std::string& name) {
  return platform::ProfileFile::Open(work + kRecordName).GetString(kUpdatedSection, name, "");
}

}  // namespace oru::tool
