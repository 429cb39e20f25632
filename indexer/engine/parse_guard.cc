#include "indexer/engine/parse_guard.h"

#include <algorithm>
#include <cstring>

#include "platform/little_endian.h"

namespace oru {

namespace {

using platform::Status;

// The note: this magic, size (4 bytes), time (4), when (8, signed), path length (2), path; all
// little-endian. Written over itself, so bytes past the path may be left from a longer one.
constexpr char kNoteMagic[8] = {'O', 'R', 'U', 'P', 'A', 'R', 'S', '1'};
constexpr size_t kNoteHeader = sizeof(kNoteMagic) + 4 + 4 + 8 + 2;

int64_t SteadyNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

ParseGuard::~ParseGuard() {
  StopWatchdog();
  if (note_ != nullptr) note_->Close();
}

std::string ParseGuard::NotePath(const std::string& storages_dir, const std::string& name) {
  return storages_dir + name + ".parsing";
}

bool ParseGuard::ReadNote(platform::FileSystem* fs, const std::string& path, UnreadFile* file) {
  std::string bytes;
  if (!fs->ReadWhole(path, &bytes).ok()) return false;
  if (bytes.size() < kNoteHeader || std::memcmp(bytes.data(), kNoteMagic, sizeof(kNoteMagic))) {
    return false;
  }
  size_t at = sizeof(kNoteMagic);
  file->size = static_cast<uint32_t>(platform::ReadLe(bytes.data() + at, 4));
  file->time = static_cast<uint32_t>(platform::ReadLe(bytes.data() + at + 4, 4));
  file->when = static_cast<int64_t>(platform::ReadLe(bytes.data() + at + 8, 8));
  const size_t length = platform::ReadLe(bytes.data() + at + 16, 2);
  if (length == 0 || bytes.size() < kNoteHeader + length) return false;
  file->path = bytes.substr(kNoteHeader, length);
  file->reason = UnreadReason::kCrashed;
  return true;
}

Status ParseGuard::Start(platform::FileSystem* fs, const std::string& note_path,
                         std::chrono::milliseconds limit, TimeoutHandler on_timeout) {
  const Status opened = fs->Create(note_path, &note_);
  if (!opened.ok()) return opened;
  fs_ = fs;
  note_path_ = note_path;
  limit_ = limit;
  on_timeout_ = std::move(on_timeout);
  stopping_ = false;
  watchdog_ = std::thread([this] { Watch(); });
  return Status();
}

void ParseGuard::WriteNote(const std::string& path, uint32_t size, uint32_t time, int64_t when) {
  buffer_.assign(kNoteMagic, sizeof(kNoteMagic));
  buffer_ += platform::LeBytes(size, 4);
  buffer_ += platform::LeBytes(time, 4);
  buffer_ += platform::LeBytes(static_cast<uint64_t>(when), 8);
  buffer_ += platform::LeBytes(path.size(), 2);  // paths are at most 260 bytes (the walk's rule)
  buffer_ += path;
  if (note_->Seek(0).ok()) note_->Write(buffer_.data(), buffer_.size());
}

void ParseGuard::Begin(const std::string& path, uint32_t size, uint32_t time) {
  if (note_ == nullptr) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  current_.path.assign(path);
  current_.size = size;
  current_.time = time;
  current_.when = SecondsNow();
  current_.reason = UnreadReason::kTimedOut;
  WriteNote(path, size, time, current_.when);
  parse_start_.store(SteadyNanos(), std::memory_order_release);
}

void ParseGuard::ClearNote() {
  if (note_ != nullptr) WriteNote("", 0, 0, 0);
}

void ParseGuard::Watch() {
  const int64_t limit = std::chrono::duration_cast<std::chrono::nanoseconds>(limit_).count();
  const auto idle_wait = std::max(limit_ / 4, std::chrono::milliseconds(1));
  std::unique_lock<std::mutex> wait_lock(wait_mutex_);
  while (!stopping_) {
    const int64_t start = parse_start_.load(std::memory_order_acquire);
    const int64_t now = SteadyNanos();
    if (start != 0 && now - start >= limit) {
      const std::lock_guard<std::mutex> lock(mutex_);
      // The parse may have ended (and another begun) meanwhile.
      if (parse_start_.load(std::memory_order_acquire) == start) {
        on_timeout_(current_);
        parse_start_.store(0, std::memory_order_release);  // a handler that returns: once
      }
      continue;
    }
    const auto wait = start != 0 ? std::chrono::nanoseconds(start + limit - now)
                                 : std::chrono::nanoseconds(idle_wait);
    wake_.wait_for(wait_lock, wait, [this] { return stopping_; });
  }
}

void ParseGuard::StopWatchdog() {
  if (!watchdog_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(wait_mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  watchdog_.join();
}

void ParseGuard::Finish() {
  StopWatchdog();
  if (note_ == nullptr) return;
  note_->Close();
  note_.reset();
  fs_->Delete(note_path_);
}

}  // namespace oru
