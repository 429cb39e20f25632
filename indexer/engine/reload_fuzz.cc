// libFuzzer target: any bytes as a saved index, reloaded by TIndexer::ReloadIndex.
//
// Input: the file index's length (2 bytes), part 0's length (2 bytes), the file index, part 0,
// and the word list (the rest); lengths beyond the input are cut to it. Parts 1 to 63 are valid
// empty tables. Every input must either reload into a consistent dictionary, which saves,
// reloads and saves again to the same bytes, or fail and leave a clean slate after the run's
// reset. Nothing may appear in the temporary folder beside the index folder, nor any file in the
// index folder but the index's own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "indexer/engine/index_format.h"
#include "indexer/engine/indexer.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;
namespace fmt = oru::index_format;
using oru::TIndexer;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// A temporary folder with the index folder "index/" in it, removed at exit.
const std::string* MakeRoot() {
  std::string pattern = (fs::temp_directory_path() / "reload_fuzz_XXXXXX").string();
  Check(mkdtemp(pattern.data()) != nullptr);
  fs::create_directory(pattern + "/index");
  return new std::string(pattern + "/");
}
const std::string& Root() {
  static const std::string* root = MakeRoot();
  static const bool cleanup = std::atexit([] { fs::remove_all(*root); }) == 0;
  (void)cleanup;
  return *root;
}
std::string IndexDir() { return Root() + "index/"; }

void Put(const std::string& name, const uint8_t* data, size_t size) {
  oru::platform::File file;
  Check(oru::platform::File::Open(IndexDir() + name, oru::platform::OpenMode::kCreate, &file) ==
        oru::platform::Result::kOk);
  Check(size == 0 || file.Write(data, size) == oru::platform::Result::kOk);
}

std::string Get(const std::string& name) {
  std::string data;
  Check(oru::platform::ReadWholeFile(IndexDir() + name, &data) == oru::platform::Result::kOk);
  return data;
}

// The engine, on the heap (its pool and slot table are inline), emptied as the run's fallback
// (ResetDictionary) empties it, but clearing the buckets in place: reallocating 65,536 of them
// for every input would halve the fuzzer's speed.
TIndexer& Fresh() {
  static TIndexer* indexer = [] {
    auto* made = new TIndexer();
    made->IndexDir = IndexDir();
    const uint8_t empty[fmt::kBucketTableSize] = {};
    for (int p = 1; p < fmt::kPartCount; ++p) Put(fmt::PartFileName(p), empty, sizeof(empty));
    return made;
  }();
  for (int h = 0; h < oru::kHashCount; ++h) indexer->WordBuckets[h].Clear();
  std::fill(std::begin(indexer->HashSlots), std::end(indexer->HashSlots), oru::kNoSlot);
  std::memset(indexer->WordPool, 0, indexer->WordPoolCursor);
  indexer->WordPoolCursor = 0;
  indexer->WordsFound = 0;
  indexer->FileCount = 0;
  indexer->StoredFiles.reset();
  return *indexer;
}

bool IsIndexFile(const std::string& name) {
  static const std::set<std::string> names = [] {
    std::set<std::string> all{fmt::kFileIndexName, fmt::kWordListName};
    for (int p = 0; p < fmt::kPartCount; ++p) {
      all.insert(fmt::PartFileName(p));
      all.insert(fmt::PostingLogName(p));
    }
    return all;
  }();
  return names.count(name) == 1;
}

void CheckFolders() {
  for (const auto& entry : fs::directory_iterator(Root())) Check(entry.path().filename() == "index");
  for (const auto& entry : fs::directory_iterator(IndexDir())) {
    Check(entry.is_regular_file() && IsIndexFile(entry.path().filename()));
  }
}

// What a successful reload promises: the dictionary, the file table and the rebuilt log agree.
void CheckReloaded(TIndexer& indexer) {
  Check(indexer.StoredFiles != nullptr && !indexer.StoredFiles->Empty());
  uint16_t highest = 0;
  for (const oru::FileNode* node : *indexer.StoredFiles) {
    Check(node->Number != 0 && node->Number != oru::kNoFile);
    Check(memchr(node->Path, 0, sizeof(node->Path)) != nullptr);
    highest = std::max(highest, node->Number);
    // A stored path always finds a record (its own or an earlier one that matches it).
    const oru::FileNode* stored = nullptr;
    Check(indexer.CheckStoredFile(node->Path, node->PathHash, 0, 0, &stored) !=
          oru::StoredFileState::kNew);
  }
  Check(indexer.FileCount == highest);
  int32_t words = 0;
  for (int h = 0; h < oru::kHashCount; ++h) {
    const auto& bucket = indexer.WordBuckets[h];
    Check(indexer.HashSlots[h] == (bucket.Empty() ? size_t{oru::kNoSlot} : bucket.Count() - 1));
    Check(bucket.Empty() || h < fmt::kBucketsPerPart);  // only part 0 has words
    for (const oru::_Form* form : bucket) {
      Check(form->Text < indexer.WordPoolCursor && form->LastFile == oru::kNoFile);
      ++words;
    }
  }
  Check(words == indexer.WordsFound && indexer.WordPoolCursor < indexer.WordPoolEnd);
}

// The rebuilt log names only words the dictionary has.
void CheckLog(TIndexer& indexer) {
  const std::string log = Get(fmt::PostingLogName(0));
  Check(log.size() % fmt::kPostingSize == 0);
  for (size_t at = 0; at < log.size(); at += fmt::kPostingSize) {
    const fmt::Posting p = fmt::DecodePosting(reinterpret_cast<const uint8_t*>(log.data()) + at);
    Check(p.slot < indexer.WordBuckets[p.hash].Count());
  }
}

std::string SavedIndex() { return Get(fmt::PartFileName(0)) + '|' + Get(fmt::kWordListName); }

// Saving straight after the reload leaves alone what merging again would write unchanged, so it
// must give the same files as writing every log and merging it; and a saved index, reloaded and
// saved again, stays the same.
void CheckSaving(TIndexer& indexer, const std::string& part, const std::string& words) {
  Check(indexer.WriteDeferredLogs());
  CheckLog(indexer);
  Check(indexer.SaveIndex() && indexer.WriteWordList(IndexDir()) == 0);
  const std::string merged = SavedIndex();

  Put(fmt::PartFileName(0), reinterpret_cast<const uint8_t*>(part.data()), part.size());
  Put(fmt::kWordListName, reinterpret_cast<const uint8_t*>(words.data()), words.size());
  TIndexer& again = Fresh();
  Check(&again == &indexer && again.ReloadIndex());
  Check(again.SaveIndex());
  Check(SavedIndex() == merged);

  TIndexer& third = Fresh();
  Check(third.ReloadIndex() && third.SaveIndex());
  Check(SavedIndex() == merged);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  size_t files = fmt::GetU16(data);
  size_t part = fmt::GetU16(data + 2);
  data += 4;
  size -= 4;
  files = std::min(files, size);
  part = std::min(part, size - files);
  TIndexer& indexer = Fresh();
  Put(fmt::kFileIndexName, data, files);
  Put(fmt::PartFileName(0), data + files, part);
  Put(fmt::kWordListName, data + files + part, size - files - part);

  if (indexer.ReloadIndex()) {
    CheckReloaded(indexer);
    CheckSaving(indexer, std::string(reinterpret_cast<const char*>(data) + files, part),
                std::string(reinterpret_cast<const char*>(data) + files + part, size - files - part));
  } else {
    // The run falls back to a fresh index: nothing of the failed reload may stay behind that
    // resetting the dictionary does not clear.
    Check(indexer.StoredFiles == nullptr && indexer.WordFileBuffer == nullptr);
    const oru::FileNode* stored = nullptr;
    Check(indexer.CheckStoredFile("/x", 0, 0, 0, &stored) == oru::StoredFileState::kNew);
  }
  CheckFolders();
  return 0;
}
