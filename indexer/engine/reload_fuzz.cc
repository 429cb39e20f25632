// libFuzzer target: any bytes as a saved index, reloaded as an update reloads it (the file
// table, then the dictionary and the posting logs).
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
#include "indexer/engine/dictionary.h"
#include "indexer/engine/index_switch.h"
#include "indexer/engine/part_reader.h"
#include "indexer/engine/posting_logs.h"
#include "indexer/engine/reload.h"
#include "indexer/engine/save.h"
#include "indexer/engine/stored_files.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;
namespace fmt = oru::index_format;

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

// What an update reloads, emptied as the run's fallback empties it for every input.
struct Reload {
  oru::StoredFiles files;
  oru::Dictionary dictionary;
  oru::ReloadedDictionary reloaded;

  bool Run() {
    reloaded = {};
    if (!files.Load(Get(fmt::kFileIndexName), [] {})) return false;
    reloaded = oru::ReloadDictionary(oru::platform::RealFileSystem(), IndexDir(), &dictionary, [] {});
    return reloaded.ok;
  }
  // Saves as an update that indexed nothing does, forgetting the postings of `forget`; with
  // `whole`, every part and the word list are written anew.
  bool Save(bool whole, const oru::FileNumberSet& forget) {
    oru::IndexSwitch pending(oru::platform::RealFileSystem(), IndexDir());
    oru::IndexSaver saver(oru::platform::RealFileSystem(), IndexDir(), &pending, [] {}, [] {});
    oru::ReloadedDictionary as_reloaded = reloaded;
    if (whole) {
      as_reloaded.word_list_canonical = false;
      as_reloaded.part_canonical.reset();
    }
    const oru::PostingLogs no_logs(oru::platform::RealFileSystem(), IndexDir());
    return saver.Save(dictionary, no_logs, as_reloaded, forget).ok() && pending.Switch().ok();
  }
  bool Save(bool whole) { return Save(whole, oru::FileNumberSet()); }
};

Reload& Fresh() {
  static Reload* reload = [] {
    auto* made = new Reload();
    const uint8_t empty[fmt::kBucketTableSize] = {};
    for (int p = 1; p < fmt::kPartCount; ++p) Put(fmt::PartFileName(p), empty, sizeof(empty));
    return made;
  }();
  reload->files.Clear();
  reload->dictionary.Reset();
  reload->reloaded = {};
  return *reload;
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
void CheckReloaded(const Reload& reload) {
  Check(!reload.files.empty());
  uint16_t highest = 0;
  for (const oru::FileNode& node : reload.files.files()) {
    Check(node.Number != 0 && node.Number != oru::kNoFile);
    Check(node.Path.size() <= oru::FileNode::kMaxPath &&
          node.Path.find('\0') == std::string_view::npos);
    highest = std::max(highest, node.Number);
    // A stored path always finds a record (its own or an earlier one that matches it).
    const oru::FileNode* stored = nullptr;
    Check(reload.files.Check(node.Path, node.PathHash, 0, 0, &stored) !=
          oru::StoredFileState::kNew);
  }
  Check(reload.files.highest_number() == highest);
  int32_t words = 0;
  for (int h = 0; h < oru::kHashCount; ++h) {
    const auto hash = static_cast<uint16_t>(h);
    const size_t slots = reload.dictionary.SlotCount(hash);
    Check(slots == 0 || h < fmt::kBucketsPerPart);  // only part 0 has words
    for (size_t s = 0; s < slots; ++s) {
      const oru::_Form& form = reload.dictionary.Entry(hash, static_cast<uint16_t>(s));
      Check(form.Text < reload.dictionary.pool_used() && form.LastFile == oru::kNoFile);
      ++words;
    }
  }
  Check(words == reload.dictionary.word_count() &&
        reload.dictionary.pool_used() < oru::kWordPoolSize);
}

std::string SavedIndex() { return Get(fmt::PartFileName(0)) + '|' + Get(fmt::kWordListName); }

// True when part 0 holds a posting of file `number`.
bool PartNames(uint16_t number) {
  const std::string part = Get(fmt::PartFileName(0));
  bool found = false;
  const oru::PartShape shape = oru::WalkPart(
      reinterpret_cast<const uint8_t*>(part.data()), part.size(), 0, [] {},
      [&](uint16_t, const fmt::WordEntry& entry) {
        for (uint32_t i = 0; i < entry.header.count; ++i) {
          found = found || fmt::DecodePartPosting(entry.postings + 4 * size_t{i}).file == number;
        }
        return true;
      });
  Check(shape == oru::PartShape::kCanonical);
  return found;
}

// Saving straight after the reload leaves alone what merging again would write unchanged, so it
// must give the same files as merging every part; a saved index, reloaded and saved again, stays
// the same; and forgetting a file leaves an index that reloads, without its postings.
void CheckSaving(Reload& reload, const std::string& part, const std::string& words) {
  const uint16_t first_file = reload.files.files()[0].Number;
  Check(reload.Save(true));
  const std::string merged = SavedIndex();

  Put(fmt::PartFileName(0), reinterpret_cast<const uint8_t*>(part.data()), part.size());
  Put(fmt::kWordListName, reinterpret_cast<const uint8_t*>(words.data()), words.size());
  Reload& again = Fresh();
  Check(&again == &reload && again.Run());
  Check(again.Save(false));
  Check(SavedIndex() == merged);

  Reload& third = Fresh();
  Check(third.Run() && third.Save(false));
  Check(SavedIndex() == merged);

  oru::FileNumberSet forget;
  forget.Add(first_file);
  Reload& fourth = Fresh();
  Check(fourth.Run() && fourth.Save(false, forget));
  Check(!PartNames(first_file));
  // An index left without words has an empty word list, which no reload takes.
  if (!Get(fmt::kWordListName).empty()) Check(Fresh().Run());
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
  Reload& reload = Fresh();
  Put(fmt::kFileIndexName, data, files);
  Put(fmt::PartFileName(0), data + files, part);
  Put(fmt::kWordListName, data + files + part, size - files - part);

  if (reload.Run()) {
    CheckReloaded(reload);
    CheckSaving(reload, std::string(reinterpret_cast<const char*>(data) + files, part),
                std::string(reinterpret_cast<const char*>(data) + files + part, size - files - part));
  } else {
    // The run falls back to a fresh index: nothing of the failed reload may stay behind that
    // starting afresh does not clear.
    Fresh();
    const oru::FileNode* stored = nullptr;
    Check(reload.files.Check("/x", 0, 0, 0, &stored) == oru::StoredFileState::kNew &&
          reload.dictionary.word_count() == 0);
  }
  CheckFolders();
  return 0;
}
