// A search as oru search and the search window run it: the indexes a request names, settled and
// opened; the query parsed and prepared as the indexer keeps words; its hits in order; and each
// hit checked against its file as it is listed. Nothing here prints: problems and notes come
// back as one-line texts.
#ifndef ORU_TOOLS_ORU_QUERY_SEARCH_RUN_H_
#define ORU_TOOLS_ORU_QUERY_SEARCH_RUN_H_

#include <memory>
#include <string>
#include <vector>

#include "tools/oru/index_reader.h"
#include "tools/oru/query/disk_files.h"
#include "tools/oru/query/evaluate.h"
#include "tools/oru/query/output.h"
#include "tools/oru/query/query.h"

namespace oru::tool {

struct SearchRequest {
  std::vector<std::string> names;  // indexes or groups, each searched once
  bool all_indexes = false;        // every index of the work folder instead
  bool partial = false;            // also indexes whose last run did not complete
  std::string query;
  std::vector<std::string> literal_words;  // words taken literally, all required
  std::string current_folder;              // where dir: starts from, ending in the separator
  SortKey sort = SortKey::kNone;
  bool descending = false;
};

enum class SearchFailure {
  kNone,
  kError,            // a malformed query, a missing or incomplete index, a damaged index ...
  kIncompleteGroup,  // a group one of whose indexes cannot be searched
};

// What listing a hit found: its state, whether it still matches, and its fragment.
struct CheckedHit {
  HitState state = HitState::kCurrent;
  bool true_hit = true;
  bool has_fragment = false;
  std::string fragment;
};

// Open indexes kept from one search to the next (a window searches as the user types): an index
// is opened again only when its file index or word list changed since (size or time). Used by
// one thread at a time.
class ReaderCache {
 public:
  ReaderCache();
  ~ReaderCache();
  ReaderCache(const ReaderCache&) = delete;
  ReaderCache& operator=(const ReaderCache&) = delete;

  // The index in `folder` opened (`lenient` as IndexReader::Open takes it), kept for the next
  // call; null with `error` when it cannot be opened.
  IndexReader* Open(const std::string& folder, bool lenient, std::string* error,
                    TextEncoding encoding = TextEncoding::kWindows1252);
  void Clear();

 private:
  struct Entry;
  std::vector<std::unique_ptr<Entry>> entries_;
};

class SearchRun {
 public:
  SearchRun();
  ~SearchRun();
  SearchRun(const SearchRun&) = delete;
  SearchRun& operator=(const SearchRun&) = delete;

  // Runs the request over the indexes of the work folder `work` (ending in the separator; empty
  // when none is known, which fails after the query is read).
  // False when it cannot: failure() and error() say why.
  // With `cache`, the indexes come from it (and stay in it).
  bool Run(const std::string& work, const SearchRequest& request, ReaderCache* cache = nullptr);

  // Opens the indexes of the request into `cache` without searching them (a window does it
  // before the first query, so that it finds them open). False as Run.
  bool Open(const std::string& work, const SearchRequest& request, ReaderCache* cache);

  SearchFailure failure() const { return failure_; }
  const std::string& error() const { return error_; }
  // What to tell beside the hits, in order: indexes passed over, query words left out.
  const std::vector<std::string>& notes() const { return notes_; }
  // The indexes searched; a hit's `index` is its place here.
  const std::vector<std::string>& indexes() const { return indexes_; }
  const std::vector<SearchHit>& hits() const { return hits_; }
  // True for a query of words only, all required (the hits "hold every word").
  bool words_only() const { return words_only_; }
  // The query in the form of the words of the index `index` of indexes() (each encoding of
  // an index's words has its own); the first index's without one.
  const Query& query(size_t index = 0) const {
    return queries_[index < encodings_.size() ? static_cast<size_t>(encodings_[index]) : 0];
  }

  // Checks a hit of hits() against its file now: a file that is gone, and one whose size or
  // time changed (or may have changed unseen), is read by its parser and the query asked again
  // of its text and its size and time now. `want_fragment`: also the text around its first hit.
  CheckedHit Check(const SearchHit& hit, bool want_fragment);
  // True once a check could load no parser plug-in (its files are then listed without
  // fragments), with the configuration file to look at.
  bool plugins_missing() const { return plugins_missing_; }

 private:
  bool Fail(SearchFailure failure, std::string error);
  bool Resolve(const std::string& work, const SearchRequest& request, std::vector<bool>* lenient);
  bool OpenReaders(const std::string& work, const std::vector<bool>& lenient, ReaderCache* cache);
  FragmentMaker* Plugins(size_t index);

  SearchFailure failure_ = SearchFailure::kNone;
  std::string error_;
  std::vector<std::string> notes_;
  std::vector<std::string> indexes_;
  std::vector<std::unique_ptr<IndexReader>> owned_;
  std::vector<IndexReader*> readers_;
  std::unique_ptr<DiskFiles> disk_;
  std::vector<SearchHit> hits_;
  std::vector<uint32_t> read_since_;
  std::vector<TextEncoding> encodings_;  // of each index searched
  Query queries_[2];                     // by encoding
  bool searchable_[2] = {};              // the query in that form has a term left
  bool words_only_ = false;
  bool needs_text_ = false;
  bool any_positive_ = false;
  bool plugins_missing_ = false;
};

// The character (from 1) at byte `position` of UTF-8 `text`.
size_t CharacterAt(const std::string& text, size_t position);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_QUERY_SEARCH_RUN_H_
