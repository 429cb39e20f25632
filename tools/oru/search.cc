// oru search: the files of one or more indexes that hold every query word, each with a fragment
// of its text around the first hit, left out when the file is gone or no longer holds the words.
#include "tools/oru/search.h"

#include <algorithm>
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
#include "tools/oru/text.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru search [--name NAME]... [--all-indexes] [--all] [--limit N] [--json] [--partial]\n"
    "                  WORD...\n"
    "Lists the files of the index NAME (default \"default\") that hold every WORD, each with a\n"
    "fragment of its text around the first hit, cut by the file's parser plug-in. A group of\n"
    "indexes (see 'oru index --help') is searched as one index; several --name options, or\n"
    "--all-indexes, search several at once; the hits come index by index. Words are matched as\n"
    "the indexer keeps them: without regard to case, cut to 31 bytes; words the indexer never\n"
    "keeps (shorter than 3 characters, stop words, numbers) are left out.\n"
    "Each hit is checked against the file on disk: a file that is gone is left out, and a file\n"
    "whose size or time changed since indexing is listed only when its parser still finds every\n"
    "word in it. A last line on standard error counts what was left out.\n"
    "  --name NAME     an index or group to search (may be given more than once)\n"
    "  --all-indexes   search every index of the work folder\n"
    "  --all           also list the hits that are no longer true, marked\n"
    "  --limit N       list at most N files (0: all); 50 by default, all with --json\n"
    "  --json          one JSON object per line: {\"path\": ..., \"index\": ..., \"state\":\n"
    "                  \"current\" | \"changed\" | \"gone\", \"fragment\": ... or null}; a path\n"
    "                  that is not valid UTF-8 is given as read in the system code page, and\n"
    "                  its exact bytes follow as \"path_bytes\" in hexadecimal\n"
    "  --partial       also search an index whose last run did not complete\n"
    "  --              the arguments after it are words, even when they start with '-'\n"
    "Plain output escapes control characters in paths and fragments as 'ls -b' does.\n"
    "A group one of whose indexes is missing or incomplete is not searched: its other indexes\n"
    "would miss files or give some twice.\n"
    "Exit status: 0 when files were found, 1 when none holds every word, 2 on errors, 3 when a\n"
    "group is incomplete.\n";

constexpr long kDefaultLimit = 50;

struct SearchOptions {
  std::vector<std::string> names;
  bool all_indexes = false;
  bool all_hits = false;
  long limit = -1;  // -1: the default of the output form
  bool json = false;
  bool partial = false;
  std::vector<std::string> words;
};

// Reads the arguments; returns -1 to go on, or the exit status to end with.
int ParseArguments(const std::vector<std::string>& args, SearchOptions* options) {
  bool words_only = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string limit;
    if (words_only || arg.size() < 2 || arg[0] != '-') {
      options->words.push_back(arg);
    } else if (arg == "--") {
      words_only = true;
    } else if (arg == "--json") {
      options->json = true;
    } else if (arg == "--partial") {
      options->partial = true;
    } else if (arg == "--all") {
      options->all_hits = true;
    } else if (arg == "--all-indexes") {
      options->all_indexes = true;
    } else if (arg == "--name" && i + 1 < args.size()) {
      options->names.push_back(args[++i]);
    } else if (arg.rfind("--name=", 0) == 0) {
      options->names.push_back(arg.substr(7));
    } else if ((arg == "--limit" && i + 1 < args.size()) || arg.rfind("--limit=", 0) == 0) {
      limit = arg == "--limit" ? args[++i] : arg.substr(8);
      char* end = nullptr;
      options->limit = std::strtol(limit.c_str(), &end, 10);
      if (limit.empty() || *end != '\0' || options->limit < 0) {
        return Fail("'" + limit + "' is no number of files (see 'oru search --help')");
      }
    } else {
      return HelpOrUsageError(arg, kUsage, "search");
    }
  }
  if (options->words.empty()) return Fail("no word to search for (see 'oru search --help')");
  if (options->names.empty() && !options->all_indexes) options->names.push_back(kDefaultIndexName);
  if (options->limit < 0) options->limit = options->json ? 0 : kDefaultLimit;
  return -1;
}

const char* StateName(HitState state) {
  switch (state) {
    case HitState::kCurrent:
      return "current";
    case HitState::kChanged:
      return "changed";
    case HitState::kGone:
      break;
  }
  return "gone";
}

void PrintHit(const SearchHit& hit, HitState state, const std::string& index,
              const std::string* fragment, bool true_hit, bool json) {
  const std::string& path = hit.file->path;
  if (json) {
    std::string line = "{\"path\":" + JsonQuote(PathToUtf8(path));
    if (!IsUtf8(path)) line += ",\"path_bytes\":\"" + HexBytes(path) + "\"";
    line += ",\"index\":" + JsonQuote(PathToUtf8(index)) + ",\"state\":\"" +
            StateName(state) + "\",\"fragment\":" +
            (fragment != nullptr ? JsonQuote(*fragment) : "null") + "}\n";
    std::fputs(line.c_str(), stdout);
    return;
  }
  std::string line = EscapeControls(PathToUtf8(path));
  if (!true_hit) {
    line += state == HitState::kGone ? "  (gone since indexing)"
                                         : "  (changed since indexing: no longer holds every word)";
  }
  line += "\n";
  if (fragment != nullptr) line += "    " + EscapeControls(*fragment) + "\n";
  std::fputs(line.c_str(), stdout);
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

HitState StateOf(const IndexedFile& file) {
  uint32_t size = 0;
  uint32_t time = 0;
  if (!platform::GetFileSizeAndTime(file.path, &size, &time)) return HitState::kGone;
  return size == file.size && time == file.time ? HitState::kCurrent : HitState::kChanged;
}

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
  if (work.empty()) return Fail("cannot tell where the work folder is");
  std::vector<std::string> indexes;
  std::vector<bool> lenient;
  if (const int status = ResolveIndexes(work, options, &indexes, &lenient); status != kExitOk) {
    return status;
  }

  // The query words are filtered as the indexer filters the words it keeps.
  const StopList stop_words = StopList::BesideProgram();
  std::vector<std::string> words;
  for (const std::string& word : options.words) {
    std::string normal;
    const QueryWord kind = NormaliseQueryWord(word, stop_words, &normal);
    if (kind == QueryWord::kNotUtf8) return Fail("the query word is not valid UTF-8");
    if (kind != QueryWord::kIndexable) {
      std::fprintf(stderr, "oru: '%s' %s; it is left out\n", EscapeControls(word).c_str(),
                   QueryWordProblem(kind));
    } else if (std::find(words.begin(), words.end(), normal) == words.end()) {
      words.push_back(normal);
    }
  }
  if (words.empty()) return Fail("no word of the query can be in an index");

  std::vector<std::unique_ptr<IndexReader>> readers;
  std::string error;
  for (size_t i = 0; i < indexes.size(); ++i) {
    readers.push_back(std::make_unique<IndexReader>());
    if (!readers.back()->Open(IndexFolder(work, indexes[i]), lenient[i], &error)) {
      return Fail(error);
    }
  }
  std::vector<SearchHit> hits;
  if (!FindHits(readers, words, &hits, &error)) return Fail(error);
  std::vector<uint32_t> read_since;
  for (const std::string& index : indexes) read_since.push_back(IndexRecords(work).ReadSince(index));

  FragmentMaker fragments;
  bool fragments_loaded = false;
  size_t listed = 0;
  size_t gone = 0;
  size_t no_longer = 0;
  size_t more = 0;
  for (const SearchHit& hit : hits) {
    if (options.limit > 0 && listed >= static_cast<size_t>(options.limit)) {
      // Past the limit no file is looked at: the rest are counted unchecked.
      more = static_cast<size_t>(&hits.back() - &hit) + 1;
      break;
    }
    HitState state = StateOf(*hit.file);
    if (state == HitState::kGone) {
      if (options.all_hits) {
        PrintHit(hit, state, indexes[hit.index], nullptr, false, options.json);
        ++listed;
      } else {
        ++gone;
      }
      continue;
    }
    if (!fragments_loaded) {
      fragments_loaded = true;
      if (!fragments.Load(work, StorageTypeOf(work, indexes[hit.index]))) {
        std::fprintf(stderr,
                     "oru: no parser plug-in could be loaded (see %sORU.ini); "
                     "files are listed without fragments\n",
                     work.c_str());
      }
    }
    // A file whose stored time lies within 2 seconds of when its index's run began reading
    // may have been edited unseen since: its parser looks, as for a changed file.
    const bool racy =
        state == HitState::kCurrent && IsRacyTime(hit.file->time, read_since[hit.index]);
    std::string fragment;
    bool holds_every_word = true;
    const bool found =
        fragments.Fragment(hit.file->path, words, &fragment,
                           state == HitState::kChanged || racy ? &holds_every_word : nullptr);
    if (racy && !holds_every_word) state = HitState::kChanged;
    if (!holds_every_word && !options.all_hits) {
      ++no_longer;
      continue;
    }
    PrintHit(hit, state, indexes[hit.index], found ? &fragment : nullptr, holds_every_word,
             options.json);
    ++listed;
  }
  if (more > 0) {
    const std::string line = "... and " + std::to_string(more) +
                             " more hits, not checked (--limit N lists N, --limit 0 lists all)\n";
    std::fputs(line.c_str(), options.json ? stderr : stdout);
  }
  if (gone + no_longer > 0) {
    std::fprintf(stderr,
                 "oru: %zu %s left out: files gone since indexing: %zu, changed and no "
                 "longer holding every word: %zu; 'oru index --update' brings the index up "
                 "to date, --all lists them\n",
                 gone + no_longer, gone + no_longer == 1 ? "hit" : "hits", gone, no_longer);
  }
  if (listed == 0 && more == 0) {
    if (gone + no_longer == 0) {
      std::fprintf(stderr, "oru: no file of %s holds every word\n",
                   indexes.size() == 1 ? ("the index '" + indexes[0] + "'").c_str()
                                       : "the indexes searched");
    }
    return kExitNothing;
  }
  return kExitOk;
}

}  // namespace oru::tool
