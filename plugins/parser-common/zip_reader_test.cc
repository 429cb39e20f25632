// The ZIP reader over archives made in memory by the test writer: what it reads whole, what it
// refuses, and where its limits cut.
#include "plugins/parser-common/zip_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/test_folder.h"
#include "plugins/parser-common/test_zip_writer.h"

namespace oru::containers {
namespace {

using testing::Entry;
using testing::TestEntry;
using testing::TestZipWriter;

// Bytes that deflate well but not to nothing.
std::string Text(size_t size) {
  std::string out;
  for (size_t i = 0; out.size() < size; ++i) out += "word" + std::to_string(i % 97) + ' ';
  out.resize(size);
  return out;
}

// An archive in memory, opened.
struct Opened {
  explicit Opened(std::string zip_bytes, const ZipLimits& limits = {})
      : bytes(std::move(zip_bytes)), source(bytes) {
    outcome = ZipArchive::Open(&source, &zip, limits);
  }
  std::string Read(std::string_view name, ZipOutcome expected = ZipOutcome::kOk) {
    std::string out;
    EXPECT_EQ(zip.ReadEntry(name, &out), expected) << name;
    return out;
  }
  ZipOutcome Refusal(std::string_view name) const {
    const ZipEntry* entry = zip.Find(name);
    return entry ? entry->refusal : ZipOutcome::kNotFound;
  }
  std::string bytes;
  MemoryByteSource source;
  ZipArchive zip;
  ZipOpenOutcome outcome;
};

TEST(ZipReaderTest, ReadsStoredAndDeflatedEntriesWholeAndInChunks) {
  const std::string text = Text(200000);
  TestZipWriter writer;
  writer.Add("mimetype", "application/vnd.oasis.opendocument.text", 0)
      .Add("content.xml", text)
      .Add("empty", "", 8)
      .Add("Pictures/", "", 0);
  Opened a(writer.Build());
  ASSERT_EQ(a.outcome, ZipOpenOutcome::kOk);

  ASSERT_EQ(a.zip.entries().size(), 4u);
  const ZipEntry& content = a.zip.entries()[1];
  EXPECT_EQ(content.name, "content.xml");
  EXPECT_EQ(content.method, 8);
  EXPECT_EQ(content.uncompressed_size, text.size());
  EXPECT_LT(content.compressed_size, text.size() / 10);
  EXPECT_EQ(content.local_header_offset, writer.local_offsets[1]);

  EXPECT_EQ(a.Read("mimetype"), "application/vnd.oasis.opendocument.text");
  EXPECT_EQ(a.Read("content.xml"), text);
  EXPECT_EQ(a.Read("empty"), "");
  EXPECT_EQ(a.Read("Pictures/"), "");
  a.Read("Content.xml", ZipOutcome::kNotFound);  // names are compared exactly

  ZipEntryStream stream;
  ASSERT_EQ(a.zip.OpenEntry("content.xml", &stream), ZipOutcome::kOk);
  std::string chunked;
  char buffer[7];
  for (size_t got; (got = stream.Read(buffer, sizeof buffer)) > 0;) chunked.append(buffer, got);
  EXPECT_EQ(chunked, text);
  EXPECT_TRUE(stream.ended());
  EXPECT_EQ(stream.outcome(), ZipOutcome::kOk);
  // Every byte given counts, and each of the five entries opened.
  EXPECT_EQ(a.zip.work_used(), 2 * text.size() + 39 + 5 * kEntryWeight);
}

TEST(ZipReaderTest, ReadsThroughAFile) {
  // Entries small and large, stored and deflated, read out of order: reads served from the
  // block read ahead, across its end, past it, and backwards.
  platform::TestFolder folder;
  const std::string path = folder.Write("a.docx", TestZipWriter()
                                                      .Add("word/document.xml", Text(5000))
                                                      .Add("big", Text(150000), 0)
                                                      .Add("small", Text(70), 0)
                                                      .Add("late", Text(90000))
                                                      .Build());
  platform::File file;
  ASSERT_TRUE(platform::File::Open(path, platform::OpenMode::kReadExisting, &file).ok());
  FileByteSource source(&file);
  ZipArchive zip;
  ASSERT_EQ(ZipArchive::Open(&source, &zip), ZipOpenOutcome::kOk);
  std::string out;
  for (const auto& [name, size] : {std::pair<std::string, size_t>{"small", 70},
                                   {"word/document.xml", 5000},
                                   {"late", 90000},
                                   {"big", 150000},
                                   {"small", 70}}) {
    EXPECT_EQ(zip.ReadEntry(name, &out), ZipOutcome::kOk) << name;
    EXPECT_EQ(out, Text(size)) << name;
  }
}

TEST(ZipReaderTest, TakesSizesFromTheCentralDirectoryAndZip64Fields) {
  const TestEntry described = Entry("described", Text(3000), [](TestEntry& e) {
    e.descriptor = true;
    e.local_extra = std::string("\x99\x99\x04\x00", 4) + "abcd";  // an unknown extra field
  });
  const TestEntry wide = Entry("wide", Text(4000), [](TestEntry& e) { e.zip64 = true; });
  const TestEntry stored_wide = Entry("stored", "plain", [](TestEntry& e) {
    e.method = 0;
    e.zip64 = true;
  });
  Opened a(TestZipWriter().Add(described).Add(wide).Add(stored_wide).Zip64End().Build());
  ASSERT_EQ(a.outcome, ZipOpenOutcome::kOk);
  EXPECT_EQ(a.Read("described"), Text(3000));
  EXPECT_EQ(a.Read("wide"), Text(4000));
  EXPECT_EQ(a.Read("stored"), "plain");
  EXPECT_EQ(a.zip.entries()[1].uncompressed_size, 4000u);

  // A saturated field whose ZIP64 value is missing.
  std::string bytes = TestZipWriter().Add(wide).Build();
  const size_t extra = bytes.find("wide", bytes.rfind("PK\1\2")) + 4;
  bytes[extra] = 0x77;  // the extra field's id: no longer ZIP64
  Opened b(bytes);
  ASSERT_EQ(b.outcome, ZipOpenOutcome::kOk);
  EXPECT_EQ(b.Refusal("wide"), ZipOutcome::kBadEntry);
}

TEST(ZipReaderTest, FindsTheEndRecordBehindAComment) {
  // The comment holds an end record signature of its own, which must not be taken.
  const std::string fake = std::string("PK\5\6", 4) + std::string(18, '\0');
  Opened a(TestZipWriter().Add("a", "alpha").Comment("note " + fake + " end").Build());
  ASSERT_EQ(a.outcome, ZipOpenOutcome::kOk);
  EXPECT_EQ(a.Read("a"), "alpha");

  Opened longest(TestZipWriter().Add("a", "alpha").Comment(std::string(0xFFFF, 'c')).Build());
  ASSERT_EQ(longest.outcome, ZipOpenOutcome::kOk);
  EXPECT_EQ(longest.Read("a"), "alpha");

  std::string zip_bytes = TestZipWriter().Add("a", "alpha").Build();
  EXPECT_EQ(Opened(zip_bytes + std::string(0x10000, 'x')).outcome, ZipOpenOutcome::kNotZip);
  EXPECT_EQ(Opened("").outcome, ZipOpenOutcome::kNotZip);
  EXPECT_EQ(Opened(std::string(5000, 'x')).outcome, ZipOpenOutcome::kNotZip);
  zip_bytes.replace(zip_bytes.rfind("PK\1\2"), 4, "XXXX");
  EXPECT_EQ(Opened(zip_bytes).outcome, ZipOpenOutcome::kMalformed);
}

TEST(ZipReaderTest, RefusesEntriesTheDirectoryRulesOut) {
  TestZipWriter writer;
  writer.Add(Entry("secret", "x", [](TestEntry& e) { e.flags = 1; }))
      .Add("odd", "data", 12)
      .Add("twice", "first")
      .Add("twice", "second")
      .Add(Entry("huge", "abc",
                 [](TestEntry& e) {
                   e.method = 0;
                   e.central_compressed_size = 1u << 30;
                 }))
      .Add("fine", "fine");
  Opened a(writer.Build());
  ASSERT_EQ(a.outcome, ZipOpenOutcome::kOk);
  a.Read("secret", ZipOutcome::kEncrypted);
  a.Read("odd", ZipOutcome::kUnknownMethod);
  a.Read("twice", ZipOutcome::kDuplicateName);
  EXPECT_EQ(a.zip.entries()[3].refusal, ZipOutcome::kDuplicateName);
  a.Read("huge", ZipOutcome::kOutOfBounds);
  EXPECT_EQ(a.Read("fine"), "fine");

  ZipEntryStream stream;
  EXPECT_EQ(a.zip.OpenEntry("secret", &stream), ZipOutcome::kEncrypted);
  char byte;
  EXPECT_EQ(stream.Read(&byte, 1), 0u);
  EXPECT_EQ(stream.outcome(), ZipOutcome::kEncrypted);
}

TEST(ZipReaderTest, RefusesDataThatOverlapsAnotherEntryOrTheDirectory) {
  TestZipWriter plain;
  plain.Add("a", Text(1000)).Add("b", Text(1000));
  std::string forged = plain.Build();
  // "b" points at the bytes of "a": both are refused (the classic overlapping bomb).
  TestZipWriter shared;
  shared.Add("a", Text(1000)).Add(Entry("b", Text(1000), [](TestEntry& e) {
    e.central_offset = 0;
  }));
  Opened a(shared.Build());
  EXPECT_EQ(a.Refusal("a"), ZipOutcome::kOverlap);
  EXPECT_EQ(a.Refusal("b"), ZipOutcome::kOverlap);

  // "a" claims more bytes than lie before "b"; "b" claims bytes of the directory.
  const uint64_t a_size = plain.local_offsets[1];
  TestZipWriter into;
  into.Add(Entry("a", Text(1000), [&](TestEntry& e) { e.central_compressed_size = a_size; }))
      .Add(Entry("b", Text(1000), [&](TestEntry& e) { e.central_compressed_size = a_size; }));
  Opened b(into.Build());
  EXPECT_EQ(b.Refusal("a"), ZipOutcome::kOverlap);
  EXPECT_EQ(b.Refusal("b"), ZipOutcome::kOverlap);

  // A local extra field that the central record does not show pushes the data into "b".
  forged[28] = 40;  // the local extra field length of "a"
  Opened d(forged);
  EXPECT_EQ(d.Refusal("a"), ZipOutcome::kOk);  // the directory alone shows nothing
  d.Read("a", ZipOutcome::kOverlap);
  EXPECT_EQ(d.Read("b"), Text(1000));
}

TEST(ZipReaderTest, RefusesABadLocalHeader) {
  TestZipWriter writer;
  writer.Add("a", "alpha")
      .Add(Entry("b", "beta", [](TestEntry& e) { e.local_name = "c"; }))
      .Add("d", "delta");
  std::string bytes = writer.Build();
  bytes[writer.local_offsets[2]] = 'Q';
  Opened a(bytes);
  EXPECT_EQ(a.Read("a"), "alpha");
  a.Read("b", ZipOutcome::kBadLocalHeader);
  a.Read("d", ZipOutcome::kBadLocalHeader);
}

TEST(ZipReaderTest, CutsABombAtItsLimitsAndSaysSo) {
  const std::string zeros(1 << 20, '\0');
  const std::string zip_bytes = TestZipWriter().Add("bomb", zeros).Add("next", zeros).Build();

  ZipLimits entry_cap;
  entry_cap.max_entry_bytes = 100000;
  Opened a(zip_bytes, entry_cap);
  EXPECT_EQ(a.Read("bomb", ZipOutcome::kCut), zeros.substr(0, 100000));

  ZipLimits ratio;
  ratio.ratio_free_bytes = 1000;
  ratio.max_ratio = 100;  // a megabyte of zeros deflates about a thousandfold
  Opened b(zip_bytes, ratio);
  const std::string cut = b.Read("bomb", ZipOutcome::kCut);
  EXPECT_EQ(cut.size(), 100 * b.zip.entries()[0].compressed_size);

  ZipLimits archive_cap;
  archive_cap.max_archive_work = (1 << 20) + 5000;
  archive_cap.entry_weight = 0;
  Opened c(zip_bytes, archive_cap);
  EXPECT_EQ(c.Read("bomb").size(), 1u << 20);
  EXPECT_EQ(c.Read("next", ZipOutcome::kCut).size(), 5000u);
  c.Read("next", ZipOutcome::kCut);

  ZipLimits exact;  // an entry that ends right at the cap is whole
  exact.max_entry_bytes = 1 << 20;
  Opened d(zip_bytes, exact);
  EXPECT_EQ(d.Read("bomb"), zeros);

  ZipLimits few;
  few.max_entries = 1;
  EXPECT_EQ(Opened(zip_bytes, few).outcome, ZipOpenOutcome::kTooLarge);
}

TEST(ZipReaderTest, OpensAsManyEntriesAsTheLimitAllows) {
  TestZipWriter writer;
  for (int i = 0; i < 100000; ++i) writer.Add("part" + std::to_string(i), "", 0);
  Opened a(writer.Zip64End().Build());  // more entries than the 16-bit count can hold
  ASSERT_EQ(a.outcome, ZipOpenOutcome::kOk);
  EXPECT_EQ(a.zip.entries().size(), 100000u);
  ASSERT_NE(a.zip.Find("part99999"), nullptr);
  EXPECT_EQ(a.Refusal("part50000"), ZipOutcome::kOk);
  a.Read("part12345");
}

TEST(ZipReaderTest, GivesWhatInflatedBeforeDamage) {
  const std::string text = Text(300000);
  std::string deflated = testing::Deflate(text);
  TestZipWriter writer;
  writer
      .Add(Entry("cut", text,
                 [&](TestEntry& e) { e.payload = deflated.substr(0, deflated.size() / 2); }))
      .Add(Entry("wrong crc", "some text", [](TestEntry& e) { e.central_crc = 1234; }))
      .Add(Entry("garbage", text, [](TestEntry& e) { e.payload = std::string(100, '\xFF'); }));
  Opened a(writer.Build());
  const std::string cut = a.Read("cut", ZipOutcome::kDamaged);
  EXPECT_GT(cut.size(), 0u);
  EXPECT_LT(cut.size(), text.size());
  EXPECT_EQ(cut, text.substr(0, cut.size()));
  ZipEntryStream stream;  // byte by byte, the same bytes come before the damage
  ASSERT_EQ(a.zip.OpenEntry("cut", &stream), ZipOutcome::kOk);
  std::string bytes;
  for (char byte; stream.Read(&byte, 1) == 1;) bytes += byte;
  EXPECT_EQ(bytes, cut);
  EXPECT_EQ(stream.outcome(), ZipOutcome::kDamaged);
  EXPECT_EQ(a.Read("wrong crc", ZipOutcome::kDamaged), "some text");
  a.Read("garbage", ZipOutcome::kDamaged);
  // Without checksums, the same bytes come out whole; a damaged stream is still damaged.
  ZipLimits unchecked;
  unchecked.check_checksums = false;
  Opened b(a.bytes, unchecked);
  EXPECT_EQ(b.Read("wrong crc"), "some text");
  EXPECT_EQ(b.Read("cut", ZipOutcome::kDamaged), cut);
}

TEST(ZipReaderTest, FindsPartsRelativeToAnotherPart) {
  Opened a(TestZipWriter()
               .Add("word/document.xml", "d")
               .Add("word/media/image 1.png", "i")
               .Add("customXml/item1.xml", "c")
               .Add("content.xml", "o")
               .Build());
  auto name = [&](std::string_view base, std::string_view target) {
    const ZipEntry* entry = a.zip.FindRelative(base, target);
    return entry ? entry->name : "(none)";
  };
  EXPECT_EQ(name("word/document.xml", "media/image%201.png"), "word/media/image 1.png");
  EXPECT_EQ(name("word/document.xml", "../customXml/item1.xml"), "customXml/item1.xml");
  EXPECT_EQ(name("word/document.xml", "/word/./document.xml"), "word/document.xml");
  EXPECT_EQ(name("", "./content.xml"), "content.xml");
  EXPECT_EQ(name("word/document.xml", "content.xml"), "(none)");
}

}  // namespace
}  // namespace oru::containers
