// Queries per second of the search tool's index reader: one-word and three-word queries, each
// over every word of the index and over its most common words, and the cost of opening an index
// (what every `oru search` pays first). The index is built once, by Tamsel with the test
// parser plug-in, from a generated corpus of text files whose words follow a Zipf law;
// ORU_BENCH_INDEX=FOLDER benchmarks an existing index folder instead.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "indexer/engine/index_format.h"
#include "platform/files.h"
#include "platform/process.h"
#include "tools/oru/index_reader.h"

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
  std::string list;
  oru::platform::ReadWholeFile(fixture->folder + fmt::kWordListName, &list);
  const auto* bytes = reinterpret_cast<const uint8_t*>(list.data());
  fmt::WordListEntry entry;
  size_t length = 0;
  for (size_t pos = 0; fmt::DecodeWordRecord(bytes + pos, list.size() - pos, &entry, &length);
       pos += length) {
    fixture->words.emplace_back(entry.word);
  }
  std::vector<std::pair<size_t, std::string>> by_files;
  std::vector<uint16_t> files;
  for (const std::string& word : fixture->words) {
    fixture->reader.FilesWithWord(word, &files, &error);
    by_files.emplace_back(files.size(), word);
  }
  std::sort(by_files.rbegin(), by_files.rend());
  for (size_t i = 0; i < std::min(kCommonWords, by_files.size()); ++i) {
    fixture->common.push_back(by_files[i].second);
  }
  std::shuffle(fixture->words.begin(), fixture->words.end(), std::mt19937_64(7));
  std::fprintf(stderr, "index %s: %zu files, %zu words; the most common word is in %zu files\n",
               fixture->folder.c_str(), fixture->reader.file_count(), fixture->words.size(),
               by_files.empty() ? size_t{0} : by_files[0].first);
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

}  // namespace

BENCHMARK_MAIN();
