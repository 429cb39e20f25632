// Reloading the dictionary of a saved index for an update: the parts and the word list give
// back every word with its hash, slot and text. The postings stay in the parts, where saving
// merges them with the run's own.
#ifndef ORU_INDEXER_ENGINE_RELOAD_H_
#define ORU_INDEXER_ENGINE_RELOAD_H_

#include <array>
#include <bitset>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "indexer/engine/dictionary.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace oru {

struct ReloadedDictionary {
  bool ok = false;
  // The word list is exactly what saving writes for the reloaded dictionary: an update that
  // adds no word leaves it as it is.
  bool word_list_canonical = false;
  // The words each part held.
  std::array<uint32_t, 64> part_words{};
  // The parts laid out exactly as saving writes them: one that keeps its postings is left as
  // it is.
  std::bitset<64> part_canonical;
  // A file of the index that is there but could not be read (ok is false then): the run fails
  // instead of starting a fresh index.
  platform::Status failure;
};

// Fills the empty `dictionary` from the 64 parts and the word list of `index_dir` (ending in
// the separator), read through `fs`, calling `pump` between units of work. Everything read may be damaged: every offset and length is checked
// against the bytes read, and any doubt fails the reload (ok false); the caller then starts a
// fresh index, which drops what was reloaded.
// When `frequent` is given it receives the words found in at least kFrequentWordFiles files,
// as hash << 16 | slot: those an update's files most likely hold.
ReloadedDictionary ReloadDictionary(platform::FileSystem* fs, const std::string& index_dir,
                                    Dictionary* dictionary, const std::function<void()>& pump,
                                    std::vector<uint32_t>* frequent = nullptr);
inline constexpr uint32_t kFrequentWordFiles = 8;

// ReloadDictionary on a second thread, so that an update's walk passes over unchanged files
// meanwhile; once its result is there and the walk has met a file to index (WantWordTable),
// the thread goes on to fill the dictionary's word table (Dictionary::FillWordTable), its
// frequent words first, until it is done or Wait stops it. The dictionary belongs to the
// reload until Wait returns.
class BackgroundReload {
 public:
  BackgroundReload() = default;
  ~BackgroundReload() { Abandon(); }
  BackgroundReload(const BackgroundReload&) = delete;
  BackgroundReload& operator=(const BackgroundReload&) = delete;

  // Starts the reload; false when no second thread could be had (nothing started then).
  bool Start(platform::FileSystem* fs, const std::string& index_dir, Dictionary* dictionary);
  bool running() const { return running_; }
  // True when Wait would return at once, the word table filled: none runs, or it has ended.
  bool finished() const { return !running_ || ended_.load(std::memory_order_acquire); }
  // Asks for the word table to be filled once the result is there: a file is to be indexed.
  void WantWordTable();
  // Waits for the reload's result, calling `pump` every 20 ms meanwhile, stops the filling of
  // the word table where it is, waits for the thread to end and returns the result.
  ReloadedDictionary Wait(const std::function<void()>& pump);
  // Ends a reload whose result nobody will take (the pass ended without needing it: an update
  // that changed nothing, a failure) as soon as it looks, and waits for its thread.
  void Abandon();

 private:
  std::thread thread_;
  std::atomic<bool> abandoned_{false};
  // Stops the filling of the word table, or its wait for WantWordTable.
  void StopFilling();
  // Waits for the thread to end; no messages.
  void Join();

  std::atomic<bool> fill_wanted_{false};  // set under mutex_
  std::atomic<bool> fill_stopped_{false};  // set under mutex_
  std::condition_variable fill_asked_;
  std::atomic<bool> ended_{false};  // the thread has left its result and filled the word table
  bool running_ = false;  // started, not yet waited for
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;  // under mutex_
  ReloadedDictionary result_;  // under mutex_
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_RELOAD_H_
