// Writes the benchmark corpus into a folder, for inspection or for benchmarks that are given a
// folder: make_corpus FOLDER [--docs N] [--mp3 M] [--folders F] [--seed S]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/corpus.h"

int main(int argc, char** argv) {
  oru::bench::CorpusOptions options;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : "0"; };
    if (std::strcmp(argv[i], "--docs") == 0) {
      options.word_documents = std::atoi(value());
    } else if (std::strcmp(argv[i], "--mp3") == 0) {
      options.mp3_files = std::atoi(value());
    } else if (std::strcmp(argv[i], "--folders") == 0) {
      options.folders = std::atoi(value());
    } else if (std::strcmp(argv[i], "--seed") == 0) {
      options.seed = std::strtoull(value(), nullptr, 0);
    } else if (argv[i][0] != '-' && folder.empty()) {
      folder = argv[i];
    } else {
      folder.clear();
      break;
    }
  }
  if (folder.empty()) {
    std::fprintf(stderr, "usage: %s FOLDER [--docs N] [--mp3 M] [--folders F] [--seed S]\n",
                 argv[0]);
    return 2;
  }
  const oru::bench::CorpusStats stats = oru::bench::GenerateCorpus(options, folder);
  if (!stats.ok) {
    std::fprintf(stderr, "%s\n", stats.error.c_str());
    return 1;
  }
  std::printf("%llu files (%llu Word documents: %llu 16-bit, %llu 8-bit; %llu MP3), "
              "%.1f MiB, %llu words\n",
              static_cast<unsigned long long>(stats.files),
              static_cast<unsigned long long>(stats.word_documents),
              static_cast<unsigned long long>(stats.wide_documents),
              static_cast<unsigned long long>(stats.narrow_documents),
              static_cast<unsigned long long>(stats.mp3_files),
              static_cast<double>(stats.bytes) / (1024.0 * 1024.0),
              static_cast<unsigned long long>(stats.words));
  return 0;
}
