// Prints the words of every file of an index, one line per file, so that two indexes of the same
// files can be compared whatever numbers and path forms they gave them:
//   index_dump INDEX_FOLDER MARKER
// Each line is the file's path after the last occurrence of MARKER (with '\' read as '/'), a
// colon, and the file's words in byte order. Lines come in byte order too.
#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "tests/support/index_reader.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s INDEX_FOLDER MARKER\n", argv[0]);
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '/') folder += '/';
  oru::testing::DecodedIndex index;
  const std::string error = oru::testing::DecodeIndex(folder, &index);
  if (!error.empty()) {
    std::fprintf(stderr, "%s: %s\n", folder.c_str(), error.c_str());
    return 1;
  }
  const std::string marker = argv[2];
  auto shown = [&marker](std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    const size_t at = path.rfind(marker);
    return at == std::string::npos ? path : path.substr(at + marker.size());
  };
  std::map<std::string, std::set<std::string>> words_by_file;
  for (const auto& [word, paths] : oru::testing::FilesByWord(index)) {
    for (const std::string& path : paths) words_by_file[shown(path)].insert(word);
  }
  for (const auto& file : index.files) words_by_file[shown(file.path)];  // files without words too
  for (const auto& [path, words] : words_by_file) {
    std::printf("%s:", path.c_str());
    for (const std::string& word : words) std::printf(" %s", word.c_str());
    std::printf("\n");
  }
  return 0;
}
