// The piece table parser over Clx structures forged byte by byte.
#include "plugins/parser-word/piece_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/little_endian.h"

namespace oru::dovrin {
namespace {

std::string Le(uint64_t value, size_t width) { return platform::LeBytes(value, width); }

struct Fc {
  uint32_t cp_end;
  uint32_t fc;
};
// A piece list (0x02, size, CPs from 0, 8-byte descriptors with fc at byte 2) after `before`.
std::string Clx(const std::vector<Fc>& pieces, const std::string& before = "") {
  std::string cps = Le(0, 4), descriptors;
  for (const Fc& p : pieces) {
    cps += Le(p.cp_end, 4);
    descriptors += Le(0, 2) + Le(p.fc, 4) + Le(0, 2);
  }
  return before + "\x02" + Le(uint32_t(cps.size() + descriptors.size()), 4) + cps + descriptors;
}

std::optional<std::vector<Piece>> Parse(const std::string& clx, uint64_t stream_size = 1000,
                                        PieceFormat format = PieceFormat::kWord97) {
  return ParsePieceTable(reinterpret_cast<const uint8_t*>(clx.data()), clx.size(), format,
                         stream_size);
}

TEST(PieceTableTest, ReadsPiecesInCharacterOrder) {
  const std::string properties = "\x01" + Le(3, 2) + "abc" + "\x01" + Le(0, 2);
  const auto pieces =
      Parse(Clx({{10, 0x40000000 | 0x300}, {10, 0x200}, {14, 0x100}}, properties));
  ASSERT_TRUE(pieces);  // the empty second piece is left out
  EXPECT_EQ(*pieces, (std::vector<Piece>{{10, 0x180, true}, {4, 0x100, false}}));

  const auto word6 = Parse(Clx({{5, 0x300}}), 1000, PieceFormat::kWord6);
  ASSERT_TRUE(word6);
  EXPECT_EQ(*word6, (std::vector<Piece>{{5, 0x300, true}}));
}

TEST(PieceTableTest, InconsistentTablesGiveNothing) {
  const std::string good = Clx({{10, 0x100}, {20, 0x40000000 | 0x400}});
  ASSERT_TRUE(Parse(good));
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"properties only", "\x01" + Le(1, 2) + "x"},
      {"property runs past the end", "\x01" + Le(9, 2) + "x"},
      {"unknown entry", "\x05" + good},
      {"bytes after the piece list", good + "\x01"},
      {"piece list cut short", good.substr(0, good.size() - 1)},
      {"list size overflows", "\x02" + Le(0xFFFFFFF8, 4) + good.substr(5)},
      {"no piece", "\x02" + Le(4, 4) + Le(0, 4)},
      {"no character", Clx({{0, 0x100}, {0, 0x200}})},
      {"list size not whole pieces", "\x02" + Le(17, 4) + good.substr(5, 17)},
      {"positions decrease", Clx({{10, 0x100}, {5, 0x200}})},
      {"16-bit piece past the stream", Clx({{10, 1000 - 19}})},
      {"8-bit piece past the stream", Clx({{10, 0x40000000 | 2 * 991}})},
      {"position overflow", Clx({{0xFFFFFFFF, 0x100}})},
      {"reserved fc bit", Clx({{10, 0x80000100}})},
      {"overlapping pieces exceed the stream", Clx({{400, 0}, {800, 0}})},
  };
  for (const auto& [what, clx] : cases) EXPECT_FALSE(Parse(clx)) << what;
  EXPECT_TRUE(Parse(Clx({{10, 1000 - 20}}))) << "a piece that ends at the stream's end";
}

TEST(PieceTableTest, MillionPiecesAreReadInOnePass) {
  constexpr uint32_t kPieces = 1000000;
  std::vector<Fc> pieces;
  pieces.reserve(kPieces);
  for (uint32_t k = 0; k < kPieces; ++k) pieces.push_back({k + 1, 0x40000000 | 2 * k});
  const std::string clx = Clx(pieces);
  const auto parsed = Parse(clx, kPieces);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->size(), kPieces);
  EXPECT_EQ(parsed->back(), (Piece{1, kPieces - 1, true}));
  // The same pieces all over the first byte: a million characters from one byte of stream.
  pieces.assign(kPieces, {0, 0x40000000});
  for (uint32_t k = 0; k < kPieces; ++k) pieces[k].cp_end = k + 1;
  EXPECT_FALSE(Parse(Clx(pieces), kPieces - 1));
}

}  // namespace
}  // namespace oru::dovrin
