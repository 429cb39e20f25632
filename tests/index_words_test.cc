// An index written by Tamsel holds, for every file, exactly the words its parser hands out
// after the filters: checked over the real fixtures and the samples by driving the parser
// plug-ins directly and reading the index with the independent reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "platform/codepage.h"
#include "platform/dynlib.h"
#include "platform/little_endian.h"
#include "plugin-api/parser_plugin.h"
#include "tests/support/index_reader.h"
#include "tests/support/process.h"
#include "tests/support/sandbox.h"
#include "tests/support/temp_dir.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using Words = std::set<std::string>;

const std::string kBin = std::string(ORU_BIN_DIR) + "/";
const std::string kSource = std::string(ORU_SOURCE_DIR) + "/";

std::vector<std::string> StopList() {
  std::ifstream in(kBin + "Stop.lst");
  std::vector<std::string> words;
  for (std::string line; std::getline(in, line);) words.push_back(line);
  return words;
}

// The words the index must hold for `path`: the plug-in's words, 16-bit ones converted to the
// code page, without words under 3 bytes, junk (one repeated character, more than 4 digits,
// digits only) and short stop words; lower-cased and cut to 31 bytes.
Words ExpectedWords(const std::string& library, const std::string& path) {
  static const std::vector<std::string> stop_words = StopList();
  platform::Library plugin(platform::LoadLibrary(library));
  auto parse = plugin.Find<ParseItFn>(kParseItExport);
  auto next = plugin.Find<GetNextWordFn>(kGetNextWordExport);
  auto stop = plugin.Find<StopParseFn>(kStopParseExport);
  Words words;
  if (parse(path.c_str(), "")) {
    WordRecord rec{};
    rec.Capacity = 128;
    std::memset(rec.Buffer, 0, sizeof(rec.Buffer));
    while (next(&rec) && rec.Position != 0) {
      std::string word;
      if (rec.IsWide) {
        std::u16string wide;
        for (size_t i = 0; i + 1 < sizeof(rec.Buffer); i += 2) {
          const char16_t c = platform::ReadLe16(rec.Buffer + i);
          if (c == 0) break;
          wide += c;
        }
        word = platform::WideToAnsi(wide).substr(0, 127);
      } else {
        word.assign(reinterpret_cast<const char*>(rec.Buffer), std::min<size_t>(rec.Length, 127));
      }
      std::memset(rec.Buffer, 0, sizeof(rec.Buffer));
      if (word.size() < 3) continue;
      const auto digits = std::count_if(word.begin(), word.end(),
                                        [](char c) { return c >= '0' && c <= '9'; });
      const bool same = word.find_first_not_of(word[0]) == std::string::npos;
      if (same || digits > 4 || digits == static_cast<long>(word.size())) continue;
      if (word.size() <= 5 &&
          std::any_of(stop_words.begin(), stop_words.end(), [&](const std::string& s) {
            return platform::CompareIgnoringCase(s, word) == 0;
          })) {
        continue;
      }
      words.insert(platform::LowerAnsi(word).substr(0, 31));
    }
  }
  stop();
  return words;
}

class IndexWordsTest : public testing::SandboxTest {
 protected:
  // Indexes `folder` with Tamsel as the index `name` under the configuration `config` (the text
  // of "ORU.ini"), and decodes that index into `index`.
  void IndexWithTamsel(const std::string& config, const std::string& name,
                       const std::string& folder, testing::DecodedIndex* index) {
    testing::WriteFile(work_ + "ORU.ini", config);
    testing::WriteFile(dir_ / "job.ini",
                       "[Header]\nName=" + name + "\n[Folders]\nDir0=" + folder + "\n");
    const auto result = testing::RunProcess({kBin + "Tamsel", dir_ / "job.ini"}, env_);
    ASSERT_EQ(result.exit_status, 0) << result.err;
    ASSERT_EQ(testing::DecodeIndex(work_ + "Storages/" + name + "/", index), "");
  }
};

TEST_F(IndexWordsTest, EveryFileHoldsExactlyTheWordsItsParserHandsOut) {
  const std::string& corpus = corpus_;
  const std::string sep(1, testing::kSep);
  fs::create_directories(corpus + "word");
  for (const auto& entry : fs::directory_iterator(kSource + "plugins/parser-word/testdata")) {
    // Every document that gives words: an encrypted package gives none, by design.
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".doc" && name.find("encrypted") == std::string::npos) {
      fs::copy(entry.path(), corpus + "word" + sep + name);
    }
  }
  fs::copy(kSource + "samples", corpus + "samples", fs::copy_options::recursive);
  fs::create_directories(corpus + "mp3");
  fs::copy(kSource + "plugins/parser-mp3/testdata/tagged.mp3", corpus + "mp3" + sep + "tagged.mp3");

  const std::string suffix = platform::kLibrarySuffix;
  testing::DecodedIndex index;
  ASSERT_NO_FATAL_FAILURE(IndexWithTamsel(
      "[Files]\nWord=" + kBin + "Dovrin" + suffix + "\nMP3=" + kBin + "Mellic" + suffix +
          "\n[Storages]\nFolders=" + kBin + "Ferrow" + suffix + "\n[Folders]\n1=Word\n2=MP3\n",
      "all", corpus, &index));
  std::map<std::string, Words> words_of_file;
  for (const auto& [word, files] : testing::FilesByWord(index)) {
    for (const std::string& file : files) words_of_file[file].insert(word);
  }
  // Every (word, file) pair is posted once.
  for (const auto& [key, postings] : index.postings) {
    std::set<uint16_t> files;
    for (const auto& posting : postings) EXPECT_TRUE(files.insert(posting.first).second);
  }
  // The word list names each word once.
  EXPECT_EQ(std::set<std::string>(index.word_order.begin(), index.word_order.end()).size(),
            index.word_order.size());

  int files_with_words = 0;
  for (const testing::DecodedFile& file : index.files) {
    const bool mp3 = file.path.size() > 4 && file.path.substr(file.path.size() - 4) == ".mp3";
    const Words expected =
        ExpectedWords(kBin + (mp3 ? "Mellic" : "Dovrin") + suffix, file.path);
    EXPECT_EQ(words_of_file[file.path], expected) << file.path;
    if (!expected.empty()) ++files_with_words;
  }
  // Every document (originals, re-laid copies, samples) and every tag yields words.
  EXPECT_EQ(files_with_words, static_cast<int>(index.files.size()));
  EXPECT_EQ(index.files.size(), 18u + 3u + 2u + 1u);
}

// Documents in nine scripts, as an office suite writes them, in a UTF-8 index: words of every
// script are kept folded, and Chinese, Japanese and Korean by their pairs of characters, each for
// exactly the documents of its language (the same on every platform).
TEST_F(IndexWordsTest, AUtf8IndexKeepsTheWordsOfEveryScript) {
  const std::string scripts = corpus_ + "scripts" + testing::kSep;
  fs::copy(kSource + "tests/testdata/scripts", scripts, fs::copy_options::recursive);
  const std::string suffix = platform::kLibrarySuffix;
  std::string config = "[Files]\n";
  std::string folders = "[Folders]\n";
  int number = 0;
  for (const char* parser : {"Dovrin", "Tavrel", "Quillet", "Odrane", "Rivand", "Pelkan"}) {
    config += std::string(parser) + "=" + kBin + parser + suffix + "\n";
    folders += std::to_string(++number) + "=" + parser + "\n";
  }
  testing::DecodedIndex index;
  ASSERT_NO_FATAL_FAILURE(IndexWithTamsel(config + "[Storages]\nFolders=" + kBin + "Ferrow" +
                                              suffix + "\n" + folders +
                                              "[Options]\nIndexEncoding=UTF-8\n",
                                          "scripts", corpus_, &index));
  const auto files_by_word = testing::FilesByWord(index);
  const std::map<std::string, std::vector<std::string>> words = {
      {"ru", {"приложение", "заказчик", "счёт"}},     {"uk", {"ґрунтовна", "їжачків"}},
      {"el", {"ανάλυση", "σημαντική", "χθεσ"}},        {"pl", {"zamawiający", "źródłowe"}},
      {"cs", {"příliš", "žluťoučký", "kůň"}},          {"tr", {"İstanbul", "ışıldıyor", "öğrenciler"}},
      {"zh", {"中华", "图书", "汉语"}},                {"ja", {"東京", "タワ", "勉強"}},
      {"ko", {"대한", "서울", "공부"}},
  };
  for (const auto& [language, kept] : words) {
    std::set<std::string> documents;
    for (const char* type : {".doc", ".docx", ".odt", ".pdf", ".rtf", ".txt"}) {
      documents.insert(scripts + language + type);
    }
    for (const std::string& word : kept) {
      const auto found = files_by_word.find(word);
      ASSERT_NE(found, files_by_word.end()) << word;
      EXPECT_EQ(found->second, documents) << word;
    }
  }
}

}  // namespace
}  // namespace oru
