#include "tools/oru/query/evaluate.h"

#include <algorithm>
#include <iterator>

#include "platform/files.h"

namespace oru::tool {

namespace {

using Numbers = std::vector<uint16_t>;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasExtension(const std::string& path, const std::vector<std::string>& extensions) {
  size_t slash = path.size();
  while (slash > 0 && !platform::IsPathSeparator(path[slash - 1])) --slash;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < slash) return false;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = Lower(c);
  return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

// True when `path` lies below `folder` (as PrepareQuery leaves it: without its last separator
// unless it is a root). Either separator matches the other.
bool IsBelow(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() <= folder.size()) return false;
  for (size_t i = 0; i < folder.size(); ++i) {
    const bool same = path[i] == folder[i] || (platform::IsPathSeparator(path[i]) &&
                                               platform::IsPathSeparator(folder[i]));
    if (!same) return false;
  }
  return platform::IsPathSeparator(folder.back()) ||
         platform::IsPathSeparator(path[folder.size()]);
}

bool NeedsNow(NodeKind kind) {
  return kind == NodeKind::kAfter || kind == NodeKind::kBefore || kind == NodeKind::kLarger ||
         kind == NodeKind::kSmaller;
}

bool NowMatches(const QueryNode& node, uint32_t size, uint32_t time) {
  switch (node.kind) {
    case NodeKind::kAfter:
      return time >= node.number;
    case NodeKind::kBefore:
      return time < node.number;
    case NodeKind::kLarger:
      return size > node.number;
    case NodeKind::kSmaller:
      return size < node.number;
    default:
      return false;
  }
}

// How dear a node is to evaluate: an AND takes its children cheapest first, so that the dear
// ones (a file's size and time now, a phrase's text) are asked of the fewest files.
int Cost(const QueryNode& node) {
  switch (node.kind) {
    case NodeKind::kWord:
    case NodeKind::kPrefix:
      return 0;
    case NodeKind::kExtension:
    case NodeKind::kFolder:
      return 1;
    case NodeKind::kAnd:
    case NodeKind::kOr:
    case NodeKind::kNot: {
      int cost = node.kind == NodeKind::kNot ? 3 : 2;
      for (const QueryNode& child : node.children) cost = std::max(cost, Cost(child));
      return cost;
    }
    case NodeKind::kAfter:
    case NodeKind::kBefore:
    case NodeKind::kLarger:
    case NodeKind::kSmaller:
      return 4;
    case NodeKind::kPhrase:
      return 5;
  }
  return 5;
}

Numbers Intersect(const Numbers& a, const Numbers& b) {
  Numbers both;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
  return both;
}

class Evaluator {
 public:
  Evaluator(IndexReader* reader, size_t index, const Query& query, FileLookup* files,
            std::string* error)
      : reader_(reader), index_(index), query_(query), files_(files), error_(error) {}

  bool Run(Numbers* numbers) {
    if (!FindPrefixes()) return false;
    return Eval(query_.root, nullptr, numbers);
  }

 private:
  // The words of the index each prefix term matches, in one pass over the word list.
  bool FindPrefixes() {
    std::vector<std::string> prefixes;
    std::vector<size_t> terms;
    for (size_t t = 0; t < query_.terms.size(); ++t) {
      if (query_.terms[t].kind != NodeKind::kPrefix) continue;
      prefixes.push_back(query_.terms[t].words[0]);
      terms.push_back(t);
    }
    prefix_words_.assign(query_.terms.size(), {});
    if (prefixes.empty()) return true;
    std::vector<std::vector<WordAt>> found;
    size_t over = 0;
    if (!reader_->WordsWithPrefixes(prefixes, kMaxPrefixWords, &found, &over)) {
      *error_ = "the prefix '" + prefixes[over] + "*' matches more than " +
                std::to_string(kMaxPrefixWords) +
                " words of an index, the most a prefix may match; give more of the word";
      return false;
    }
    for (size_t p = 0; p < prefixes.size(); ++p) prefix_words_[terms[p]] = std::move(found[p]);
    return true;
  }

  // The files among `within` (null: every file) that `node` selects, ascending.
  bool Eval(const QueryNode& node, const Numbers* within, Numbers* out) {
    out->clear();
    const Numbers& candidates = within != nullptr ? *within : reader_->AllFileNumbers();
    switch (node.kind) {
      case NodeKind::kWord: {
        Numbers files;
        if (!reader_->FilesWithWord(node.words[0], &files, error_)) return false;
        *out = within != nullptr ? Intersect(files, *within) : std::move(files);
        return true;
      }
      case NodeKind::kPrefix:
        return EvalPrefix(node, within, out);
      case NodeKind::kPhrase:
        return EvalPhrase(node, within, out);
      case NodeKind::kAnd:
        return EvalAnd(node, within, out);
      case NodeKind::kOr: {
        Numbers part;
        Numbers merged;
        for (const QueryNode& child : node.children) {
          if (!Eval(child, within, &part)) return false;
          merged.clear();
          std::set_union(out->begin(), out->end(), part.begin(), part.end(),
                         std::back_inserter(merged));
          out->swap(merged);
        }
        return true;
      }
      case NodeKind::kNot: {
        Numbers excluded;
        if (!Eval(node.children[0], within, &excluded)) return false;
        std::set_difference(candidates.begin(), candidates.end(), excluded.begin(), excluded.end(),
                            std::back_inserter(*out));
        return true;
      }
      case NodeKind::kExtension:
      case NodeKind::kFolder:
        for (uint16_t number : candidates) {
          const IndexedFile* file = reader_->File(number);
          if (file == nullptr) continue;
          if (node.kind == NodeKind::kExtension ? HasExtension(file->path, node.values)
                                                : IsBelow(file->path, node.text)) {
            out->push_back(number);
          }
        }
        return true;
      case NodeKind::kAfter:
      case NodeKind::kBefore:
      case NodeKind::kLarger:
      case NodeKind::kSmaller:
        for (uint16_t number : candidates) {
          const IndexedFile* file = reader_->File(number);
          uint32_t size = 0;
          uint32_t time = 0;
          if (file != nullptr && files_->SizeAndTime(*file, &size, &time) &&
              NowMatches(node, size, time)) {
            out->push_back(number);
          }
        }
        return true;
    }
    return true;
  }

  bool EvalAnd(const QueryNode& node, const Numbers* within, Numbers* out) {
    std::vector<const QueryNode*> order;
    for (const QueryNode& child : node.children) order.push_back(&child);
    std::stable_sort(order.begin(), order.end(),
                     [](const QueryNode* a, const QueryNode* b) { return Cost(*a) < Cost(*b); });
    Numbers current;
    const Numbers* narrowed = within;
    for (const QueryNode* child : order) {
      if (!Eval(*child, narrowed, out)) return false;
      current.swap(*out);
      narrowed = &current;
      if (current.empty()) break;
    }
    out->swap(current);
    return true;
  }

  bool EvalPrefix(const QueryNode& node, const Numbers* within, Numbers* out) {
    Numbers files;
    Numbers all;
    for (const WordAt& word : prefix_words_[node.term]) {
      if (!reader_->FilesWithWordAt(word, &files, error_)) return false;
      all.insert(all.end(), files.begin(), files.end());
    }
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    *out = within != nullptr ? Intersect(all, *within) : std::move(all);
    return true;
  }

  // The files that hold every word of the phrase the index keeps, then those whose text holds
  // the phrase.
  bool EvalPhrase(const QueryNode& node, const Numbers* within, Numbers* out) {
    Numbers candidates = within != nullptr ? *within : reader_->AllFileNumbers();
    Numbers files;
    for (size_t i = 0; i < node.words.size() && !candidates.empty(); ++i) {
      if (!node.indexable[i]) continue;
      if (!reader_->FilesWithWord(node.words[i], &files, error_)) return false;
      candidates = Intersect(candidates, files);
    }
    if (candidates.size() > kMaxPhraseCandidates) {
      *error_ = "the phrase \"" + node.text + "\" has " + std::to_string(candidates.size()) +
                " files of an index to read, more than the " +
                std::to_string(kMaxPhraseCandidates) +
                " a phrase may read; narrow the query with more words or filters";
      return false;
    }
    TextTerm term = query_.terms[node.term];
    for (uint16_t number : candidates) {
      const IndexedFile* file = reader_->File(number);
      if (file == nullptr) continue;
      TextMatcher matcher({term}, &query_.rules);
      if (files_->ReadText(*file, index_, &matcher) && matcher.AllSeen()) out->push_back(number);
    }
    return true;
  }

  IndexReader* reader_;
  size_t index_;
  const Query& query_;
  FileLookup* files_;
  std::string* error_;
  std::vector<std::vector<WordAt>> prefix_words_;  // by term
};

bool HasText(const QueryNode& node) {
  if (node.kind == NodeKind::kWord || node.kind == NodeKind::kPrefix ||
      node.kind == NodeKind::kPhrase) {
    return true;
  }
  return std::any_of(node.children.begin(), node.children.end(), HasText);
}

}  // namespace

bool EvaluateQuery(IndexReader* reader, size_t index, const Query& query, FileLookup* files,
                   std::vector<uint16_t>* numbers, std::string* error) {
  return Evaluator(reader, index, query, files, error).Run(numbers);
}

bool FindQueryHits(const std::vector<IndexReader*>& readers,
                   const std::vector<const Query*>& queries, FileLookup* files,
                   std::vector<SearchHit>* hits, std::string* error) {
  hits->clear();
  std::vector<uint16_t> numbers;
  for (size_t i = 0; i < readers.size(); ++i) {
    if (queries[i] == nullptr) continue;
    if (!EvaluateQuery(readers[i], i, *queries[i], files, &numbers, error)) return false;
    for (uint16_t number : numbers) {
      const IndexedFile* file = readers[i]->File(number);
      if (file != nullptr) hits->push_back({i, file});
    }
  }
  return true;
}

bool FindQueryHits(const std::vector<std::unique_ptr<IndexReader>>& readers, const Query& query,
                   FileLookup* files, std::vector<SearchHit>* hits, std::string* error) {
  std::vector<IndexReader*> plain;
  for (const std::unique_ptr<IndexReader>& reader : readers) plain.push_back(reader.get());
  return FindQueryHits(plain, std::vector<const Query*>(plain.size(), &query), files, hits, error);
}

bool FileMatches(const QueryNode& node, const std::string& path, uint32_t size, uint32_t time,
                 const std::vector<bool>& seen) {
  switch (node.kind) {
    case NodeKind::kWord:
    case NodeKind::kPrefix:
    case NodeKind::kPhrase:
      return node.term < seen.size() && seen[node.term];
    case NodeKind::kAnd:
      return std::all_of(node.children.begin(), node.children.end(), [&](const QueryNode& child) {
        return FileMatches(child, path, size, time, seen);
      });
    case NodeKind::kOr:
      return std::any_of(node.children.begin(), node.children.end(), [&](const QueryNode& child) {
        return FileMatches(child, path, size, time, seen);
      });
    case NodeKind::kNot:
      return !FileMatches(node.children[0], path, size, time, seen);
    case NodeKind::kExtension:
      return HasExtension(path, node.values);
    case NodeKind::kFolder:
      return IsBelow(path, node.text);
    default:
      return NeedsNow(node.kind) && NowMatches(node, size, time);
  }
}

bool NeedsText(const Query& query) { return HasText(query.root); }

}  // namespace oru::tool
