// Updating an index through TIndexer::Run, with the real folder plug-in and the plain-text
// parser: what an update keeps, adds and skips, and every way back to a fresh index.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "indexer/engine/index_format.h"
#include "indexer/engine/indexer.h"
#include "indexer/engine/stored_files.h"
#include "indexer/engine/work_folders.h"
#include "platform/dynlib.h"
#include "platform/files.h"
#include "platform/find.h"
#include "platform/ini.h"
#include "platform/md5.h"
#include "platform/scoped_env.h"
#include "tests/support/index_reader.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_config.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
namespace fmt = index_format;
using testing::ReadFile;
using testing::WriteFile;
using testing::WriteOldFile;
using Numbers = std::vector<uint16_t>;

const std::string kBin = std::string(ORU_BIN_DIR) + "/";

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

class UpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::PrepareTextWork(work_, runtime_.path(), kBin);
  }

  // One pass, "Updating" = "1" when `updating`; `prepare` may adjust its settings and the
  // recorder (its window) first.
  int Pass(bool updating, const Prepare& prepare = nullptr, const std::string& name = "test") {
    WriteFile(dir_ / "job.ini", "[Header]\nName=" + name + "\nUpdating=" +
                                    (updating ? "1" : "0") + "\n[Folders]\nDir0=" + corpus_ + "\n");
    PassSettings settings = testing::PassSettingsFor(work_, dir_ / "job.ini");
    recorder_ = std::make_unique<Recorder>();
    if (prepare) prepare(settings, *recorder_);
    PassView view;
    view.files_indexed = recorder_.get();
    view.pump = recorder_.get();
    auto indexer = std::make_unique<TIndexer>(settings, view);
    recorder_->indexer = indexer.get();
    return indexer->Run();
  }

  std::string Indexed() {
    return platform::ProfileFile::Open(work_ + kStatusFileName).GetString("Indexed", "test", "-");
  }

  testing::DecodedIndex Decode() {
    testing::DecodedIndex index;
    EXPECT_EQ(testing::DecodeIndex(index_, &index), "");
    return index;
  }

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

  std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(index_, missing)) {
      files[entry.path().string()] = ReadFile(entry.path().string());
    }
    return files;
  }

  // Runs the same update from the same folder twice, reloading first and beside the walk;
  // names what differs between the two (files, "Indexed", the result), or "".
  std::string BothOrders(const Prepare& prepare = nullptr) {
    const auto before = Snapshot();
    const std::string indexed = Indexed();
    std::map<std::string, std::string> after[2];
    std::string state[2];
    for (const bool beside : {false, true}) {
      fs::remove_all(index_);
      fs::create_directories(index_);
      for (const auto& [path, bytes] : before) WriteFile(path, bytes);
      fs::remove(work_ + kStatusFileName);
      if (indexed != "-") {
        platform::ProfileFile::Open(work_ + kStatusFileName).WriteString("Indexed", "test", indexed);
      }
      const int result = Pass(true, [&](PassSettings& settings, Recorder& recorder) {
        settings.reload_beside_walk = beside;
        if (prepare) prepare(settings, recorder);
      });
      after[beside] = Snapshot();
      state[beside] = std::to_string(result) + " Indexed=" + Indexed();
    }
    if (state[0] != state[1]) return "first: " + state[0] + ", beside: " + state[1];
    std::string differ;
    for (const bool beside : {false, true}) {
      for (const auto& [path, bytes] : after[beside]) {
        const auto other = after[!beside].find(path);
        if (other == after[!beside].end() || other->second != bytes) differ += path + " ";
      }
    }
    return differ;
  }

  testing::TempDir dir_;
  testing::TempDir runtime_;
  const std::string work_ = dir_ / "work/";
  const std::string index_ = work_ + "Storages/test/";
  const std::string corpus_ = dir_ / "corpus/";
  std::unique_ptr<Recorder> recorder_;
};

// Stored times count in 2-second steps: a file edited within the step in which the run read it
// keeps its size and time, so an update reads such a file again instead of trusting them.
TEST_F(UpdateTest, AnEditWithinTheStoredTimesStepIsSeenByTheNextUpdate) {
  WriteOldFile(corpus_ + "old.txt", "steady words");
  WriteFile(corpus_ + "a.txt", "alpha beta");
  ASSERT_EQ(Pass(false), kRunOk);
  const auto written = fs::last_write_time(corpus_ + "a.txt");
  WriteFile(corpus_ + "a.txt", "gamma beta");  // the same size
  fs::last_write_time(corpus_ + "a.txt", written);
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
  WriteOldFile(corpus_ + "a.txt", "alpha common");
  WriteOldFile(corpus_ + "b.txt", "beta common");
  WriteOldFile(corpus_ + "c.txt", "gamma");
  ASSERT_EQ(Pass(false), kRunOk);
  const auto before = Decode();
  const std::string old_records = ReadFile(index_ + fmt::kFileIndexName);

  WriteOldFile(corpus_ + "b.txt", "beta epsilon common");  // a new size
  fs::last_write_time(corpus_ + "c.txt", fs::last_write_time(corpus_ + "c.txt") - std::chrono::hours(2));
  WriteOldFile(corpus_ + "d.txt", "delta common");
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
  std::string records = ReadFile(index_ + fmt::kFileIndexName);
  for (int f = 1; f <= 2; ++f) {
    uint32_t size = 0, time = 0;
    ASSERT_TRUE(platform::GetFileSizeAndTime(before.files[f].path, &size, &time));
    EXPECT_EQ(after.files[f].size, size);
    EXPECT_EQ(after.files[f].time, time);
    const size_t at = f * (14 + corpus_.size() + 5);
    records.replace(at + 6, 8, old_records.substr(at + 6, 8));
  }
  EXPECT_NE(after.files[2].time, before.files[2].time);
  EXPECT_EQ(records, old_records + records.substr(old_records.size()));

  // So the next update finds nothing changed, skips everything and saves the same bytes.
  const auto saved = Snapshot();
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(recorder_->captions, (std::vector<std::string>{"1", "2", "3", "4", "4"}));
  EXPECT_EQ(Snapshot(), saved);
}

TEST_F(UpdateTest, TheNumberOfAFileThatIsGoneIsNotGivenAgainBeforeAFreshPass) {
  WriteOldFile(corpus_ + "a.txt", "alpha");
  WriteOldFile(corpus_ + "b.txt", "beta");
  ASSERT_EQ(Pass(false), kRunOk);
  fs::remove(corpus_ + "b.txt");
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Files(Decode()), "1:a.txt");
  WriteOldFile(corpus_ + "c.txt", "gamma");
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Files(Decode()), "1:a.txt 3:c.txt");
  ASSERT_EQ(Pass(false), kRunOk);
  EXPECT_EQ(Files(Decode()), "1:a.txt 2:c.txt");
}

// Only a new file needs a number: at the limit an update still indexes changed files again.
TEST_F(UpdateTest, TheFileLimitStopsTheWalkWithALineAndKeepsChangedFiles) {
  WriteOldFile(corpus_ + "a.txt", "alpha");
  WriteOldFile(corpus_ + "b.txt", "beta");
  WriteOldFile(corpus_ + "sub/c.txt", "gamma");
  const auto limit = [](PassSettings& settings, Recorder&) { settings.file_limit = 2; };
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(Pass(false, limit), kRunOk);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Tamsel: the index holds the most files it can (2); the walk stopped in " + corpus_ +
                "sub" + platform::kPathSeparator + ", and the files after that point are not "
                "indexed\n");
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Files(Decode()), "1:a.txt 2:b.txt");

  WriteOldFile(corpus_ + "b.txt", "beta epsilon");
  ASSERT_EQ(Pass(true, limit), kRunOk);
  const auto after = Decode();
  EXPECT_EQ(Files(after), "1:a.txt 2:b.txt");
  EXPECT_EQ(Postings(after).at("epsilon"), (Numbers{2}));
}

// Index files dated two days back, so that a rewritten one shows by its time.
void Backdate(const std::string& index) {
  for (const auto& entry : fs::directory_iterator(index)) {
    fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::hours(48));
  }
}
// The index files written since Backdate, by name.
std::vector<std::string> Rewritten(const std::string& index) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(index)) {
    if (fs::last_write_time(entry.path()) > fs::file_time_type::clock::now() - std::chrono::hours(1)) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(UpdateTest, RewritesOnlyThePartsAndWordListThatChange) {
  WriteOldFile(corpus_ + "a.txt", "alpha common");
  WriteOldFile(corpus_ + "b.txt", "beta");
  ASSERT_EQ(Pass(false), kRunOk);
  const auto saved = Snapshot();

  // Nothing new: the parts and the word list would be written byte for byte as they are.
  Backdate(index_);
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Rewritten(index_), std::vector<std::string>{});
  EXPECT_EQ(Snapshot(), saved);  // no posting log left behind either

  // A new file of a known word ("alpha", part 12): its part alone.
  WriteOldFile(corpus_ + "c.txt", "alpha");
  Backdate(index_);
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Rewritten(index_), (std::vector<std::string>{"12.fnx", fmt::kFileIndexName}));
  EXPECT_EQ(Postings(Decode()).at("alpha"), (Numbers{1, 3}));

  // A new word: its part and the word list.
  WriteOldFile(corpus_ + "d.txt", "delta");
  const std::string delta_part = fmt::PartFileName(fmt::PartOf(platform::WordHash("delta")));
  Backdate(index_);
  ASSERT_EQ(Pass(true), kRunOk);
  std::vector<std::string> expected{delta_part, "0.fnw", fmt::kFileIndexName};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Rewritten(index_), expected);
  const auto index = Decode();
  EXPECT_EQ(Files(index), "1:a.txt 2:b.txt 3:c.txt 4:d.txt");
  EXPECT_EQ(Postings(index).at("delta"), (Numbers{4}));
  EXPECT_EQ(Postings(index).at("common"), (Numbers{1}));
}

TEST_F(UpdateTest, AStopWithoutSavingLeavesTheIndexAsItWas) {
  WriteOldFile(corpus_ + "a.txt", "alpha");
  ASSERT_EQ(Pass(false), kRunOk);
  const auto saved = Snapshot();
  WriteOldFile(corpus_ + "b.txt", "beta");
  // Stopped during the reload, which takes effect when the scan begins.
  ASSERT_EQ(Pass(true, [](PassSettings&, Recorder& recorder) { recorder.stop_at = 2; }),
            kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Snapshot(), saved);  // no rebuilt posting log left behind
}

TEST_F(UpdateTest, APartOrWordListLaidOutOtherwiseIsWrittenAsSavingWritesIt) {
  WriteOldFile(corpus_ + "a.txt", "alpha");
  WriteOldFile(corpus_ + "b.txt", "beta gamma");
  ASSERT_EQ(Pass(false), kRunOk);
  const auto saved = Snapshot();
  // Two stray bytes behind part 12's last block, and the word list's first record moved to its
  // end: both still reload, and saving writes them in their usual form again.
  WriteFile(index_ + "12.fnx", ReadFile(index_ + "12.fnx") + "\x7F\x7F");
  const std::string words = ReadFile(index_ + "0.fnw");
  const size_t first = static_cast<uint8_t>(words[0]);
  WriteFile(index_ + "0.fnw", words.substr(first) + words.substr(0, first));
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Files(Decode()), "1:a.txt 2:b.txt");  // reloaded, not started afresh
  EXPECT_EQ(Snapshot(), saved);
}

TEST_F(UpdateTest, AnIndexRecordedIncompleteIsNotReloaded) {
  WriteOldFile(corpus_ + "a.txt", "alpha");
  WriteOldFile(corpus_ + "b.txt", "beta");
  ASSERT_EQ(Pass(false), kRunOk);
  fs::remove(corpus_ + "a.txt");
  WriteOldFile(corpus_ + "c.txt", "gamma");
  // As a run killed while its files changed places leaves it: the files may be a mix.
  platform::ProfileFile status = platform::ProfileFile::Open(work_ + kStatusFileName);
  ASSERT_EQ(status.WriteString("Indexed", "test", "0"), platform::Result::kOk);
  ASSERT_EQ(Pass(true), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  EXPECT_EQ(Files(Decode()), "1:b.txt 2:c.txt");
  EXPECT_EQ(Postings(Decode()).count("alpha"), 0u);
}

// A saved index of a.txt ("alpha") and b.txt ("beta"), changed before the update or read by an
// engine changed by `prepare`. "alpha" (hash 0x3266) is the only word of part 12, so its block
// ends that part.
struct Damage {
  const char* name;
  std::function<void(const std::string& index)> apply;
  Prepare prepare = nullptr;
};
void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.name; }

void Append(const std::string& path, const std::string& bytes) { WriteFile(path, ReadFile(path) + bytes); }
void Poke(const std::string& path, size_t at, const std::string& bytes, size_t keep = std::string::npos) {
  std::string data = ReadFile(path);
  WriteFile(path, data.replace(at, bytes.size(), bytes).substr(0, keep));
}
// A file record of `length` (the length field) with `path_bytes` bytes of path.
std::string Record(uint16_t length, uint16_t number, size_t path_bytes) {
  std::string record(14 + path_bytes, 'p');
  fmt::PutU16(reinterpret_cast<uint8_t*>(record.data()), length);
  fmt::PutU16(reinterpret_cast<uint8_t*>(record.data()) + 2, number);
  return record;
}
void AtAlpha(const std::string& index, const std::string& bytes, size_t keep_after = std::string::npos) {
  const std::string part = index + "12.fnx";
  const size_t at = fmt::GetU32(reinterpret_cast<const uint8_t*>(ReadFile(part).data()) + 4 * 614);
  Poke(part, at, bytes, keep_after == std::string::npos ? keep_after : at + keep_after);
}
void FileIndex(const std::string& i, const std::string& bytes) { Append(i + fmt::kFileIndexName, bytes); }
void WordList(const std::string& i, const std::string& bytes) { Append(i + fmt::kWordListName, bytes); }

const Damage kDamages[] = {
    {"None", [](const std::string&) {}},  // the counterpart: a.txt stays, c.txt becomes 3
    {"NoIndexYet", [](const std::string& i) {
       fs::remove(i + "../../" + kStatusFileName);
       fs::remove_all(i);
     }},
    {"IncompleteIndex", [](const std::string& i) {  // killed while saving
       platform::ProfileFile::Open(i + "../../" + kStatusFileName).WriteString("Indexed", "test", "0");
     }},
    {"NoFileIndex", [](const std::string& i) { fs::remove(i + fmt::kFileIndexName); }},
    {"EmptyFileIndex", [](const std::string& i) { WriteFile(i + fmt::kFileIndexName, ""); }},
    {"RecordShorterThan14", [](const std::string& i) { FileIndex(i, Record(13, 9, 6)); }},
    {"LoneLastByte", [](const std::string& i) { FileIndex(i, "\x0E"); }},
    {"RecordPastTheEnd", [](const std::string& i) { FileIndex(i, Record(30, 9, 5)); }},
    {"PathOf264Bytes", [](const std::string& i) { FileIndex(i, Record(278, 9, 264)); }},
    {"FileNumber0", [](const std::string& i) { FileIndex(i, Record(20, 0, 6)); }},
    {"FileNumberFFFF", [](const std::string& i) { FileIndex(i, Record(20, 0xFFFF, 6)); }},
    {"NoPart", [](const std::string& i) { fs::remove(i + "5.fnx"); }},
    {"EmptyPart", [](const std::string& i) { WriteFile(i + "5.fnx", ""); }},
    {"SkippedSlot", [](const std::string& i) { AtAlpha(i, std::string("\x01\0\0\0\x01", 5)); }},
    {"PostingCount0", [](const std::string& i) { AtAlpha(i, std::string(6, '\0'), 6); }},
    {"PostingsPastThePart", [](const std::string& i) { AtAlpha(i, "\x02"); }},
    {"PostingCountTimes4Past32Bits", [](const std::string& i) { AtAlpha(i, std::string("\x01\0\0\x40", 4)); }},
    {"SlotCutOff", [](const std::string& i) { AtAlpha(i, "\x01", 5); }},
    {"NoWordList", [](const std::string& i) { fs::remove(i + fmt::kWordListName); }},
    {"EmptyWordList", [](const std::string& i) { WriteFile(i + fmt::kWordListName, ""); }},
    {"WordListNamesAMissingSlot", [](const std::string& i) { WordList(i, std::string("\x0A" "alpha\x66\x32\x01\x00", 10)); }},
    {"WordRecordShorterThan5", [](const std::string& i) { WordList(i, std::string("\x04\0\0\0", 4)); }},
    {"WordRecordPastTheEnd", [](const std::string& i) { WordList(i, "\x08" "ab"); }},
    {"WordWithoutText", [](const std::string& i) {  // the first record dropped
       const std::string words = ReadFile(i + fmt::kWordListName);
       WriteFile(i + fmt::kWordListName, words.substr(static_cast<uint8_t>(words[0])));
     }},
    {"FullWordPool", nullptr, [](PassSettings& settings, Recorder&) { settings.word_pool_size = 8; }},
};

class UpdateFallbackTest : public UpdateTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(UpdateFallbackTest, BuildsAFreshIndexNumberedFrom1) {
  WriteOldFile(corpus_ + "a.txt", "alpha");
  WriteOldFile(corpus_ + "b.txt", "beta");
  ASSERT_EQ(Pass(false), kRunOk);
  if (GetParam().apply) GetParam().apply(index_);
  fs::remove(corpus_ + "a.txt");
  WriteOldFile(corpus_ + "c.txt", "gamma");
  ASSERT_EQ(Pass(true, GetParam().prepare), kRunOk);
  EXPECT_EQ(Indexed(), "1");
  const bool reloaded = std::string(GetParam().name) == "None";
  // A reloaded index forgets the file that is gone, and its number is not given again.
  EXPECT_EQ(Files(Decode()), reloaded ? "2:b.txt 3:c.txt" : "1:b.txt 2:c.txt");
  EXPECT_EQ(Postings(Decode()).count("alpha"), 0u);
}

TEST_P(UpdateFallbackTest, ReloadingBesideTheWalkWritesWhatReloadingFirstWrites) {
  WriteOldFile(corpus_ + "a.txt", "alpha");
  WriteOldFile(corpus_ + "b.txt", "beta");
  ASSERT_EQ(Pass(false), kRunOk);
  if (GetParam().apply) GetParam().apply(index_);
  // Nothing changed (the reload is waited for at the end of the walk), then a new file (at
  // the first file indexed).
  for (const bool add : {false, true}) {
    if (add) WriteOldFile(corpus_ + "c.txt", "gamma");
    EXPECT_EQ(BothOrders(GetParam().prepare), "") << (add ? "c.txt added" : "nothing changed");
  }
}

INSTANTIATE_TEST_SUITE_P(Damages, UpdateFallbackTest, ::testing::ValuesIn(kDamages),
                         [](const auto& p) { return std::string(p.param.name); });

// The reload fuzz target's seeds as saved indexes, cut short at a few places in part 0 and the
// word list (which fails the reload once the walk has begun), and a Stop during the reload.
TEST_F(UpdateTest, DamagedSeedsAndAStopGiveTheFilesOfReloadingFirst) {
  WriteOldFile(corpus_ + "a.txt", "alpha beta");
  std::vector<std::string> seeds;
  for (const auto& entry : fs::directory_iterator(ORU_FUZZ_CORPUS)) {
    if (entry.path().filename() != "README.md") seeds.push_back(ReadFile(entry.path().string()));
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
      fs::remove_all(index_);
      WriteFile(index_ + fmt::kFileIndexName, seed.substr(4, files));
      WriteFile(index_ + "0.fnx", seed.substr(4 + files, std::min(cut, part)));
      for (int p = 1; p < fmt::kPartCount; ++p) WriteFile(index_ + fmt::PartFileName(p), empty_part);
      WriteFile(index_ + fmt::kWordListName, words.substr(0, cut - std::min(cut, part)));
      platform::ProfileFile::Open(work_ + kStatusFileName).WriteString("Indexed", "test", "1");
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
