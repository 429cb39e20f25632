// oru search: the files of an index that hold every query word, each with a fragment of its
// text around the first hit.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "indexer/engine/indexer.h"
#include "indexer/engine/job.h"
#include "platform/files.h"
#include "tools/oru/commands.h"
#include "tools/oru/fragment.h"
#include "tools/oru/index_reader.h"
#include "tools/oru/normalise.h"
#include "tools/oru/text.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru search [--name NAME] [--json] [--partial] WORD...\n"
    "Lists the files of the index NAME (default \"default\") that hold every WORD, each with a\n"
    "fragment of its text around the first hit, cut by the file's parser plug-in. Words are\n"
    "matched as the indexer keeps them: without regard to case, cut to 31 bytes; words the\n"
    "indexer never keeps (shorter than 3 characters, stop words, numbers) are left out.\n"
    "  --name NAME  the index to search\n"
    "  --json       one JSON object per line: {\"path\": ..., \"fragment\": ... or null}\n"
    "  --partial    also search an index whose last run did not complete\n"
    "  --           the arguments after it are words, even when they start with '-'\n"
    "Exit status: 0 when files were found, 1 when none holds every word, 2 on errors.\n";

struct SearchOptions {
  std::string name = kDefaultIndexName;
  bool json = false;
  bool partial = false;
  std::vector<std::string> words;
};

// Reads the arguments; returns -1 to go on, or the exit status to end with.
int ParseArguments(const std::vector<std::string>& args, SearchOptions* options) {
  bool words_only = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (words_only || arg.size() < 2 || arg[0] != '-') {
      options->words.push_back(arg);
    } else if (arg == "--") {
      words_only = true;
    } else if (arg == "--json") {
      options->json = true;
    } else if (arg == "--partial") {
      options->partial = true;
    } else if (arg == "--name" && i + 1 < args.size()) {
      options->name = args[++i];
    } else if (arg.rfind("--name=", 0) == 0) {
      options->name = arg.substr(7);
    } else {
      return HelpOrUsageError(arg, kUsage, "search");
    }
  }
  if (options->words.empty()) return Fail("no word to search for (see 'oru search --help')");
  return -1;
}

void PrintHit(const std::string& path, const std::string* fragment, bool json) {
  const std::string shown = PathToUtf8(path);
  if (json) {
    std::printf("{\"path\":%s,\"fragment\":%s}\n", JsonQuote(shown).c_str(),
                fragment != nullptr ? JsonQuote(*fragment).c_str() : "null");
  } else if (fragment != nullptr) {
    std::printf("%s\n    %s\n", shown.c_str(), fragment->c_str());
  } else {
    std::printf("%s\n", shown.c_str());
  }
}

}  // namespace

int SearchCommand(const std::vector<std::string>& args) {
  SearchOptions options;
  if (const int status = ParseArguments(args, &options); status >= 0) return status;
  if (!IsValidIndexName(options.name)) return Fail("'" + options.name + "' is no index name");
  const std::string work = WorkFolder();
  if (work.empty()) return Fail("cannot tell where the work folder is");
  const std::string folder = IndexFolder(work, options.name);
  if (!platform::FolderExists(folder)) {
    return Fail("there is no index named '" + options.name + "' (see 'oru status')");
  }
  const IndexState state = ReadIndexState(work, options.name);
  if (state != IndexState::kComplete && !options.partial) {
    return Fail("the index '" + options.name + "' is incomplete (" +
                (state == IndexState::kIncomplete ? "its last run did not save it"
                                                  : "storages.ini does not record it") +
                "); index it again, or search it anyway with --partial");
  }

  // The engine supplies the stop words and, for the fragments, the plug-in registry.
  auto engine = std::make_unique<TIndexer>();
  std::vector<std::string> words;
  for (const std::string& word : options.words) {
    std::string normal;
    const QueryWord kind = NormaliseQueryWord(word, *engine, &normal);
    if (kind == QueryWord::kNotUtf8) return Fail("the query word is not valid UTF-8");
    if (kind != QueryWord::kIndexable) {
      std::fprintf(stderr, "oru: '%s' %s; it is left out\n", word.c_str(), QueryWordProblem(kind));
    } else if (std::find(words.begin(), words.end(), normal) == words.end()) {
      words.push_back(normal);
    }
  }
  if (words.empty()) return Fail("no word of the query can be in an index");

  IndexReader reader;
  std::string error;
  std::vector<uint16_t> numbers;
  if (!reader.Open(folder, state != IndexState::kComplete, &error) ||
      !reader.FilesWithAllWords(words, &numbers, &error)) {
    return Fail(error);
  }
  if (numbers.empty()) {
    std::fprintf(stderr, "oru: no file of the index '%s' holds every word\n", options.name.c_str());
    return kExitNothing;
  }
  FragmentMaker fragments(engine.get());
  if (!fragments.Load(work, StorageTypeOf(work, options.name))) {
    std::fprintf(stderr,
                 "oru: no parser plug-in could be loaded (see %sORU.ini); "
                 "files are listed without fragments\n",
                 work.c_str());
  }
  for (uint16_t number : numbers) {
    const IndexedFile* file = reader.File(number);
    if (file == nullptr) continue;
    std::string fragment;
    const bool found = fragments.Fragment(file->path, words, &fragment);
    PrintHit(file->path, found ? &fragment : nullptr, options.json);
  }
  return kExitOk;
}

}  // namespace oru::tool
