// The query language of oru search, as a tree:
//
//   invoice receipt        every word (AND, as before)
//   invoice OR receipt     either side
//   -draft                 not this term
//   ( ... )                grouping
//   contract*              any word of the index that begins so
//   "annual report"        the words one after the other in the file's text
//   ext:pdf  ext:doc,docx  the file's extension
//   dir:PATH               below this folder
//   after:2024-01-31       the file's time now: on that day or later
//   before:2024-01-31      the file's time now: before that day
//   size>10K  size<2M      the file's size now, in bytes (K, M, G: 1024, 1024^2, 1024^3)
//
// ParseQuery builds the tree from the text; PrepareQuery brings its words to the index's form
// and leaves out the words no index holds. Plain data: copyable.
#ifndef ORU_TOOLS_ORU_QUERY_QUERY_H_
#define ORU_TOOLS_ORU_QUERY_QUERY_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/oru/normalise.h"

namespace oru::tool {

enum class NodeKind {
  kWord,       // `text`; prepared: words[0] in the index's form
  kPrefix,     // `text` without the '*'; prepared: words[0], the prefix in the index's form
  kPhrase,     // `text` between the quotes; prepared: `words`, each in the index's form
  kAnd,        // every child
  kOr,         // any child
  kNot,        // not its one child
  kExtension,  // `values`: extensions, lower-case, without the dot
  kFolder,     // `text`: a folder; files below it (at any depth)
  kAfter,      // `number`: a packed (MS-DOS) local time; the file's time now is not earlier
  kBefore,     // `number`: a packed local time; the file's time now is earlier
  kLarger,     // `number`: bytes; the file's size now is larger
  kSmaller,    // `number`: bytes; the file's size now is smaller
};

struct QueryNode {
  NodeKind kind = NodeKind::kAnd;
  size_t position = 0;  // where the node starts in the query text, in bytes from 0
  std::string text;
  std::vector<std::string> values;
  uint64_t number = 0;
  // Prepared words (see NodeKind); for a phrase, `indexable[i]` tells whether the index can
  // hold words[i] (short words, stop words and numbers it never keeps).
  std::vector<std::string> words;
  std::vector<bool> indexable;
  size_t term = 0;  // prepared word, prefix or phrase: its place in Query::terms
  std::vector<QueryNode> children;
};

// A word, prefix or phrase of a prepared query, as the text of a file is matched against it.
struct TextTerm {
  NodeKind kind = NodeKind::kWord;  // kWord, kPrefix or kPhrase
  std::vector<std::string> words;   // in the index's form; one for a word or prefix
  bool positive = true;             // not below a NOT: a hit of it makes the fragment
};

struct Query {
  QueryNode root;
  std::vector<TextTerm> terms;  // filled by PrepareQuery
  WordRules rules;              // those PrepareQuery was given, for matching a file's text
};

// The limits a query meets. Each is named in the error that reports it.
inline constexpr size_t kMaxQueryBytes = 64 * 1024;
inline constexpr size_t kMaxQueryTerms = 256;    // words, prefixes, phrases and filters
inline constexpr size_t kMaxQueryDepth = 32;     // nested parentheses and '-'
inline constexpr size_t kMaxPhraseWords = 32;
inline constexpr size_t kMaxPrefixWords = 10000;      // words of one index a prefix matches
inline constexpr size_t kMaxPhraseCandidates = 10000;  // files of one index a phrase reads

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_QUERY_QUERY_H_
