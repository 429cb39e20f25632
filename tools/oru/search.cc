// oru search: the files of one or more indexes that hold every query word, each with a fragment
// of its text around the first hit, left out when the file is gone or no longer holds the words.
#include "tools/oru/search.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tools/oru/commands.h"
#include "tools/oru/query/output.h"
#include "tools/oru/query/search_run.h"
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

int SearchCommand(const std::vector<std::string>& args) {
  SearchOptions options;
  if (const int status = ParseArguments(args, &options); status >= 0) return status;
  const std::string work = WorkFolder();
  SearchRequest request;
  request.names = options.names;
  request.all_indexes = options.all_indexes;
  request.partial = options.partial;
  request.query = options.query;
  request.literal_words = options.literal_words;
  request.sort = options.sort;
  request.descending = options.descending;
  std::error_code cwd_error;
  request.current_folder = std::filesystem::current_path(cwd_error).string();
  if (request.current_folder.empty() || request.current_folder.back() != '/') {
    request.current_folder += '/';
  }
  SearchRun run;
  const bool ran = run.Run(work, request);
  for (const std::string& note : run.notes()) std::fprintf(stderr, "oru: %s\n", note.c_str());
  if (!ran) {
    if (run.failure() == SearchFailure::kIncompleteGroup) {
      std::fprintf(stderr, "oru: %s\n", run.error().c_str());
      return kExitIncomplete;
    }
    return Fail(run.error());
  }
  const std::vector<std::string>& indexes = run.indexes();
  const std::vector<SearchHit>& hits = run.hits();
  const bool words_only = run.words_only();

  const bool fragments = options.form == OutputForm::kPlain || options.form == OutputForm::kJson;
  size_t listed = 0;   // listed, or passed over by --offset
  size_t gone = 0;
  size_t no_longer = 0;
  size_t more = 0;
  bool said_no_plugins = false;
  const size_t offset = static_cast<size_t>(options.offset);
  for (const SearchHit& hit : hits) {
    if (!options.count && options.limit > 0 && listed >= offset + static_cast<size_t>(options.limit)) {
      // Past the limit no file is looked at: the rest are counted unchecked.
      more = static_cast<size_t>(&hits.back() - &hit) + 1;
      break;
    }
    const bool shown = !options.count && listed >= offset;
    const CheckedHit checked = run.Check(hit, fragments && shown);
    if (run.plugins_missing() && !said_no_plugins) {
      said_no_plugins = true;
      std::fprintf(stderr,
                   "oru: no parser plug-in could be loaded (see %sORU.ini); "
                   "files are listed without fragments\n",
                   work.c_str());
    }
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
