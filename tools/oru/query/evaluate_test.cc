// The query language evaluated over a generated index, against a brute-force evaluation of the
// same tree file by file over the files' words, texts, paths, sizes and times.
#include "tools/oru/query/evaluate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "indexer/engine/index_format.h"
#include "platform/little_endian.h"
#include "platform/md5.h"
#include "tests/support/temp_dir.h"
#include "tools/oru/query/parse.h"

namespace oru::tool {
namespace {

namespace fmt = index_format;
using testing::WriteFile;

struct GeneratedFile {
  uint16_t number = 0;
  std::string path;
  uint32_t size = 0;  // recorded
  uint32_t time = 0;
  uint32_t size_now = 0;
  uint32_t time_now = 0;
  bool gone = false;
  std::vector<std::string> text;  // its words in order, in the index's form
};

// Writes an index of `files` by the layout: the file index, the word list and the parts.
void WriteIndex(const std::string& folder, const std::vector<GeneratedFile>& files) {
  std::string file_index;
  std::map<std::string, std::set<uint16_t>> postings;
  for (const GeneratedFile& file : files) {
    uint8_t record[fmt::kMaxFileRecord];
    file_index.append(reinterpret_cast<char*>(record),
                      fmt::EncodeFileRecord({file.number, 0, file.size, file.time, file.path}, record));
    // The indexer keeps no short word and no stop word ("the" here); the text has them.
    for (const std::string& word : file.text) {
      if (word.size() >= 3 && word != "the") postings[word].insert(file.number);
    }
  }
  WriteFile(folder + "Fileindex.fnd", file_index);
  std::map<uint16_t, std::vector<std::pair<std::string, std::set<uint16_t>>>> by_hash;
  for (const auto& [word, numbers] : postings) by_hash[platform::WordHash(word)].push_back({word, numbers});
  std::string word_list;
  std::string parts[fmt::kPartCount];
  for (auto& part : parts) part.assign(fmt::kBucketTableSize, '\0');
  for (const auto& [hash, entries] : by_hash) {
    std::string& part = parts[fmt::PartOf(hash)];
    part.replace(4 * static_cast<size_t>(fmt::BucketOf(hash)), 4,
                 platform::LeBytes(static_cast<uint32_t>(part.size()), 4));
    for (uint16_t slot = 0; slot < entries.size(); ++slot) {
      const auto& [word, numbers] = entries[slot];
      word_list += static_cast<char>(word.size() + 5) + word + platform::LeBytes(hash, 2) +
                   platform::LeBytes(slot, 2);
      part += platform::LeBytes(static_cast<uint32_t>(numbers.size()), 4) + platform::LeBytes(slot, 2);
      for (uint16_t n : numbers) part += platform::LeBytes(n, 2) + platform::LeBytes(0, 2);
    }
  }
  WriteFile(folder + "0.fnw", word_list);
  for (int p = 0; p < fmt::kPartCount; ++p) WriteFile(folder + fmt::PartFileName(p), parts[p]);
}

// The files as generated: their size and time now, and their text.
class GeneratedLookup : public FileLookup {
 public:
  explicit GeneratedLookup(std::vector<const std::vector<GeneratedFile>*> indexes)
      : indexes_(std::move(indexes)) {}
  bool SizeAndTime(const IndexedFile& file, uint32_t* size, uint32_t* time) override {
    const GeneratedFile* generated = Find(file);
    if (generated == nullptr || generated->gone) return false;
    *size = generated->size_now;
    *time = generated->time_now;
    return true;
  }
  bool ReadText(const IndexedFile& file, size_t index, TextMatcher* matcher) override {
    ++reads;
    last_index = index;
    const GeneratedFile* generated = Find(file);
    if (generated == nullptr || generated->gone) return false;
    for (const std::string& word : generated->text) {
      if (matcher->AllSeen()) break;
      matcher->Add(word);
    }
    return true;
  }
  int reads = 0;
  size_t last_index = 0;

 private:
  const GeneratedFile* Find(const IndexedFile& file) const {
    for (const auto* files : indexes_) {
      for (const GeneratedFile& generated : *files) {
        if (generated.path == file.path) return &generated;
      }
    }
    return nullptr;
  }
  std::vector<const std::vector<GeneratedFile>*> indexes_;
};

// The query asked of one file by brute force.
bool BruteForce(const QueryNode& node, const GeneratedFile& file) {
  // Words and prefixes match the words the indexer keeps; a phrase the text.
  std::vector<std::string> kept;
  for (const std::string& word : file.text) {
    if (word.size() >= 3 && word != "the") kept.push_back(word);
  }
  const auto holds = [&](const std::string& word) {
    return std::find(kept.begin(), kept.end(), word) != kept.end();
  };
  switch (node.kind) {
    case NodeKind::kWord:
      return holds(node.words[0]);
    case NodeKind::kPrefix:
      return std::any_of(kept.begin(), kept.end(), [&](const std::string& word) {
        return word.rfind(node.words[0], 0) == 0;
      });
    case NodeKind::kPhrase:
      if (file.gone) return false;
      return std::search(file.text.begin(), file.text.end(), node.words.begin(), node.words.end()) !=
             file.text.end();
    case NodeKind::kAnd:
      return std::all_of(node.children.begin(), node.children.end(),
                         [&](const QueryNode& child) { return BruteForce(child, file); });
    case NodeKind::kOr:
      return std::any_of(node.children.begin(), node.children.end(),
                         [&](const QueryNode& child) { return BruteForce(child, file); });
    case NodeKind::kNot:
      return !BruteForce(node.children[0], file);
    case NodeKind::kExtension: {
      const std::string name = file.path.substr(file.path.rfind('/') + 1);
      const size_t dot = name.rfind('.');
      std::string extension = dot == std::string::npos ? "\x01" : name.substr(dot + 1);
      std::transform(extension.begin(), extension.end(), extension.begin(),
                     [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
      return std::count(node.values.begin(), node.values.end(), extension) > 0;
    }
    case NodeKind::kFolder: {
      std::string folder = node.text;  // as prepared, with the platform's separators
      std::replace(folder.begin(), folder.end(), '\\', '/');
      return file.path.rfind(folder + "/", 0) == 0;
    }
    case NodeKind::kAfter:
      return !file.gone && file.time_now >= node.number;
    case NodeKind::kBefore:
      return !file.gone && file.time_now < node.number;
    case NodeKind::kLarger:
      return !file.gone && file.size_now > node.number;
    case NodeKind::kSmaller:
      return !file.gone && file.size_now < node.number;
  }
  return false;
}

// Words of the vocabulary as typed, and their form in the index; "the" is a stop word, "ox"
// too short. Several share beginnings, for prefixes; one needs the code page.
const std::vector<std::pair<std::string, std::string>> kVocabulary = {
    {"alpha", "alpha"},   {"alpine", "alpine"}, {"alps", "alps"},     {"beta", "beta"},
    {"better", "better"}, {"gamma", "gamma"},   {"delta", "delta"},   {"Café", "caf\xE9"},
    {"cafeteria", "cafeteria"}, {"the", "the"}, {"ox", "ox"},         {"report", "report"},
    {"annual", "annual"}};

constexpr uint32_t Dos(int year, int month, int day) {
  return (static_cast<uint32_t>(year - 1980) << 25) | (static_cast<uint32_t>(month) << 21) |
         (static_cast<uint32_t>(day) << 16);
}

std::vector<GeneratedFile> GenerateFiles(std::mt19937* rng, int count, const std::string& root) {
  static const char* kFolders[] = {"/a", "/a/b", "/c", "/ab"};
  static const char* kExtensions[] = {"txt", "PDF", "doc", "docx", ""};
  std::vector<GeneratedFile> files;
  uint16_t number = 1;
  for (int i = 0; i < count; ++i) {
    GeneratedFile file;
    number = static_cast<uint16_t>(number + 1 + (*rng)() % 3);  // numbers with gaps
    file.number = number;
    const char* extension = kExtensions[(*rng)() % 5];
    file.path = root + kFolders[(*rng)() % 4] + "/f" + std::to_string(i) +
                (*extension != '\0' ? std::string(".") + extension : "");
    file.size = (*rng)() % 5000;
    file.time = Dos(2020 + static_cast<int>((*rng)() % 5), 1 + static_cast<int>((*rng)() % 12), 1);
    const bool changed = (*rng)() % 4 == 0;
    file.size_now = changed ? (*rng)() % 5000 : file.size;
    file.time_now = changed ? Dos(2024, 6, 1 + static_cast<int>((*rng)() % 20)) : file.time;
    file.gone = (*rng)() % 10 == 0;
    const size_t words = 1 + (*rng)() % 8;
    for (size_t w = 0; w < words; ++w) {
      file.text.push_back(kVocabulary[(*rng)() % kVocabulary.size()].second);
    }
    files.push_back(std::move(file));
  }
  return files;
}

// A random query of the language, as text.
std::string RandomQuery(std::mt19937* rng, int depth) {
  const auto pick = [&](int n) { return static_cast<int>((*rng)() % static_cast<unsigned>(n)); };
  const auto word = [&] { return kVocabulary[static_cast<size_t>(pick(static_cast<int>(kVocabulary.size())))].first; };
  const int kind = pick(depth > 2 ? 9 : 12);
  switch (kind) {
    case 0: case 1: case 2:
      return word();
    case 3:
      return word().substr(0, 2 + static_cast<size_t>(pick(2))) + "*";
    case 4:
      return "\"" + word() + " " + word() + (pick(2) ? " " + word() : "") + "\"";
    case 5: {
      static const char* kFilters[] = {"ext:pdf", "ext:doc,docx", "ext:TXT", "dir:/r1/a", "dir:/r1/a/b", "dir:/r2",
                                       "after:2022-03-01", "before:2023-01-01", "size>2K",
                                       "size<1000", "after:2024-06-10"};
      return kFilters[pick(11)];
    }
    case 6:
      return "ext:doc,docx";
    case 7: case 8:
      return "-" + RandomQuery(rng, depth + 1);
    case 9:
      return RandomQuery(rng, depth + 1) + " OR " + RandomQuery(rng, depth + 1);
    case 10:
      return "(" + RandomQuery(rng, depth + 1) + " " + RandomQuery(rng, depth + 1) + ")";
    default:
      return "(" + RandomQuery(rng, depth + 1) + " OR " + RandomQuery(rng, depth + 1) + ")";
  }
}

class QueryEvaluationTest : public ::testing::Test {
 protected:
  // Opens an index of `files` in the folder `name`.
  std::unique_ptr<IndexReader> Open(const std::vector<GeneratedFile>& files, const std::string& name) {
    const std::string folder = dir_.path() + name + "/";
    WriteIndex(folder, files);
    auto reader = std::make_unique<IndexReader>();
    std::string error;
    EXPECT_TRUE(reader->Open(folder, false, &error)) << error;
    return reader;
  }

  static bool Prepare(const std::string& text, Query* query) {
    QueryError error;
    if (!ParseQuery(text, {}, query, &error)) {
      ADD_FAILURE() << text << ": " << error.message;
      return false;
    }
    std::vector<QueryNote> notes;
    return PrepareQuery(query, StopList({"the"}), "/", &notes) == Prepared::kReady;
  }

  testing::TempDir dir_;
};

// Random queries of every form and their combinations, over a group of two indexes, give exactly
// the files the brute force gives, in index and number order; the check of one file (FileMatches
// over its text as a matcher sees it) agrees too.
TEST_F(QueryEvaluationTest, EveryFormAndCombinationMatchesTheBruteForce) {
  std::mt19937 rng(42);
  const std::vector<GeneratedFile> first = GenerateFiles(&rng, 150, "/r1");
  const std::vector<GeneratedFile> second = GenerateFiles(&rng, 60, "/r2");
  std::vector<std::unique_ptr<IndexReader>> readers;
  readers.push_back(Open(first, "one"));
  readers.push_back(Open(second, "two"));
  GeneratedLookup lookup({&first, &second});
  int compared = 0;
  int nonempty = 0;
  for (int q = 0; q < 1500; ++q) {
    std::string text = RandomQuery(&rng, 0);
    if (rng() % 2) text += " " + RandomQuery(&rng, 1);
    Query query;
    if (!Prepare(text, &query)) continue;
    std::vector<SearchHit> hits;
    std::string error;
    ASSERT_TRUE(FindQueryHits(readers, query, &lookup, &hits, &error)) << text << ": " << error;
    std::vector<std::string> got;
    for (const SearchHit& hit : hits) got.push_back(std::to_string(hit.index) + hit.file->path);
    std::vector<std::string> expected;
    for (size_t index = 0; index < 2; ++index) {
      for (const GeneratedFile& file : index == 0 ? first : second) {
        if (!BruteForce(query.root, file)) continue;
        expected.push_back(std::to_string(index) + file.path);
        // The same answer for the file from its text as the listing's check reads it.
        TextMatcher matcher(query.terms, &query.rules);
        char normal[kNormalWordSize];
        for (const std::string& word : file.text) {
          matcher.Add(word, FilterWord(word, query.rules.stop_words, normal) == WordVerdict::kKept);
        }
        if (!file.gone) {
          EXPECT_TRUE(FileMatches(query.root, file.path, file.size_now, file.time_now, matcher.seen()))
              << text << " " << file.path;
        }
      }
    }
    ASSERT_EQ(got, expected) << text << " read as " << QueryToText(query.root);
    ++compared;
    nonempty += expected.empty() ? 0 : 1;
  }
  EXPECT_GT(compared, 1000);
  EXPECT_GT(nonempty, 300);
}

TEST_F(QueryEvaluationTest, APhraseReadsOnlyTheFilesLeftByTheCheaperTerms) {
  std::vector<GeneratedFile> files(3);
  for (uint16_t i = 0; i < 3; ++i) {
    files[i].number = static_cast<uint16_t>(i + 1);
    files[i].path = "/d/" + std::to_string(i) + (i == 2 ? ".pdf" : ".txt");
  }
  files[0].text = {"annual", "report", "alpha"};
  files[1].text = {"report", "annual"};
  files[2].text = {"annual", "report"};
  std::vector<std::unique_ptr<IndexReader>> readers;
  readers.push_back(Open(files, "i"));
  GeneratedLookup lookup({&files});
  Query query;
  ASSERT_TRUE(Prepare("\"Annual Report\" ext:pdf", &query));
  std::vector<SearchHit> hits;
  std::string error;
  ASSERT_TRUE(FindQueryHits(readers, query, &lookup, &hits, &error));
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].file->path, "/d/2.pdf");
  EXPECT_EQ(lookup.reads, 1);  // only the one pdf among the three candidates
}

TEST_F(QueryEvaluationTest, PrefixesAndPhrasesStopAtTheirLimitsWithTheirNames) {
  std::vector<GeneratedFile> files(1);
  files[0].number = 1;
  files[0].path = "/d/many.txt";
  for (size_t i = 0; i <= kMaxPrefixWords; ++i) files[0].text.push_back("pre" + std::to_string(100000 + i));
  std::vector<std::unique_ptr<IndexReader>> readers;
  readers.push_back(Open(files, "words"));
  GeneratedLookup lookup({&files});
  Query query;
  ASSERT_TRUE(Prepare("pre*", &query));
  std::vector<SearchHit> hits;
  std::string error;
  EXPECT_FALSE(FindQueryHits(readers, query, &lookup, &hits, &error));
  EXPECT_EQ(error, "the prefix 'pre*' matches more than 10000 words of an index, the most a prefix "
                   "may match; give more of the word");
  ASSERT_TRUE(Prepare("pre10000*", &query));  // 10 words
  EXPECT_TRUE(FindQueryHits(readers, query, &lookup, &hits, &error)) << error;
  EXPECT_EQ(hits.size(), 1u);

  std::vector<GeneratedFile> many(kMaxPhraseCandidates + 1);
  for (size_t i = 0; i < many.size(); ++i) {
    many[i].number = static_cast<uint16_t>(i + 1);
    many[i].path = "/m/" + std::to_string(i);
    many[i].text = {"annual", "report"};
  }
  readers.clear();
  readers.push_back(Open(many, "files"));
  GeneratedLookup many_lookup({&many});
  ASSERT_TRUE(Prepare("\"annual report\"", &query));
  EXPECT_FALSE(FindQueryHits(readers, query, &many_lookup, &hits, &error));
  EXPECT_EQ(error.rfind("the phrase \"annual report\" has 10001 files of an index to read, more than "
                        "the 10000 a phrase may read", 0), 0u) << error;
  EXPECT_EQ(many_lookup.reads, 0);
  ASSERT_TRUE(Prepare("\"annual report\" dir:/m/1", &query));  // nothing is below a file
  EXPECT_TRUE(FindQueryHits(readers, query, &many_lookup, &hits, &error)) << error;
}

}  // namespace
}  // namespace oru::tool
