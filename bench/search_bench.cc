// Queries per second of the search tool's index reader: one-word and three-word queries, each
// over every word of the index and over its most common words, and the cost of opening an index
// (what every `oru search` pays first). The index is built once, by Tamsel with the test
// parser plug-in, from a generated corpus of text files whose words follow a Zipf law;
// ORU_BENCH_INDEX=FOLDER benchmarks an existing index folder instead.
//
// The BM_Group benchmarks search a group of four indexes of 60,000 Word documents and MP3 files
// each (the benchmark corpus, four seeds), built once by Tamsel with the real plug-ins: a
// one-word query over the group as oru search makes it (the hits of every index; the first 50,
// the ones it lists, checked against their files), without fragments and with fragments for
// those 50, and opening the group. ORU_BENCH_GROUP=FOLDER keeps the corpora and indexes there and reuses them.
// The query language over the group: boolean queries of 2 to 8 terms of common words (OR, NOT,
// parentheses), prefixes that match about 1,000 words of an index, and a phrase whose words are
// together in about 100 files, each of which its parser reads.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "indexer/engine/index_format.h"
#include "bench/corpus.h"
#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/process.h"
#include "tools/oru/fragment.h"
#include "tools/oru/group.h"
#include "tools/oru/index_reader.h"
#include "platform/codepage.h"
#include "tools/oru/query/parse.h"
#include "tools/oru/text.h"
#include "tools/oru/search.h"

namespace {

namespace fs = std::filesystem;
namespace fmt = oru::index_format;
using oru::tool::IndexReader;

constexpr int kFiles = 3000;
constexpr int kVocabulary = 40000;
constexpr int kMinWords = 100;
constexpr int kMaxWords = 2000;
constexpr size_t kCommonWords = 100;

// A pseudo-word for a rank: letters only, at least 5 of them, never a stop word or junk.
std::string WordOfRank(int rank) {
  std::string word = "zq";
  for (int r = rank; word.size() < 5 || r > 0; r /= 26) word += static_cast<char>('a' + r % 26);
  return word;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Writes the corpus and has Tamsel index it; the index folder, or empty on failure.
std::string BuildIndex(const std::string& root) {
  const std::string bin = ORU_BIN_DIR "/";
  const std::string corpus = root + "corpus/";
  std::mt19937_64 rng(20240501);
  std::vector<double> cdf(kVocabulary);
  double sum = 0;
  for (int r = 0; r < kVocabulary; ++r) cdf[static_cast<size_t>(r)] = sum += 1.0 / (r + 1);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int f = 0; f < kFiles; ++f) {
    const std::string folder = corpus + "d" + std::to_string(f % 50) + "/";
    fs::create_directories(folder);
    const double u = unit(rng);
    const int words = kMinWords + static_cast<int>((kMaxWords - kMinWords) * u * u);
    std::string text;
    for (int w = 0; w < words; ++w) {
      const auto it = std::lower_bound(cdf.begin(), cdf.end(), unit(rng) * sum);
      text += WordOfRank(static_cast<int>(it - cdf.begin()));
      text += (w % 12 == 11) ? ".\n" : " ";
    }
    WriteText(folder + "f" + std::to_string(f) + ".txt", text);
  }
  const std::string work = root + "data/Pellimar/ORU/";
  fs::create_directories(work);
  fs::create_directories(root + "run");
  WriteText(work + "ORU.ini", "[Files]\nText=" + bin + "TextParser.so\n[Storages]\nFolders=" + bin +
                                  "Ferrow.so\n[Folders]\n1=Text\n");
  WriteText(root + "job.ini", "[Header]\nName=bench\n[Folders]\nDir0=" + corpus + "\n");
  setenv("XDG_DATA_HOME", (root + "data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (root + "run").c_str(), 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  oru::platform::ProgramExit exit;
  if (oru::platform::RunProgram({bin + "Tamsel", root + "job.ini"}, &exit) !=
          oru::platform::Result::kOk ||
      !exit.exited || exit.status != 0) {
    return "";
  }
  return work + "Storages/bench/";
}

struct Fixture {
  std::string temp;  // removed at the end when the index was built here
  IndexReader reader;
  std::string folder;
  std::vector<std::string> words;   // every word of the index, shuffled
  std::vector<std::string> common;  // the words held by the most files

  ~Fixture() {
    std::error_code ignored;
    if (!temp.empty()) fs::remove_all(temp, ignored);
  }
};

// The words of the index in `folder` (open in `reader`), shuffled, into `words`, and the
// kCommonWords held by the most files into `common`; returns the files of the most common one.
size_t ReadWords(const std::string& folder, IndexReader* reader, std::vector<std::string>* words,
                 std::vector<std::string>* common) {
  std::string list;
  oru::platform::ReadWholeFile(folder + fmt::kWordListName, &list);
  const auto* bytes = reinterpret_cast<const uint8_t*>(list.data());
  fmt::WordListEntry entry;
  size_t length = 0;
  for (size_t pos = 0; fmt::DecodeWordRecord(bytes + pos, list.size() - pos, &entry, &length);
       pos += length) {
    words->emplace_back(entry.word);
  }
  std::vector<std::pair<size_t, std::string>> by_files;
  std::vector<uint16_t> files;
  std::string error;
  for (const std::string& word : *words) {
    reader->FilesWithWord(word, &files, &error);
    by_files.emplace_back(files.size(), word);
  }
  std::sort(by_files.rbegin(), by_files.rend());
  for (size_t i = 0; i < std::min(kCommonWords, by_files.size()); ++i) {
    common->push_back(by_files[i].second);
  }
  std::shuffle(words->begin(), words->end(), std::mt19937_64(7));
  return by_files.empty() ? size_t{0} : by_files[0].first;
}

bool Prepare(Fixture* fixture) {
  if (const char* given = std::getenv("ORU_BENCH_INDEX")) {
    fixture->folder = given;
    if (fixture->folder.back() != '/') fixture->folder += '/';
  } else {
    std::string pattern = (fs::temp_directory_path() / "oru-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return false;
    fixture->temp = pattern + "/";
    const auto start = std::chrono::steady_clock::now();
    fixture->folder = BuildIndex(fixture->temp);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::fprintf(stderr, "\nindexed %d generated text files in %.1f s\n", kFiles, took.count());
  }
  std::string error;
  if (fixture->folder.empty() || !fixture->reader.Open(fixture->folder, false, &error)) {
    std::fprintf(stderr, "no index to search: %s\n", error.c_str());
    return false;
  }
  const size_t most = ReadWords(fixture->folder, &fixture->reader, &fixture->words,
                                &fixture->common);
  std::fprintf(stderr, "index %s: %zu files, %zu words; the most common word is in %zu files\n",
               fixture->folder.c_str(), fixture->reader.file_count(), fixture->words.size(),
               most);
  return !fixture->words.empty();
}

Fixture* Get() {
  static Fixture fixture;
  static const bool ready = Prepare(&fixture);
  return ready ? &fixture : nullptr;
}

// range(0): the number of words per query; range(1): 0 draws them from every word, 1 from the
// most common ones.
void BM_Query(benchmark::State& state) {
  Fixture* fixture = Get();
  if (fixture == nullptr) {
    state.SkipWithError("no index");
    return;
  }
  const std::vector<std::string>& pool = state.range(1) == 0 ? fixture->words : fixture->common;
  const auto per_query = static_cast<size_t>(state.range(0));
  std::vector<std::string> query(per_query);
  std::vector<uint16_t> files;
  std::string error;
  size_t next = 0;
  int64_t hits = 0;
  for (auto _ : state) {
    for (std::string& word : query) word = pool[next++ % pool.size()];
    if (!fixture->reader.FilesWithAllWords(query, &files, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    hits += static_cast<int64_t>(files.size());
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["files_per_query"] =
      static_cast<double>(hits) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
}
BENCHMARK(BM_Query)
    ->ArgNames({"words", "common"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({3, 0})
    ->Args({3, 1});

// Opening reads and checks the file index and the word list.
void BM_OpenIndex(benchmark::State& state) {
  Fixture* fixture = Get();
  if (fixture == nullptr) {
    state.SkipWithError("no index");
    return;
  }
  std::string error;
  for (auto _ : state) {
    IndexReader reader;
    benchmark::DoNotOptimize(reader.Open(fixture->folder, false, &error));
  }
}
BENCHMARK(BM_OpenIndex)->Unit(benchmark::kMillisecond);

// ---- A group of four indexes of 60,000 files each ----

constexpr int kGroupParts = 4;
constexpr int kGroupDocuments = 50000;
constexpr int kGroupMp3 = 10000;
constexpr size_t kListLimit = 50;  // oru search's default --limit

struct GroupFixture {
  std::string temp;  // removed at the end when the group was built here
  std::string work;
  std::vector<std::unique_ptr<IndexReader>> readers;
  std::vector<std::string> words;   // the words of the first index, shuffled
  std::vector<std::string> common;  // the words held by the most files of the first index
  std::unique_ptr<oru::tool::FragmentMaker> fragments;

  ~GroupFixture() {
    fragments.reset();
    std::error_code ignored;
    if (!temp.empty()) fs::remove_all(temp, ignored);
  }
};

// Generates the four corpora and has Tamsel index each into one index of the group "bench".
bool BuildGroup(const std::string& root, const std::string& work) {
  const std::string bin = ORU_BIN_DIR "/";
  fs::create_directories(work + "Storages");
  fs::create_directories(root + "run");
  if (!oru::WriteDefaultConfig(work + "ORU.ini", bin)) return false;
  oru::tool::IndexGroup group{"bench", {}, {}, {}};
  for (int part = 0; part < kGroupParts; ++part) {
    oru::bench::CorpusOptions options;
    options.seed += static_cast<uint64_t>(part);
    options.word_documents = kGroupDocuments;
    options.mp3_files = kGroupMp3;
    options.folders = 600;
    options.min_words = 20;
    options.max_words = 300;
    const std::string corpus = root + "corpus" + std::to_string(part + 1);
    const auto start = std::chrono::steady_clock::now();
    const oru::bench::CorpusStats stats = oru::bench::GenerateCorpus(options, corpus);
    if (!stats.ok) {
      std::fprintf(stderr, "corpus: %s\n", stats.error.c_str());
      return false;
    }
    const std::string name = part == 0 ? "bench" : "bench." + std::to_string(part + 1);
    WriteText(work + name + ".job.ini",
              "[Header]\nName=" + name + "\n[Folders]\nDir0=" + corpus + "\n");
    oru::platform::ProgramExit exit;
    if (oru::platform::RunProgram({bin + "Tamsel", work + name + ".job.ini"}, &exit) !=
            oru::platform::Result::kOk ||
        !exit.exited || exit.status != 0) {
      return false;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::fprintf(stderr, "index %s: %llu files generated and indexed in %.1f s\n", name.c_str(),
                 static_cast<unsigned long long>(stats.files), took.count());
    group.folders.push_back(corpus);
    group.parts.push_back(name);
  }
  std::string error;
  return oru::tool::WriteGroup(work, group, &error);
}

bool PrepareGroup(GroupFixture* fixture) {
  std::string root;
  if (const char* given = std::getenv("ORU_BENCH_GROUP")) {
    root = given;
    if (root.back() != '/') root += '/';
  } else {
    std::string pattern = (fs::temp_directory_path() / "oru-group-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return false;
    root = fixture->temp = pattern + "/";
  }
  fixture->work = root + "data/Pellimar/ORU/";
  setenv("XDG_DATA_HOME", (root + "data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (root + "run").c_str(), 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  if (!fs::exists(oru::tool::GroupsFilePath(fixture->work)) &&
      !BuildGroup(root, fixture->work)) {
    std::fprintf(stderr, "could not build the group in %s\n", root.c_str());
    return false;
  }
  std::string error;
  for (const std::string& part : oru::tool::IndexesOf(fixture->work, "bench")) {
    fixture->readers.push_back(std::make_unique<IndexReader>());
    if (!fixture->readers.back()->Open(fixture->work + "Storages/" + part + "/", false, &error)) {
      std::fprintf(stderr, "no index to search: %s\n", error.c_str());
      return false;
    }
  }
  ReadWords(fixture->work + "Storages/bench/", fixture->readers[0].get(), &fixture->words,
            &fixture->common);
  fixture->fragments = std::make_unique<oru::tool::FragmentMaker>();
  if (!fixture->fragments->Load(fixture->work, "Folders")) return false;
  size_t total = 0;
  for (const auto& reader : fixture->readers) total += reader->file_count();
  std::fprintf(stderr, "group of %zu indexes, %zu files; the first index has %zu words\n",
               fixture->readers.size(), total, fixture->words.size());
  return !fixture->words.empty();
}

GroupFixture* GetGroup() {
  static GroupFixture fixture;
  static const bool ready = PrepareGroup(&fixture);
  return ready ? &fixture : nullptr;
}

// range(0): 0 draws the word from every word, 1 from the most common ones; range(1): 1 makes
// fragments for the hits listed (the first 50 whose files are there), as oru search does by
// default.
void BM_GroupQuery(benchmark::State& state) {
  GroupFixture* fixture = GetGroup();
  if (fixture == nullptr) {
    state.SkipWithError("no group");
    return;
  }
  const std::vector<std::string>& pool = state.range(0) == 0 ? fixture->words : fixture->common;
  const bool with_fragments = state.range(1) == 1;
  std::vector<std::string> query(1);
  std::vector<oru::tool::SearchHit> hits;
  std::string error;
  std::string fragment;
  size_t next = 0;
  int64_t found = 0;
  for (auto _ : state) {
    query[0] = pool[next++ % pool.size()];
    if (!oru::tool::FindHits(fixture->readers, query, &hits, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    found += static_cast<int64_t>(hits.size());
    // The hits listed are checked against their files, and get their fragments.
    size_t listed = 0;
    for (const oru::tool::SearchHit& hit : hits) {
      if (listed == kListLimit) break;
      if (oru::tool::StateOf(*hit.file) == oru::tool::HitState::kGone) continue;
      if (with_fragments) fixture->fragments->Fragment(hit.file->path, query, &fragment);
      ++listed;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["files_per_query"] =
      static_cast<double>(found) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
}
BENCHMARK(BM_GroupQuery)
    ->ArgNames({"common", "fragments"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

// A word of the index (in the code page) as a user types it, in UTF-8.
std::string Typed(const std::string& word) {
  return oru::tool::WideToUtf8(oru::platform::AnsiToWide(word));
}

// A query of the language, prepared; false for a malformed one.
bool PrepareText(const std::string& text, oru::tool::Query* query) {
  oru::tool::QueryError error;
  std::vector<oru::tool::QueryNote> notes;
  return oru::tool::ParseQuery(text, {}, query, &error) &&
         oru::tool::PrepareQuery(query, oru::StopList(), "/", &notes) ==
             oru::tool::Prepared::kReady;
}

// Runs `queries` in turn as oru search does once the group is open: the hits of every index,
// and the first 50 checked against their files (no fragments).
void RunQueries(benchmark::State& state, GroupFixture* fixture,
                const std::vector<oru::tool::Query>& queries) {
  oru::tool::DiskFiles disk(fixture->work, std::vector<std::string>(fixture->readers.size(), "Folders"));
  std::vector<oru::tool::SearchHit> hits;
  std::string error;
  size_t next = 0;
  int64_t found = 0;
  for (auto _ : state) {
    const oru::tool::Query& query = queries[next++ % queries.size()];
    if (!oru::tool::FindQueryHits(fixture->readers, query, &disk, &hits, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    found += static_cast<int64_t>(hits.size());
    size_t listed = 0;
    for (const oru::tool::SearchHit& hit : hits) {
      if (listed == kListLimit) break;
      if (oru::tool::StateOf(*hit.file) != oru::tool::HitState::kGone) ++listed;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["files_per_query"] =
      static_cast<double>(found) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
}

// range(0): the number of terms, all of them among the 100 most common words (the dearest
// postings): 2 "a OR b"; 4 "(a OR b) c -d"; 8 "(a OR b OR c) (d OR e) -f -(g OR h)".
void BM_GroupBoolean(benchmark::State& state) {
  GroupFixture* fixture = GetGroup();
  if (fixture == nullptr) {
    state.SkipWithError("no group");
    return;
  }
  const auto terms = state.range(0);
  std::vector<std::string> c;
  for (const std::string& word : fixture->common) c.push_back(Typed(word));
  std::vector<oru::tool::Query> queries;
  for (size_t i = 0; i + 8 < c.size() && queries.size() < 50; i += 2) {
    std::string text;
    if (terms == 2) {
      text = c[i] + " OR " + c[i + 1];
    } else if (terms == 4) {
      text = "(" + c[i] + " OR " + c[i + 1] + ") " + c[i + 2] + " -" + c[i + 3];
    } else {
      text = "(" + c[i] + " OR " + c[i + 1] + " OR " + c[i + 2] + ") (" + c[i + 3] + " OR " +
             c[i + 4] + ") -" + c[i + 5] + " -(" + c[i + 6] + " OR " + c[i + 7] + ")";
    }
    queries.emplace_back();
    if (!PrepareText(text, &queries.back())) {
      state.SkipWithError(("cannot parse " + text).c_str());
      return;
    }
  }
  RunQueries(state, fixture, queries);
}
BENCHMARK(BM_GroupBoolean)->ArgName("terms")->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

// Prefixes of 2 to 4 letters that match 700 to 1,300 words of the first index.
void BM_GroupPrefix(benchmark::State& state) {
  GroupFixture* fixture = GetGroup();
  if (fixture == nullptr) {
    state.SkipWithError("no group");
    return;
  }
  std::map<std::string, size_t> counts;
  for (const std::string& word : fixture->words) {
    for (size_t length = 2; length <= 4 && length < word.size(); ++length) ++counts[word.substr(0, length)];
  }
  std::vector<oru::tool::Query> queries;
  size_t matched = 0;
  for (const auto& [prefix, count] : counts) {
    if (count < 700 || count > 1300 || queries.size() == 20) continue;
    queries.emplace_back();
    if (!PrepareText(Typed(prefix) + "*", &queries.back())) queries.pop_back();
    else matched += count;
  }
  if (queries.empty()) {
    state.SkipWithError("no prefix matches about 1,000 words");
    return;
  }
  state.counters["words_per_prefix"] = static_cast<double>(matched) / static_cast<double>(queries.size());
  RunQueries(state, fixture, queries);
}
BENCHMARK(BM_GroupPrefix)->Unit(benchmark::kMillisecond);

// A phrase of two words that are together in 80 to 120 files of the group: each is read by its
// parser (the words rarely stand in a row, so most are read to their end).
void BM_GroupPhrase(benchmark::State& state) {
  GroupFixture* fixture = GetGroup();
  if (fixture == nullptr) {
    state.SkipWithError("no group");
    return;
  }
  std::string error;
  std::vector<oru::tool::Query> queries;
  size_t candidates = 0;
  std::vector<oru::tool::SearchHit> hits;
  for (size_t i = 0; i < fixture->common.size() && queries.empty(); ++i) {
    for (size_t j = 0; j < 3000 && j < fixture->words.size() && queries.empty(); ++j) {
      const std::vector<std::string> pair{fixture->common[i], fixture->words[j]};
      if (pair[0] == pair[1] || !oru::tool::FindHits(fixture->readers, pair, &hits, &error)) continue;
      if (hits.size() < 80 || hits.size() > 120) continue;
      candidates = hits.size();
      queries.emplace_back();
      if (!PrepareText("\"" + Typed(pair[0]) + " " + Typed(pair[1]) + "\"", &queries.back())) {
        queries.pop_back();
      }
    }
  }
  if (queries.empty()) {
    state.SkipWithError("no two words share about 100 files");
    return;
  }
  state.counters["candidates"] = static_cast<double>(candidates);
  RunQueries(state, fixture, queries);
}
BENCHMARK(BM_GroupPhrase)->Unit(benchmark::kMillisecond);

// What every oru search of the group pays first: opening its four indexes.
void BM_GroupOpen(benchmark::State& state) {
  GroupFixture* fixture = GetGroup();
  if (fixture == nullptr) {
    state.SkipWithError("no group");
    return;
  }
  std::string error;
  for (auto _ : state) {
    for (const std::string& part : oru::tool::IndexesOf(fixture->work, "bench")) {
      IndexReader reader;
      benchmark::DoNotOptimize(reader.Open(fixture->work + "Storages/" + part + "/", false, &error));
    }
  }
}
BENCHMARK(BM_GroupOpen)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
