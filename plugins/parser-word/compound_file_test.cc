// The compound-file reader over files forged byte by byte, and the text region it leads to.
#include "plugins/parser-word/compound_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/little_endian.h"
#include "platform/test_folder.h"
#include "plugins/parser-word/text_region.h"

namespace oru::dovrin {
namespace {

constexpr uint32_t kEnd = 0xFFFFFFFE, kNone = 0xFFFFFFFF;

std::string Le(uint64_t value, size_t width) { return platform::LeBytes(value, width); }
void Put(std::string* to, size_t at, const std::string& bytes) {
  to->replace(at, bytes.size(), bytes);
}
std::string Pattern(size_t size, int seed) {
  std::string out(size, '\0');
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 7 + size_t(seed)) % 251);
  return out;
}

// A compound file forged sector by sector: sector 0 holds the FAT, sector 1 the directory (the
// root, then the streams, each the right sibling of the one before), sector 2 the mini FAT,
// then the mini stream and the other streams. Streams under 4096 bytes go to the mini stream.
// A scattered stream has its (mini) sectors laid in reverse order, each one its own run.
class Forge {
 public:
  explicit Forge(uint32_t shift = 9) : shift_(shift), size_(1u << shift) {}
  Forge& Add(std::u16string name, std::string data, bool scattered = false) {
    streams_.push_back({std::move(name), std::move(data), scattered});
    return *this;
  }
  size_t Sector(uint32_t n) const { return size_t{n + 1} * size_; }  // file offsets
  size_t FatEntry(uint32_t n) const { return Sector(0) + 4 * n; }
  size_t Entry(uint32_t id) const { return Sector(1) + 128 * id; }

  std::string Build() const {
    std::vector<uint32_t> fat{0xFFFFFFFD, kEnd, kEnd}, mini_fat, starts;
    std::string data, mini;
    for (const auto& s : streams_) {
      starts.push_back(s.data.size() < 4096 ? Lay(s, 64, &mini, &mini_fat) : kNone);
    }
    std::string dir =
        DirEntry({u"Root Entry", mini}, 5, kNone, 1, Lay({u"", mini}, size_, &data, &fat));
    for (uint32_t i = 0; i < streams_.size(); ++i) {
      if (starts[i] == kNone) starts[i] = Lay(streams_[i], size_, &data, &fat);
      dir += DirEntry(streams_[i], 2, i + 1 < streams_.size() ? i + 2 : kNone, kNone, starts[i]);
    }
    std::string header(size_, '\0');
    Put(&header, 0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    Put(&header, 0x1A, Le(shift_ == 9 ? 3 : 4, 2) + Le(0xFFFE, 2) + Le(shift_, 2) + Le(6, 2));
    Put(&header, 0x2C, Le(1, 4) + Le(1, 4) + Le(0, 4) + Le(4096, 4) + Le(2, 4) + Le(1, 4));
    Put(&header, 0x44, Le(kEnd, 4) + Le(0, 4) + Le(0, 4) + std::string(108 * 4, '\xFF'));
    return header + Table(fat) + Fill(dir, '\0') + Table(mini_fat) + data;
  }

 private:
  struct Stream {
    std::u16string name;
    std::string data;
    bool scattered = false;
  };
  std::string Fill(std::string bytes, char with) const {
    EXPECT_LE(bytes.size(), size_);
    bytes.resize(size_, with);
    return bytes;
  }
  std::string Table(const std::vector<uint32_t>& entries) const {
    std::string out;
    for (uint32_t e : entries) out += Le(e, 4);
    return Fill(out, '\xFF');
  }
  static std::string DirEntry(const Stream& s, int type, uint32_t right, uint32_t child,
                              uint32_t start) {
    std::string e(128, '\0');
    for (size_t i = 0; i < s.name.size(); ++i) Put(&e, 2 * i, Le(s.name[i], 2));
    Put(&e, 0x40, Le(2 * (s.name.size() + 1), 2) + Le(uint64_t(type), 1));
    Put(&e, 0x44, Le(kNone, 4) + Le(right, 4) + Le(child, 4));
    Put(&e, 0x74, Le(start, 4) + Le(s.data.size(), 8));
    return e;
  }
  // Appends the stream to `area` in units of `unit`, numbered on from the table's size, and
  // chains them in `table`. Returns the first unit.
  static uint32_t Lay(const Stream& s, size_t unit, std::string* area,
                      std::vector<uint32_t>* table) {
    const auto n = uint32_t((s.data.size() + unit - 1) / unit), first = uint32_t(table->size());
    auto at = [&](uint32_t i) { return s.scattered ? first + n - 1 - i : first + i; };
    table->resize(first + n);
    area->resize(area->size() + n * unit, '\0');
    for (uint32_t i = 0; i < n; ++i) {
      (*table)[at(i)] = i + 1 < n ? at(i + 1) : kEnd;
      Put(area, area->size() - (first + n - at(i)) * unit, s.data.substr(i * unit, unit));
    }
    return n == 0 ? kEnd : at(0);
  }

  uint32_t shift_, size_;
  std::vector<Stream> streams_;
};

std::string WriteFile(platform::TestFolder* dir, const std::string& bytes, platform::File* file) {
  const std::string path = dir->Write("file.doc", bytes);
  EXPECT_EQ(platform::File::Open(path, platform::OpenMode::kReadExisting, file),
            platform::Result::kOk);
  return path;
}

// The stream `name` of the compound file `bytes`, read whole; nothing when it cannot be.
std::optional<std::string> ReadStream(const std::string& bytes, std::u16string_view name) {
  platform::TestFolder dir;
  platform::File file;
  WriteFile(&dir, bytes, &file);
  const auto stream = CompoundStream::Find(&file, name);
  if (!stream) return std::nullopt;
  EXPECT_LE(stream->size(), bytes.size());
  std::string out(stream->size(), '\0');
  if (!stream->Read(0, out.data(), out.size())) return std::nullopt;
  return out;
}

TEST(CompoundFileTest, ReadsStreamsWhereverTheyLie) {
  const std::string big = Pattern(5000, 1), small = Pattern(300, 2), split = Pattern(4600, 3);
  const std::string bytes =
      Forge().Add(u"Big", big).Add(u"Small", small, true).Add(u"Split", split, true).Build();
  EXPECT_EQ(ReadStream(bytes, u"Big"), big);
  EXPECT_EQ(ReadStream(bytes, u"sMALL"), small);  // ASCII case is ignored
  EXPECT_EQ(ReadStream(bytes, u"Split"), split);
  EXPECT_EQ(ReadStream(bytes, u"Spli"), std::nullopt);
  EXPECT_EQ(ReadStream(bytes, u"Missing"), std::nullopt);
  const std::string large = Pattern(10000, 4), tiny = Pattern(100, 5);
  const std::string wide = Forge(12).Add(u"Large", large, true).Add(u"Tiny", tiny).Build();
  EXPECT_EQ(ReadStream(wide, u"Large"), large);
  EXPECT_EQ(ReadStream(wide, u"Tiny"), tiny);

  platform::TestFolder dir;
  platform::File file;
  WriteFile(&dir, bytes, &file);
  const auto stream = CompoundStream::Find(&file, u"Split");
  ASSERT_TRUE(stream);
  std::string part(700, '\0');
  EXPECT_TRUE(stream->Read(500, part.data(), part.size()));  // across three runs
  EXPECT_EQ(part, split.substr(500, 700));
  EXPECT_TRUE(stream->Read(4600, part.data(), 0));
  EXPECT_FALSE(stream->Read(4590, part.data(), 11));
  EXPECT_FALSE(stream->Read(~uint64_t{0}, part.data(), 1));
}

// Base: the mini stream in sector 3, "Big" (entry 1) in sectors 4-13, "Small" (entry 2) in mini
// sectors 0-4.
TEST(CompoundFileTest, MalformedFilesGiveNothing) {
  const Forge f = Forge().Add(u"Big", Pattern(5000, 1)).Add(u"Small", Pattern(300, 2));
  const std::string base = f.Build();
  ASSERT_TRUE(ReadStream(base, u"Big") && ReadStream(base, u"Small"));
  struct Case {
    const char* what;
    std::u16string_view stream;
    std::vector<std::pair<size_t, std::string>> patches;
  };
  const Case cases[] = {
      {"no signature", u"Big", {{7, "\xE0"}}},
      {"huge sector shift", u"Big", {{0x1E, Le(0xFFFF, 2)}}},
      {"sector shift 8", u"Big", {{0x1E, Le(8, 2)}}},
      {"chain loops", u"Big", {{f.FatEntry(5), Le(4, 4)}}},
      {"sector past the file", u"Big", {{f.FatEntry(4), Le(100000, 4)}}},
      {"chain into the FAT", u"Big", {{f.FatEntry(6), Le(0, 4)}}},
      {"start past the file", u"Big", {{f.Entry(1) + 0x74, Le(5000, 4)}}},
      {"start in the FAT", u"Big", {{f.Entry(1) + 0x74, Le(0, 4)}}},
      {"size beyond its chain", u"Big", {{f.Entry(1) + 0x78, Le(5200, 4)}}},
      {"size beyond the file", u"Big", {{f.Entry(1) + 0x78, Le(0x7FFFFFFF, 4)}}},
      {"FAT listed twice", u"Big", {{0x2C, Le(2, 4)}, {0x50, Le(0, 4)}}},
      {"DIFAT loops", u"Big", {{0x2C, Le(1000, 4)}, {0x44, Le(4, 4)}, {f.Sector(5) - 4, Le(4, 4)}}},
      {"DIFAT ends early", u"Big", {{0x2C, Le(200, 4)}}},
      {"directory chain loops", u"Big", {{f.FatEntry(1), Le(1, 4)}}},
      {"directory tree loops", u"Missing", {{f.Entry(2) + 0x48, Le(1, 4)}}},
      {"sibling past the directory", u"Small", {{f.Entry(1) + 0x48, Le(1000, 4)}}},
      {"no root entry", u"Big", {{f.Entry(0) + 0x42, Le(1, 1)}}},
      {"mini chain loops", u"Small", {{f.Sector(2) + 4, Le(0, 4)}}},
      {"mini sector past the mini stream", u"Small", {{f.Sector(2), Le(5, 4)}}},
      {"mini stream beyond the file", u"Small", {{f.Entry(0) + 0x78, Le(0x7FFFFFFF, 4)}}},
      {"mini FAT chain loops", u"Small", {{f.FatEntry(2), Le(2, 4)}}},
  };
  for (const Case& c : cases) {
    std::string bytes = base;
    for (const auto& [at, patch] : c.patches) Put(&bytes, at, patch);
    EXPECT_FALSE(ReadStream(bytes, c.stream).has_value()) << c.what;
  }
  EXPECT_FALSE(ReadStream(base.substr(0, base.size() - 200), u"Big").has_value()) << "cut short";
}

// A WordDocument stream of `size` bytes: identifier, fcMin (4-byte field), fcMac, then text.
std::string WordStream(uint32_t fc_min, uint32_t fc_mac, size_t size, uint16_t id = 0xA5EC) {
  std::string s = Pattern(size, 9);
  Put(&s, 0, Le(id, 2));
  Put(&s, 24, Le(fc_min, 4) + Le(fc_mac, 4));
  return s;
}
std::optional<std::string> Region(const std::string& stream, uint32_t shift = 9) {
  platform::TestFolder dir;
  platform::File file;
  WriteFile(&dir, Forge(shift).Add(u"WordDocument", stream, true).Build(), &file);
  const auto region = ReadTextRegion(&file);
  if (!region) return std::nullopt;
  return std::string(region->begin(), region->end());
}

TEST(CompoundFileTest, TextRegionLiesBetweenStreamOffsetsFcMinAndFcMac) {
  for (size_t size : {5000u, 3000u}) {  // in sectors, in mini sectors
    const std::string stream = WordStream(0x800, 0x900, size);
    EXPECT_EQ(Region(stream), stream.substr(0x800, 0x100)) << size;
    EXPECT_EQ(Region(WordStream(0x800, uint32_t(size), size)), stream.substr(0x800)) << size;
    EXPECT_EQ(Region(WordStream(0x800, uint32_t(size + 1), size)), std::nullopt) << size;
    EXPECT_EQ(Region(WordStream(0x800, 0x800, size)), std::nullopt) << size;
    EXPECT_EQ(Region(WordStream(0x800, 0x7FF, size)), std::nullopt) << size;
    EXPECT_EQ(Region(WordStream(0x800, 0x900, size, 0xA5ED)), std::nullopt) << size;
  }
  // fcMin is the low 16 bits of its field and is not wrapped: 0x1FE00 is stream offset 0xFE00.
  const std::string stream = WordStream(0x1FE00, 0xFE40, 0xFE40);
  EXPECT_EQ(Region(stream, 12), stream.substr(0xFE00));
}

}  // namespace
}  // namespace oru::dovrin
