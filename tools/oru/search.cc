// oru search: the files of one or more indexes that hold every query word, each with a fragment
// of its text around the first hit, left out when the file is gone or no longer holds the words.
#include "tools/oru/search.h"

#include <algorithm>
#include <filesystem>
#include <utility>
#include <chrono>
#include <thread>
#include <cstdio>
#include <cstdlib>

#include "indexer/engine/index_records.h"
#include "indexer/engine/job.h"
#include "indexer/engine/stored_files.h"
#include "indexer/engine/word_filter.h"
#include "platform/files.h"
#include "platform/find.h"
#include "tools/oru/commands.h"
#include "tools/oru/fragment.h"
#include "tools/oru/group.h"
#include "tools/oru/normalise.h"
#include "tools/oru/query/output.h"
#include "tools/oru/query/parse.h"
#include "tools/oru/search.h"
#include "tools/oru/text.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru search [--name NAME]... [--all-indexes] [--all] [--limit N] [--offset N]\n"
    "                  [--sort path|date|size [--desc]] [--json | -l | -0 | --count]\n"
    "                  [--partial] QUERY... [-- WORD...]\n"
    "Lists the files of the index NAME (default \"default\") that the query selects, each with a\n"
    "fragment of its text around the first hit, cut by the file's parser plug-in. A group of\n"
    "indexes (see 'oru index --help') is searched as one index; several --name options, or\n"
    "--all-indexes, search several at once; the hits come index by index.\n"
    "The query (its arguments, read as one text; quote it for the shell):\n"
    "  invoice receipt        files holding every word\n"
    "  invoice OR receipt     either (OR binds less than words side by side)\n"
    "  invoice -draft         not holding \"draft\" (any term, or a group, after '-')\n"
    "  (invoice OR bill) paid parentheses group\n"
    "  contract*              any word of the index beginning so (at most 10000 words)\n"
    "  '\"annual report\"'      the words one after the other, checked in the file's text by its\n"
    "                         parser (at most 10000 files of an index to read); one word in\n"
    "                         quotes is taken literally: '\"OR\"'\n"
    "  ext:pdf  ext:doc,docx  by extension\n"
    "  dir:Documents/tax      below a folder, from the current one unless absolute (quotes for\n"
    "                         blanks: dir:\"My Files\")\n"
    "  after:2024-01-31       files whose time now is that day or later;\n"
    "  before:2024-01-31      ... is before that day\n"
    "  size>100K  size<2M     by the size the file has now (K, M, G)\n"
    "Words are matched as the indexer keeps them: without regard to case, cut to 31 bytes; words\n"
    "the indexer never keeps (shorter than 3 characters, stop words, numbers) are left out, with\n"
    "a note (a phrase keeps them for its check in the text); an OR side, a '-' term or a phrase\n"
    "made only of them is left out whole.\n"
    "Each hit listed is checked against the file on disk: a file that is gone is left out, and a\n"
    "file whose size or time changed since indexing is listed only when its parser shows it\n"
    "still matches. A last line on standard error counts what was left out.\n"
    "  --name NAME     an index or group to search (may be given more than once)\n"
    "  --all-indexes   search every index of the work folder\n"
    "  --all           also list the hits that are no longer true, marked\n"
    "  --limit N       list at most N files (0: all); 50 by default, all with --json, -l, -0\n"
    "  --offset N      pass over the first N files that would be listed (pages with --limit)\n"
    "  --sort KEY      order by path, date or size (as indexed), ascending; --desc: descending\n"
    "  --json          one JSON object per line: {\"path\": ..., \"index\": ..., \"state\":\n"
    "                  \"current\" | \"changed\" | \"gone\", \"fragment\": ... or null}; a path\n"
    "                  that is not valid UTF-8 is given as read in the system code page, and\n"
    "                  its exact bytes follow as \"path_bytes\" in hexadecimal\n"
    "  -l, --files-only  the paths alone, one per line\n"
    "  -0              the paths' exact bytes alone, each ended by a NUL (for xargs -0)\n"
    "  --count         the number of files that would be listed with --limit 0, alone\n"
    "  --partial       also search an index whose last run did not complete\n"
    "  --              the arguments after it are words, taken literally\n"
    "Plain output escapes control characters in paths and fragments as 'ls -b' does.\n"
    "A group one of whose indexes is missing or incomplete is not searched: its other indexes\n"
    "would miss files or give some twice.\n"
    "Exit status: 0 when files were found, 1 when none matches, 2 on errors (a malformed query\n"
    "included), 3 when a group is incomplete.\n";

constexpr long kDefaultLimit = 50;

struct SearchOptions {
  std::vector<std::string> names;
  bool all_indexes = false;
  bool all_hits = false;
  long limit = -1;  // -1: the default of the output form
  long offset = 0;
  OutputForm form = OutputForm::kPlain;
  bool count = false;
  SortKey sort = SortKey::kNone;
  bool descending = false;
  bool partial = false;
  std::string query;                       // the query's arguments, joined by blanks
  std::vector<std::string> literal_words;  // the arguments after "--"
};

// Reads a count of files; false when `text` is none.
bool ReadCount(const std::string& text, long* count) {
  char* end = nullptr;
  *count = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && *count >= 0;
}

// Options that take a value: "--limit N" or "--limit=N". True when `arg` is `name` in either
// form, with the value in `value` (i moves past it).
bool ValueOption(const std::vector<std::string>& args, size_t* i, const std::string& name,
                 std::string* value) {
  const std::string& arg = args[*i];
  if (arg == name && *i + 1 < args.size()) {
    *value = args[++*i];
    return true;
  }
  if (arg.rfind(name + "=", 0) == 0) {
    *value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

// Reads the arguments; returns -1 to go on, or the exit status to end with. An argument that
// starts with "--" and is no option is refused; one that starts with a single '-' and is no
// option is a term to leave out.
int ParseArguments(const std::vector<std::string>& args, SearchOptions* options) {
  bool words_only = false;
  bool any_term = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    if (words_only) {
      options->literal_words.push_back(arg);
    } else if (arg == "--") {
      words_only = true;
    } else if (arg == "--json") {
      options->form = OutputForm::kJson;
    } else if (arg == "-l" || arg == "--files-only") {
      options->form = OutputForm::kPaths;
    } else if (arg == "-0") {
      options->form = OutputForm::kPathsNul;
    } else if (arg == "--count") {
      options->count = true;
    } else if (arg == "--desc") {
      options->descending = true;
    } else if (arg == "--partial") {
      options->partial = true;
    } else if (arg == "--all") {
      options->all_hits = true;
    } else if (arg == "--all-indexes") {
      options->all_indexes = true;
    } else if (ValueOption(args, &i, "--name", &value)) {
      options->names.push_back(value);
    } else if (ValueOption(args, &i, "--limit", &value)) {
      if (!ReadCount(value, &options->limit)) {
        return Fail("'" + value + "' is no number of files (see 'oru search --help')");
      }
    } else if (ValueOption(args, &i, "--offset", &value)) {
      if (!ReadCount(value, &options->offset)) {
        return Fail("'" + value + "' is no number of files (see 'oru search --help')");
      }
    } else if (ValueOption(args, &i, "--sort", &value)) {
      if (value == "path") {
        options->sort = SortKey::kPath;
      } else if (value == "date") {
        options->sort = SortKey::kDate;
      } else if (value == "size") {
        options->sort = SortKey::kSize;
      } else {
        return Fail("'" + value + "' is no sort order: path, date or size (see 'oru search --help')");
      }
    } else if (IsHelp(arg) || (arg.size() >= 2 && arg[0] == '-' && arg[1] == '-')) {
      return HelpOrUsageError(arg, kUsage, "search");
    } else {
      if (any_term) options->query += ' ';
      options->query += arg;
      any_term = true;
    }
  }
  if (!any_term && options->literal_words.empty()) {
    return Fail("no word to search for (see 'oru search --help')");
  }
  if (options->names.empty() && !options->all_indexes) options->names.push_back(kDefaultIndexName);
  if (options->limit < 0) options->limit = options->form == OutputForm::kPlain ? kDefaultLimit : 0;
  return -1;
}

// The character (from 1) at byte `position` of UTF-8 `text`.
size_t CharacterAt(const std::string& text, size_t position) {
  size_t characters = 1;
  for (size_t i = 0; i < position && i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++characters;
  }
  return characters;
}

// True for a query of words only, all required: the query of oru search before its language.
bool WordsOnly(const QueryNode& root) {
  if (root.kind == NodeKind::kWord) return true;
  return root.kind == NodeKind::kAnd &&
         std::all_of(root.children.begin(), root.children.end(),
                     [](const QueryNode& child) { return child.kind == NodeKind::kWord; });
}

// How long a search waits for a run that is putting an index's new files in place.
constexpr int kSwitchWaitMs = 2000;
constexpr int kSwitchPollMs = 20;
// How long an index recorded incomplete without files of a switch (any more) is looked at again.
constexpr int kSwitchSettleMs = 200;

// True while the index folder holds the new or old versions of a switch under way (or left by
// a run killed during one).
bool SwitchUnderWay(const std::string& folder) {
  platform::FolderSearch search;
  platform::FindEntry entry;
  if (search.Start(folder, &entry) != platform::Result::kOk) return false;
  do {
    const std::string& name = entry.name;
    if ((name.size() > 4 && name.compare(name.size() - 4, 4, ".new") == 0) ||
        (name.size() > 4 && name.compare(name.size() - 4, 4, ".old") == 0)) {
      return true;
    }
  } while (search.Next(&entry));
  return false;
}

// The recorded state of an index; an index recorded incomplete while a run switches its files
// is waited for, briefly, so that a search during an update answers from the new index. The
// switch deletes the old files just before it records the index complete, so an index recorded
// incomplete is looked at for a moment even when no file of a switch is left.
IndexState SettledState(const std::string& work, const std::string& index) {
  IndexState state = ReadIndexState(work, index);
  const std::string folder = IndexFolder(work, index);
  int quiet = 0;  // how long no file of a switch has been seen
  for (int waited = 0; state == IndexState::kIncomplete && waited < kSwitchWaitMs;
       waited += kSwitchPollMs) {
    quiet = SwitchUnderWay(folder) ? 0 : quiet + kSwitchPollMs;
    if (quiet > kSwitchSettleMs) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(kSwitchPollMs));
    state = ReadIndexState(work, index);
  }
  return state;
}

// What is wrong with an index that cannot be searched as it is; empty when it can.
std::string Unsearchable(const std::string& work, const std::string& index, IndexState state,
                         bool partial) {
  if (!platform::FolderExists(IndexFolder(work, index))) return "it does not exist";
  if (state == IndexState::kComplete || partial) return "";
  return state == IndexState::kIncomplete ? "its last run did not save it"
                                          : "storages.ini does not record it";
}

// The indexes the options name, each once, in order, and for each whether it is read leniently
// (not recorded as complete). Returns kExitOk to go on, or the exit status to end with after
// saying why: kExitError for an index that is missing or, without --partial, incomplete;
// kExitIncomplete for a group one of whose indexes is. With --all-indexes, an index whose
// record outlived its folder is skipped with a warning.
int ResolveIndexes(const std::string& work, const SearchOptions& options,
                   std::vector<std::string>* indexes, std::vector<bool>* lenient) {
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> parts;
  if (options.all_indexes) {
    names = ListIndexNames(work, &parts);
  } else {
    for (const std::string& name : options.names) {
      if (!IsValidIndexName(name)) return Fail("'" + name + "' is no index name");
      names.push_back(name);
      parts.push_back(IndexesOf(work, name));
    }
  }
  for (size_t n = 0; n < names.size(); ++n) {
    const bool group = parts[n].size() != 1 || parts[n][0] != names[n];
    for (const std::string& index : parts[n]) {
      if (std::find(indexes->begin(), indexes->end(), index) != indexes->end()) continue;
      const IndexState state = SettledState(work, index);
      const std::string problem = Unsearchable(work, index, state, options.partial);
      if (problem.empty()) {
        indexes->push_back(index);
        lenient->push_back(state != IndexState::kComplete);
        continue;
      }
      if (group) {
        // Its other indexes would give some of its files, or the same file twice.
        std::fprintf(stderr,
                     "oru: the group '%s' is incomplete: its index '%s' cannot be searched (%s); "
                     "'oru index --name %s' with its folders builds it again\n",
                     names[n].c_str(), index.c_str(), problem.c_str(), names[n].c_str());
        return kExitIncomplete;
      }
      if (options.all_indexes && !platform::FolderExists(IndexFolder(work, index))) {
        std::fprintf(stderr, "oru: the index '%s' is recorded but its folder is gone; skipped\n",
                     index.c_str());
        continue;
      }
      if (problem == "it does not exist") {
        return Fail("there is no index named '" + index + "' (see 'oru status')");
      }
      return Fail("the index '" + index + "' is incomplete (" + problem +
                  "); index it again, or search it anyway with --partial");
    }
  }
  if (indexes->empty()) return Fail("there is no index to search (see 'oru index')");
  return kExitOk;
}

}  // namespace

bool FindHits(const std::vector<std::unique_ptr<IndexReader>>& readers,
              const std::vector<std::string>& words, std::vector<SearchHit>* hits,
              std::string* error) {
  hits->clear();
  std::vector<uint16_t> numbers;
  for (size_t i = 0; i < readers.size(); ++i) {
    if (!readers[i]->FilesWithAllWords(words, &numbers, error)) return false;
    for (uint16_t number : numbers) {
      const IndexedFile* file = readers[i]->File(number);
      if (file != nullptr) hits->push_back({i, file});
    }
  }
  return true;
}

// What listing a hit found: its state, whether it still matches, and its fragment.
struct CheckedHit {
  HitState state = HitState::kCurrent;
  bool true_hit = true;
  bool has_fragment = false;
  std::string fragment;
};

// Checks hits against their files, as they are listed: a file that is gone, and one whose size
// or time changed (or may have changed unseen) is read by its parser and the query asked again
// of its text and its size and time now.
class HitChecker {
 public:
  HitChecker(const std::string& work, const Query& query, std::vector<uint32_t> read_since,
             DiskFiles* disk)
      : work_(work), query_(query), read_since_(std::move(read_since)), disk_(disk),
        needs_text_(NeedsText(query)),
        any_positive_(std::any_of(query.terms.begin(), query.terms.end(),
                                  [](const TextTerm& term) { return term.positive; })) {}

  CheckedHit Check(const SearchHit& hit, bool want_fragment) {
    CheckedHit checked;
    const IndexedFile& file = *hit.file;
    uint32_t size = 0;
    uint32_t time = 0;
    if (!platform::GetFileSizeAndTime(file.path, &size, &time)) {
      checked.state = HitState::kGone;
      checked.true_hit = false;
      return checked;
    }
    checked.state = size == file.size && time == file.time ? HitState::kCurrent : HitState::kChanged;
    // A file whose stored time lies within 2 seconds of when its index's run began reading
    // may have been edited unseen since: its parser looks, as for a changed file.
    const bool racy =
        checked.state == HitState::kCurrent && IsRacyTime(file.time, read_since_[hit.index]);
    const bool check = checked.state == HitState::kChanged || racy;
    const bool fragment = want_fragment && any_positive_;
    TextMatcher matcher(query_.terms, &query_.stop_words);
    bool read = false;
    if (fragment || (check && needs_text_)) {
      FragmentMaker* plugins = Plugins(hit.index);
      read = plugins != nullptr &&
             plugins->Scan(file.path, &matcher, check, fragment ? &checked.fragment : nullptr,
                           &checked.has_fragment);
    } else if (want_fragment) {
      Plugins(hit.index);  // said once, as before: no fragments without plug-ins
    }
    if (check) {
      checked.true_hit =
          (read || !needs_text_) && FileMatches(query_.root, file.path, size, time, matcher.seen());
      if (racy && !checked.true_hit) checked.state = HitState::kChanged;
    }
    return checked;
  }

 private:
  FragmentMaker* Plugins(size_t index) {
    FragmentMaker* plugins = disk_->Plugins(index);
    if (plugins == nullptr && !said_) {
      said_ = true;
      std::fprintf(stderr,
                   "oru: no parser plug-in could be loaded (see %sORU.ini); "
                   "files are listed without fragments\n",
                   work_.c_str());
    }
    return plugins;
  }

  const std::string& work_;
  const Query& query_;
  std::vector<uint32_t> read_since_;
  DiskFiles* disk_;
  bool needs_text_;
  bool any_positive_;
  bool said_ = false;
};

int SearchCommand(const std::vector<std::string>& args) {
  SearchOptions options;
  if (const int status = ParseArguments(args, &options); status >= 0) return status;
  Query query;
  QueryError query_error;
  if (!ParseQuery(options.query, options.literal_words, &query, &query_error)) {
    return Fail("the query '" + EscapeControls(options.query) + "' is malformed at character " +
                std::to_string(CharacterAt(options.query, query_error.position)) + ": " +
                query_error.message);
  }
  const std::string work = WorkFolder();
  if (work.empty()) return Fail("cannot tell where the work folder is");
  std::vector<std::string> indexes;
  std::vector<bool> lenient;
  if (const int status = ResolveIndexes(work, options, &indexes, &lenient); status != kExitOk) {
    return status;
  }

  // The query words are filtered as the indexer filters the words it keeps.
  std::error_code cwd_error;
  std::string current = std::filesystem::current_path(cwd_error).string();
  if (current.empty() || current.back() != '/') current += '/';
  std::vector<QueryNote> notes;
  const Prepared prepared = PrepareQuery(&query, StopList::BesideProgram(), current, &notes);
  for (const QueryNote& note : notes) {
    std::fprintf(stderr, "oru: '%s' %s; it is left out\n", EscapeControls(note.text).c_str(),
                 note.why.c_str());
  }
  if (prepared == Prepared::kNotUtf8) return Fail("the query word is not valid UTF-8");
  if (prepared == Prepared::kNothingLeft) return Fail("no word of the query can be in an index");
  const bool words_only = WordsOnly(query.root);

  std::vector<std::unique_ptr<IndexReader>> readers;
  std::string error;
  std::vector<std::string> storage_types;
  for (size_t i = 0; i < indexes.size(); ++i) {
    readers.push_back(std::make_unique<IndexReader>());
    if (!readers.back()->Open(IndexFolder(work, indexes[i]), lenient[i], &error)) {
      return Fail(error);
    }
    storage_types.push_back(StorageTypeOf(work, indexes[i]));
  }
  DiskFiles disk(work, storage_types);
  std::vector<SearchHit> hits;
  if (!FindQueryHits(readers, query, &disk, &hits, &error)) return Fail(error);
  SortHits(&hits, options.sort, options.descending);
  std::vector<uint32_t> read_since;
  for (const std::string& index : indexes) read_since.push_back(IndexRecords(work).ReadSince(index));
  HitChecker checker(work, query, read_since, &disk);

  const bool fragments = options.form == OutputForm::kPlain || options.form == OutputForm::kJson;
  size_t listed = 0;   // listed, or passed over by --offset
  size_t gone = 0;
  size_t no_longer = 0;
  size_t more = 0;
  const size_t offset = static_cast<size_t>(options.offset);
  for (const SearchHit& hit : hits) {
    if (!options.count && options.limit > 0 && listed >= offset + static_cast<size_t>(options.limit)) {
      // Past the limit no file is looked at: the rest are counted unchecked.
      more = static_cast<size_t>(&hits.back() - &hit) + 1;
      break;
    }
    const bool shown = !options.count && listed >= offset;
    const CheckedHit checked = checker.Check(hit, fragments && shown);
    if (!checked.true_hit && !options.all_hits) {
      ++(checked.state == HitState::kGone ? gone : no_longer);
      continue;
    }
    if (shown) {
      const std::string text =
          HitText(hit, checked.state, indexes[hit.index],
                  checked.has_fragment ? &checked.fragment : nullptr, checked.true_hit,
                  words_only, options.form);
      std::fwrite(text.data(), 1, text.size(), stdout);
    }
    ++listed;
  }
  if (options.count) std::printf("%zu\n", listed);
  if (more > 0) {
    const std::string line = "... and " + std::to_string(more) +
                             " more hits, not checked (--limit N lists N, --limit 0 lists all)\n";
    std::fputs(line.c_str(), options.form == OutputForm::kPlain ? stdout : stderr);
  }
  if (gone + no_longer > 0) {
    std::fprintf(stderr,
                 "oru: %zu %s left out: files gone since indexing: %zu, changed and no "
                 "longer %s: %zu; 'oru index --update' brings the index up "
                 "to date, --all lists them\n",
                 gone + no_longer, gone + no_longer == 1 ? "hit" : "hits", gone,
                 words_only ? "holding every word" : "matching the query", no_longer);
  }
  if (listed == 0 && more == 0) {
    if (gone + no_longer == 0) {
      std::fprintf(stderr, "oru: no file of %s %s\n",
                   indexes.size() == 1 ? ("the index '" + indexes[0] + "'").c_str()
                                       : "the indexes searched",
                   words_only ? "holds every word" : "matches the query");
    }
    return kExitNothing;
  }
  return listed > offset || more > 0 ? kExitOk : kExitNothing;
}

}  // namespace oru::tool
