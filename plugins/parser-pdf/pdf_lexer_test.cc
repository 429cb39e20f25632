#include "plugins/parser-pdf/pdf_lexer.h"

#include <gtest/gtest.h>

namespace oru::pdf {
namespace {

Object Parse(std::string_view text, int max_depth = 64) {
  Lexer lexer(text);
  Object value;
  lexer.Next(&value, max_depth);
  return value;
}

TEST(PdfLexerTest, ReadsScalars) {
  EXPECT_EQ(Parse("  % comment\n 42").integer, 42);
  EXPECT_EQ(Parse("-17").integer, -17);
  EXPECT_DOUBLE_EQ(Parse("-.5").real, -0.5);
  EXPECT_DOUBLE_EQ(Parse("3.25").real, 3.25);
  EXPECT_EQ(Parse("99999999999999999999999").type, Type::kReal);
  EXPECT_TRUE(Parse("true").boolean);
  EXPECT_TRUE(Parse("null").IsNull());
  EXPECT_TRUE(Parse("/A#20B#2f").IsName("A B/"));
  const Object op = Parse("Tj");
  EXPECT_EQ(op.type, Type::kOperator);
  EXPECT_EQ(op.text, "Tj");
}

TEST(PdfLexerTest, ReadsStrings) {
  EXPECT_EQ(Parse("(a(b)c\\)\\n\\101\\0501\\\nx)").text, "a(b)c)\nA(1x");
  EXPECT_EQ(Parse("(line\r\nend)").text, "line\nend");
  EXPECT_EQ(Parse("<48 65 6c6C 6>").text, "Hell\x60");
  EXPECT_EQ(Parse("(unterminated").text, "unterminated");
}

TEST(PdfLexerTest, ReadsContainersAndReferences) {
  const Object dict = Parse("<< /Kids [1 0 R 2 0 R 7] /Count 3 /Count 9 /N null >>");
  ASSERT_EQ(dict.type, Type::kDict);
  const Array* kids = dict.dict->Find("Kids")->AsArray();
  ASSERT_NE(kids, nullptr);
  ASSERT_EQ(kids->size(), 3u);
  EXPECT_EQ((*kids)[1].type, Type::kRef);
  EXPECT_EQ((*kids)[1].integer, 2);
  EXPECT_EQ((*kids)[2].type, Type::kInt);
  EXPECT_EQ(dict.dict->Find("Count")->integer, 3);  // the first of a repeated key
  // A damaged dictionary ends at a keyword, which stays to be read.
  Lexer lexer("<< /A 1 /B endobj 2 0 obj");
  Object value;
  lexer.Next(&value, 64);
  EXPECT_EQ(value.dict->entries.size(), 1u);
  EXPECT_TRUE(lexer.ReadKeyword("endobj"));
}

TEST(PdfLexerTest, DeepNestingIsSkippedWithoutRecursion) {
  const std::string deep = std::string(1000000, '[') + std::string(1000000, ']') + " 5";
  Lexer lexer(deep);
  Object value;
  ASSERT_TRUE(lexer.Next(&value, 16));
  ASSERT_TRUE(lexer.Next(&value, 16));
  EXPECT_EQ(value.integer, 5);
  const std::string strays = std::string(1000000, ')') + " 6";
  EXPECT_EQ(Parse(strays).integer, 6);
}

}  // namespace
}  // namespace oru::pdf
