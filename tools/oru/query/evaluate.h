// Evaluating a prepared query over the postings of one or more indexes, and over one file as it
// is now. Nothing here prints: results and errors come back as data.
#ifndef ORU_TOOLS_ORU_QUERY_EVALUATE_H_
#define ORU_TOOLS_ORU_QUERY_EVALUATE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/oru/index_reader.h"
#include "tools/oru/query/query.h"
#include "tools/oru/query/text_match.h"

namespace oru::tool {

// What an evaluation needs beyond the index: the files as they are now.
class FileLookup {
 public:
  virtual ~FileLookup() = default;
  // The size and packed time the file has now; false when it is gone.
  virtual bool SizeAndTime(const IndexedFile& file, uint32_t* size, uint32_t* time) = 0;
  // Feeds the words of the file's text, in order, to `matcher` (stopping once it has seen every
  // term); `index` is the place of the file's index among those searched. False when the text
  // cannot be read (no parser serves the file, or the parse fails).
  virtual bool ReadText(const IndexedFile& file, size_t index, TextMatcher* matcher) = 0;
};

// A hit: a file of one of the readers searched.
struct SearchHit {
  size_t index = 0;  // the reader it came from
  const IndexedFile* file = nullptr;
};

// The numbers of the files of `reader` (the `index`-th searched) that `query` selects,
// ascending. Words, prefixes and phrase candidates come from the postings; ext: and dir: from
// the file index; size and time filters ask `files` for the file as it is now, and a phrase's
// candidates are read through `files`, only those still in question. False with a one-line
// `error` when the index is damaged or a limit of query.h is met (named in `error`).
bool EvaluateQuery(IndexReader* reader, size_t index, const Query& query, FileLookup* files,
                   std::vector<uint16_t>* numbers, std::string* error);

// EvaluateQuery over every reader, reader by reader, into `hits`: reader i with queries[i] (in
// the form of its index's words), or not at all when that is null.
bool FindQueryHits(const std::vector<IndexReader*>& readers,
                   const std::vector<const Query*>& queries, FileLookup* files,
                   std::vector<SearchHit>* hits, std::string* error);
bool FindQueryHits(const std::vector<std::unique_ptr<IndexReader>>& readers, const Query& query,
                   FileLookup* files, std::vector<SearchHit>* hits, std::string* error);

// Whether the file at `path`, with the `size` and `time` it has now and whose text holds the
// terms `seen` (TextMatcher::seen), satisfies `node`.
bool FileMatches(const QueryNode& node, const std::string& path, uint32_t size, uint32_t time,
                 const std::vector<bool>& seen);

// True when a query's answer for a file depends on its text (it has words, prefixes or phrases).
bool NeedsText(const Query& query);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_QUERY_EVALUATE_H_
