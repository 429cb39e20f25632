// Dovrin through its exports, over documents forged byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/little_endian.h"
#include "platform/test_folder.h"
#include "plugins/parser-word/test_plugin.h"

namespace oru::dovrin::test {
namespace {

using Words = std::vector<std::u16string>;

void Put(std::string* doc, size_t at, const std::string& bytes) {
  if (doc->size() < at + bytes.size()) doc->resize(at + bytes.size(), ' ');
  doc->replace(at, bytes.size(), bytes);
}
std::string Le(uint64_t value, size_t width) { return platform::LeBytes(value, width); }
// A file of `size` blanks with the identifier at 512 and the 4-byte fcMin and fcMac fields.
std::string Header(uint32_t fc_min, uint32_t fc_mac, size_t size = 1024) {
  std::string doc(size, ' ');
  Put(&doc, 512, Le(0xA5EC, 2) + std::string(22, ' ') + Le(fc_min, 4) + Le(fc_mac, 4));
  return doc;
}
// A document whose text region is exactly `region`, at file offset 1024.
std::string Doc(const std::string& region) {
  std::string doc = Header(512, static_cast<uint32_t>(512 + region.size()));
  Put(&doc, 1024, region);
  return doc;
}
std::string Wide(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += Le(c, 2);
  return out;
}

class DovrinTest : public ::testing::Test {
 protected:
  void TearDown() override { p_.stop(); }
  bool Parse(const std::string& bytes) {
    return p_.parse(dir_.Write("doc.doc", bytes).c_str(), "MSWord Files");
  }
  struct Fragment {
    bool ok;
    uint32_t position, length;
    std::u16string text;
  };
  Fragment Cut(uint32_t position, uint32_t size) {
    std::u16string buffer(size, u'#');
    FragmentRecord rec{position, 0, size, 12345, buffer.data(), 0};
    const bool ok = p_.fragment(&rec);
    EXPECT_EQ(rec.IsWide, 1);
    if (ok) {
      EXPECT_EQ(rec.Size, rec.Length);
    }
    return {ok, rec.Position, rec.Length, buffer};
  }

  Plugin& p_ = Plugin::Get();
  platform::TestFolder dir_;
};

TEST_F(DovrinTest, DescriptorBlockFilledAsDocumented) {
  std::string block(2080, '\xFF');
  ASSERT_TRUE(p_.get_plug_data(reinterpret_cast<DescriptorBlock*>(block.data())));
  const std::string description =
      "This plugin is developed for parsing Microsoft Word(tm) files. "
      "Files extensions to be handled: doc,dot.";
  EXPECT_EQ(block.substr(0, 1024), "MSWord Files<doc>dot=" + std::string(1003, '\0'));
  EXPECT_EQ(block.substr(1024, 1024),
            description + '\0' + std::string(1023 - description.size(), '\xFF'));
  EXPECT_EQ(block.substr(2048), "Dovrin" + std::string(1, '\0') + std::string(25, '\xFF'));
  EXPECT_FALSE(p_.get_plug_data(nullptr));
}

TEST_F(DovrinTest, RefusesWhatItCannotRead) {
  EXPECT_FALSE(p_.parse(nullptr, ""));
  EXPECT_FALSE(p_.parse("", ""));
  EXPECT_FALSE(p_.parse(dir_.Path("missing.doc").c_str(), ""));
  std::string doc = Doc("plain words here");
  EXPECT_FALSE(Parse(doc.substr(0, 513))) << "shorter than 514 bytes";
  EXPECT_FALSE(Parse(doc.substr(0, 540))) << "no fcMac";
  EXPECT_FALSE(Parse(doc.substr(0, doc.size() - 1))) << "region past the end";
  EXPECT_FALSE(Parse(Header(0, 0x7FFFFD00))) << "2 GiB region, refused before allocating";
  EXPECT_FALSE(Parse(Header(512, 512))) << "fcMac + 512 == Start";
  EXPECT_FALSE(Parse(Header(512, 100))) << "fcMac + 512 < Start";
  EXPECT_FALSE(Parse(Header(0, 0x80000000))) << "S negative";
  EXPECT_TRUE(Parse(doc));
  std::string encrypted = doc;
  Put(&encrypted, 522, Le(0x0100, 2));
  EXPECT_FALSE(Parse(encrypted)) << "encrypted";
  Put(&doc, 512, "\xEC\xA4");
  EXPECT_FALSE(Parse(doc)) << "wrong identifier";
}

TEST_F(DovrinTest, ReadsEightAndSixteenBitText) {
  ASSERT_TRUE(Parse(Doc("Caf\xE9 au lait, x y well-known a--b")));
  EXPECT_EQ(p_.Words(), (Words{u"Caf\u00E9", u"au", u"lait", u"well-known", u"-b"}));
  ASSERT_TRUE(Parse(Doc(Wide(u"ab x cd \u0393\u03B5\u03B9\u03AC z"))));  // no stop first
  WordRecord rec{};
  rec.Capacity = 128;
  for (uint32_t end : {2, 7, 12, 14}) {  // 'z' right before the end counts
    ASSERT_TRUE(p_.next_word(&rec));
    EXPECT_EQ(rec.IsWide, 1);
    EXPECT_EQ(rec.Position, end);
  }
  EXPECT_EQ(rec.Length, 2);
  EXPECT_FALSE(p_.next_word(&rec));
  EXPECT_EQ(rec.Position, 14u);
}

TEST_F(DovrinTest, LongWordIsCutToSixtyFourCharacters) {
  ASSERT_TRUE(Parse(Doc(Wide(std::u16string(70, u'w') + u" next"))));
  for (uint32_t capacity : {128u, 1000u, 10u}) {  // at most 128 bytes
    WordRecord rec{};
    rec.Capacity = capacity;
    ASSERT_TRUE(p_.next_word(&rec));
    EXPECT_EQ(rec.Length, std::min(capacity, 128u));
    EXPECT_EQ(rec.Position, 70u);
  }
}

// 1024 bytes, the first `low` zero: 1024 characters as 8-bit text, 512 as 16-bit text.
TEST_F(DovrinTest, SampleDecidesWidthAtOneThird) {
  for (size_t low : {341, 342}) {
    ASSERT_TRUE(Parse(Doc(std::string(low, '\0') + std::string(1024 - low, 'a'))));
    EXPECT_EQ(Cut(600, 10).ok, low == 341) << low;
  }
}

TEST_F(DovrinTest, TextStartWrapsInSixteenBits) {
  std::string doc = Header(0xFE00, 0xFFFFFE20);  // Start 0; fcMac + 512 wraps to 32
  Put(&doc, 0, "alpha beta");
  ASSERT_TRUE(Parse(doc));
  EXPECT_EQ(p_.Words(), (Words{u"alpha", u"beta"}));
  doc = Header(0x10400, 0x0400 + 11, 0x700);  // read as 0x0400: Start 0x600, not 0x10600
  Put(&doc, 0x600, "gamma delta");
  ASSERT_TRUE(Parse(doc));
  EXPECT_EQ(p_.Words(), (Words{u"gamma", u"delta"}));
}

TEST_F(DovrinTest, ServesTheFilteredText) {
  ASSERT_TRUE(Parse(Doc("Hello\rWorld\r")));
  EXPECT_EQ(Cut(0, 20).text, std::u16string(u"Hello\r\r\nWorld\r\r\n") + std::u16string(4, 0));
  ASSERT_TRUE(
      Parse(Doc("a\x13 HYPERLINK x \x14link\x15"
                "b\r ta\axy\x0Bzz\x0Cwv u\x01v \x13 A \x13 B \x14in\x15 rest\x14 out\x15")));
  // Cell, line and page marks end words; an anchor goes; the nested code goes.
  EXPECT_EQ(p_.Words(), (Words{u"alinkb", u"ta", u"xy", u"zz", u"wv", u"uv", u"out"}));
}

TEST_F(DovrinTest, F11_TailAndTextLongerThanRegionAreServed) {
  ASSERT_TRUE(Parse(Doc("one\rtwo")));
  EXPECT_EQ(p_.Words(), (Words{u"one", u"two"}));
  std::string region;
  for (int i = 0; i < 100; ++i) region += "ab\r";
  ASSERT_TRUE(Parse(Doc(region + "zz")));  // 302 bytes give 502 characters
  EXPECT_EQ(p_.Words().size(), 101u);
  EXPECT_TRUE(Cut(501, 4).ok);
  EXPECT_FALSE(Cut(502, 4).ok);
}

TEST_F(DovrinTest, FragmentIsAWindowAroundPosition) {
  std::u16string text;
  for (int i = 0; i < 51; ++i) text += u"abcdefghi ";  // 510 characters
  ASSERT_TRUE(Parse(Doc(Wide(text))));
  Fragment f = Cut(10, 40);
  EXPECT_TRUE(f.ok && f.position == 0 && f.length == 40);
  EXPECT_EQ(f.text, text.substr(0, 40));
  f = Cut(500, 40);
  EXPECT_TRUE(f.ok && f.position == 480 && f.length == 30);
  EXPECT_EQ(f.text, text.substr(480, 30) + std::u16string(10, 0));
  for (uint32_t position : {510u, 0xFFFFFFFFu}) {
    f = Cut(position, 40);
    EXPECT_TRUE(!f.ok && f.length == 0);
    EXPECT_EQ(f.text, std::u16string(40, 0));
  }
  ASSERT_TRUE(Parse(Doc(Wide(std::u16string(u"\0\0\0\0hello\0world", 15)))));
  f = Cut(2, 8);  // leading zeros skipped, copy stops at a zero
  EXPECT_TRUE(f.ok && f.position == 0 && f.length == 8);
  EXPECT_EQ(f.text, std::u16string(u"hello\0\0\0", 8));
}

TEST_F(DovrinTest, FragmentNeverWritesPastTwiceSize) {
  ASSERT_TRUE(Parse(Doc(Wide(std::u16string(300, u'q')))));
  for (uint32_t size : {0u, 1u, 7u, 299u, 301u}) {
    for (uint32_t position : {0u, 5u, 150u, 299u, 300u}) {
      std::string buffer(2 * size + 64, '\xAB');
      FragmentRecord rec{position, 0, size, 0, buffer.data(), 0};
      p_.fragment(&rec);
      EXPECT_EQ(buffer.substr(2 * size), std::string(64, '\xAB')) << size << " " << position;
    }
  }
}

TEST_F(DovrinTest, CallsWithoutHeldTextFail) {
  WordRecord rec{};
  rec.Capacity = 128;
  rec.Position = 3;
  p_.stop();
  p_.stop();
  EXPECT_FALSE(p_.next_word(&rec));
  EXPECT_TRUE(rec.IsWide == 1 && rec.Position == 3);
  EXPECT_FALSE(Cut(0, 10).ok);
  ASSERT_TRUE(Parse(Doc("some words")));
  EXPECT_FALSE(p_.next_word(nullptr));
  EXPECT_FALSE(p_.fragment(nullptr));
  EXPECT_FALSE(p_.parse(dir_.Path("missing.doc").c_str(), ""));  // drops the old text
  EXPECT_FALSE(p_.next_word(&rec));
  EXPECT_FALSE(Cut(0, 10).ok);
}

}  // namespace
}  // namespace oru::dovrin::test
