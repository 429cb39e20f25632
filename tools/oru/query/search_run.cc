#include "tools/oru/query/search_run.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "indexer/engine/index_format.h"
#include "indexer/engine/index_records.h"
#include "indexer/engine/job.h"
#include "indexer/engine/stored_files.h"
#include "indexer/engine/word_filter.h"
#include "platform/files.h"
#include "platform/find.h"
#include "tools/oru/group.h"
#include "tools/oru/normalise.h"
#include "tools/oru/query/parse.h"
#include "tools/oru/text.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

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

}  // namespace

size_t CharacterAt(const std::string& text, size_t position) {
  size_t characters = 1;
  for (size_t i = 0; i < position && i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++characters;
  }
  return characters;
}

struct ReaderCache::Entry {
  std::string folder;
  bool lenient = false;
  uint64_t stamp[4] = {};
  IndexReader reader;
};

namespace {

// The sizes and times of the files whose change means the index must be read again.
void Stamp(const std::string& folder, uint64_t stamp[4]) {
  uint32_t size = 0;
  uint32_t time = 0;
  const char* names[] = {index_format::kFileIndexName, index_format::kWordListName};
  for (int i = 0; i < 2; ++i) {
    if (!platform::GetFileSizeAndTime(folder + names[i], &size, &time)) size = time = 0;
    stamp[2 * i] = size;
    stamp[2 * i + 1] = time;
  }
}

}  // namespace

ReaderCache::ReaderCache() = default;
ReaderCache::~ReaderCache() = default;

IndexReader* ReaderCache::Open(const std::string& folder, bool lenient, std::string* error,
                               TextEncoding encoding) {
  uint64_t stamp[4];
  Stamp(folder, stamp);
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    Entry& entry = **it;
    if (entry.folder != folder) continue;
    if (entry.lenient == lenient && std::equal(stamp, stamp + 4, entry.stamp)) return &entry.reader;
    entries_.erase(it);
    break;
  }
  auto entry = std::make_unique<Entry>();
  entry->folder = folder;
  entry->lenient = lenient;
  std::copy(stamp, stamp + 4, entry->stamp);
  if (!entry->reader.Open(folder, lenient, error, encoding)) return nullptr;
  entries_.push_back(std::move(entry));
  return &entries_.back()->reader;
}

void ReaderCache::Clear() { entries_.clear(); }

SearchRun::SearchRun() = default;
SearchRun::~SearchRun() = default;

bool SearchRun::Fail(SearchFailure failure, std::string error) {
  failure_ = failure;
  error_ = std::move(error);
  return false;
}

// The indexes the request names, each once, in order, and for each whether it is read
// leniently (not recorded as complete). With all_indexes, an index whose record outlived its
// folder is passed over with a note.
bool SearchRun::Resolve(const std::string& work, const SearchRequest& request,
                        std::vector<bool>* lenient) {
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> parts;
  if (request.all_indexes) {
    names = ListIndexNames(work, &parts);
  } else {
    for (const std::string& name : request.names) {
      if (!IsValidIndexName(name))
        return Fail(SearchFailure::kError, "'" + name + "' is no index name");
      names.push_back(name);
      parts.push_back(IndexesOf(work, name));
    }
  }
  for (size_t n = 0; n < names.size(); ++n) {
    const bool group = parts[n].size() != 1 || parts[n][0] != names[n];
    for (const std::string& index : parts[n]) {
      if (std::find(indexes_.begin(), indexes_.end(), index) != indexes_.end()) continue;
      const IndexState state = SettledState(work, index);
      const std::string problem = Unsearchable(work, index, state, request.partial);
      if (problem.empty()) {
        indexes_.push_back(index);
        lenient->push_back(state != IndexState::kComplete);
        continue;
      }
      if (group) {
        // Its other indexes would give some of its files, or the same file twice.
        return Fail(SearchFailure::kIncompleteGroup,
                    "the group '" + names[n] + "' is incomplete: its index '" + index +
                        "' cannot be searched (" + problem + "); 'oru index --name " + names[n] +
                        "' with its folders builds it again");
      }
      if (request.all_indexes && !platform::FolderExists(IndexFolder(work, index))) {
        notes_.push_back("the index '" + index + "' is recorded but its folder is gone; skipped");
        continue;
      }
      if (problem == "it does not exist") {
        return Fail(SearchFailure::kError,
                    "there is no index named '" + index + "' (see 'oru status')");
      }
      return Fail(SearchFailure::kError,
                  "the index '" + index + "' is incomplete (" + problem +
                      "); index it again, or search it anyway with --partial");
    }
  }
  if (indexes_.empty())
    return Fail(SearchFailure::kError, "there is no index to search (see 'oru index')");
  const IndexRecords records(work);
  for (const std::string& index : indexes_) encodings_.push_back(records.Encoding(index));
  return true;
}

bool SearchRun::Run(const std::string& work, const SearchRequest& request, ReaderCache* cache) {
  QueryError query_error;
  Query parsed;
  if (!ParseQuery(request.query, request.literal_words, &parsed, &query_error)) {
    return Fail(SearchFailure::kError,
                "the query '" + EscapeControls(request.query) + "' is malformed at character " +
                    std::to_string(CharacterAt(request.query, query_error.position)) + ": " +
                    query_error.message);
  }
  if (work.empty()) return Fail(SearchFailure::kError, "cannot tell where the work folder is");
  std::vector<bool> lenient;
  if (!Resolve(work, request, &lenient)) return false;

  // The query words are filtered as the indexer filters the words it keeps, in the form of
  // each encoding the indexes searched keep their words in.
  const StopList stop_words = StopList::BesideProgram();
  for (TextEncoding encoding : {TextEncoding::kWindows1252, TextEncoding::kUtf8}) {
    if (std::find(encodings_.begin(), encodings_.end(), encoding) == encodings_.end()) continue;
    Query& query = queries_[static_cast<size_t>(encoding)];
    query = parsed;
    std::vector<QueryNote> query_notes;
    const Prepared prepared =
        PrepareQuery(&query, stop_words, request.current_folder, &query_notes, encoding);
    for (const QueryNote& note : query_notes) {
      std::string text = "'" + EscapeControls(note.text) + "' " + note.why + "; it is left out";
      if (std::find(notes_.begin(), notes_.end(), text) == notes_.end()) notes_.push_back(text);
    }
    if (prepared == Prepared::kNotUtf8)
      return Fail(SearchFailure::kError, "the query word is not valid UTF-8");
    searchable_[static_cast<size_t>(encoding)] = prepared == Prepared::kReady;
    needs_text_ = needs_text_ || NeedsText(query);
    any_positive_ = any_positive_ || std::any_of(query.terms.begin(), query.terms.end(),
                                                 [](const TextTerm& term) { return term.positive; });
  }
  if (!searchable_[0] && !searchable_[1]) {
    return Fail(SearchFailure::kError, "no word of the query can be in an index");
  }
  words_only_ = WordsOnly(parsed.root);

  if (!OpenReaders(work, lenient, cache)) return false;
  std::vector<const Query*> queries;
  for (TextEncoding encoding : encodings_) {
    const size_t form = static_cast<size_t>(encoding);
    queries.push_back(searchable_[form] ? &queries_[form] : nullptr);
  }
  std::string error;
  if (!FindQueryHits(readers_, queries, disk_.get(), &hits_, &error)) {
    return Fail(SearchFailure::kError, error);
  }
  SortHits(&hits_, request.sort, request.descending);
  const IndexRecords records(work);
  for (const std::string& index : indexes_) read_since_.push_back(records.ReadSince(index));
  return true;
}

bool SearchRun::OpenReaders(const std::string& work, const std::vector<bool>& lenient,
                            ReaderCache* cache) {
  std::string error;
  std::vector<std::string> storage_types;
  for (size_t i = 0; i < indexes_.size(); ++i) {
    const std::string folder = IndexFolder(work, indexes_[i]);
    IndexReader* reader = nullptr;
    if (cache != nullptr) {
      reader = cache->Open(folder, lenient[i], &error, encodings_[i]);
    } else {
      owned_.push_back(std::make_unique<IndexReader>());
      reader = owned_.back()->Open(folder, lenient[i], &error, encodings_[i]) ? owned_.back().get()
                                                                              : nullptr;
    }
    if (reader == nullptr) return Fail(SearchFailure::kError, error);
    readers_.push_back(reader);
    storage_types.push_back(StorageTypeOf(work, indexes_[i]));
  }
  disk_ = std::make_unique<DiskFiles>(work, storage_types);
  return true;
}

bool SearchRun::Open(const std::string& work, const SearchRequest& request, ReaderCache* cache) {
  if (work.empty()) return Fail(SearchFailure::kError, "cannot tell where the work folder is");
  std::vector<bool> lenient;
  return Resolve(work, request, &lenient) && OpenReaders(work, lenient, cache);
}

FragmentMaker* SearchRun::Plugins(size_t index) {
  FragmentMaker* plugins = disk_->Plugins(index);
  if (plugins == nullptr) plugins_missing_ = true;
  return plugins;
}

CheckedHit SearchRun::Check(const SearchHit& hit, bool want_fragment) {
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
  // A file whose stored time lies within 2 seconds of when its index's run began reading may
  // have been edited unseen since: its parser looks, as for a changed file.
  const bool racy =
      checked.state == HitState::kCurrent && IsRacyTime(file.time, read_since_[hit.index]);
  const bool check = checked.state == HitState::kChanged || racy;
  const bool fragment = want_fragment && any_positive_;
  const Query& query = this->query(hit.index);
  TextMatcher matcher(query.terms, &query.rules);
  bool read = false;
  if (fragment || (check && needs_text_)) {
    FragmentMaker* plugins = Plugins(hit.index);
    read = plugins != nullptr &&
           plugins->Scan(file.path, &matcher, check, fragment ? &checked.fragment : nullptr,
                         &checked.has_fragment);
  } else if (want_fragment) {
    Plugins(hit.index);  // no fragments without plug-ins: that is told too
  }
  if (check) {
    checked.true_hit =
        (read || !needs_text_) && FileMatches(query.root, file.path, size, time, matcher.seen());
    if (racy && !checked.true_hit) checked.state = HitState::kChanged;
  }
  return checked;
}

}  // namespace oru::tool
