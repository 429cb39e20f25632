#include "tests/support/index_reader.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "platform/little_endian.h"

namespace oru::testing {
namespace {

bool ReadAll(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

uint32_t Le(const std::string& s, size_t at, int width) {
  return static_cast<uint32_t>(platform::ReadLe(s.data() + at, static_cast<size_t>(width)));
}

std::string Where(const std::string& file, size_t offset, const std::string& what) {
  std::ostringstream out;
  out << file << " at " << offset << ": " << what;
  return out.str();
}

}  // namespace

std::string DecodeIndex(const std::string& folder, DecodedIndex* index) {
  return DecodeIndex(
      [&folder](const std::string& name, std::string* out) { return ReadAll(folder + name, out); },
      index);
}

std::string DecodeIndex(const std::function<bool(const std::string&, std::string*)>& read_file,
                        DecodedIndex* index) {
  std::string data;
  if (!read_file("Fileindex.fnd", &data)) return "Fileindex.fnd missing";
  for (size_t at = 0; at < data.size();) {
    if (data.size() - at < 14) return Where("Fileindex.fnd", at, "short record");
    const uint32_t length = Le(data, at, 2);
    if (length < 14 || length > 1024 || at + length > data.size()) {
      return Where("Fileindex.fnd", at, "bad record length");
    }
    DecodedFile file;
    file.number = static_cast<uint16_t>(Le(data, at + 2, 2));
    file.path_hash = static_cast<uint16_t>(Le(data, at + 4, 2));
    file.size = Le(data, at + 6, 4);
    file.time = Le(data, at + 10, 4);
    file.path = data.substr(at + 14, length - 14);
    index->files.push_back(file);
    at += length;
  }

  for (int part = 0; part < 64; ++part) {
    const std::string name = std::to_string(part) + ".fnx";
    if (!read_file(name, &data)) return name + " missing";
    if (data.empty()) continue;
    if (data.size() < 4096) return Where(name, 0, "shorter than its table");
    // Blocks follow one another in ascending bucket order; each ends where the next begins.
    std::vector<std::pair<uint32_t, int>> blocks;
    for (int k = 0; k < 1024; ++k) {
      const uint32_t offset = Le(data, 4 * static_cast<size_t>(k), 4);
      if (offset == 0) continue;
      if (offset < 4096 || offset >= data.size()) return Where(name, 4 * k, "offset out of file");
      if (!blocks.empty() && offset <= blocks.back().first) {
        return Where(name, 4 * k, "blocks out of order");
      }
      blocks.emplace_back(offset, k);
    }
    if (blocks.empty() && data.size() != 4096) return Where(name, 4096, "bytes after empty table");
    if (!blocks.empty() && blocks.front().first != 4096) return Where(name, 4096, "gap after table");
    for (size_t b = 0; b < blocks.size(); ++b) {
      const size_t end = b + 1 < blocks.size() ? blocks[b + 1].first : data.size();
      const auto hash = static_cast<uint16_t>(part * 1024 + blocks[b].second);
      int expected_slot = 0;
      for (size_t at = blocks[b].first; at < end;) {
        if (end - at < 6) return Where(name, at, "short word entry");
        const uint32_t count = Le(data, at, 4);
        const auto slot = static_cast<uint16_t>(Le(data, at + 4, 2));
        if (count == 0) return Where(name, at, "word without postings");
        if (slot != expected_slot) return Where(name, at, "slots out of order");
        expected_slot = slot + 1;
        if (at + 6 + 4 * uint64_t{count} > end) return Where(name, at, "postings past block");
        auto& list = index->postings[{hash, slot}];
        for (uint32_t i = 0; i < count; ++i) {
          const size_t p = at + 6 + 4 * size_t{i};
          list.emplace_back(static_cast<uint16_t>(Le(data, p, 2)),
                            static_cast<uint16_t>(Le(data, p + 2, 2)));
        }
        at += 6 + 4 * size_t{count};
      }
    }
  }

  if (!read_file("0.fnw", &data)) return "0.fnw missing";
  WordKey previous{0, 0};
  for (size_t at = 0; at < data.size();) {
    const uint32_t length = static_cast<uint8_t>(data[at]);
    if (length < 5 || at + length > data.size()) return Where("0.fnw", at, "bad record length");
    const std::string word = data.substr(at + 1, length - 5);
    const WordKey key{static_cast<uint16_t>(Le(data, at + length - 4, 2)),
                      static_cast<uint16_t>(Le(data, at + length - 2, 2))};
    if (at > 0 && key <= previous) return Where("0.fnw", at, "records out of order");
    previous = key;
    index->words[key] = word;
    index->word_order.push_back(word);
    at += length;
  }
  for (const auto& [key, list] : index->postings) {
    if (index->words.count(key) == 0) return "a posting names a word the word list lacks";
  }
  return "";
}

std::map<std::string, std::set<std::string>> FilesByWord(const DecodedIndex& index) {
  std::map<uint16_t, std::string> paths;
  for (const DecodedFile& file : index.files) paths[file.number] = file.path;
  std::map<std::string, std::set<std::string>> result;
  for (const auto& [key, list] : index.postings) {
    const auto word = index.words.find(key);
    for (const FilePosting& posting : list) {
      result[word->second].insert(paths.count(posting.first) ? paths[posting.first] : "?");
    }
  }
  return result;
}

}  // namespace oru::testing
