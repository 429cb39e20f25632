// The search window's logic, without a toolkit: the indexes to choose from, the query typed,
// the pause after typing, the search run on a thread of its own, and the rows of its results,
// which the window shows as a virtual list. Every call is made on the window's thread; results
// come back to it through the `post` function the window gives (its own message queue), and
// `on_results` tells it to look again.
//
// A search lists its hits in order. Each hit is checked against its file before it becomes a
// row (a file that is gone, or changed and no longer matching, is left out and counted, as oru
// search does): the first rows are checked and shown at once, the rest in chunks behind them.
// A row's fragment, the text around its first hit with the query's words marked, is made when
// the window asks for it (for the rows it shows).
#ifndef ORU_TOOLS_TROVELLA_SEARCH_MODEL_H_
#define ORU_TOOLS_TROVELLA_SEARCH_MODEL_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/oru/index_summary.h"
#include "tools/oru/query/output.h"
#include "tools/trovella/row_text.h"

namespace oru::trovella {

// How long typing must pause before a search starts.
inline constexpr int64_t kTypingPauseMs = 150;
// Hits checked before the first rows are shown, and after that in each chunk.
inline constexpr size_t kFirstRows = 100;
inline constexpr size_t kRowChunk = 2000;

struct Row {
  std::string name;    // the file's name, UTF-8
  std::string folder;  // its folder, UTF-8
  std::string path;    // the path as indexed
  std::string index;   // the index it came from
  uint32_t size = 0;   // as indexed
  uint32_t time = 0;   // packed local time, as indexed
  bool fragment_asked = false;
  bool fragment_done = false;
  std::string fragment;      // one line of UTF-8
  std::vector<Span> marked;  // the query's words in it
};

// An entry of the list of indexes: "All indexes" first, then each index or group.
struct IndexChoice {
  std::string name;  // empty for all indexes
  std::string label;
  tool::IndexSummary summary;
};

class SearchModel {
 public:
  using Post = std::function<void(std::function<void()>)>;
  // `work`: the work folder, ending in the separator. `post` runs a function on the window's
  // thread, later.
  SearchModel(std::string work, Post post);
  ~SearchModel();
  SearchModel(const SearchModel&) = delete;
  SearchModel& operator=(const SearchModel&) = delete;

  // Reads the indexes of the work folder again (after an index was written or added).
  void ReloadIndexes();
  const std::vector<IndexChoice>& choices() const { return choices_; }
  size_t choice() const { return choice_; }
  // Searches the chosen entry of choices() from now on.
  void Choose(size_t choice);

  // The query as it stands at `now_ms` (a steady clock): a search starts once typing pauses.
  void SetQuery(std::string text, int64_t now_ms);
  const std::string& query() const { return query_; }
  void SetSort(tool::SortKey key, bool descending);
  // Milliseconds from `now_ms` until Tick has work (0: now), -1 when it has none.
  int64_t Timeout(int64_t now_ms) const;
  void Tick(int64_t now_ms);
  // Searches again now, with the same query (an index it shows was written).
  void Refresh();

  // The results of the latest search.
  size_t RowCount() const { return rows_.size(); }
  const Row& RowAt(size_t i) const { return rows_[i]; }
  // The window shows rows [first, last): their fragments are made if they are not.
  void WantFragments(size_t first, size_t last);
  // True while the latest search is still checking hits.
  bool busy() const { return busy_; }
  // One line: the files found, what was left out, or why nothing could be searched.
  std::string Summary() const;
  // The notes of the latest search (query words left out, indexes passed over).
  const std::vector<std::string>& notes() const { return notes_; }

  // Called on the window's thread when rows, the summary or the fragments changed.
  std::function<void()> on_results;

 private:
  struct Worker;
  struct Batch;
  void Start();
  void Take(Batch&& batch);

  std::string work_;
  std::vector<IndexChoice> choices_;
  size_t choice_ = 0;
  std::string query_;
  tool::SortKey sort_ = tool::SortKey::kNone;
  bool descending_ = false;
  int64_t due_ = -1;  // when the pending search starts; -1 for none
  uint64_t generation_ = 0;

  std::vector<Row> rows_;
  std::vector<std::string> notes_;
  std::string error_;
  size_t hits_ = 0;       // hits of the search, true or not
  size_t gone_ = 0;       // left out: gone since indexing
  size_t no_longer_ = 0;  // left out: changed, no longer matching
  bool words_only_ = true;
  bool busy_ = false;
  std::shared_ptr<Worker> worker_;
};

}  // namespace oru::trovella

#endif  // ORU_TOOLS_TROVELLA_SEARCH_MODEL_H_
