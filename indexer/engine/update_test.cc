// Updating an index through TIndexer::Run, on the fake plug-ins and a file system held in
// memory: what an update keeps, adds and skips, and every way back to a fresh index.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "indexer/engine/index_format.h"
#include "indexer/engine/stored_files.h"
#include "platform/find.h"
#include "platform/md5.h"
#include "tests/support/memory_pass.h"

namespace oru {
namespace {

namespace fmt = index_format;
using Numbers = std::vector<uint16_t>;

class Recorder : public platform::Label, public platform::MessagePump {
 public:
  void SetCaption(std::string_view text) override { captions.emplace_back(text); }
  void ProcessMessages() override {
    if (++pumps == stop_at) indexer->RequestStop(save);
  }
  std::vector<std::string> captions;
  TIndexer* indexer = nullptr;
  int pumps = 0;
  int stop_at = -1;
  bool save = false;  // what the Stop at `stop_at` asks
};

using Prepare = std::function<void(PassSettings&, Recorder&)>;

class UpdateTest : public testing::MemoryPassTest {
 protected:
  // One pass, "Updating" = "1" when `updating`; `prepare` may adjust its settings and the
  // recorder (its window) first.
  int Pass(bool updating, const Prepare& prepare = nullptr) {
    WriteJob(updating);
    PassSettings settings = Settings();
    recorder_ = std::make_unique<Recorder>();
    if (prepare) prepare(settings, *recorder_);
    PassView view;
    view.files_indexed = recorder_.get();
    view.pump = recorder_.get();
    auto indexer = std::make_unique<TIndexer>(settings, view);
    recorder_->indexer = indexer.get();
    return indexer->Run();
  }

  void Remove(const std::string& name) { plugins_.files.erase(corpus_ + name); }
  std::string Read(const std::string& name) const { return disk_.Get(IndexFolder() + name); }

  // "1:a.txt 2:b.txt": the file records in file order.
  std::string Files(const testing::DecodedIndex& index) {
    std::string files;
    for (const auto& file : index.files) {
      files += (files.empty() ? "" : " ") + std::to_string(file.number) + ":" +
               file.path.substr(corpus_.size());
    }
    return files;
  }

  // The file numbers of each word's postings, in stored order.
  static std::map<std::string, Numbers> Postings(const testing::DecodedIndex& index) {
    std::map<std::string, Numbers> result;
    for (const auto& [key, list] : index.postings) {
      for (const auto& posting : list) result[index.words.at(key)].push_back(posting.first);
    }
    return result;
  }

  // The index files written (created or put in place) since the file system's operation
  // `since`, by name.
  std::vector<std::string> Rewritten(size_t since) {
    const std::vector<std::string> operations = disk_.operations();
    const std::string folder = IndexFolder();
    std::set<std::string> written;
    for (size_t i = since; i < operations.size(); ++i) {
      const std::string& operation = operations[i];
      std::string target;
      if (operation.rfind("create ", 0) == 0) target = operation.substr(7);
      if (operation.rfind("rename ", 0) == 0) target = operation.substr(operation.rfind(' ') + 1);
      if (target.rfind(folder, 0) == 0) written.insert(target.substr(folder.size()));
    }
    std::vector<std::string> names;
    for (const auto& [name, bytes] : IndexFiles()) {
      if (written.count(name) != 0) names.push_back(name);
    }
    return names;
  }

  // Runs the same update from the same work folder twice, reloading first and beside the walk;
  // names what differs between the two (files, "Indexed", the result), or "".
  std::string BothOrders(const Prepare& prepare = nullptr) {
    const Folder before = disk_.FilesIn(work_);
    Folder after[2];
    std::string state[2];
    for (const bool beside : {false, true}) {
      disk_.SetFilesIn(work_, before);
      const int result = Pass(true, [&](PassSettings& settings, Recorder& recorder) {
        settings.reload_beside_walk = beside;
        if (prepare) prepare(settings, recorder);
      });
      after[beside] = IndexFiles();
      state[beside] = std::to_string(result) + " Indexed=" + Indexed();
    }
    if (state[0] != state[1]) return "first: " + state[0] + ", beside: " + state[1];
    std::string differ;
    for (const bool beside : {false, true}) {
      for (const auto& [name, bytes] : after[beside]) {
        const auto other = after[!beside].find(name);
        if (other == after[!beside].end() || other->second != bytes) differ += name + " ";
      }
    }
    return differ;
  }

  std::unique_ptr<Recorder> recorder_;
};

// Stored times count in 2-second steps: a file edited within the step in which the run read it
// keeps its size and time, so an update reads such a file again instead of trusting them.
TEST_F(UpdateTest, AnEditWithinTheStoredTimesStepIsSeenByTheNextUpdate) {
  const uint32_t now =
      platform::PackDosTime(std::chrono::duration_cast<std::chrono::seconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count());
  Write("old.txt", "steady words");
  Write("a.txt", "alpha beta", now);
  ASSERT_EQ(Pass(false), kRunOk);
  Write("a.txt", "gamma beta", now);  // the same size and time
  ASSERT_EQ(Pass(true), kRunOk);
  const auto postings = Postings(Decode());
  EXPECT_EQ(postings.count("gamma"), 1u);
  EXPECT_EQ(postings.at("steady"), (Numbers{2}));  // the old file is trusted, not read again
}

TEST(RacyTimeTest, OnlyAStoredTimeWithinTwoSecondsOfTheReadIsRacy) {
  const auto pack = [](int year, int month, int day, int hour, int minute, int second) {
    return static_cast<uint32_t>((year - 1980) << 25 | month << 21 | day << 16 | hour << 11 |
                                 minute << 5 | second / 2);
  };
  const uint32_t read = pack(2026, 12, 8, 10, 0, 0);
  EXPECT_TRUE(IsRacyTime(pack(2026, 12, 8, 10, 0, 0), read));
  EXPECT_TRUE(IsRacyTime(pack(2026, 12, 8, 10, 5, 0), read));  // written after the run began
  EXPECT_FALSE(IsRacyTime(pack(2026, 12, 8, 9, 59, 58), read));
  EXPECT_FALSE(IsRacyTime(pack(2026, 12, 8, 10, 0, 0), 0));  // no record: trusted as before
  EXPECT_FALSE(IsRacyTime(pack(2026, 12, 31, 23, 59, 58), pack(2027, 1, 1, 0, 0, 0)));
  EXPECT_EQ(DosTimeSeconds(pack(1980, 3, 1, 0, 0, 0)) - DosTimeSeconds(pack(1980, 2, 28, 0, 0, 0)),
            2 * 86400);  // 1980 is a leap year
}

TEST_F(UpdateTest, AddsNewFilesReindexesChangedOnesAndSkipsTheRest) {
  Write("a.txt", "alpha common");
  Write("b.txt", "beta common");
  Write("c.txt", "gamma");
  ASSERT_EQ(Pass(false), kRunOk);
  const auto before = Decode();
  const std::string old_records = Read(fmt::kFileIndexName);

  Write("b.txt", "beta epsilon common");         // a new size
  Write("c.txt", "gamma", testing::OldTime(3));  // a new time
  Write("d.txt", "delta common");
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  // a.txt is skipped (one skip so far); b, c and d show FileCount before each is indexed; the
  // walk ends with the files the index holds.
  EXPECT_EQ(recorder_->captions, (std::vector<std::string>{"1", "3", "3", "3", "4"}));
  const auto after = Decode();
  EXPECT_EQ(Files(after), "1:a.txt 2:b.txt 3:c.txt 4:d.txt");
  // Changed files keep their number; their old postings give way to the new ones, which follow
  // the postings kept.
  const auto postings = Postings(after);
  EXPECT_EQ(postings.at("alpha"), (Numbers{1}));
  EXPECT_EQ(postings.at("beta"), (Numbers{2}));
  EXPECT_EQ(postings.at("epsilon"), (Numbers{2}));
  EXPECT_EQ(postings.at("gamma"), (Numbers{3}));
  EXPECT_EQ(postings.at("common"), (Numbers{1, 2, 4}));
  EXPECT_EQ(postings.at("delta"), (Numbers{4}));
  for (const auto& [key, word] : before.words) EXPECT_EQ(after.words.at(key), word);  // same slots
  // The records of b and c take the new size and time in place; nothing else moves.
  std::string records = Read(fmt::kFileIndexName);
  for (int f = 1; f <= 2; ++f) {
    const testing::FakePlugins::File& file = plugins_.files.at(before.files[f].path);
    EXPECT_EQ(after.files[f].size, file.text.size());
    EXPECT_EQ(after.files[f].time, file.time);
    const size_t at = f * (14 + corpus_.size() + 5);
    records.replace(at + 6, 8, old_records.substr(at + 6, 8));
  }
  EXPECT_NE(after.files[2].time, before.files[2].time);
  EXPECT_EQ(records, old_records + records.substr(old_records.size()));

  // So the next update finds nothing changed, skips everything and saves the same bytes.
  const Folder saved = IndexFiles();
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(recorder_->captions, (std::vector<std::string>{"1", "2", "3", "4", "4"}));
  EXPECT_TRUE(IndexFiles() == saved);
}

TEST_F(UpdateTest, TheNumberOfAFileThatIsGoneIsNotGivenAgainBeforeAFreshPass) {
  Write("a.txt", "alpha");
  Write("b.txt", "beta");
  ASSERT_EQ(Pass(false), kRunOk);
  Remove("b.txt");
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Files(Decode()), "1:a.txt");
  Write("c.txt", "gamma");
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Files(Decode()), "1:a.txt 3:c.txt");
  ASSERT_EQ(Pass(false), kRunOk);
  EXPECT_EQ(Files(Decode()), "1:a.txt 2:c.txt");
}

// Only a new file needs a number: at the limit an update still indexes changed files again.
TEST_F(UpdateTest, TheFileLimitStopsTheWalkWithALineAndKeepsChangedFiles) {
  Write("a.txt", "alpha");
  Write("b.txt", "beta");
  Write("sub/c.txt", "gamma");
  const auto limit = [](PassSettings& settings, Recorder&) { settings.file_limit = 2; };
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(Pass(false, limit), kRunOk);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Tamsel: the index holds the most files it can (2); the walk stopped in " + corpus_ +
                "sub" + testing::kSep +
                ", and the files after that point are not "
                "indexed\n");
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Files(Decode()), "1:a.txt 2:b.txt");

  Write("b.txt", "beta epsilon");
  ASSERT_EQ(Pass(true, limit), kRunOk);
  const auto after = Decode();
  EXPECT_EQ(Files(after), "1:a.txt 2:b.txt");
  EXPECT_EQ(Postings(after).at("epsilon"), (Numbers{2}));
}

TEST_F(UpdateTest, RewritesOnlyThePartsAndWordListThatChange) {
  Write("a.txt", "alpha common");
  Write("b.txt", "beta");
  ASSERT_EQ(Pass(false), kRunOk);
  const Folder saved = IndexFiles();

  // Nothing new: the parts and the word list would be written byte for byte as they are.
  size_t since = disk_.operations().size();
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Rewritten(since), std::vector<std::string>{});
  EXPECT_TRUE(IndexFiles() == saved);  // no posting log left behind either

  // A new file of a known word ("alpha", part 12): its part alone.
  Write("c.txt", "alpha");
  since = disk_.operations().size();
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Rewritten(since), (std::vector<std::string>{"12.fnx", fmt::kFileIndexName}));
  EXPECT_EQ(Postings(Decode()).at("alpha"), (Numbers{1, 3}));

  // A new word: its part and the word list.
  Write("d.txt", "delta");
  const std::string delta_part = fmt::PartFileName(fmt::PartOf(platform::WordHash("delta")));
  since = disk_.operations().size();
  ASSERT_EQ(Pass(true), kRunOk);
  std::vector<std::string> expected{delta_part, "0.fnw", fmt::kFileIndexName};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Rewritten(since), expected);
  const auto index = Decode();
  EXPECT_EQ(Files(index), "1:a.txt 2:b.txt 3:c.txt 4:d.txt");
  EXPECT_EQ(Postings(index).at("delta"), (Numbers{4}));
  EXPECT_EQ(Postings(index).at("common"), (Numbers{1}));
}

TEST_F(UpdateTest, AStopWithoutSavingLeavesTheIndexAsItWas) {
  Write("a.txt", "alpha");
  ASSERT_EQ(Pass(false), kRunOk);
  const Folder saved = IndexFiles();
  Write("b.txt", "beta");
  // Stopped during the reload, which takes effect when the scan begins.
  ASSERT_EQ(Pass(true, [](PassSettings&, Recorder& recorder) { recorder.stop_at = 2; }),
            kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_TRUE(IndexFiles() == saved);  // no rebuilt posting log left behind
}

TEST_F(UpdateTest, APartOrWordListLaidOutOtherwiseIsWrittenAsSavingWritesIt) {
  Write("a.txt", "alpha");
  Write("b.txt", "beta gamma");
  ASSERT_EQ(Pass(false), kRunOk);
  const Folder saved = IndexFiles();
  // Two stray bytes behind part 12's last block, and the word list's first record moved to its
  // end: both still reload, and saving writes them in their usual form again.
  disk_.Put(IndexFolder() + "12.fnx", Read("12.fnx") + "\x7F\x7F");
  const std::string words = Read("0.fnw");
  const size_t first = static_cast<uint8_t>(words[0]);
  disk_.Put(IndexFolder() + "0.fnw", words.substr(first) + words.substr(0, first));
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Files(Decode()), "1:a.txt 2:b.txt");  // reloaded, not started afresh
  EXPECT_TRUE(IndexFiles() == saved);
}

TEST_F(UpdateTest, AnIndexRecordedIncompleteIsNotReloaded) {
  Write("a.txt", "alpha");
  Write("b.txt", "beta");
  ASSERT_EQ(Pass(false), kRunOk);
  Remove("a.txt");
  Write("c.txt", "gamma");
  // As a run killed while its files changed places leaves it: the files may be a mix.
  ASSERT_TRUE(disk_.WriteProfileString(work_ + kStatusFileName, "Indexed", "test", "0").ok());
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Files(Decode()), "1:b.txt 2:c.txt");
  EXPECT_EQ(Postings(Decode()).count("alpha"), 0u);
}

// A saved index of a.txt ("alpha") and b.txt ("beta"), changed before the update or read by an
// engine changed by `prepare`. "alpha" (hash 0x3266) is the only word of part 12, so its block
// ends that part.
struct Saved {
  testing::MemoryFileSystem* disk;
  std::string folder;  // the index folder
  std::string status;  // "storages.ini"
  std::string Read(const std::string& name) const { return disk->Get(folder + name); }
  void Write(const std::string& name, std::string bytes) {
    disk->Put(folder + name, std::move(bytes));
  }
  void Remove(const std::string& name) { disk->Delete(folder + name); }
  void Append(const std::string& name, const std::string& bytes) {
    Write(name, Read(name) + bytes);
  }
};
struct Damage {
  const char* name;
  std::function<void(Saved& index)> apply;
  Prepare prepare = nullptr;
};
void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.name; }

// A file record of `length` (the length field) with `path_bytes` bytes of path.
std::string Record(uint16_t length, uint16_t number, size_t path_bytes) {
  std::string record(14 + path_bytes, 'p');
  fmt::PutU16(reinterpret_cast<uint8_t*>(record.data()), length);
  fmt::PutU16(reinterpret_cast<uint8_t*>(record.data()) + 2, number);
  return record;
}
// Writes `bytes` over alpha's block in part 12, keeping the part up to `keep_after` bytes
// behind the block's start.
void AtAlpha(Saved& i, const std::string& bytes, size_t keep_after = std::string::npos) {
  std::string part = i.Read("12.fnx");
  const size_t at = fmt::GetU32(reinterpret_cast<const uint8_t*>(part.data()) + 4 * 614);
  part.replace(at, bytes.size(), bytes);
  i.Write("12.fnx", part.substr(0, keep_after == std::string::npos ? keep_after : at + keep_after));
}
void FileIndex(Saved& i, const std::string& bytes) { i.Append(fmt::kFileIndexName, bytes); }
void WordList(Saved& i, const std::string& bytes) { i.Append(fmt::kWordListName, bytes); }

const Damage kDamages[] = {
    {"None", [](Saved&) {}},  // the counterpart: a.txt stays, c.txt becomes 3
    {"NoIndexYet",
     [](Saved& i) {
       i.disk->Delete(i.status);
       i.disk->SetFilesIn(i.folder, {});
     }},
    {"IncompleteIndex",
     [](Saved& i) {  // killed while saving
       i.disk->WriteProfileString(i.status, "Indexed", "test", "0");
     }},
    {"NoFileIndex", [](Saved& i) { i.Remove(fmt::kFileIndexName); }},
    {"EmptyFileIndex", [](Saved& i) { i.Write(fmt::kFileIndexName, ""); }},
    {"RecordShorterThan14", [](Saved& i) { FileIndex(i, Record(13, 9, 6)); }},
    {"LoneLastByte", [](Saved& i) { FileIndex(i, "\x0E"); }},
    {"RecordPastTheEnd", [](Saved& i) { FileIndex(i, Record(30, 9, 5)); }},
    {"PathOf264Bytes", [](Saved& i) { FileIndex(i, Record(278, 9, 264)); }},
    {"FileNumber0", [](Saved& i) { FileIndex(i, Record(20, 0, 6)); }},
    {"FileNumberFFFF", [](Saved& i) { FileIndex(i, Record(20, 0xFFFF, 6)); }},
    {"NoPart", [](Saved& i) { i.Remove("5.fnx"); }},
    {"EmptyPart", [](Saved& i) { i.Write("5.fnx", ""); }},
    {"SkippedSlot", [](Saved& i) { AtAlpha(i, std::string("\x01\0\0\0\x01", 5)); }},
    {"PostingCount0", [](Saved& i) { AtAlpha(i, std::string(6, '\0'), 6); }},
    {"PostingsPastThePart", [](Saved& i) { AtAlpha(i, "\x02"); }},
    {"PostingCountTimes4Past32Bits", [](Saved& i) { AtAlpha(i, std::string("\x01\0\0\x40", 4)); }},
    {"SlotCutOff", [](Saved& i) { AtAlpha(i, "\x01", 5); }},
    {"NoWordList", [](Saved& i) { i.Remove(fmt::kWordListName); }},
    {"EmptyWordList", [](Saved& i) { i.Write(fmt::kWordListName, ""); }},
    {"WordListNamesAMissingSlot",
     [](Saved& i) {
       WordList(i, std::string("\x0A"
                               "alpha\x66\x32\x01\x00",
                               10));
     }},
    {"WordRecordShorterThan5", [](Saved& i) { WordList(i, std::string("\x04\0\0\0", 4)); }},
    {"WordRecordPastTheEnd",
     [](Saved& i) {
       WordList(i,
                "\x08"
                "ab");
     }},
    {"WordWithoutText",
     [](Saved& i) {  // the first record dropped
       const std::string words = i.Read(fmt::kWordListName);
       i.Write(fmt::kWordListName, words.substr(static_cast<uint8_t>(words[0])));
     }},
    {"FullWordPool", nullptr,
     [](PassSettings& settings, Recorder&) { settings.word_pool_size = 8; }},
};

class UpdateFallbackTest : public UpdateTest, public ::testing::WithParamInterface<Damage> {
 protected:
  void ApplyDamage() {
    Saved saved{&disk_, IndexFolder(), work_ + kStatusFileName};
    if (GetParam().apply) GetParam().apply(saved);
  }
};

TEST_P(UpdateFallbackTest, BuildsAFreshIndexNumberedFrom1) {
  Write("a.txt", "alpha");
  Write("b.txt", "beta");
  ASSERT_EQ(Pass(false), kRunOk);
  ApplyDamage();
  Remove("a.txt");
  Write("c.txt", "gamma");
  ASSERT_EQ(Pass(true, GetParam().prepare), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  const bool reloaded = std::string(GetParam().name) == "None";
  // A reloaded index forgets the file that is gone, and its number is not given again.
  EXPECT_EQ(Files(Decode()), reloaded ? "2:b.txt 3:c.txt" : "1:b.txt 2:c.txt");
  EXPECT_EQ(Postings(Decode()).count("alpha"), 0u);
}

TEST_P(UpdateFallbackTest, ReloadingBesideTheWalkWritesWhatReloadingFirstWrites) {
  Write("a.txt", "alpha");
  Write("b.txt", "beta");
  ASSERT_EQ(Pass(false), kRunOk);
  ApplyDamage();
  // Nothing changed (the reload is waited for at the end of the walk), then a new file (at
  // the first file indexed).
  for (const bool add : {false, true}) {
    if (add) Write("c.txt", "gamma");
    EXPECT_EQ(BothOrders(GetParam().prepare), "") << (add ? "c.txt added" : "nothing changed");
  }
}

INSTANTIATE_TEST_SUITE_P(Damages, UpdateFallbackTest, ::testing::ValuesIn(kDamages),
                         [](const auto& p) { return std::string(p.param.name); });

// The reload fuzz target's seeds as saved indexes, cut short at a few places in part 0 and the
// word list (which fails the reload once the walk has begun), and a Stop during the reload.
TEST_F(UpdateTest, DamagedSeedsAndAStopGiveTheFilesOfReloadingFirst) {
  Write("a.txt", "alpha beta");
  std::vector<std::string> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(ORU_FUZZ_CORPUS)) {
    if (entry.path().filename() != "README.md") {
      seeds.push_back(testing::ReadFile(entry.path().string()));
    }
  }
  ASSERT_FALSE(seeds.empty());
  const std::string empty_part(fmt::kBucketTableSize, '\0');
  for (const std::string& seed : seeds) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(seed.data());
    const size_t files = fmt::GetU16(bytes);
    const size_t part = fmt::GetU16(bytes + 2);
    ASSERT_LE(4 + files + part, seed.size());
    const std::string words = seed.substr(4 + files + part);
    for (const size_t cut : {size_t{0}, part / 2, part - 1, part, part + words.size() / 2}) {
      Folder index = {{fmt::kFileIndexName, seed.substr(4, files)},
                      {"0.fnx", seed.substr(4 + files, std::min(cut, part))},
                      {fmt::kWordListName, words.substr(0, cut - std::min(cut, part))}};
      for (int p = 1; p < fmt::kPartCount; ++p) index[fmt::PartFileName(p)] = empty_part;
      disk_.SetFilesIn(IndexFolder(), index);
      disk_.WriteProfileString(work_ + kStatusFileName, "Indexed", "test", "1");
      EXPECT_EQ(BothOrders(), "") << "cut at " << cut;
    }
  }
  ASSERT_EQ(Pass(false), kRunOk);
  for (const bool save : {false, true}) {
    EXPECT_EQ(BothOrders([save](PassSettings&, Recorder& recorder) {
                recorder.stop_at = 1;  // before the parts are read
                recorder.save = save;
              }),
              "")
        << (save ? "stopped, saving" : "stopped");
  }
}

}  // namespace
}  // namespace oru
