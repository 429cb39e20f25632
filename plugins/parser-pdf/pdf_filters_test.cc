#include "plugins/parser-pdf/pdf_filters.h"

#include <gtest/gtest.h>

#include "plugins/parser-pdf/pdf_test_util.h"

namespace oru::pdf {
namespace {

std::string Decode(const std::string& raw, std::vector<FilterStep> steps,
                   DecodeStatus expected = DecodeStatus::kOk, size_t allowance = 1 << 20) {
  std::string out;
  EXPECT_EQ(DecodeStream(raw, steps, &allowance, &out), expected);
  return out;
}

FilterStep Step(const char* name) {
  FilterStep step;
  step.name = name;
  return step;
}

TEST(PdfFiltersTest, DecodesEachFilter) {
  EXPECT_EQ(Decode(test::Deflate("hello world"), {Step("FlateDecode")}), "hello world");
  EXPECT_EQ(Decode("87cURD]i,\"Ebo80~>", {Step("ASCII85Decode")}), "Hello World!");
  EXPECT_EQ(Decode("z!!~>", {Step("A85")}), std::string("\0\0\0\0\0", 5));
  EXPECT_EQ(Decode("48 65 6C6c 6F>", {Step("AHx")}), "Hello");
  EXPECT_EQ(Decode("\x02" "abc\xFEx\x80", {Step("RunLengthDecode")}), "abcxxx");
  // "-----A---B" in LZW with early change, from the format's own example.
  EXPECT_EQ(Decode("\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01", {Step("LZWDecode")}), "-----A---B");
  EXPECT_EQ(Decode(test::Deflate("chain"), {Step("FlateDecode"), Step("Crypt")}), "chain");
  std::string hex;
  for (unsigned char c : test::Deflate("two filters")) {
    const char* digits = "0123456789abcdef";
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  EXPECT_EQ(Decode(hex + ">", {Step("AHx"), Step("Fl")}), "two filters");
  EXPECT_EQ(Decode("x", {Step("DCTDecode")}, DecodeStatus::kUnsupported), "");
}

TEST(PdfFiltersTest, UndoesPredictors) {
  FilterStep png = Step("FlateDecode");
  png.predictor = 12;
  png.columns = 3;
  // Row 1 with "Up" (2) from zeros, row 2 with "Up" adding one to each byte.
  const std::string rows("\x02" "abc" "\x02\x01\x01\x01", 8);
  EXPECT_EQ(Decode(test::Deflate(rows), {png}), "abcbcd");
  FilterStep sub = png;
  EXPECT_EQ(Decode(test::Deflate(std::string("\x01\x61\x01\x01", 4)), {sub}), "abc");
  FilterStep tiff = png;
  tiff.predictor = 2;
  EXPECT_EQ(Decode(test::Deflate(std::string("\x61\x01\x01", 3)), {tiff}), "abc");
}

TEST(PdfFiltersTest, DamageAndBombsStopWithWhatCameBefore) {
  std::string text(100000, 'x');
  for (size_t k = 0; k < text.size(); k += 7) text[k] = static_cast<char>('a' + k % 26);
  std::string damaged = test::Deflate(text);
  damaged.resize(damaged.size() / 2);
  const std::string partial = Decode(damaged, {Step("FlateDecode")}, DecodeStatus::kDamaged);
  EXPECT_GT(partial.size(), 1000u);
  EXPECT_EQ(partial, text.substr(0, partial.size()));
  const std::string bomb = test::Deflate(std::string(50 << 20, '\0'));
  size_t allowance = 1 << 20;
  std::string out;
  EXPECT_EQ(DecodeStream(bomb, {Step("FlateDecode")}, &allowance, &out), DecodeStatus::kLimit);
  EXPECT_EQ(out.size(), size_t{1} << 20);
  EXPECT_EQ(allowance, 0u);
}

}  // namespace
}  // namespace oru::pdf
