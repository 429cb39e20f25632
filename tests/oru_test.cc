// The oru tool end to end: `oru index` runs the built Tamsel over a folder, `oru search` reads
// the index it wrote and asks the plug-ins for fragments, `oru status` lists the indexes. Run as
// a user would (no display, standard input not a terminal).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <thread>
#include <filesystem>
#include <map>
#include <string>

#include "indexer/engine/index_format.h"
#include "platform/ini.h"
#include "platform/md5.h"
#include "platform/mutex.h"
#include "platform/scoped_env.h"
#include "platform/window_message.h"
#include "tests/support/process.h"
#include "tests/support/sandbox.h"
#include "tests/support/temp_dir.h"

namespace oru {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

const std::string kBin = std::string(ORU_BIN_DIR) + "/";
const std::string kSource = std::string(ORU_SOURCE_DIR) + "/";

std::string Hex(const std::string& bytes) {
  std::string out;
  char digits[3];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof(digits), "%02x", c);
    out += digits;
  }
  return out;
}

class OruTest : public testing::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    WriteConfig();
    WriteFile(corpus_ + "a.txt", "The harbour engines hummed through the night.");
    WriteFile(corpus_ + "sub/b.txt", "Harbour master's notes: tides, engines.");
    WriteFile(corpus_ + "c.txt", "Nothing but ordinary words in this one.");
  }

  testing::ProcessResult Oru(const std::vector<std::string>& args, int interrupt_after_ms = -1) {
    std::vector<std::string> argv{kBin + "oru"};
    argv.insert(argv.end(), args.begin(), args.end());
    return testing::RunProcess(argv, env_, nullptr, 60, interrupt_after_ms);
  }

  void Index(const std::string& name = "t") {
    const auto result = Oru({"index", corpus_, "--name", name});
    ASSERT_EQ(result.exit_status, 0) << result.err;
    ASSERT_NE(result.out.find("index written"), std::string::npos) << result.out;
  }

  void SetIndexed(const std::string& name, const char* value) {
    platform::ProfileFile::Open(work_ + "storages.ini").WriteString("Indexed", name, value);
  }

};

TEST_F(OruTest, FindsTheFilesThatHoldEveryWordWithFragments) {
  Index();
  auto result = Oru({"search", "--name", "t", "ENGINES"});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out, corpus_ + "a.txt\n    The harbour engines hummed through the night.\n" +
                            corpus_ + "sub/b.txt\n    master's notes: tides, engines.\n");
  // The fragment is cut around the first hit of any query word.
  result = Oru({"search", "--name", "t", "engines", "tides"});
  EXPECT_EQ(result.out, corpus_ + "sub/b.txt\n    Harbour master's notes: tides, engines.\n");
  result = Oru({"search", "--name", "t", "engines", "ordinary"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.out, "");
  result = Oru({"search", "--name", "t", "zebra"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find("no file"), std::string::npos);
}

TEST_F(OruTest, FragmentsAreAWindowAroundTheFirstHitOnOneLine) {
  std::string text;
  for (int i = 0; i < 15; ++i) text += "abcdef ";
  text += "the\tsecret\r\nharbour ";
  for (int i = 0; i < 15; ++i) text += "ghijkl ";
  WriteFile(corpus_ + "long.txt", text + "secret");
  Index();
  // 60 characters around the middle of the first hit, less the words cut at both ends.
  const auto result = Oru({"search", "--name", "t", "--json", "secret"});
  EXPECT_EQ(result.out, "{\"path\":\"" + corpus_ +
                            "long.txt\",\"index\":\"t\",\"state\":\"current\",\"fragment\":"
                            "\"abcdef abcdef abcdef the secret harbour ghijkl ghijkl\"}\n");
}

// Hits are checked against the files as they are now.
TEST_F(OruTest, HitsThatAreNoLongerTrueAreLeftOutUnlessAsked) {
  WriteFile(corpus_ + "d.txt", "Harbour engines, again.");
  Index();
  fs::remove(corpus_ + "a.txt");
  WriteFile(corpus_ + "sub/b.txt", "Harbour master's notes, rewritten: tides.");  // no "engines"
  WriteFile(corpus_ + "d.txt", "Engines of the harbour, longer now.");
  auto result = Oru({"search", "--name", "t", "engines"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, corpus_ + "d.txt\n    Engines of the harbour, longer now.\n");
  EXPECT_NE(result.err.find("2 hits left out: files gone since indexing: 1, changed and no "
                            "longer holding every word: 1; 'oru index --update'"),
            std::string::npos)
      << result.err;
  result = Oru({"search", "--name", "t", "--all", "--json", "engines"});
  EXPECT_EQ(result.out,
            "{\"path\":\"" + corpus_ + "a.txt\",\"index\":\"t\",\"state\":\"gone\",\"fragment\":null}\n" +
                "{\"path\":\"" + corpus_ + "d.txt\",\"index\":\"t\",\"state\":\"changed\",\"fragment\":"
                "\"Engines of the harbour, longer now.\"}\n" +
                "{\"path\":\"" + corpus_ +
                "sub/b.txt\",\"index\":\"t\",\"state\":\"changed\",\"fragment\":null}\n");
  result = Oru({"search", "--name", "t", "--all", "hummed"});
  EXPECT_EQ(result.out, corpus_ + "a.txt  (gone since indexing)\n");
  result = Oru({"search", "--name", "t", "hummed"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.out, "");
  // status --check counts the same.
  result = Oru({"status", "--check", "t"});
  EXPECT_EQ(result.out.substr(0, result.out.find('\n')),
            "t: 4 files recorded, 1 gone and 2 changed since indexing");
}

TEST_F(OruTest, TheLimitListsTheFirstHitsAndCountsTheRest) {
  for (int i = 0; i < 5; ++i) WriteFile(corpus_ + "n" + std::to_string(i) + ".txt", "net");
  Index();
  auto result = Oru({"search", "--name", "t", "--limit", "2", "net"});
  EXPECT_EQ(result.out, corpus_ + "n0.txt\n    net\n" + corpus_ + "n1.txt\n    net\n" +
                            "... and 3 more hits, not checked (--limit N lists N, --limit 0 lists all)\n");
  result = Oru({"search", "--name", "t", "--json", "net"});
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 5);
  EXPECT_EQ(Oru({"search", "--name", "t", "--limit", "x", "net"}).exit_status, 2);
}

// A name cannot fake lines of output or send terminal escapes; JSON keeps its exact bytes.
TEST_F(OruTest, PathsAreEscapedOnTheTerminalAndKeptExactInJson) {
  WriteFile(corpus_ + "x\n\x1B[31mfake.txt", "quayside");
  WriteFile(corpus_ + "caf\xE9.txt", "quayside");
  Index();
  auto result = Oru({"search", "--name", "t", "quayside"});
  EXPECT_EQ(result.out, corpus_ + "caf\xC3\xA9.txt\n    quayside\n" + corpus_ +
                            "x\\n\\033[31mfake.txt\n    quayside\n");
  result = Oru({"search", "--name", "t", "--json", "quayside"});
  EXPECT_NE(result.out.find("\"path\":\"" + corpus_ + "caf\xC3\xA9.txt\",\"path_bytes\":\"" +
                            Hex(corpus_ + "caf\xE9.txt") + "\""),
            std::string::npos)
      << result.out;
}

TEST_F(OruTest, QueryWordsAreNormalisedAsTheIndexerDoes) {
  const std::string long_word = "pneumonoultramicroscopicsilicovolcanoconiosis";  // 45 bytes
  WriteFile(corpus_ + "d.txt", "Caf\xE9 cr\xE8me with " + long_word);             // Windows-1252
  Index();
  auto result = Oru({"search", "--name", "t", "CAFÉ"});
  EXPECT_EQ(result.out, corpus_ + "d.txt\n    Café crème with\n");
  // The index keeps 31 bytes of a word: any word with those 31 bytes finds it.
  result = Oru({"search", "--name", "t", long_word.substr(0, 31) + "xyz"});
  EXPECT_EQ(result.out, corpus_ + "d.txt\n    with " + long_word + "\n");
  // Words the indexer never keeps are left out of the query, with a note.
  result = Oru({"search", "--name", "t", "the", "of", "crème"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_NE(result.err.find("'the' is a stop word"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("'of' is shorter"), std::string::npos) << result.err;
  result = Oru({"search", "--name", "t", "caf\xE9"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.err, "oru: the query word is not valid UTF-8\n");
}

TEST_F(OruTest, ADamagedIndexFileIsNamedWithTheOffset) {
  Index();
  const std::string part =
      work_ + "Storages/t/" +
      index_format::PartFileName(index_format::PartOf(platform::WordHash("engines")));
  std::string bytes = ReadFile(part);
  ASSERT_GT(bytes.size(), 4096u);
  const uint32_t block =
      index_format::GetU32(reinterpret_cast<const uint8_t*>(bytes.data()) +
                           4 * index_format::BucketOf(platform::WordHash("engines")));
  bytes[block + 3] = '\x7F';  // a posting count far beyond the file
  WriteFile(part, bytes);
  auto result = Oru({"search", "--name", "t", "engines"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_NE(result.err.find("damaged index file " + part + " at offset " + std::to_string(block)),
            std::string::npos)
      << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);

  const std::string file_index = work_ + "Storages/t/Fileindex.fnd";
  bytes = ReadFile(file_index);
  WriteFile(file_index, bytes.substr(0, bytes.size() - 1));
  result = Oru({"search", "--name", "t", "hummed"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_NE(result.err.find(file_index + " at offset "), std::string::npos) << result.err;
}

TEST_F(OruTest, AnIncompleteIndexIsSearchedOnlyWithPartial) {
  Index();
  SetIndexed("t", "0");
  auto result = Oru({"search", "--name", "t", "tides"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_NE(result.err.find("incomplete"), std::string::npos);
  result = Oru({"search", "--name", "t", "--partial", "tides"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, corpus_ + "sub/b.txt\n    Harbour master's notes: tides, engines.\n");
  result = Oru({"search", "--name", "missing", "tides"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_NE(result.err.find("no index named 'missing'"), std::string::npos);
}

TEST_F(OruTest, AnUpdateAddsNewFilesToTheIndex) {
  Index();
  WriteFile(corpus_ + "e.txt", "A brass lantern.");
  const auto result = Oru({"index", corpus_, "--name", "t", "--update"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_NE(ReadFile(work_ + "t.job.ini").find("Updating=1"), std::string::npos);
  EXPECT_EQ(Oru({"search", "--name", "t", "lantern"}).out,
            corpus_ + "e.txt\n    A brass lantern.\n");
  EXPECT_EQ(Oru({"search", "--name", "t", "hummed"}).exit_status, 0);
}

TEST_F(OruTest, AStopWithoutSavingIsReported) {
  for (int i = 0; i < 40; ++i) WriteFile(corpus_ + "slow" + std::to_string(i) + ".txt", "slow");
  env_.push_back("ORU_TEST_PARSER_DELAY_MS=100");
  const auto result = Oru({"index", corpus_, "--name", "t"}, 1500);
  EXPECT_EQ(result.exit_status, 1) << result.err;
  EXPECT_NE(result.out.find("stopped without saving"), std::string::npos) << result.out;
  EXPECT_EQ(platform::ProfileFile::Open(work_ + "storages.ini").GetString("Indexed", "t", ""), "");
}

TEST_F(OruTest, AnotherSearchWindowGetsTheMessageAndTheRunStillReports) {
  platform::ScopedEnv runtime("XDG_RUNTIME_DIR", (dir_ / "run").c_str());
  platform::MessageWindow window;
  ASSERT_EQ(platform::MessageWindow::Create("TfMainQuery", "Trovella 1.2", &window),
            platform::Result::kOk);
  Index();
  platform::WindowMessage message;
  ASSERT_TRUE(window.Receive(&message, 0));
  EXPECT_EQ(message.number, 20924);
  EXPECT_EQ(message.wparam, 1);
}

TEST_F(OruTest, TamselsFailuresAreReported) {
  WriteFile(work_ + "ORU.ini", "[Files]\nText=" + kBin + "TextParser.so\n");
  auto result = Oru({"index", corpus_});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find("could not load its plug-ins"), std::string::npos) << result.err;
  // Tamsel's own line says why.
  EXPECT_NE(result.err.find("Tamsel: cannot use configuration " + work_ + "ORU.ini: [Storages] "
                            "names no plug-in for the storage type Folders\n"),
            std::string::npos)
      << result.err;
  result = Oru({"index", dir_ / "nowhere"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.err, "oru: there is no folder " + (dir_ / "nowhere") + "\n");
  EXPECT_EQ(Oru({"index", corpus_, "--name", "../x"}).exit_status, 2);
  result = Oru({"search", "--name", "t"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.err, "oru: no word to search for (see 'oru search --help')\n");
  EXPECT_EQ(Oru({"index", "--help"}).exit_status, 0);
  EXPECT_EQ(Oru({"frobnicate"}).exit_status, 2);
}

TEST_F(OruTest, StatusListsTheIndexes) {
  Index("complete-one");
  Index("other");
  SetIndexed("other", "0");
  const auto result = Oru({"status"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_NE(result.out.find("complete-one  complete          3        "), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("other         incomplete        3"), std::string::npos) << result.out;
}

// One command indexes a tree in which parsers crash, abort and hang on three files: Tamsel is
// run again until every other file is indexed, and the files left unread are listed.
TEST_F(OruTest, OneIndexCommandFinishesOverFilesThatCrashOrHangTheirParsers) {
  WriteFile(work_ + "ORU.ini", ReadFile(work_ + "ORU.ini") + "[Options]\nParseTimeLimit=1\n");
  for (const char* bad : {"crash-me", "abort-me", "hang-me", "refuse-me"}) {
    WriteFile(corpus_ + "sub/" + bad + ".txt", "harbour");
  }
  auto result = Oru({"index", corpus_, "--name", "t"});
  ASSERT_EQ(result.exit_status, 0) << result.out << result.err;
  for (const char* skipped : {"crash-me.txt (crashed)", "abort-me.txt (crashed)",
                                    "hang-me.txt (timed out)"}) {
    EXPECT_NE(result.out.find("skipped: " + corpus_ + "sub/" + skipped + "\n"),
              std::string::npos)
        << result.out;
  }
  EXPECT_NE(result.out.find("unread:        1 files their parsers refused"), std::string::npos)
      << result.out;
  result = Oru({"search", "--name", "t", "harbour"});
  EXPECT_EQ(result.out.find("-me.txt"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(corpus_ + "a.txt\n"), std::string::npos) << result.out;

  result = Oru({"status", "--failed", "t", "--json"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = result.out.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string line = result.out.substr(at, end - at);
    // The time each was recorded, then the rest as it is.
    const size_t when = line.find(",\"when\":\"");
    ASSERT_NE(when, std::string::npos) << line;
    EXPECT_EQ(line.size() - when, std::string(",\"when\":\"2024-01-01T00:00:00Z\"}").size());
    lines.push_back(line.substr(0, when));
  }
  const std::string sub = "{\"path\":\"" + corpus_ + "sub/";
  EXPECT_EQ(lines, (std::vector<std::string>{sub + "abort-me.txt\",\"reason\":\"crashed\"",
                                             sub + "crash-me.txt\",\"reason\":\"crashed\"",
                                             sub + "hang-me.txt\",\"reason\":\"timed out\"",
                                             sub + "refuse-me.txt\",\"reason\":\"refused\""}));
  result = Oru({"status", "--failed", "t"});
  EXPECT_NE(result.out.find("timed out  20"), std::string::npos) << result.out;
  // Gone files lose their records.
  for (const char* bad : {"crash-me", "abort-me", "hang-me", "refuse-me"}) {
    fs::remove(corpus_ + "sub/" + bad + ".txt");
  }
  ASSERT_EQ(Oru({"index", corpus_, "--name", "t", "--update"}).exit_status, 0);
  EXPECT_EQ(Oru({"status", "--failed", "t"}).out, "t: every file was read by its parser\n");
}

// The query language end to end: each form, and forms together, over the three files.
TEST_F(OruTest, EveryFormOfTheQueryLanguageFindsItsFiles) {
  Index();
  // The paths alone, in path order: a.txt, c.txt, sub/b.txt.
  const auto paths = [&](const std::vector<std::string>& query) {
    std::vector<std::string> args{"search", "--name", "t", "-l", "--sort", "path"};
    args.insert(args.end(), query.begin(), query.end());
    std::string out = Oru(args).out;
    for (size_t at; (at = out.find(corpus_)) != std::string::npos;) out.erase(at, corpus_.size());
    return out;
  };
  EXPECT_EQ(paths({"engines", "OR", "ordinary"}), "a.txt\nc.txt\nsub/b.txt\n");
  EXPECT_EQ(paths({"engines OR ordinary"}), "a.txt\nc.txt\nsub/b.txt\n");  // one argument
  EXPECT_EQ(paths({"engines", "-tides"}), "a.txt\n");
  EXPECT_EQ(paths({"HARB*"}), "a.txt\nsub/b.txt\n");
  EXPECT_EQ(paths({"\"harbour engines\""}), "a.txt\n");
  EXPECT_EQ(paths({"\"the HARBOUR, engines\""}), "a.txt\n");  // a stop word in the phrase too
  EXPECT_EQ(paths({"\"engines harbour\""}), "");
  EXPECT_EQ(paths({"ext:TXT", "dir:" + corpus_ + "sub/"}), "sub/b.txt\n");
  EXPECT_EQ(paths({"(hummed OR tides) -night"}), "sub/b.txt\n");
  EXPECT_EQ(paths({"size>40"}), "a.txt\n");  // 46 bytes; the others 39
  EXPECT_EQ(paths({"size<40", "-ordinary"}), "sub/b.txt\n");
  EXPECT_EQ(paths({"after:2000-01-01", "-harbour"}), "c.txt\n");
  EXPECT_EQ(paths({"before:2000-01-01 OR ext:doc"}), "");
  EXPECT_EQ(paths({"ordinary", "--", "-tides"}), "");  // after --, "-tides" is a word to hold
  // A hit whose file changed is asked the whole query again, of its text as it is now.
  WriteFile(corpus_ + "a.txt", "The harbour at night; the engines hummed.");
  EXPECT_EQ(paths({"\"harbour engines\""}), "");
  EXPECT_EQ(paths({"harbour -tides"}), "a.txt\n");
  auto result = Oru({"search", "--name", "t", "--all", "\"harbour engines\" OR zebra"});
  EXPECT_EQ(result.out, "");  // the phrase is read when evaluated: a.txt no longer holds it
  result = Oru({"search", "--name", "t", "--all", "through -tides"});
  EXPECT_EQ(result.out, corpus_ + "a.txt  (changed since indexing: no longer matches the query)\n");
  // Words no index holds are left out with a note; so is a side of OR made of them.
  result = Oru({"search", "--name", "t", "-l", "tides OR \"of the\""});
  EXPECT_EQ(result.out, corpus_ + "sub/b.txt\n");
  EXPECT_NE(result.err.find("'\"of the\"' holds no word the indexer keeps"), std::string::npos)
      << result.err;
}

TEST_F(OruTest, OutputOptionsListCountSortAndPage) {
  WriteFile(corpus_ + "big.txt", "harbour " + std::string(200, 'x'));
  Index();
  auto result = Oru({"search", "--name", "t", "--count", "harbour"});
  EXPECT_EQ(result.out, "3\n");
  result = Oru({"search", "--name", "t", "-0", "--sort", "size", "--desc", "harbour"});
  EXPECT_EQ(result.out, corpus_ + "big.txt" + '\0' + corpus_ + "a.txt" + '\0' + corpus_ +
                            "sub/b.txt" + '\0');
  result = Oru({"search", "--name", "t", "-l", "--sort", "path", "--offset", "1", "--limit", "1",
                "harbour"});
  EXPECT_EQ(result.out, corpus_ + "big.txt\n");
  EXPECT_EQ(result.err, "... and 1 more hits, not checked (--limit N lists N, --limit 0 lists all)\n");
  result = Oru({"search", "--name", "t", "--json", "--sort", "path", "--offset", "2", "harbour"});
  EXPECT_EQ(result.out, "{\"path\":\"" + corpus_ +
                            "sub/b.txt\",\"index\":\"t\",\"state\":\"current\",\"fragment\":"
                            "\"Harbour master's notes: tides, engines.\"}\n");
  EXPECT_EQ(Oru({"search", "--name", "t", "--sort", "name", "harbour"}).exit_status, 2);
  EXPECT_EQ(Oru({"search", "--name", "t", "--offset", "-1", "harbour"}).exit_status, 2);
}

TEST_F(OruTest, AMalformedQueryIsOneLineSayingWhere) {
  Index();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"harbour OR", "the query 'harbour OR' is malformed at character 9: 'OR' needs a term on each side"},
      {"(café", "the query '(café' is malformed at character 1: the '(' is never closed"},
      {"a\"b", "the query 'a\"b' is malformed at character 2: the quote is never closed"},
      {"size>1T", "the query 'size>1T' is malformed at character 1: '1T' is no size (digits, then K, M or G)"},
  };
  for (const auto& [query, message] : cases) {
    const auto result = Oru({"search", "--name", "t", query});
    EXPECT_EQ(result.exit_status, 2) << query;
    EXPECT_EQ(result.err, "oru: " + message + "\n");
    EXPECT_EQ(result.out, "");
  }
}

// A small file-number limit stands in for the real one, for oru and Tamsel alike.
class OruGroupTest : public OruTest {
 protected:
  void SetUp() override {
    OruTest::SetUp();
    env_.push_back("ORU_TEST_FILE_LIMIT=8");  // seven files to an index when splitting
  }
  void Files(const std::string& folder, int from, int to) {
    for (int i = from; i < to; ++i) {
      WriteFile(tree_ + folder + "/f" + std::to_string(i) + ".txt", "wharf w" + std::to_string(i));
    }
  }
  // The hits' paths below the tree, in order.
  std::string Hits(const std::vector<std::string>& args) {
    std::string paths;
    const auto result = Oru(args);
    for (size_t at = 0; (at = result.out.find(tree_, at)) != std::string::npos;) {
      const size_t end = result.out.find('\n', at);
      paths += result.out.substr(at + tree_.size(), end - at - tree_.size()) + " ";
      at = end;
    }
    return paths;
  }
  const std::string tree_ = dir_ / "tree" + "/";
};

TEST_F(OruGroupTest, ATreeOverTheLimitIsSplitAndSearchedAsOneIndex) {
  Files("p", 0, 4);
  Files("q", 4, 8);
  Files("r", 8, 11);
  auto result = Oru({"index", tree_, "--name", "g"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_NE(result.out.find("'g' takes 2 indexes"), std::string::npos) << result.out;
  EXPECT_NE(ReadFile(work_ + "g.job.ini").find("Dir0=" + tree_ + "p\n"), std::string::npos);
  EXPECT_NE(ReadFile(work_ + "g.2.job.ini").find("Dir0=" + tree_ + "q\nDir1=" + tree_ + "r\n"),
            std::string::npos);
  EXPECT_EQ(platform::ProfileFile::Open(work_ + "groups.ini").GetString("g", "Part2", ""), "g.2");
  const std::string all = "p/f0.txt p/f1.txt p/f2.txt p/f3.txt q/f4.txt q/f5.txt q/f6.txt "
                          "q/f7.txt r/f10.txt r/f8.txt r/f9.txt ";
  EXPECT_EQ(Hits({"search", "--name", "g", "wharf"}), all);
  // Every form over both indexes of the group.
  EXPECT_EQ(Hits({"search", "--name", "g", "whar*"}), all);
  // "w1" is too short for the index: the prefix finds "w10" alone.
  EXPECT_EQ(Hits({"search", "--name", "g", "w1* OR \"wharf w4\""}), "q/f4.txt r/f10.txt ");
  EXPECT_EQ(Hits({"search", "--name", "g", "wharf -dir:" + tree_ + "p -dir:" + tree_ + "q"}),
            "r/f10.txt r/f8.txt r/f9.txt ");
  EXPECT_EQ(Hits({"search", "--name", "g", "--sort", "path", "--desc", "--limit", "2", "ext:txt"}),
            "r/f9.txt r/f8.txt ");
  EXPECT_NE(Oru({"status"}).out.find("g (2 indexes)  complete         11"), std::string::npos);

  // An update splits the index that outgrew the limit and adds one for a new folder.
  Files("r", 11, 15);
  Files("s", 15, 16);
  result = Oru({"index", tree_, "--name", "g", "--update"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_NE(ReadFile(work_ + "g.job.ini").find("Updating=1"), std::string::npos);
  const platform::ProfileFile groups = platform::ProfileFile::Open(work_ + "groups.ini");
  EXPECT_EQ(groups.GetString("g", "Part3", "") + groups.GetString("g", "Part4", ""), "g.3g.4");
  EXPECT_EQ(Hits({"search", "--name", "g", "w15"}), "s/f15.txt ");
  EXPECT_EQ(Hits({"search", "--name", "g", "wharf"}).size(), all.size() + 50);

  // Several names, and every index at once, in order index by index.
  Index("t");
  WriteFile(corpus_ + "w.txt", "wharf");
  EXPECT_EQ(Oru({"index", corpus_, "--name", "t"}).exit_status, 0);
  result = Oru({"search", "--name", "t", "--name", "g", "--json", "wharf"});
  EXPECT_EQ(result.out.find(corpus_ + "w.txt"), 9u) << result.out;
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 17);
  result = Oru({"search", "--all-indexes", "--json", "wharf"});
  EXPECT_EQ(result.out.rfind(corpus_ + "w.txt"), result.out.rfind("{") + 9) << result.out;
}

// The files directly in a folder split by its subfolders go to the indexes one by one, and a
// new one joins the index that holds the others.
TEST_F(OruGroupTest, TheLooseFilesOfASplitFolderAreIndexedToo) {
  WriteFile(tree_ + "l0.txt", "wharf loose");
  WriteFile(tree_ + "l1.txt", "wharf loose");
  Files("p", 0, 4);
  Files("q", 4, 8);
  auto result = Oru({"index", tree_, "--name", "g"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.err.find("not indexed"), std::string::npos) << result.err;
  EXPECT_NE(ReadFile(work_ + "g.job.ini")
                .find("Dir0=" + tree_ + "l0.txt\nDir1=" + tree_ + "l1.txt\nDir2=" + tree_ + "p\n"),
            std::string::npos);
  EXPECT_EQ(Hits({"search", "--name", "g", "loose"}), "l0.txt l1.txt ");
  EXPECT_EQ(Hits({"search", "--name", "g", "wharf"}).size(), 86u);

  WriteFile(tree_ + "l2.txt", "wharf loose");
  result = Oru({"index", tree_, "--name", "g", "--update"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_NE(ReadFile(work_ + "g.job.ini").find("Updating=1"), std::string::npos);
  EXPECT_EQ(platform::ProfileFile::Open(work_ + "groups.ini").GetString("g", "Part3", ""), "");
  EXPECT_EQ(Hits({"search", "--name", "g", "loose"}), "l0.txt l1.txt l2.txt ");
}

TEST_F(OruGroupTest, AFolderOverTheLimitByItselfIsIndexedUpToItWithALine) {
  Files("flat", 0, 10);
  const auto result = Oru({"index", tree_, "--name", "f"});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_NE(result.err.find("Tamsel: the index holds the most files it can (8); the walk "
                            "stopped in " + tree_ + "flat/"),
            std::string::npos)
      << result.err;
  EXPECT_NE(result.out.find("(8 files,"), std::string::npos) << result.out;
  EXPECT_FALSE(fs::exists(work_ + "groups.ini"));
}

#if !defined(_WIN32)
// Waits until no Tamsel of the sandbox runs (the one a killed oru started goes on alone).
void WaitForTamsel(const std::string& runtime) {
  platform::ScopedEnv runtime_dir("XDG_RUNTIME_DIR", runtime.c_str());
  for (int tries = 0; tries < 3000; ++tries) {
    platform::InstanceMutex mutex;
    if (platform::InstanceMutex::Acquire("tamsel", &mutex).ok()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ADD_FAILURE() << "a Tamsel still runs";
}

// oru index of a group killed at any instant, while its layout changes: a search of the group
// afterwards gives each file at most once and the files every layout holds (the first ones)
// exactly once, or says that the group is incomplete.
TEST_F(OruGroupTest, AGroupRunKilledAtAnyInstantLeavesAWholeGroup) {
  Files("p", 0, 4);
  Files("q", 4, 8);
  ASSERT_EQ(Oru({"index", tree_, "--name", "g"}).exit_status, 0);
  std::mt19937 random(2026);
  std::set<std::string> files;
  for (int i = 0; i < 8; ++i) files.insert("f" + std::to_string(i));
  const std::set<std::string> first = files;
  int next = 8;
  int incomplete = 0;
  for (int round = 0; round < 30; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // A new folder each round: a fresh run packs the folders anew, an update adds indexes.
    const int count = 1 + static_cast<int>(random() % 5);
    Files("n" + std::to_string(round), next, next + count);
    for (int i = next; i < next + count; ++i) files.insert("f" + std::to_string(i));
    next += count;
    std::vector<std::string> argv{kBin + "oru", "index", tree_, "--name", "g"};
    if (round % 2 == 1) argv.push_back("--update");
    testing::BackgroundProcess run;
    ASSERT_TRUE(run.Start(argv, env_, dir_ / "run.log"));
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 600));
    run.Kill();
    WaitForTamsel(dir_ / "run");

    const auto result = Oru({"search", "--name", "g", "--json", "--limit", "0", "wharf"});
    if (result.exit_status == 3) {
      ++incomplete;
      continue;
    }
    ASSERT_EQ(result.exit_status, 0) << result.err;
    std::multiset<std::string> found;
    for (size_t at = 0; (at = result.out.find("/f", at)) != std::string::npos; ++at) {
      found.insert(result.out.substr(at + 1, result.out.find(".txt", at) - at - 1));
    }
    for (const std::string& file : found) {
      EXPECT_EQ(found.count(file), 1u) << file;
      EXPECT_EQ(files.count(file), 1u) << file;
    }
    for (const std::string& file : first) EXPECT_EQ(found.count(file), 1u) << file;
  }
  // A run that is not killed makes the group whole again.
  ASSERT_EQ(Oru({"index", tree_, "--name", "g", "--update"}).exit_status, 0);
  const auto result = Oru({"search", "--name", "g", "--json", "--limit", "0", "wharf"});
  EXPECT_EQ(static_cast<size_t>(std::count(result.out.begin(), result.out.end(), '\n')),
            files.size());
  EXPECT_LT(incomplete, 30);
}

// A group that shrinks leaves no record of the indexes it no longer needs, and a record whose
// folder is gone is passed over by --all-indexes with a warning.
TEST_F(OruGroupTest, IndexesAGroupNoLongerNeedsLeaveNoRecords) {
  Files("p", 0, 4);
  Files("q", 4, 8);
  Files("r", 8, 11);
  ASSERT_EQ(Oru({"index", tree_, "--name", "g"}).exit_status, 0);
  ASSERT_NE(platform::ProfileFile::Open(work_ + "groups.ini").GetString("g", "Part2", ""), "");
  fs::remove_all(tree_ + "q");
  fs::remove_all(tree_ + "r");
  ASSERT_EQ(Oru({"index", tree_, "--name", "g"}).exit_status, 0);
  const platform::ProfileFile records = platform::ProfileFile::Open(work_ + "storages.ini");
  const std::vector<std::string> parts = {
      platform::ProfileFile::Open(work_ + "groups.ini").GetString("g", "Part1", "")};
  for (const std::string& name : records.KeyNames("Indexed")) {
    EXPECT_EQ(name, parts[0]);
  }
  SetIndexed("ghost", "1");
  const auto result = Oru({"search", "--all-indexes", "--json", "wharf"});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_NE(result.err.find("the index 'ghost' is recorded but its folder is gone; skipped"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 4);
}

// A search that meets an index while a run switches its files waits for the switch.
TEST_F(OruTest, ASearchDuringASwitchWaitsForIt) {
  Index();
  SetIndexed("t", "0");
  const std::string folder = work_ + "Storages/t/";
  WriteFile(folder + "0.fnw.new", "being put in place");
  testing::BackgroundProcess search;
  ASSERT_TRUE(search.Start({kBin + "oru", "search", "--name", "t", "harbour"}, env_,
                           dir_ / "search.log"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  fs::remove(folder + "0.fnw.new");  // the old files go, then the index is recorded complete
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  SetIndexed("t", "1");
  EXPECT_EQ(search.Wait(30), 0) << ReadFile(dir_ / "search.log");
}

// Two runs of one name at once: the second waits for the first, and each reports what its own
// Tamsel did.
TEST_F(OruTest, TwoRunsOfOneNameTakeTurns) {
  testing::BackgroundProcess first;
  testing::BackgroundProcess second;
  const std::vector<std::string> argv{kBin + "oru", "index", corpus_, "--name", "t"};
  ASSERT_TRUE(first.Start(argv, env_, dir_ / "first.log"));
  ASSERT_TRUE(second.Start(argv, env_, dir_ / "second.log"));
  EXPECT_EQ(first.Wait(60), 0) << ReadFile(dir_ / "first.log");
  EXPECT_EQ(second.Wait(60), 0) << ReadFile(dir_ / "second.log");
  for (const char* log : {"first.log", "second.log"}) {
    EXPECT_NE(ReadFile(dir_ / log).find("index written"), std::string::npos) << ReadFile(dir_ / log);
  }
  EXPECT_EQ(Oru({"search", "--name", "t", "--json", "harbour"}).exit_status, 0);
  EXPECT_FALSE(fs::exists(work_ + "t.job.ini.new"));
}
#endif

// The real parser plug-ins, on their fixtures.
TEST_F(OruTest, WordDocumentsAndTagsGiveTheirFragments) {
  const std::string doc = kSource + "plugins/parser-word/testdata/accents.first.doc";
  const std::string mp3 = kSource + "plugins/parser-mp3/testdata/tagged.mp3";
  fs::copy(doc, corpus_ + "accents.doc");
  fs::copy(mp3, corpus_ + "tagged.mp3");
  Index();
  auto result = Oru({"search", "--name", "t", "dusk"});
  EXPECT_EQ(result.out, corpus_ +
                            "tagged.mp3\n    Title: Harbour Lights at Dusk Artist: The "
                            "Quiet Engines Album: Northern Routes Year: 2004 Comments: "
                            "recorded live\n");
  result = Oru({"search", "--name", "t", "Façade"});
  EXPECT_EQ(
      result.out,
      corpus_ + "accents.doc\n    painter sketched the old façade while the waiter brought\n");
}

// Documents in many scripts, as an office suite writes them (tests/testdata/scripts/, made by
// scripts/make-script-documents.sh), in a UTF-8 index: every word of each text finds exactly
// the documents of its language, in any letter case; Chinese, Japanese and Korean are found by
// every pair of characters and by whole runs. A Windows-1252 index beside it answers the same
// command for the words it can keep.
TEST_F(OruTest, AUtf8IndexFindsEveryWordOfEveryScript) {
  const std::string fixtures = kSource + "tests/testdata/scripts/";
  fs::copy(fixtures, corpus_ + "scripts");
  // The default configuration: every parser, and UTF-8 indexes.
  fs::remove(work_ + "ORU.ini");
  ASSERT_EQ(Oru({"setup"}).exit_status, 0);
  Index("u");
  platform::ProfileFile::Open(work_ + "ORU.ini").WriteString("Options", "IndexEncoding",
                                                             "Windows-1252");
  Index("c");

  // The documents a word finds, by their names.
  const auto found = [&](const std::string& index, const std::string& word) {
    const std::string out = Oru({"search", "--name", index, "-l", word}).out;
    std::string names;
    for (size_t at = 0; at < out.size(); at = out.find('\n', at) + 1) {
      const size_t slash = out.rfind('/', out.find('\n', at));
      names += out.substr(slash + 1, out.find('\n', at) - slash - 1) + " ";
    }
    return names;
  };
  const auto characters = [](const std::string& text) {
    return std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
  };
  for (const char* language : {"ru", "uk", "el", "pl", "cs", "tr", "zh", "ja", "ko"}) {
    const std::string all = std::string(language) + ".doc " + language + ".docx " + language +
                            ".odt " + language + ".pdf " + language + ".rtf " + language + ".txt ";
    const std::string text = ReadFile(fixtures + language + ".txt");
    const bool paired = std::string("zh ja").find(language) != std::string::npos;
    std::string word;
    for (size_t at = 0; at <= text.size(); ++at) {
      const bool stop = text.compare(at, 3, "。") == 0;  // the ideographic full stop
      const bool ends = at == text.size() || stop || std::string(" .,'\n").find(text[at]) != std::string::npos;
      if (stop) at += 2;
      if (!ends) {
        word += text[at];
        continue;
      }
      if (characters(word) >= 3 || (paired && !word.empty())) {
        EXPECT_EQ(found("u", word), all) << word;
      }
      // Every pair of characters of a Chinese or Japanese run.
      for (size_t pair = 0; paired && pair + 6 <= word.size(); pair += 3) {
        EXPECT_EQ(found("u", word.substr(pair, 6)), all) << word.substr(pair, 6);
      }
      word.clear();
    }
  }
  EXPECT_EQ(found("u", "ПРИЛОЖЕНИЕ"), "ru.doc ru.docx ru.odt ru.pdf ru.rtf ru.txt ");
  EXPECT_EQ(found("u", "ΣΗΜΑΝΤΙΚΉ"), "el.doc el.docx el.odt el.pdf el.rtf el.txt ");
  EXPECT_EQ(found("u", "京都"), "");  // a pair no text holds
  EXPECT_EQ(found("u", "istanbul"), "");  // the dotted capital I is no i
  EXPECT_EQ(found("c", "güzel"), "tr.doc tr.docx tr.odt tr.pdf tr.rtf tr.txt ");

  const auto status = Oru({"status"}).out;
  EXPECT_NE(status.find("UTF-8"), std::string::npos) << status;
  EXPECT_NE(status.find("Windows-1252"), std::string::npos) << status;
}

}  // namespace
}  // namespace oru
