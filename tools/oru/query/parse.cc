#include "tools/oru/query/parse.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "platform/files.h"
#include "platform/folders.h"
#include "tools/oru/normalise.h"

namespace oru::tool {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
// Characters that end a word: blanks, parentheses and quotes.
bool EndsWord(char c) { return IsBlank(c) || c == '(' || c == ')' || c == '"'; }

enum class TokenKind { kEnd, kOpen, kClose, kNot, kOr, kWord, kQuoted };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  size_t position = 0;
  std::string text;  // a word, or the text between quotes
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

// Days of `month` in `year` of the Gregorian calendar.
int DaysIn(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

class Parser {
 public:
  Parser(std::string_view text, QueryError* error) : text_(text), error_(error) {}

  bool Parse(QueryNode* root) {
    if (text_.size() > kMaxQueryBytes) {
      return Fail(kMaxQueryBytes, "the query is longer than " + std::to_string(kMaxQueryBytes) +
                                      " bytes, the most a query may have");
    }
    if (!Next()) return false;
    root->kind = NodeKind::kAnd;
    if (token_.kind == TokenKind::kEnd) return true;  // only literal words, if any
    QueryNode node;
    if (!ParseOr(&node)) return false;
    if (token_.kind == TokenKind::kClose) return Fail(token_.position, "')' without '('");
    if (node.kind == NodeKind::kAnd) {
      *root = std::move(node);
    } else {
      root->children.push_back(std::move(node));
    }
    return true;
  }

 private:
  bool Fail(size_t position, std::string message) {
    error_->position = position;
    error_->message = std::move(message);
    return false;
  }

  // Reads the next token into token_; false with the error for a malformed one.
  bool Next() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    token_ = Token{};
    token_.position = pos_;
    if (pos_ >= text_.size()) return true;
    const char c = text_[pos_];
    if (c == '(' || c == ')') {
      token_.kind = c == '(' ? TokenKind::kOpen : TokenKind::kClose;
      ++pos_;
      return true;
    }
    if (c == '-') {
      ++pos_;
      if (pos_ >= text_.size() || IsBlank(text_[pos_]) || text_[pos_] == ')') {
        return Fail(token_.position, "'-' must be followed by the term to leave out");
      }
      token_.kind = TokenKind::kNot;
      return true;
    }
    if (c == '"') return ReadQuoted(&token_.text) && (token_.kind = TokenKind::kQuoted, true);
    const size_t start = pos_;
    while (pos_ < text_.size() && !EndsWord(text_[pos_])) ++pos_;
    token_.text.assign(text_.substr(start, pos_ - start));
    token_.kind = token_.text == "OR" ? TokenKind::kOr : TokenKind::kWord;
    // A filter's value may be quoted: dir:"My Documents".
    if (token_.kind == TokenKind::kWord && token_.text.back() == ':' && pos_ < text_.size() &&
        text_[pos_] == '"' && IsFilterKey(token_.text)) {
      std::string value;
      if (!ReadQuoted(&value)) return false;
      token_.text += value;
    }
    return true;
  }

  static bool IsFilterKey(std::string_view word) {
    return word == "ext:" || word == "dir:" || word == "after:" || word == "before:";
  }

  // Reads "..." at pos_ into `inside`.
  bool ReadQuoted(std::string* inside) {
    const size_t open = pos_++;
    const size_t close = text_.find('"', pos_);
    if (close == std::string_view::npos) return Fail(open, "the quote is never closed");
    inside->assign(text_.substr(pos_, close - pos_));
    pos_ = close + 1;
    return true;
  }

  bool Deeper(size_t position) {
    if (++depth_ > kMaxQueryDepth) {
      return Fail(position, "more than " + std::to_string(kMaxQueryDepth) +
                                " parentheses and '-' within one another, the most a query may have");
    }
    return true;
  }

  bool CountTerm(size_t position) {
    if (++terms_ > kMaxQueryTerms) {
      return Fail(position, "more than " + std::to_string(kMaxQueryTerms) +
                                " terms, the most a query may have");
    }
    return true;
  }

  // or := and ("OR" and)*
  bool ParseOr(QueryNode* node) {
    const size_t start = token_.position;
    QueryNode first;
    if (!ParseAnd(&first)) return false;
    if (token_.kind != TokenKind::kOr) {
      *node = std::move(first);
      return true;
    }
    node->kind = NodeKind::kOr;
    node->position = start;
    node->children.push_back(std::move(first));
    while (token_.kind == TokenKind::kOr) {
      const size_t or_at = token_.position;
      if (!Next()) return false;
      if (token_.kind == TokenKind::kEnd || token_.kind == TokenKind::kClose ||
          token_.kind == TokenKind::kOr) {
        return Fail(or_at, "'OR' needs a term on each side");
      }
      QueryNode next;
      if (!ParseAnd(&next)) return false;
      node->children.push_back(std::move(next));
    }
    return true;
  }

  // and := unary+ ; one term stands for itself.
  bool ParseAnd(QueryNode* node) {
    node->kind = NodeKind::kAnd;
    node->position = token_.position;
    while (token_.kind != TokenKind::kEnd && token_.kind != TokenKind::kClose &&
           token_.kind != TokenKind::kOr) {
      QueryNode child;
      if (!ParseUnary(&child)) return false;
      node->children.push_back(std::move(child));
    }
    if (node->children.empty()) {
      if (token_.kind == TokenKind::kOr) return Fail(token_.position, "'OR' needs a term on each side");
      if (token_.kind == TokenKind::kClose) return Fail(token_.position, "nothing between '(' and ')'");
      return Fail(token_.position, "the query ends where a term should follow");
    }
    if (node->children.size() == 1) {
      QueryNode only = std::move(node->children[0]);
      *node = std::move(only);
    }
    return true;
  }

  bool ParseUnary(QueryNode* node) {
    if (token_.kind == TokenKind::kNot) {
      node->kind = NodeKind::kNot;
      node->position = token_.position;
      if (!Deeper(token_.position) || !Next()) return false;
      QueryNode child;
      if (!ParseUnary(&child)) return false;
      node->children.push_back(std::move(child));
      --depth_;
      return true;
    }
    if (token_.kind == TokenKind::kOpen) {
      const size_t open = token_.position;
      if (!Deeper(open) || !Next()) return false;
      if (token_.kind == TokenKind::kClose) return Fail(token_.position, "nothing between '(' and ')'");
      if (!ParseOr(node)) return false;
      if (token_.kind != TokenKind::kClose) return Fail(open, "the '(' is never closed");
      --depth_;
      return Next();
    }
    if (token_.kind == TokenKind::kClose) return Fail(token_.position, "')' without '('");
    if (token_.kind == TokenKind::kOr) return Fail(token_.position, "'OR' needs a term on each side");
    if (!CountTerm(token_.position)) return false;
    node->position = token_.position;
    if (token_.kind == TokenKind::kQuoted) {
      if (token_.text.empty()) return Fail(token_.position, "nothing between the quotes");
      std::vector<std::string> words;
      if (SplitPhrase(token_.text, &words) && words.size() > kMaxPhraseWords) {
        return Fail(token_.position, "the phrase has more than " + std::to_string(kMaxPhraseWords) +
                                         " words, the most a phrase may have");
      }
      node->kind = NodeKind::kPhrase;
      node->text = token_.text;
      return Next();
    }
    if (!ParseWord(token_.text, node)) return false;
    return Next();
  }

  // A word, a prefix or a filter.
  bool ParseWord(const std::string& word, QueryNode* node) {
    const size_t at = token_.position;
    if (StartsWith(word, "ext:")) return ParseExtensions(word.substr(4), node);
    if (StartsWith(word, "dir:")) {
      if (word.size() == 4) return Fail(at, "dir: needs a folder");
      node->kind = NodeKind::kFolder;
      node->text = word.substr(4);
      return true;
    }
    if (StartsWith(word, "after:") || StartsWith(word, "before:")) {
      const bool after = word[0] == 'a';
      node->kind = after ? NodeKind::kAfter : NodeKind::kBefore;
      return ParseDate(word.substr(after ? 6 : 7), &node->number);
    }
    if (StartsWith(word, "size>") || StartsWith(word, "size<")) {
      node->kind = word[4] == '>' ? NodeKind::kLarger : NodeKind::kSmaller;
      return ParseSize(word.substr(5), &node->number);
    }
    const size_t star = word.find('*');
    if (star == std::string::npos) {
      node->kind = NodeKind::kWord;
      node->text = word;
      return true;
    }
    if (star + 1 != word.size()) return Fail(at + star, "a '*' may only end a word");
    if (star == 0) return Fail(at, "a '*' must follow the beginning of a word");
    node->kind = NodeKind::kPrefix;
    node->text = word.substr(0, star);
    return true;
  }

  bool ParseExtensions(const std::string& list, QueryNode* node) {
    node->kind = NodeKind::kExtension;
    size_t start = 0;
    for (;;) {
      const size_t comma = std::min(list.find(',', start), list.size());
      std::string extension = list.substr(start, comma - start);
      if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
      if (extension.empty() || extension[0] == '.') {
        return Fail(token_.position, "ext: needs extensions, as in ext:doc,docx");
      }
      for (char& c : extension) c = Lower(c);
      node->values.push_back(extension);
      if (comma == list.size()) return true;
      start = comma + 1;
    }
  }

  // YYYY-MM-DD, as a packed local time at the start of that day.
  bool ParseDate(const std::string& date, uint64_t* packed) {
    const auto digits = [&](size_t from, size_t count, int* value) {
      *value = 0;
      for (size_t i = from; i < from + count; ++i) {
        if (date[i] < '0' || date[i] > '9') return false;
        *value = *value * 10 + (date[i] - '0');
      }
      return true;
    };
    int year = 0;
    int month = 0;
    int day = 0;
    if (date.size() != 10 || date[4] != '-' || date[7] != '-' || !digits(0, 4, &year) ||
        !digits(5, 2, &month) || !digits(8, 2, &day) || month < 1 || month > 12 || day < 1 ||
        day > DaysIn(year, month)) {
      return Fail(token_.position, "'" + date + "' is no date of the form 2024-01-31");
    }
    if (year < 1980 || year > 2107) {
      return Fail(token_.position, "dates go from 1980 to 2107, as the index keeps times");
    }
    *packed = (static_cast<uint64_t>(year - 1980) << 25) | (static_cast<uint64_t>(month) << 21) |
              (static_cast<uint64_t>(day) << 16);
    return true;
  }

  // Digits with an optional K, M or G.
  bool ParseSize(const std::string& size, uint64_t* bytes) {
    size_t i = 0;
    uint64_t value = 0;
    for (; i < size.size() && size[i] >= '0' && size[i] <= '9'; ++i) {
      value = value * 10 + static_cast<uint64_t>(size[i] - '0');
      if (value > (uint64_t{1} << 40)) return Fail(token_.position, "the size is too large");
    }
    int shift = 0;
    if (i + 1 == size.size()) {
      const char unit = Lower(size[i]);
      shift = unit == 'k' ? 10 : unit == 'm' ? 20 : unit == 'g' ? 30 : -1;
      ++i;
    }
    if (i == 0 || i != size.size() || shift < 0) {
      return Fail(token_.position, "'" + size + "' is no size (digits, then K, M or G)");
    }
    *bytes = value << shift;
    if (*bytes > (uint64_t{1} << 40)) return Fail(token_.position, "the size is too large");
    return true;
  }

  std::string_view text_;
  QueryError* error_;
  size_t pos_ = 0;
  Token token_;
  size_t depth_ = 0;
  size_t terms_ = 0;
};

// Prepares `node` in place; false when it is left out.
class Preparer {
 public:
  Preparer(Query* query, const std::string& current_folder, std::vector<QueryNote>* notes)
      : query_(query), rules_(query->rules), current_folder_(current_folder), notes_(notes) {}

  bool not_utf8() const { return not_utf8_; }

  bool Prepare(QueryNode* node, bool positive) {
    if (not_utf8_) return false;  // the first such word ends the preparation
    switch (node->kind) {
      case NodeKind::kWord:
        return PrepareWord(node, positive);
      case NodeKind::kPrefix:
        if (!NormalisePrefix(node->text, rules_.encoding, &prefix_)) return Bad();
        node->words = {prefix_};
        return AddTerm(node, positive);
      case NodeKind::kPhrase:
        return PreparePhrase(node, positive);
      case NodeKind::kAnd:
      case NodeKind::kOr:
      case NodeKind::kNot: {
        std::vector<QueryNode> kept;
        for (QueryNode& child : node->children) {
          if (Prepare(&child, node->kind == NodeKind::kNot ? !positive : positive)) {
            kept.push_back(std::move(child));
          }
        }
        node->children = std::move(kept);
        return !node->children.empty();
      }
      case NodeKind::kFolder:
        // A folder that starts with a separator is taken from the root as it is.
        if (!platform::IsPathSeparator(node->text[0]) && !platform::IsAbsolutePath(node->text)) {
          node->text = current_folder_ + node->text;
        }
        node->text = std::filesystem::path(node->text).lexically_normal().string();
        // Without its last separator, but a root ("/", "C:\\") keeps it.
        while (node->text.size() > 1 && platform::IsPathSeparator(node->text.back()) &&
               node->text[node->text.size() - 2] != ':') {
          node->text.pop_back();
        }
        return true;
      case NodeKind::kExtension:
      case NodeKind::kAfter:
      case NodeKind::kBefore:
      case NodeKind::kLarger:
      case NodeKind::kSmaller:
        return true;
    }
    return false;
  }

 private:
  bool Bad() {
    not_utf8_ = true;
    return false;
  }

  bool AddTerm(QueryNode* node, bool positive) {
    node->term = query_->terms.size();
    query_->terms.push_back({node->kind, node->words, positive});
    return true;
  }

  bool PrepareWord(QueryNode* node, bool positive) {
    std::vector<IndexWord> words;
    if (!IndexWordsOf(node->text, rules_, &words)) return Bad();
    std::vector<QueryNode> kept;
    for (const IndexWord& word : words) {
      if (word.kind != QueryWord::kIndexable) continue;
      QueryNode child;
      child.kind = NodeKind::kWord;
      child.position = node->position;
      child.text = word.text;
      child.words = {word.text};
      kept.push_back(std::move(child));
    }
    if (kept.empty()) {
      const QueryWord kind = words.empty() ? QueryWord::kTooShort : words.front().kind;
      notes_->push_back({node->text, QueryWordProblem(kind)});
      return false;
    }
    if (kept.size() == 1) {
      node->words = std::move(kept.front().words);
      return AddTerm(node, positive);
    }
    // Several words of one typed word (the pairs of a CJK run): all of them are required.
    node->kind = NodeKind::kAnd;
    node->children = std::move(kept);
    for (QueryNode& child : node->children) AddTerm(&child, positive);
    return true;
  }

  bool PreparePhrase(QueryNode* node, bool positive) {
    std::vector<std::string> typed;
    if (!SplitPhrase(node->text, &typed)) return Bad();
    bool any = false;
    node->words.clear();
    node->indexable.clear();
    std::vector<IndexWord> words;
    for (const std::string& word : typed) {
      IndexWordsOf(word, rules_, &words);
      for (const IndexWord& made : words) {
        any = any || made.kind == QueryWord::kIndexable;
        node->words.push_back(made.text);
        node->indexable.push_back(made.kind == QueryWord::kIndexable);
      }
    }
    if (typed.size() == 1 && node->words.size() <= 1) {
      node->kind = NodeKind::kWord;
      node->text = typed[0];
      node->words.clear();
      node->indexable.clear();
      return PrepareWord(node, positive);
    }
    if (!any) {
      notes_->push_back({"\"" + node->text + "\"",
                         "holds no word the indexer keeps (each is short, a stop word or a number)"});
      return false;
    }
    return AddTerm(node, positive);
  }

  Query* query_;
  const WordRules& rules_;
  std::string current_folder_;
  std::vector<QueryNote>* notes_;
  std::string prefix_;
  bool not_utf8_ = false;
};

// Quotes a filter's value when it would not read back as one word.
std::string FilterValue(const std::string& value) {
  for (char c : value) {
    if (EndsWord(c)) return "\"" + value + "\"";
  }
  return value;
}

std::string DateText(uint64_t packed) {
  char text[40];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02d", static_cast<int>(packed >> 25) + 1980,
                static_cast<int>((packed >> 21) & 15), static_cast<int>((packed >> 16) & 31));
  return text;
}

}  // namespace

bool ParseQuery(std::string_view text, const std::vector<std::string>& literal_words, Query* query,
                QueryError* error) {
  *query = Query{};
  Parser parser(text, error);
  if (!parser.Parse(&query->root)) return false;
  if (literal_words.empty()) return true;
  if (query->root.kind != NodeKind::kAnd) {
    QueryNode first = std::move(query->root);
    query->root = QueryNode{};
    query->root.children.push_back(std::move(first));
  }
  for (const std::string& word : literal_words) {
    if (query->root.children.size() >= kMaxQueryTerms) {
      error->position = text.size();
      error->message = "more than " + std::to_string(kMaxQueryTerms) + " terms, the most a query may have";
      return false;
    }
    QueryNode node;
    node.kind = NodeKind::kWord;
    node.position = text.size();
    node.text = word;
    query->root.children.push_back(std::move(node));
  }
  return true;
}

Prepared PrepareQuery(Query* query, const StopList& stop_words, const std::string& current_folder,
                      std::vector<QueryNote>* notes, TextEncoding encoding) {
  query->terms.clear();
  query->rules = WordRules(encoding, stop_words);
  Preparer preparer(query, current_folder, notes);
  const bool kept = preparer.Prepare(&query->root, true);
  if (preparer.not_utf8()) return Prepared::kNotUtf8;
  return kept ? Prepared::kReady : Prepared::kNothingLeft;
}

std::string QueryToText(const QueryNode& node) {
  const auto joined = [&](const char* separator) {
    std::string text = "(";
    for (size_t i = 0; i < node.children.size(); ++i) {
      if (i > 0) text += separator;
      text += QueryToText(node.children[i]);
    }
    return text + ")";
  };
  const std::string& word = node.words.empty() ? node.text : node.words[0];
  switch (node.kind) {
    case NodeKind::kWord:
      return word;
    case NodeKind::kPrefix:
      return word + "*";
    case NodeKind::kPhrase: {
      if (node.words.empty()) return "\"" + node.text + "\"";
      std::string text;
      for (const std::string& w : node.words) text += (text.empty() ? "" : " ") + w;
      return "\"" + text + "\"";
    }
    case NodeKind::kAnd:
      return node.children.empty() ? "" : joined(" ");  // the empty query reads back as itself
    case NodeKind::kOr:
      return joined(" OR ");
    case NodeKind::kNot:
      return "-" + QueryToText(node.children[0]);
    case NodeKind::kExtension: {
      std::string list;
      for (size_t i = 0; i < node.values.size(); ++i) list += (i > 0 ? "," : "") + node.values[i];
      return "ext:" + FilterValue(list);
    }
    case NodeKind::kFolder:
      return "dir:" + FilterValue(node.text);
    case NodeKind::kAfter:
      return "after:" + DateText(node.number);
    case NodeKind::kBefore:
      return "before:" + DateText(node.number);
    case NodeKind::kLarger:
      return "size>" + std::to_string(node.number);
    case NodeKind::kSmaller:
      return "size<" + std::to_string(node.number);
  }
  return "";
}

}  // namespace oru::tool
