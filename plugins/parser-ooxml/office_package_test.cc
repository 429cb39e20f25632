// The converter over packages made in the test: what each kind gives, in which order, and what
// damaged or hostile packages come to.
#include <gtest/gtest.h>

#include <string>

#include "plugins/parser-common/byte_source.h"
#include "plugins/parser-common/test_zip_writer.h"
#include "plugins/parser-ooxml/office_package.h"

namespace oru::ooxml {
namespace {

using containers::testing::Entry;
using containers::testing::TestZipWriter;

constexpr char kRelsOpen[] =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"http://schemas.openxmlformats.org/"
         "officeDocument/2006/relationships/" + type + "\" Target=\"" + target + "\"/>";
}
std::string Rels(const std::string& body) { return kRelsOpen + body + "</Relationships>"; }

constexpr char kW[] = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
constexpr char kMc[] = "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"";

std::optional<std::u16string> Read(const std::string& zip, containers::ZipLimits limits = {}) {
  containers::MemoryByteSource source(zip);
  std::u16string text;
  if (!ReadOfficePackage(&source, &text, limits)) return std::nullopt;
  return text;
}

TEST(OfficePackageTest, WordBodyRevisionsChoicesThenHeadersNotesAndComments) {
  TestZipWriter zip;
  zip.Add("_rels/.rels", Rels(Rel("r1", "officeDocument", "word/main.xml") +
                              "<Relationship Id=\"r2\" Type=\"http://schemas.openxmlformats.org/"
                              "package/2006/relationships/metadata/core-properties\" "
                              "Target=\"docProps/core.xml\"/>"));
  zip.Add("docProps/core.xml",
          "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/"
          "metadata/core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
          "<dc:creator>Ann Author</dc:creator><dc:title>The Title</dc:title>"
          "<cp:keywords>alpha, beta</cp:keywords></cp:coreProperties>");
  zip.Add("word/main.xml",
          std::string("<w:document ") + kW + " " + kMc + "><w:body>"
          "<w:p><w:r><w:t>one</w:t><w:tab/><w:t xml:space=\"preserve\">two </w:t></w:r>"
          "<w:r><w:instrText>PAGE \\* field</w:instrText></w:r>"
          "<w:del><w:r><w:delText>gone</w:delText></w:r></w:del>"
          "<w:ins><w:r><w:t>added</w:t></w:r></w:ins><w:r><w:t>x</w:t><w:noBreakHyphen/>"
          "<w:softHyphen/><w:t>y</w:t><w:br/><w:t>after</w:t></w:r></w:p>"
          "<mc:AlternateContent><mc:Choice Requires=\"wps\"><w:p><w:r><w:t>boxed</w:t></w:r>"
          "</w:p></mc:Choice><mc:Fallback><w:p><w:r><w:t>boxed</w:t></w:r></w:p>"
          "</mc:Fallback></mc:AlternateContent>"
          "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>c1</w:t></w:r></w:p></w:tc><w:tc><w:r><w:t>c2"
          "</w:t></w:r></w:tc></w:tr></w:tbl></w:body></w:document>");
  zip.Add("word/_rels/main.xml.rels",
          Rels(Rel("a", "comments", "comments.xml") + Rel("b", "footer", "f1.xml") +
               Rel("c", "footnotes", "notes.xml") + Rel("d", "hyperlink", "http://x") +
               Rel("e", "header", "/word/h1.xml")));
  const std::string part = std::string(" ") + kW + "><w:p><w:r><w:t>";
  zip.Add("word/f1.xml", "<w:ftr" + part + "foot</w:t></w:r></w:p></w:ftr>");
  zip.Add("word/h1.xml", "<w:hdr" + part + "head</w:t></w:r></w:p></w:hdr>");
  zip.Add("word/notes.xml", "<w:footnotes" + part + "note</w:t></w:r></w:p></w:footnotes>");
  zip.Add("word/comments.xml", "<w:comments" + part + "remark</w:t></w:r></w:p></w:comments>");
  EXPECT_EQ(Read(zip.Build()),
            u"The Title\nalpha, beta\nAnn Author\n"
            u"one two addedx-y\nafter\nboxed\nc1\nc2\n"
            u"foot\nhead\nnote\nremark\n");
}

TEST(OfficePackageTest, StrictWorkbookInSheetOrderWithStringCellsAndComments) {
  const std::string s = "xmlns=\"http://purl.oclc.org/ooxml/spreadsheetml/main\" "
                        "xmlns:r=\"http://purl.oclc.org/ooxml/officeDocument/relationships\"";
  auto strict = [](const std::string& id, const std::string& type, const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"http://purl.oclc.org/ooxml/officeDocument/"
           "relationships/" + type + "\" Target=\"" + target + "\"/>";
  };
  TestZipWriter zip;
  zip.Add("_rels/.rels", Rels(strict("r1", "officeDocument", "xl/book.xml")));
  zip.Add("xl/book.xml", "<workbook " + s + "><sheets><sheet name=\"Second\" r:id=\"s2\"/>"
                         "<sheet name=\"First\" r:id=\"s1\"/></sheets></workbook>");
  zip.Add("xl/_rels/book.xml.rels",
          Rels(strict("s1", "worksheet", "a.xml") + strict("s2", "worksheet", "b.xml") +
               strict("ss", "sharedStrings", "strings.xml")));
  zip.Add("xl/strings.xml", "<sst " + s + "><si><t>shared</t></si><si><r><t>ri</t></r>"
                            "<r><t>ch</t></r><rPh><t>phonetic</t></rPh></si></sst>");
  zip.Add("xl/a.xml", "<worksheet " + s + "><sheetData><row><c t=\"s\"><v>1</v></c>"
                      "<c><v>42</v></c><c t=\"str\"><f>A1&amp;\"x\"</f><v>result</v></c></row>"
                      "<row><c t=\"inlineStr\"><is><t>inline</t></is></c><c t=\"s\"><v>9</v>"
                      "</c></row></sheetData></worksheet>");
  zip.Add("xl/b.xml", "<worksheet " + s + "><sheetData><row><c t=\"s\"><v> 0 </v></c></row>"
                      "</sheetData></worksheet>");
  zip.Add("xl/worksheets/_rels/b.xml.rels", Rels(""));
  zip.Add("xl/_rels/b.xml.rels", Rels(strict("c", "comments", "c.xml")));
  zip.Add("xl/c.xml", "<comments " + s + "><authors><author>Someone</author></authors>"
                      "<commentList><comment ref=\"A1\"><text><r><t>a note</t></r></text>"
                      "</comment></commentList></comments>");
  EXPECT_EQ(Read(zip.Build()), u"Second\nshared\na note\nFirst\nrich\tresult\ninline\n");
}

TEST(OfficePackageTest, SlidesInListOrderEachFollowedByItsNotes) {
  const std::string p = "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                        "relationships\"";
  auto slide = [&](const std::string& root, const std::string& text) {
    return "<p:" + root + " " + p + "><p:cSld><p:spTree><p:sp><p:txBody><a:p><a:r><a:t>" +
           text + "</a:t></a:r><a:br/><a:r><a:t>line</a:t></a:r></a:p></p:txBody></p:sp>"
           "</p:spTree></p:cSld></p:" + root + ">";
  };
  TestZipWriter zip;
  zip.Add("_rels/.rels", Rels(Rel("r1", "officeDocument", "ppt/presentation.xml")));
  zip.Add("ppt/presentation.xml", "<p:presentation " + p + "><p:sldIdLst><p:sldId r:id=\"b\"/>"
                                  "<p:sldId r:id=\"a\"/></p:sldIdLst></p:presentation>");
  zip.Add("ppt/_rels/presentation.xml.rels",
          Rels(Rel("a", "slide", "slides/s1.xml") + Rel("b", "slide", "slides/s2.xml")));
  zip.Add("ppt/slides/s1.xml", slide("sld", "first"));
  zip.Add("ppt/slides/s2.xml", slide("sld", "second"));
  zip.Add("ppt/slides/_rels/s2.xml.rels", Rels(Rel("n", "notesSlide", "../notes/n2.xml")));
  zip.Add("ppt/notes/n2.xml", slide("notes", "spoken"));
  EXPECT_EQ(Read(zip.Build()), u"second\nline\nspoken\nline\nfirst\nline\n");
}

TEST(OfficePackageTest, RefusesWhatHasNoKnownMainPartAndKeepsTextBeforeDamage) {
  const std::string rels = Rels(Rel("r1", "officeDocument", "main.xml"));
  EXPECT_FALSE(Read("not a zip at all"));
  EXPECT_FALSE(Read(TestZipWriter().Add("_rels/.rels", rels).Build())) << "main part missing";
  EXPECT_FALSE(Read(TestZipWriter().Add("main.xml", "<w:document " + std::string(kW) + "/>")
                        .Build()))
      << "no package relationships";
  EXPECT_FALSE(Read(TestZipWriter().Add("_rels/.rels", rels).Add("main.xml", "<html/>").Build()));

  const std::string body = std::string("<w:document ") + kW + "><w:body><w:p><w:r><w:t>kept"
                           "</w:t></w:r></w:p><w:p><w:r><w:t>lost";
  const std::string whole = body + "</w:t></w:r></w:p></w:body></w:document>";
  const auto damaged = Read(TestZipWriter()
                                .Add("_rels/.rels", rels)
                                .Add(Entry("main.xml", whole, [](auto& e) { e.central_crc = 1; }))
                                .Build());
  ASSERT_TRUE(damaged) << "a damaged entry: the words read";
  EXPECT_EQ(damaged, u"kept\nlost\n");
  EXPECT_EQ(Read(TestZipWriter().Add("_rels/.rels", rels).Add("main.xml", body).Build()),
            u"kept\nlost\n")
      << "malformed XML: the text so far";
}

TEST(OfficePackageTest, BombsAndLoopsStayBounded) {
  // One part that inflates far past the entry cap, named by every slide of a long list.
  const std::string p = "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                        "relationships\"";
  std::string list;
  for (int i = 0; i < 20000; ++i) list += "<p:sldId r:id=\"s\"/>";
  std::string big = "<p:sld " + p + "><a:t>";
  for (int i = 0; i < 1 << 20; ++i) big += "word ";
  TestZipWriter zip;
  zip.Add("_rels/.rels", Rels(Rel("r1", "officeDocument", "p.xml")));
  zip.Add("p.xml", "<p:presentation " + p + "><p:sldIdLst>" + list + "</p:sldIdLst>"
                   "</p:presentation>");
  zip.Add("_rels/p.xml.rels", Rels(Rel("s", "slide", "big.xml")));
  zip.Add("big.xml", big);
  containers::ZipLimits limits;
  limits.max_archive_work = 16 << 20;
  const auto text = Read(zip.Build(), limits);
  ASSERT_TRUE(text);
  EXPECT_LT(text->size(), size_t{16} << 20);
  EXPECT_EQ(text->substr(0, 10), u"word word ");
}

// A document of `count` copies of `unit` in one paragraph, then the word "tail".
std::string Document(const std::string& unit, int count) {
  std::string body = std::string("<w:document ") + kW + "><w:body><w:p><w:r><w:t>";
  for (int i = 0; i < count; ++i) body += unit;
  body += " tail</w:t></w:r></w:p></w:body></w:document>";
  TestZipWriter zip;
  zip.Add("_rels/.rels", Rels(Rel("r1", "officeDocument", "word/document.xml")));
  zip.Add("word/document.xml", body);
  return zip.Build();
}

TEST(OfficePackageTest, TheWorkBudgetOfASmallFileCutsABombAndKeepsWhatTheFloorCovers) {
  // Bytes, kept text and elements all count: 80,000 copies of either unit fit in the floor,
  // 800,000 do not, though the file stays a few kilobytes.
  for (const std::string& unit : {std::string("word "), std::string("</w:t><w:t>w ")}) {
    const std::string whole_zip = Document(unit, 80000);
    const auto whole = Read(whole_zip, containers::ZipLimitsForFile(whole_zip.size()));
    ASSERT_TRUE(whole);
    EXPECT_NE(whole->find(u"tail"), std::u16string::npos);

    const std::string bomb_zip = Document(unit, 800000);
    ASSERT_LT(bomb_zip.size(), 64u << 10);
    const auto cut = Read(bomb_zip, containers::ZipLimitsForFile(bomb_zip.size()));
    ASSERT_TRUE(cut);  // the words read before the cut stay
    EXPECT_TRUE(cut->starts_with(unit == "word " ? u"word word " : u"w w "));
    EXPECT_EQ(cut->find(u"tail"), std::u16string::npos);
    EXPECT_GT(cut->size(), whole->size() / 4);
  }
}

}  // namespace
}  // namespace oru::ooxml
