// The OpenDocument converter over packages and flat files made in the test.
#include <gtest/gtest.h>

#include <string>

#include "plugins/parser-common/byte_source.h"
#include "plugins/parser-common/input_stream.h"
#include "plugins/parser-common/test_zip_writer.h"
#include "plugins/parser-odf/odf_text.h"

namespace oru::odf {
namespace {

using containers::testing::TestZipWriter;

constexpr char kNs[] =
    "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
    "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
    "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
    "xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\" "
    "xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"";

std::string Doc(const std::string& root, const std::string& inner) {
  return "<office:" + root + " " + kNs + ">" + inner + "</office:" + root + ">";
}

const std::string kText =
    "<office:body><office:text><text:tracked-changes><text:changed-region><text:deletion>"
    "<text:p>removed</text:p></text:deletion></text:changed-region></text:tracked-changes>"
    "<text:h>Head</text:h><text:p>a<text:s text:c=\"3\"/>b<text:tab/>c<text:line-break/>d"
    "<text:soft-page-break/>e<office:annotation><dc:creator>Who</dc:creator><text:p>said</text:p>"
    "</office:annotation></text:p><text:list><text:list-item><text:p>item</text:p>"
    "</text:list-item></text:list><table:table table:name=\"T\"><table:table-row>"
    "<table:table-cell table:formula=\"of:=1+1\"><text:p>shown</text:p></table:table-cell>"
    "<table:table-cell><text:p>x</text:p></table:table-cell></table:table-row></table:table>"
    "<draw:frame><draw:text-box><text:p>boxed</text:p></draw:text-box></draw:frame>"
    "</office:text></office:body>";
const std::string kMeta =
    "<office:meta><dc:title>Title</dc:title><meta:keyword>k1</meta:keyword><meta:keyword>k2"
    "</meta:keyword><meta:initial-creator>Ann</meta:initial-creator><dc:creator>Bob</dc:creator>"
    "<meta:generator>Tool</meta:generator></office:meta>";
const std::string kStyles =
    "<office:master-styles><style:master-page><style:header><text:p>top</text:p></style:header>"
    "<style:footer-left><text:p>bottom</text:p></style:footer-left></style:master-page>"
    "</office:master-styles>";
const std::u16string kExpected =
    u"Title\nk1\nk2\nAnn\nBob\nHead\na b c\nde said\nitem\nshown\nx\nboxed\ntop\nbottom\n";

std::optional<std::u16string> ReadZip(const std::string& zip) {
  containers::MemoryByteSource source(zip);
  std::u16string text;
  if (ReadOdfPackage(&source, &text) != OdfOutcome::kRead) return std::nullopt;
  return text;
}

TEST(OdfTextTest, PackageAndFlatFileGiveTheSameText) {
  const std::string zip = TestZipWriter()
                              .Add("styles.xml", Doc("document-styles", kStyles))
                              .Add("content.xml", Doc("document-content", kText))
                              .Add("meta.xml", Doc("document-meta", kMeta))
                              .Add("mimetype", "application/vnd.oasis.opendocument.text", 0)
                              .Build();
  EXPECT_EQ(ReadZip(zip), kExpected);

  const std::string flat = Doc("document", kMeta + kStyles + kText);
  containers::MemoryInputStream stream(flat, 7);
  std::u16string text;
  ASSERT_TRUE(ReadFlatOdf(&stream, &text));
  EXPECT_EQ(text, kExpected);
}

TEST(OdfTextTest, SheetNamesCellsAndSlidesWithNotes) {
  const std::string sheet =
      "<office:body><office:spreadsheet><table:table table:name=\"Costs\"><table:table-row>"
      "<table:table-cell><text:p>rent</text:p></table:table-cell><table:covered-table-cell/>"
      "<table:table-cell><text:p>12</text:p></table:table-cell></table:table-row></table:table>"
      "</office:spreadsheet></office:body>";
  EXPECT_EQ(ReadZip(TestZipWriter().Add("content.xml", Doc("document-content", sheet)).Build()),
            u"Costs\nrent\n12\n");
  const std::string slides =
      "<office:body><office:presentation><draw:page draw:name=\"page1\"><draw:frame>"
      "<draw:text-box><text:p>slide one</text:p></draw:text-box></draw:frame>"
      "<presentation:notes><draw:frame><draw:text-box><text:p>note one</text:p></draw:text-box>"
      "</draw:frame></presentation:notes></draw:page></office:presentation></office:body>";
  EXPECT_EQ(ReadZip(TestZipWriter().Add("content.xml", Doc("document-content", slides)).Build()),
            u"slide one\nnote one\n");
}

TEST(OdfTextTest, RefusalsAndDamage) {
  containers::MemoryByteSource not_zip(std::string_view("<office:document/>"));
  std::u16string text;
  EXPECT_EQ(ReadOdfPackage(&not_zip, &text), OdfOutcome::kNotZip);
  EXPECT_FALSE(ReadZip(TestZipWriter().Add("meta.xml", Doc("document-meta", kMeta)).Build()));
  // Without a body but named OpenDocument (a template of styles only): its properties and
  // headers are read; with nothing readable it is still refused.
  const TestZipWriter named =
      TestZipWriter().Add("mimetype", "application/vnd.oasis.opendocument.text-template", 0);
  EXPECT_EQ(ReadZip(TestZipWriter(named)
                        .Add("meta.xml", Doc("document-meta", kMeta))
                        .Add("styles.xml", Doc("document-styles", kStyles))
                        .Build()),
            u"Title\nk1\nk2\nAnn\nBob\ntop\nbottom\n");
  EXPECT_FALSE(ReadZip(TestZipWriter(named).Add("styles.xml", "<html/>").Build()));
  EXPECT_FALSE(ReadZip(TestZipWriter().Add("content.xml", "<html/>").Build()));
  const std::string manifest =
      "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
      "<manifest:file-entry manifest:full-path=\"content.xml\"><manifest:encryption-data/>"
      "</manifest:file-entry></manifest:manifest>";
  EXPECT_FALSE(ReadZip(TestZipWriter()
                           .Add("META-INF/manifest.xml", manifest)
                           .Add("content.xml", Doc("document-content", kText))
                           .Build()));

  const std::string whole = Doc("document-content", kText);
  const std::string cut = whole.substr(0, whole.find("<text:line-break/>"));
  EXPECT_EQ(ReadZip(TestZipWriter().Add("content.xml", cut).Build()), u"Head\na b c\n")
      << "malformed: the text so far";
  containers::MemoryInputStream html(std::string_view("<html><body>x</body></html>"));
  EXPECT_FALSE(ReadFlatOdf(&html, &text));
}

}  // namespace
}  // namespace oru::odf
