// An index reader for tests, written apart from the engine's writer so that the two check each
// other: it decodes an index folder byte by byte and checks the layout's rules on the way.
#ifndef ORU_TESTS_SUPPORT_INDEX_READER_H_
#define ORU_TESTS_SUPPORT_INDEX_READER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace oru::testing {

struct DecodedFile {
  uint16_t number = 0;
  uint16_t path_hash = 0;
  uint32_t size = 0;
  uint32_t time = 0;
  std::string path;
};

using WordKey = std::pair<uint16_t, uint16_t>;  // hash, slot
using FilePosting = std::pair<uint16_t, uint16_t>;  // file number, flags

struct DecodedIndex {
  std::vector<DecodedFile> files;
  std::map<WordKey, std::vector<FilePosting>> postings;
  std::map<WordKey, std::string> words;
  std::vector<std::string> word_order;  // the word list's texts in file order
};

// Decodes the index in `folder` (ending in '/'). Returns an empty string on success, or a
// description of the first rule the files break.
std::string DecodeIndex(const std::string& folder, DecodedIndex* index);
// The same with each file's bytes from `read_file` (by its name in the folder; false when
// missing).
std::string DecodeIndex(const std::function<bool(const std::string&, std::string*)>& read_file,
                        DecodedIndex* index);

// For each word text, the paths of the files that hold it.
std::map<std::string, std::set<std::string>> FilesByWord(const DecodedIndex& index);

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_INDEX_READER_H_
