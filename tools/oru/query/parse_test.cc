#include "tools/oru/query/parse.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/files.h"

namespace oru::tool {
namespace {

// The tree of `text` in its canonical form, or "error at P: MESSAGE".
std::string Parsed(const std::string& text, const std::vector<std::string>& literal = {}) {
  Query query;
  QueryError error;
  if (!ParseQuery(text, literal, &query, &error)) {
    return "error at " + std::to_string(error.position) + ": " + error.message;
  }
  return QueryToText(query.root);
}

// The prepared tree of `text` and the notes, or what stopped it.
std::string Prepared(const std::string& text, const std::vector<std::string>& literal = {}) {
  Query query;
  QueryError error;
  if (!ParseQuery(text, literal, &query, &error)) return "error: " + error.message;
  std::vector<QueryNote> notes;
  const oru::tool::Prepared prepared = PrepareQuery(&query, StopList({"the", "and"}), "/home/u/", &notes);
  std::string out;
  for (const QueryNote& note : notes) out += "[" + note.text + " " + note.why.substr(0, 12) + "] ";
  if (prepared == Prepared::kNotUtf8) return out + "not UTF-8";
  if (prepared == Prepared::kNothingLeft) return out + "nothing left";
  return out + QueryToText(query.root);
}

TEST(ParseQueryTest, EveryFormReadsIntoItsTree) {
  EXPECT_EQ(Parsed("invoice receipt"), "(invoice receipt)");
  EXPECT_EQ(Parsed("invoice"), "(invoice)");
  EXPECT_EQ(Parsed("invoice OR receipt bill"), "((invoice OR (receipt bill)))");
  EXPECT_EQ(Parsed("a or b"), "(a or b)");  // only OR in capitals is the operator
  EXPECT_EQ(Parsed("-draft invoice"), "(-draft invoice)");
  EXPECT_EQ(Parsed("-(a OR b) c"), "(-(a OR b) c)");
  EXPECT_EQ(Parsed("e-mail"), "(e-mail)");
  EXPECT_EQ(Parsed("contract*"), "(contract*)");
  EXPECT_EQ(Parsed("\"annual report\" \"OR\""), "(\"annual report\" \"OR\")");
  EXPECT_EQ(Parsed("ext:PDF ext:.doc,docx"), "(ext:pdf ext:doc,docx)");
  EXPECT_EQ(Parsed("dir:\"My Files\" dir:/x"), "(dir:\"My Files\" dir:/x)");
  EXPECT_EQ(Parsed("after:2024-02-29 before:1980-01-01"), "(after:2024-02-29 before:1980-01-01)");
  EXPECT_EQ(Parsed("size>10K size<2m size>3G size<7"),
            "(size>10240 size<2097152 size>3221225472 size<7)");
  EXPECT_EQ(Parsed("((a))"), "(a)");
  // Literal words take no operator: they are required words whatever they hold.
  EXPECT_EQ(Parsed("a OR b", {"-x", "OR", "c*"}), "((a OR b) -x OR c*)");
}

TEST(ParseQueryTest, AMalformedQuerySaysWhere) {
  EXPECT_EQ(Parsed("a OR"), "error at 2: 'OR' needs a term on each side");
  EXPECT_EQ(Parsed("OR a"), "error at 0: 'OR' needs a term on each side");
  EXPECT_EQ(Parsed("a OR OR b"), "error at 2: 'OR' needs a term on each side");
  EXPECT_EQ(Parsed("(a b"), "error at 0: the '(' is never closed");
  EXPECT_EQ(Parsed("a b)"), "error at 3: ')' without '('");
  EXPECT_EQ(Parsed("a ()"), "error at 3: nothing between '(' and ')'");
  EXPECT_EQ(Parsed("a \"b c"), "error at 2: the quote is never closed");
  EXPECT_EQ(Parsed("\"\""), "error at 0: nothing between the quotes");
  EXPECT_EQ(Parsed("a - b"), "error at 2: '-' must be followed by the term to leave out");
  EXPECT_EQ(Parsed("a*b"), "error at 1: a '*' may only end a word");
  EXPECT_EQ(Parsed("x *"), "error at 2: a '*' must follow the beginning of a word");
  EXPECT_EQ(Parsed("ext:"), "error at 0: ext: needs extensions, as in ext:doc,docx");
  EXPECT_EQ(Parsed("ext:a,,b"), "error at 0: ext: needs extensions, as in ext:doc,docx");
  EXPECT_EQ(Parsed("ext:.."), "error at 0: ext: needs extensions, as in ext:doc,docx");
  EXPECT_EQ(Parsed("dir:"), "error at 0: dir: needs a folder");
  EXPECT_EQ(Parsed("a after:2023-02-29"), "error at 2: '2023-02-29' is no date of the form 2024-01-31");
  EXPECT_EQ(Parsed("before:1979-12-31"), "error at 0: dates go from 1980 to 2107, as the index keeps times");
  EXPECT_EQ(Parsed("size>10KB"), "error at 0: '10KB' is no size (digits, then K, M or G)");
  EXPECT_EQ(Parsed("size<"), "error at 0: '' is no size (digits, then K, M or G)");
  EXPECT_EQ(Parsed("size>99999999999999999999"), "error at 0: the size is too large");
  EXPECT_EQ(Parsed("size>1099511627777"), "error at 0: the size is too large");  // 1 TiB + 1
  EXPECT_EQ(Parsed("size>1073741825K"), "error at 0: the size is too large");
}

TEST(ParseQueryTest, LimitsAreNamedWhenMet) {
  EXPECT_EQ(Parsed(std::string(40, '(') + "a" + std::string(40, ')')),
            "error at 32: more than 32 parentheses and '-' within one another, the most a query "
            "may have");
  EXPECT_EQ(Parsed(std::string(33, '-') + "a").substr(0, 22), "error at 32: more than");
  std::string many;
  for (int i = 0; i < 257; ++i) many += "w" + std::to_string(i) + " ";
  EXPECT_EQ(Parsed(many), "error at " + std::to_string(many.rfind("w256")) +
                              ": more than 256 terms, the most a query may have");
  std::string phrase = "x \"";
  for (int i = 0; i < 33; ++i) phrase += "w ";
  EXPECT_EQ(Parsed(phrase + "\""), "error at 2: the phrase has more than 32 words, the most a phrase may have");
  EXPECT_EQ(Parsed(std::string(kMaxQueryBytes + 1, 'a')).substr(0, 40),
            "error at 65536: the query is longer than");
}

// Words go to the index's form; words no index holds are left out with a note, and so is a group
// or a NOT left with nothing.
TEST(ParseQueryTest, PreparingLeavesOutWhatNoIndexHolds) {
  std::string tax = "/home/u/tax";  // the folder in the platform's form
  std::replace(tax.begin(), tax.end(), '/', platform::kPathSeparator);
  EXPECT_EQ(Prepared("CAFÉ Contract* dir:docs/../tax/"), "(caf\xE9 contract* dir:" + tax + ")");
  EXPECT_EQ(Prepared("invoice the ox"),
            "[the is a stop wo] [ox is shorter t] (invoice)");
  EXPECT_EQ(Prepared("invoice OR the"), "[the is a stop wo] ((invoice))");
  EXPECT_EQ(Prepared("invoice -(the OR ox)"),
            "[the is a stop wo] [ox is shorter t] (invoice)");
  EXPECT_EQ(Prepared("the"), "[the is a stop wo] nothing left");
  EXPECT_EQ(Prepared("\"the and\" invoice"), "[\"the and\" holds no wor] (invoice)");
  // A phrase keeps its dropped words for the check in the text; one quoted word is a word.
  EXPECT_EQ(Prepared("\"State of the Art\" \"Invoice\""), "(\"state of the art\" invoice)");
  EXPECT_EQ(Prepared("ext:pdf"), "(ext:pdf)");
  EXPECT_EQ(Prepared("the", {"--x"}), "[the is a stop wo] (--x)");
  EXPECT_EQ(Prepared("ok caf\xE9 more"), "[ok is shorter t] not UTF-8");  // notes up to it
  EXPECT_EQ(Prepared("\"caf\xE9 x\""), "not UTF-8");
}

TEST(ParseQueryTest, TheCanonicalFormReadsBackToItself) {
  for (const char* text : {"a OR b -c (d OR \"e f\") g* ext:x,y dir:\"a b\" after:2000-01-02",
                           "-(-a) size>1 size<2 before:2107-12-31", "x OR (y z) OR -w"}) {
    const std::string once = Parsed(text);
    EXPECT_EQ(Parsed(once), once) << text;
  }
}

}  // namespace
}  // namespace oru::tool
