#include "plugins/parser-pdf/pdf_document.h"

#include <gtest/gtest.h>

#include "plugins/parser-pdf/pdf_test_util.h"

namespace oru::pdf {
namespace {

using test::MakePdf;

class PdfDocumentTest : public ::testing::Test {
 protected:
  // Opens `bytes` (kept alive by the fixture) and returns the document.
  Document& Open(std::string bytes, bool expect_open = true) {
    bytes_ = std::move(bytes);
    document_ = std::make_unique<Document>(bytes_, &budget_);
    EXPECT_EQ(document_->Open(), expect_open);
    return *document_;
  }
  std::string Title(Document& d, uint32_t number) {
    return d.Get(d.GetObject(number).AsDict(), "T").text;
  }

  Limits limits_;
  Budget budget_{limits_};
  std::string bytes_;
  std::unique_ptr<Document> document_;
};

TEST_F(PdfDocumentTest, ReadsObjectsThroughAClassicTable) {
  Document& d = Open(MakePdf({"<< /Type /Catalog /Next 2 0 R >>", "<< /T (two) /L 3 0 R >>",
                              "4 0 R", "(four)"}));
  EXPECT_FALSE(d.rebuilt());
  EXPECT_EQ(Title(d, 2), "two");
  EXPECT_EQ(d.Get(d.GetObject(2).AsDict(), "L").text, "four");  // a chain of references
  EXPECT_TRUE(d.GetObject(9).IsNull());
}

TEST_F(PdfDocumentTest, NewestUpdateWinsAndPrevLoopsEnd) {
  std::string bytes = MakePdf({"<< /Type /Catalog >>", "<< /T (old) >>"});
  const size_t first_xref = bytes.find("xref");
  const size_t update = bytes.size();
  bytes += "2 0 obj << /T (new) >> endobj\n";
  const size_t second_xref = bytes.size();
  char entry[32];
  std::snprintf(entry, sizeof(entry), "%010zu 00000 n \n", update);
  // The newer section's /Prev points back, and a third points at itself.
  bytes += "xref\n2 1\n" + std::string(entry) + "trailer << /Size 3 /Root 1 0 R /Prev " +
           std::to_string(first_xref) + " >>\n";
  const size_t third = bytes.size();
  bytes += "xref\n0 0\ntrailer << /Prev " + std::to_string(third) + " /XRefStm " +
           std::to_string(second_xref) + " /Prev2 " + std::to_string(second_xref) + " >>\n";
  bytes += "xref\n0 0\ntrailer << /Prev " + std::to_string(second_xref) + " >>\nstartxref\n" +
           std::to_string(bytes.size()) + "\n%%EOF";
  Document& d = Open(bytes);
  EXPECT_FALSE(d.rebuilt());
  EXPECT_EQ(Title(d, 2), "new");
}

TEST_F(PdfDocumentTest, ReadsCrossReferenceAndObjectStreams) {
  // Object 2 and 3 live in object stream 4; the table is stream 5 with /W [1 2 1] /Index.
  const std::string header = "2 0 3 14 ";
  const std::string objects = "<< /T (two) >> (three)";
  std::string bytes = "%PDF-1.5\n";
  const size_t catalog = bytes.size();
  bytes += "1 0 obj << /Type /Catalog >> endobj\n";
  const size_t stream = bytes.size();
  bytes += "4 0 obj " +
           test::Stream("/Type /ObjStm /N 2 /First " + std::to_string(header.size()) +
                            " /Filter /FlateDecode",
                        test::Deflate(header + objects)) +
           " endobj\n";
  const size_t xref = bytes.size();
  std::string rows;
  auto row = [&](int type, size_t second, int third) {
    rows += static_cast<char>(type);
    rows += static_cast<char>(second >> 8);
    rows += static_cast<char>(second & 0xFF);
    rows += static_cast<char>(third);
  };
  row(1, catalog, 0);
  row(2, 4, 0);
  row(2, 4, 1);
  row(1, stream, 0);
  row(1, xref, 0);
  bytes += "5 0 obj " +
           test::Stream("/Type /XRef /Size 1000000000 /W [1 2 1] /Index [1 5] /Root 1 0 R",
                        rows) +
           " endobj\nstartxref\n" + std::to_string(xref) + "\n%%EOF";
  Document& d = Open(bytes);
  EXPECT_FALSE(d.rebuilt());
  EXPECT_EQ(Title(d, 2), "two");
  EXPECT_EQ(d.GetObject(3).text, "three");
}

TEST_F(PdfDocumentTest, RebuildsAMissingOrWrongTable) {
  std::string bytes = MakePdf({"<< /Type /Catalog >>", "<< /T (two) >>"});
  std::string missing = bytes.substr(0, bytes.find("xref"));
  EXPECT_EQ(Title(Open(missing), 2), "two");
  EXPECT_TRUE(document_->rebuilt());
  EXPECT_NE(document_->trailer().Find("Root"), nullptr);  // found as the catalog
  std::string shifted = bytes;
  shifted.insert(bytes.find("1 0 obj"), "% inserted bytes move every object\n");
  EXPECT_EQ(Title(Open(shifted), 2), "two");
  Open("no objects here", false);
}

TEST_F(PdfDocumentTest, CyclesAndBadLengthsEnd) {
  Document& d = Open(MakePdf({"<< /Type /Catalog >>", "3 0 R", "2 0 R",
                              "<< /Length 4 0 R >>\nstream\nabc\nendstream",
                              "<< /Length 999999 >>\nstream\nxyz\r\nendstream"}));
  EXPECT_TRUE(d.Resolve(Object::Ref(2, 0)).IsNull());
  std::string data;
  EXPECT_EQ(d.StreamData(d.GetObject(4), &data), DecodeStatus::kOk);
  EXPECT_EQ(data, "abc");
  EXPECT_EQ(d.StreamData(d.GetObject(5), &data), DecodeStatus::kOk);
  EXPECT_EQ(data, "xyz");
}

TEST_F(PdfDocumentTest, TheDecodedBytesBudgetCutsABomb) {
  limits_.max_decoded_bytes = 4 << 20;
  budget_ = Budget(limits_);
  const std::string bomb = test::Deflate(std::string(16 << 20, ' '));
  Document& d = Open(MakePdf({"<< /Type /Catalog >>",
                              test::Stream("/Filter /FlateDecode", bomb)}));
  std::string data;
  EXPECT_EQ(d.StreamData(d.GetObject(2), &data), DecodeStatus::kLimit);
  EXPECT_EQ(d.StreamData(d.GetObject(2), &data), DecodeStatus::kLimit);
  EXPECT_TRUE(data.empty());
  EXPECT_TRUE(budget_.cut);
}

}  // namespace
}  // namespace oru::pdf
