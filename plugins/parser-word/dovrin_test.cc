// Dovrin through its exports, loaded from bin/Dovrin.so as the indexer loads it, over
// documents forged byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/test_folder.h"
#include "plugins/parser-word/test_doc.h"

namespace oru::dovrin::test {
namespace {

class DovrinTest : public ::testing::Test {
 protected:
  void SetUp() override { p_.stop(); }
  void TearDown() override { p_.stop(); }

  bool Parse(std::string_view doc_bytes) {
    return p_.parse(dir_.Write("doc.doc", std::string(doc_bytes)).c_str(), "MSWord Files");
  }
  // The fragment around `position`, with the record's outputs.
  struct Fragment {
    bool ok;
    uint32_t position, size, length;
    std::u16string text;
  };
  Fragment Cut(uint32_t position, uint32_t size) {
    std::vector<char16_t> buffer(size, u'#');
    FragmentRecord rec{};
    rec.Position = position;
    rec.Size = size;
    rec.Length = 12345;
    rec.Buffer = buffer.data();
    const bool ok = p_.fragment(&rec);
    EXPECT_EQ(rec.IsWide, 1);
    return {ok, rec.Position, rec.Size, rec.Length, std::u16string(buffer.begin(), buffer.end())};
  }

  Plugin& p_ = Plugin::Get();
  platform::TestFolder dir_;
};

TEST_F(DovrinTest, DescriptorBlockFilledAsDocumented) {
  std::vector<uint8_t> block(2080, 0xFF);
  ASSERT_TRUE(p_.get_plug_data(reinterpret_cast<DescriptorBlock*>(block.data())));
  const std::string filter = "MSWord Files<doc>dot=";
  const std::string description =
      "This plugin is developed for parsing Microsoft Word(tm) files. "
      "Files extensions to be handled: doc,dot.";
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block.data())), filter);
  for (size_t i = filter.size(); i < 1024; ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&block[1024])), description);
  for (size_t i = 1024 + description.size() + 1; i < 2048; ++i) ASSERT_EQ(block[i], 0xFF) << i;
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&block[2048])), "Dovrin");
  for (size_t i = 2048 + 7; i < 2080; ++i) ASSERT_EQ(block[i], 0xFF) << i;
  EXPECT_FALSE(p_.get_plug_data(nullptr));
}

TEST_F(DovrinTest, RefusesNamesFilesAndHeadersItCannotUse) {
  EXPECT_FALSE(p_.parse(nullptr, "MSWord Files"));
  EXPECT_FALSE(p_.parse("", "MSWord Files"));
  EXPECT_FALSE(p_.parse((dir_.path() + "/missing.doc").c_str(), "MSWord Files"));
  EXPECT_FALSE(p_.parse(dir_.path().c_str(), "MSWord Files"));  // a folder
  std::string doc = ForgeDoc("plain words here");
  EXPECT_FALSE(Parse(doc.substr(0, 513))) << "shorter than the identifier";
  EXPECT_FALSE(Parse(doc.substr(0, 540))) << "identifier but no fcMac";
  Put(&doc, 512, "\xEC\xA4");
  EXPECT_FALSE(Parse(doc)) << "wrong identifier";
}

TEST_F(DovrinTest, RefusesEmptyOrNegativeRegion) {
  EXPECT_FALSE(Parse(ForgeHeader(512, 512))) << "fcMac + 512 == Start";
  EXPECT_FALSE(Parse(ForgeHeader(512, 100))) << "fcMac + 512 < Start";
  EXPECT_FALSE(Parse(ForgeHeader(0, 0x80000000))) << "S negative as a signed number";
  EXPECT_TRUE(Parse(ForgeHeader(0, 1)));
}

TEST_F(DovrinTest, F10_RegionPastEndOfFileIsRefused) {
  const std::string doc = ForgeDoc("words in a region");
  EXPECT_FALSE(Parse(doc.substr(0, doc.size() - 1)));
  // A forged size of almost 2 GiB must be refused before anything is allocated.
  EXPECT_FALSE(Parse(ForgeHeader(0, 0x7FFFFD00)));
  EXPECT_TRUE(Parse(doc));
}

TEST_F(DovrinTest, ReadsEightBitText) {
  ASSERT_TRUE(Parse(ForgeDoc("Caf\xE9 au lait, x y well-known a--b")));
  EXPECT_EQ(p_.Words(), (std::vector<std::u16string>{u"Caf\u00E9", u"au", u"lait", u"well-known",
                                                     u"-b"}));
}

TEST_F(DovrinTest, ReadsSixteenBitTextWithPositions) {
  ASSERT_TRUE(Parse(ForgeDoc(WideBytes(u"ab x cd \u0393\u03B5\u03B9\u03AC z"))));
  WordRecord rec{};
  rec.Capacity = 128;
  ASSERT_TRUE(p_.next_word(&rec));
  EXPECT_EQ(rec.IsWide, 1);
  EXPECT_EQ(rec.Length, 4);
  EXPECT_EQ(rec.Position, 2u);
  EXPECT_EQ(std::memcmp(rec.Buffer, u"ab", 4), 0);
  ASSERT_TRUE(p_.next_word(&rec));
  EXPECT_EQ(rec.Position, 7u);
  ASSERT_TRUE(p_.next_word(&rec));
  EXPECT_EQ(rec.Position, 12u);
  EXPECT_EQ(std::memcmp(rec.Buffer, u"\u0393\u03B5\u03B9\u03AC", 8), 0);
  ASSERT_TRUE(p_.next_word(&rec)) << "a single character right before the end";
  EXPECT_EQ(rec.Position, 14u);
  rec.Length = 99;
  EXPECT_FALSE(p_.next_word(&rec));
  EXPECT_EQ(rec.Position, 14u);
  EXPECT_EQ(rec.Length, 99);
  EXPECT_EQ(rec.Buffer[0], 'z');
}

TEST_F(DovrinTest, LongWordIsCutToCapacityAndPassedWhole) {
  ASSERT_TRUE(Parse(ForgeDoc(WideBytes(std::u16string(70, u'w') + u" next"))));
  for (uint32_t capacity : {128u, 1000u}) {  // F25: never more than 128 bytes
    WordRecord rec{};
    rec.Capacity = capacity;
    ASSERT_TRUE(p_.next_word(&rec));
    EXPECT_EQ(rec.Length, 128);
    EXPECT_EQ(rec.Position, 70u);
  }
  WordRecord rec{};
  rec.Capacity = 10;
  ASSERT_TRUE(p_.next_word(&rec));
  EXPECT_EQ(rec.Length, 10);
}

// A 1024-byte region: the first `low` bytes zero, the rest 'a'. As 8-bit text it is 1024
// characters long, as 16-bit text 512; a fragment at 600 tells them apart.
TEST_F(DovrinTest, SampleDecidesTheWidthAtOneThird) {
  for (int low : {341, 342}) {
    std::string region(1024, 'a');
    for (int i = 0; i < low; ++i) region[static_cast<size_t>(i)] = '\0';
    ASSERT_TRUE(Parse(ForgeDoc(region)));
    EXPECT_EQ(Cut(600, 10).ok, low == 341) << low;
    p_.stop();
  }
}

TEST_F(DovrinTest, TextStartWrapsInSixteenBits) {
  // fcMin 0xFE00 gives Start 0; fcMac 0xFFFFFE20 + 512 wraps to 32, so S = 32.
  std::string doc = ForgeHeader(0xFE00, 0xFFFFFE20);
  Put(&doc, 0, "alpha beta");
  ASSERT_TRUE(Parse(doc));
  EXPECT_EQ(p_.Words(), (std::vector<std::u16string>{u"alpha", u"beta"}));
  p_.stop();
  // fcMin 0x10400 is read as 0x0400: Start 0x0600, not 0x10600 (past the end of this file).
  doc = ForgeHeader(0x10400, 0x0400 + 11, 0x700);
  Put(&doc, 0x600, "gamma delta");
  ASSERT_TRUE(Parse(doc));
  EXPECT_EQ(p_.Words(), (std::vector<std::u16string>{u"gamma", u"delta"}));
}

TEST_F(DovrinTest, FilterAppliesToTheHeldText) {
  ASSERT_TRUE(Parse(ForgeDoc("Hello\rWorld\r")));
  EXPECT_EQ(Cut(0, 20).text, std::u16string(u"Hello\r\r\nWorld\r\r\n") + std::u16string(4, 0));
  EXPECT_EQ(Cut(0, 20).length, 16u);
  p_.stop();
  ASSERT_TRUE(Parse(ForgeDoc("a\x13 HYPERLINK x \x14link\x15"
                             "b\r t\ax\x0B y\x01z \x13 A \x13 B \x14in\x15 rest\x14 out\x15")));
  EXPECT_EQ(p_.Words(), (std::vector<std::u16string>{u"alinkb", u"tx", u"yz", u"in", u"rest",
                                                     u"out"}));
}

TEST_F(DovrinTest, F11_TailAfterLastParagraphMarkIsServed) {
  ASSERT_TRUE(Parse(ForgeDoc("one\rtwo")));
  EXPECT_EQ(p_.Words(), (std::vector<std::u16string>{u"one", u"two"}));
  p_.stop();
  // Many short paragraphs: the text grows to 5/3 of S and all of it is served.
  std::string region;
  for (int i = 0; i < 100; ++i) region += "ab\r";
  ASSERT_TRUE(Parse(ForgeDoc(region + "zz")));
  EXPECT_EQ(p_.Words().size(), 101u);
  EXPECT_TRUE(Cut(501, 4).ok);
  EXPECT_FALSE(Cut(502, 4).ok);
}

TEST_F(DovrinTest, FragmentWindowAroundPosition) {
  std::u16string text;
  for (int i = 0; i < 51; ++i) text += u"abcdefghi ";  // 510 characters
  ASSERT_TRUE(Parse(ForgeDoc(WideBytes(text))));
  Fragment f = Cut(10, 40);
  EXPECT_TRUE(f.ok);
  EXPECT_EQ(f.position, 0u);
  EXPECT_EQ(f.length, 40u);
  EXPECT_EQ(f.text, text.substr(0, 40));
  f = Cut(500, 40);
  EXPECT_TRUE(f.ok);
  EXPECT_EQ(f.position, 480u);
  EXPECT_EQ(f.size, 30u);
  EXPECT_EQ(f.length, 30u);
  EXPECT_EQ(f.text, text.substr(480, 30) + std::u16string(10, 0));
  for (uint32_t position : {510u, 511u, 0xFFFFFFFFu}) {
    f = Cut(position, 40);
    EXPECT_FALSE(f.ok);
    EXPECT_EQ(f.length, 0u);
    EXPECT_EQ(f.text, std::u16string(40, 0)) << "the buffer is cleared first";
  }
}

TEST_F(DovrinTest, FragmentSkipsLeadingZerosAndStopsAtZero) {
  ASSERT_TRUE(Parse(ForgeDoc(WideBytes(std::u16string(u"\0\0\0\0hello\0world", 15)))));
  Fragment f = Cut(2, 8);
  EXPECT_TRUE(f.ok);
  EXPECT_EQ(f.position, 0u);
  EXPECT_EQ(f.length, 8u);
  EXPECT_EQ(f.text, std::u16string(u"hello\0\0\0", 8));
}

TEST_F(DovrinTest, FragmentNeverWritesPastTwiceSize) {
  ASSERT_TRUE(Parse(ForgeDoc(WideBytes(std::u16string(300, u'q')))));
  for (uint32_t size : {0u, 1u, 7u, 40u, 299u, 300u, 301u}) {
    for (uint32_t position : {0u, 5u, 150u, 299u}) {
      std::vector<uint8_t> buffer(2 * size + 64, 0xAB);
      FragmentRecord rec{};
      rec.Position = position;
      rec.Size = size;
      rec.Buffer = buffer.data();
      p_.fragment(&rec);
      EXPECT_LE(rec.Length, size);
      for (size_t i = 2 * size; i < buffer.size(); ++i) {
        ASSERT_EQ(buffer[i], 0xAB) << "size " << size << " position " << position;
      }
    }
  }
}

TEST_F(DovrinTest, CallsWithoutHeldTextFail) {
  WordRecord rec{};
  rec.Capacity = 128;
  rec.Position = 3;
  EXPECT_FALSE(p_.next_word(&rec));
  EXPECT_EQ(rec.IsWide, 1);
  EXPECT_EQ(rec.Position, 3u);
  EXPECT_FALSE(Cut(0, 10).ok);
  EXPECT_EQ(Cut(0, 10).length, 0u);
  EXPECT_FALSE(p_.next_word(nullptr));
  EXPECT_FALSE(p_.fragment(nullptr));

  ASSERT_TRUE(Parse(ForgeDoc("some words")));
  EXPECT_FALSE(p_.next_word(nullptr));
  EXPECT_FALSE(p_.fragment(nullptr));
  p_.stop();
  p_.stop();
  EXPECT_FALSE(p_.next_word(&rec));
  EXPECT_FALSE(Cut(0, 10).ok);
}

TEST_F(DovrinTest, F25_ParseWhileHoldingReleasesTheOldText) {
  ASSERT_TRUE(Parse(ForgeDoc("first document")));
  EXPECT_FALSE(p_.parse((dir_.path() + "/missing.doc").c_str(), "MSWord Files"));
  WordRecord rec{};
  rec.Capacity = 128;
  EXPECT_FALSE(p_.next_word(&rec));
  ASSERT_TRUE(Parse(ForgeDoc("second")));
  EXPECT_EQ(p_.Words(), (std::vector<std::u16string>{u"second"}));
}

}  // namespace
}  // namespace oru::dovrin::test
