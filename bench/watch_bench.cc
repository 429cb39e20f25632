// The watcher's figures, with the built oru, Tamsel and plug-ins, in a folder of its own:
//
//   watch_bench [--files N] [--folders N] [--idle SECONDS] [--sequences N]
//
// 1. A tree of N text files (12,000) in folders of 100 is indexed and watched with the default
//    quiet time; a new file is written, and the time until oru search finds it is measured.
//    Then the watcher's CPU time over --idle seconds (60) of nothing changing.
// 2. A tree of --folders folders (10,000) is watched: the watcher's resident memory.
// 3. --sequences (100) random sequences of creations, edits, renames and deletions of files
//    and folders in a small tree: after each, once the watcher is quiet, its index must find
//    exactly what a fresh pass over the tree finds (each word's files).
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bench/corpus.h"
#include "tests/support/index_reader.h"
#include "tests/support/process.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using oru::bench::LetterWord;
using oru::testing::BackgroundProcess;
using oru::testing::RunProcess;

const std::string kBin = ORU_BIN_DIR "/";

struct Options {
  int files = 12000;
  int folders = 10000;
  int idle_seconds = 60;
  int sequences = 100;
};

void Write(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class Bench {
 public:
  explicit Bench(const std::string& root) : root_(root) {
    env_ = {"XDG_DATA_HOME=" + root + "data", "XDG_RUNTIME_DIR=" + root + "run",
            "XDG_CONFIG_HOME=" + root + "config", "DISPLAY=", "WAYLAND_DISPLAY="};
    fs::create_directories(root + "run");
    work_ = root + "data/Pellimar/ORU/";
  }

  bool Oru(const std::vector<std::string>& args, std::string* out = nullptr) {
    std::vector<std::string> argv{kBin + "oru"};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto result = RunProcess(argv, env_, nullptr, 600);
    if (out != nullptr) *out = result.out;
    return result.exit_status == 0;
  }

  bool StartWatcher(const std::string& name, const std::vector<std::string>& options) {
    std::vector<std::string> argv{kBin + "oru", "watch", "--name", name};
    argv.insert(argv.end(), options.begin(), options.end());
    log_ = root_ + name + ".watch.log";
    if (!watcher_.Start(argv, env_, log_)) return false;
    return WaitForUpdates(1, 120);
  }
  void StopWatcher() {
    watcher_.Terminate();
    watcher_.Wait(30);
  }
  int Updates() const {
    const std::string log = Read(log_);
    int n = 0;
    for (size_t at = log.find("index written"); at != std::string::npos;
         at = log.find("index written", at + 1)) {
      ++n;
    }
    return n;
  }
  bool WaitForUpdates(int n, int seconds) const {
    const Clock::time_point start = Clock::now();
    while (Updates() < n && Since(start) < seconds) Sleep(20);
    return Updates() >= n;
  }
  // The watcher's process id, from the process list of this user: the newest "oru watch".
  int WatcherPid() const {
    int pid = -1;
    for (const auto& entry : fs::directory_iterator("/proc")) {
      const std::string name = entry.path().filename();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      std::string cmdline = Read(entry.path() / "cmdline");
      for (char& c : cmdline) c = c == '\0' ? ' ' : c;
      if (cmdline.rfind(kBin + "oru watch", 0) == 0) pid = std::max(pid, std::stoi(name));
    }
    return pid;
  }
  std::string Log() const { return Read(log_); }

  const std::string root_;
  std::string work_;
  std::vector<std::string> env_;
  std::string log_;
  BackgroundProcess watcher_;
};

// User plus system CPU seconds of process `pid`.
double CpuSeconds(int pid) {
  const std::string stat = Read("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::vector<std::string> fields;
  std::string field;
  for (size_t i = close + 2; i <= stat.size(); ++i) {
    if (i == stat.size() || stat[i] == ' ') {
      fields.push_back(field);
      field.clear();
    } else {
      field += stat[i];
    }
  }
  // Fields 14 and 15 of the line (utime, stime): 11 and 12 after the name.
  if (fields.size() < 13) return 0;
  return static_cast<double>(std::stoull(fields[11]) + std::stoull(fields[12])) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

// "VmRSS" or "VmHWM" of process `pid`, in MiB.
double MemoryMiB(int pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::atof(line.c_str() + key.size() + 1) / 1024;
  }
  return 0;
}

// Each word's files (by path below `marker`) in the index `name`.
std::map<std::string, std::set<std::string>> Found(const Bench& bench, const std::string& name,
                                                   const std::string& marker) {
  oru::testing::DecodedIndex index;
  std::map<std::string, std::set<std::string>> found;
  if (!oru::testing::DecodeIndex(bench.work_ + "Storages/" + name + "/", &index).empty()) {
    found["(unreadable) " + name];  // never equal to another index
    return found;
  }
  for (const auto& [word, paths] : oru::testing::FilesByWord(index)) {
    for (const std::string& path : paths) found[word].insert(path.substr(path.rfind(marker)));
  }
  return found;
}

// One random change of the tree below `tree`.
void RandomChange(const std::string& tree, std::mt19937_64& random, uint64_t* next_word) {
  std::vector<std::string> files;
  std::vector<std::string> folders;
  for (const auto& entry : fs::recursive_directory_iterator(tree)) {
    (entry.is_directory() ? folders : files).push_back(entry.path().string());
  }
  const auto text = [&] {
    const uint64_t first = (*next_word)++;
    const uint64_t second = (*next_word)++;
    return LetterWord(first) + " " + LetterWord(second) + " common words\n";
  };
  const auto pick = [&random](const std::vector<std::string>& from) {
    return from[random() % from.size()];
  };
  const std::string folder = folders.empty() ? tree : pick(folders);
  switch (random() % 7) {
    case 0:  // a new file
      Write(folder + "/f" + std::to_string((*next_word)++) + ".txt", text());
      break;
    case 1:  // a file rewritten
      if (!files.empty()) Write(pick(files), text() + text());
      break;
    case 2:  // a file renamed, perhaps into another folder
      if (!files.empty()) {
        std::error_code ignored;
        fs::rename(pick(files), folder + "/r" + std::to_string((*next_word)++) + ".txt", ignored);
      }
      break;
    case 3:  // a file deleted
      if (!files.empty()) fs::remove(pick(files));
      break;
    case 4: {  // a folder made and filled
      const std::string made = folder + "/d" + std::to_string((*next_word)++);
      for (int i = 0; i < 3; ++i) Write(made + "/g" + std::to_string(i) + ".txt", text());
      break;
    }
    case 5:  // a folder renamed
      if (!folders.empty()) {
        std::error_code ignored;
        fs::rename(pick(folders), tree + "/m" + std::to_string((*next_word)++), ignored);
      }
      break;
    default:  // a folder deleted
      if (!folders.empty()) fs::remove_all(pick(folders));
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (arg == "--files")
      options.files = value;
    else if (arg == "--folders")
      options.folders = value;
    else if (arg == "--idle")
      options.idle_seconds = value;
    else if (arg == "--sequences")
      options.sequences = value;
  }
  char pattern[] = "/tmp/oru-watch-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string root = std::string(pattern) + "/";
  Bench bench(root);
  if (!bench.Oru({"setup"})) {
    std::fprintf(stderr, "oru setup failed\n");
    return 1;
  }

  // 1. Found after a save, and idle CPU.
  const std::string big = root + "big";
  for (int i = 0; i < options.files; ++i) {
    Write(
        big + "/d" + std::to_string(i / 100) + "/f" + std::to_string(i) + ".txt",
        LetterWord(static_cast<uint64_t>(i)) + " common text of file " + std::to_string(i) + "\n");
  }
  if (!bench.Oru({"index", big, "--name", "big"}) || !bench.StartWatcher("big", {})) {
    std::fprintf(stderr, "indexing or watching the tree failed:\n%s", bench.Log().c_str());
    return 1;
  }
  Write(big + "/d7/saved.txt", "freshlysavedword\n");
  const Clock::time_point saved = Clock::now();
  std::string out;
  while (!bench.Oru({"search", "--name", "big", "freshlysavedword"}, &out) && Since(saved) < 60) {
    Sleep(100);
  }
  const double found_after = Since(saved);
  std::printf("tree of %d files: a saved file found after %.2f s (target <= 10)\n", options.files,
              found_after);
  const int pid = bench.WatcherPid();
  Sleep(2000);  // the update that found the file has ended
  const double cpu_before = CpuSeconds(pid);
  Sleep(options.idle_seconds * 1000);
  const double idle_cpu = CpuSeconds(pid) - cpu_before;
  std::printf("idle watcher: %.3f s of CPU over %d s = %.3f%% (target < 0.1%%)\n", idle_cpu,
              options.idle_seconds, 100 * idle_cpu / options.idle_seconds);
  bench.StopWatcher();

  // 2. Memory with many folders watched.
  const std::string wide = root + "wide";
  for (int i = 0; i < options.folders; ++i) {
    Write(wide + "/a" + std::to_string(i / 100) + "/b" + std::to_string(i) + "/f.txt",
          LetterWord(static_cast<uint64_t>(i)) + "\n");
  }
  if (!bench.Oru({"index", wide, "--name", "wide"}) || !bench.StartWatcher("wide", {})) {
    std::fprintf(stderr, "indexing or watching the wide tree failed\n");
    return 1;
  }
  const int wide_pid = bench.WatcherPid();
  const std::string log = bench.Log();
  std::printf("%s", log.substr(0, log.find('\n') + 1).c_str());
  std::printf("watcher memory: %.1f MiB resident, %.1f MiB at most (target < 32)\n",
              MemoryMiB(wide_pid, "VmRSS"), MemoryMiB(wide_pid, "VmHWM"));
  bench.StopWatcher();

  // 3. Random sequences against a fresh pass.
  const std::string small = root + "small";
  for (int i = 0; i < 30; ++i) {
    Write(small + "/s" + std::to_string(i % 5) + "/f" + std::to_string(i) + ".txt",
          LetterWord(static_cast<uint64_t>(i) + 1000000) + " common words\n");
  }
  if (!bench.Oru({"index", small, "--name", "small"}) ||
      !bench.StartWatcher("small", {"--quiet", "0.3"})) {
    std::fprintf(stderr, "indexing or watching the small tree failed\n");
    return 1;
  }
  std::mt19937_64 random(20261208);
  uint64_t next_word = 2000000;
  int differ = 0;
  for (int s = 0; s < options.sequences; ++s) {
    const int before = bench.Updates();
    const int changes = 1 + static_cast<int>(random() % 12);
    for (int c = 0; c < changes; ++c) RandomChange(small, random, &next_word);
    // Quiet: an update has ended since the changes, and none followed for a second.
    bench.WaitForUpdates(before + 1, 60);
    for (int seen = -1; seen != bench.Updates();) {
      seen = bench.Updates();
      Sleep(1000);
    }
    bench.Oru({"index", small, "--name", "fresh"});
    if (Found(bench, "small", "/small/") != Found(bench, "fresh", "/small/")) {
      ++differ;
      std::fprintf(stderr, "sequence %d: the watched index differs from a fresh pass\n", s);
    }
  }
  bench.StopWatcher();
  std::printf(
      "random sequences: %d of %d left the watched index different from a fresh pass "
      "(target 0)\n",
      differ, options.sequences);
  fs::remove_all(root);
  return differ == 0 ? 0 : 1;
}
