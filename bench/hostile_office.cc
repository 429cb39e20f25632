#include "bench/hostile_office.h"

#include <zlib.h>

#include <string_view>
#include <utility>

#include "plugins/parser-common/test_zip_writer.h"

namespace oru::bench {
namespace {

using containers::testing::TestEntry;
using containers::testing::TestZipWriter;

const std::string kW = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
const std::string kS = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                       "relationships\"";
const std::string kP = "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                       "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                       "relationships\"";
const std::string kO = "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                       "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                       "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"";

std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"http://schemas.openxmlformats.org/"
         "officeDocument/2006/relationships/" + type + "\" Target=\"" + target + "\"/>";
}
std::string Rels(const std::string& body) {
  return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
         body + "</Relationships>";
}

// The entry `name`: `head`, then `unit` repeated until the deflated data reaches `target`
// bytes (or `most` repeats), then `tail`; deflated at the fast level as it is made.
TestEntry Repeated(const std::string& name, const std::string& head, const std::string& unit,
                   const std::string& tail, uint64_t target, uint64_t most = ~uint64_t{0}) {
  z_stream z{};
  deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string deflated;
  uLong crc = crc32(0, Z_NULL, 0);
  uint64_t size = 0;
  auto put = [&](std::string_view xml, int flush) {
    crc = crc32(crc, reinterpret_cast<const Bytef*>(xml.data()), static_cast<uInt>(xml.size()));
    size += xml.size();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(xml.data()));
    z.avail_in = static_cast<uInt>(xml.size());
    char out[1 << 16];
    do {
      z.next_out = reinterpret_cast<Bytef*>(out);
      z.avail_out = sizeof out;
      deflate(&z, flush);
      deflated.append(out, sizeof out - z.avail_out);
    } while (z.avail_out == 0);
  };
  // Units in blocks of about 64 KiB, so that the loop costs little beside deflate.
  std::string block;
  uint64_t per_block = 0;
  while (block.size() < (64 << 10) && per_block < most) {
    block += unit;
    ++per_block;
  }
  put(head, Z_NO_FLUSH);
  for (uint64_t n = 0; deflated.size() < target && n < most;) {
    const bool whole_block = most - n >= per_block;
    put(whole_block ? block : unit, Z_NO_FLUSH);
    n += whole_block ? per_block : 1;
  }
  put(tail, Z_FINISH);
  deflateEnd(&z);
  TestEntry entry;
  entry.name = name;
  entry.payload = std::move(deflated);
  entry.data_crc = static_cast<uint32_t>(crc);
  entry.data_size = size;
  return entry;
}

std::string Docx(TestEntry document) {
  TestZipWriter zip;
  zip.Add("[Content_Types].xml", "<Types/>");
  zip.Add("_rels/.rels", Rels(Rel("r1", "officeDocument", "word/document.xml")));
  document.name = "word/document.xml";
  zip.Add(std::move(document));
  return zip.Build();
}

std::string Body(const std::string& unit, const std::string& head_more, uint64_t target) {
  return Docx(Repeated("", "<w:document " + kW + "><w:body>" + head_more, unit, "", target));
}

std::string Workbook(TestEntry sheet, const std::string& shared_strings = "") {
  TestZipWriter zip;
  zip.Add("[Content_Types].xml", "<Types/>");
  zip.Add("_rels/.rels", Rels(Rel("r1", "officeDocument", "xl/workbook.xml")));
  zip.Add("xl/workbook.xml", "<workbook " + kS + "><sheets><sheet name=\"Cells\" r:id=\"s1\"/>"
                             "</sheets></workbook>");
  std::string rels = Rel("s1", "worksheet", "worksheets/sheet1.xml");
  if (!shared_strings.empty()) {
    rels += Rel("ss", "sharedStrings", "sharedStrings.xml");
    zip.Add("xl/sharedStrings.xml", shared_strings);
  }
  zip.Add("xl/_rels/workbook.xml.rels", Rels(rels));
  sheet.name = "xl/worksheets/sheet1.xml";
  zip.Add(std::move(sheet));
  return zip.Build();
}

std::string Spreadsheet(const std::string& unit, uint64_t target) {
  TestZipWriter zip;
  zip.Add("mimetype", "application/vnd.oasis.opendocument.spreadsheet", 0);
  zip.Add("META-INF/manifest.xml",
          "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:"
          "1.0\"><manifest:file-entry manifest:full-path=\"content.xml\"/></manifest:manifest>");
  zip.Add(Repeated("content.xml",
                   "<office:document-content " + kO + "><office:body><office:spreadsheet>"
                   "<table:table table:name=\"S\">",
                   "<table:table-row>" + unit + "</table:table-row>",
                   "</table:table></office:spreadsheet></office:body></office:document-content>",
                   target));
  return zip.Build();
}

// A presentation of `slides` slides, each its own tiny part, the package filled up to
// `entries` entries with parts nothing names.
std::string ManySlides(int slides, int entries) {
  TestZipWriter zip;
  zip.Add("[Content_Types].xml", "<Types/>");
  zip.Add("_rels/.rels", Rels(Rel("r1", "officeDocument", "ppt/presentation.xml")));
  std::string list;
  std::string rels;
  for (int n = 1; n <= slides; ++n) {
    const std::string id = "s" + std::to_string(n);
    list += "<p:sldId r:id=\"" + id + "\"/>";
    rels += Rel(id, "slide", "slides/s" + std::to_string(n) + ".xml");
    zip.Add("ppt/slides/s" + std::to_string(n) + ".xml",
            "<p:sld " + kP + "><a:t>w" + std::to_string(n) + "</a:t></p:sld>");
  }
  zip.Add("ppt/presentation.xml",
          "<p:presentation " + kP + "><p:sldIdLst>" + list + "</p:sldIdLst></p:presentation>");
  zip.Add("ppt/_rels/presentation.xml.rels", Rels(rels));
  for (int n = slides + 4; n < entries; ++n) zip.Add("x/" + std::to_string(n), "", 0);
  return zip.Zip64End().Build();
}

// 100,000 directory records, all naming the local header of one part (each is refused).
std::string Overlapping() {
  TestZipWriter zip;
  zip.Add("[Content_Types].xml", "<Types/>");
  zip.Add("_rels/.rels", Rels(Rel("r1", "officeDocument", "word/document.xml")));
  zip.Add("word/document.xml", "<w:document " + kW + "><w:body><w:p><w:r><w:t>text</w:t></w:r>"
                               "</w:p></w:body></w:document>");
  const std::string build = zip.Build();
  for (int n = 3; n < 100000; ++n) {
    TestEntry entry = containers::testing::Entry("o/" + std::to_string(n), "x");
    entry.central_offset = zip.local_offsets[2];
    zip.Add(std::move(entry));
  }
  return zip.Zip64End().Build();
}

// One slide that inflates to many words, named by every entry of a long slide list.
std::string OneSlideManyTimes(uint64_t target) {
  TestZipWriter zip;
  zip.Add("[Content_Types].xml", "<Types/>");
  zip.Add("_rels/.rels", Rels(Rel("r1", "officeDocument", "ppt/presentation.xml")));
  std::string list;
  for (int n = 0; n < 65000; ++n) list += "<p:sldId r:id=\"s\"/>";
  zip.Add("ppt/presentation.xml",
          "<p:presentation " + kP + "><p:sldIdLst>" + list + "</p:sldIdLst></p:presentation>");
  zip.Add("ppt/_rels/presentation.xml.rels", Rels(Rel("s", "slide", "slides/s.xml")));
  zip.Add(Repeated("ppt/slides/s.xml", "<p:sld " + kP + "><a:t>", "word ", "</a:t></p:sld>",
                   target));
  return zip.Build();
}

}  // namespace

std::string ManyCellsWorkbook(uint64_t cells) {
  std::string row = "<row>";
  for (int k = 0; k < 100; ++k) row += "<c r=\"A1\"><v>1</v></c>";
  row += "</row>";
  return Workbook(Repeated("", "<worksheet " + kS + "><sheetData>", row,
                           "</sheetData></worksheet>", ~uint64_t{0}, cells / 100));
}

std::vector<HostileFile> HostileOfficeFiles(double scale) {
  const auto target = static_cast<uint64_t>(scale * (1 << 20));
  const std::string text_run = "<w:p><w:r><w:t>";
  std::string billion_laughs = "<!DOCTYPE w:document [<!ENTITY l0 \"lol\">";
  for (int k = 1; k < 10; ++k) {
    billion_laughs += "<!ENTITY l" + std::to_string(k) + " \"";
    for (int j = 0; j < 10; ++j) billion_laughs += "&l" + std::to_string(k - 1) + ";";
    billion_laughs += "\">";
  }
  billion_laughs += "]>";
  std::string cell_row = "<row>";
  for (int k = 0; k < 100; ++k) cell_row += "<c r=\"A1\"><v>1</v></c>";
  cell_row += "</row>";
  std::string string_row = "<row>";
  for (int k = 0; k < 100; ++k) string_row += "<c t=\"s\"><v>0</v></c>";
  string_row += "</row>";
  std::string shared = "<sst " + kS + "><si><t>";
  for (int k = 0; k < 200; ++k) shared += "word ";
  shared += "</t></si></sst>";
  auto workbook = [&](const std::string& row, const std::string& strings) {
    return Workbook(Repeated("", "<worksheet " + kS + "><sheetData>", row, "", target), strings);
  };

  std::vector<HostileFile> files;
  files.push_back({"zeros.docx", Body(std::string(1 << 16, '\0'), text_run, target)});
  files.push_back({"spaces.docx", Body(std::string(1 << 16, ' '), text_run, target)});
  files.push_back({"words.docx", Body("ab ", text_run, target)});
  files.push_back({"runs.docx", Body("<w:r><w:t>ab </w:t></w:r>", "<w:p>", target)});
  files.push_back({"props.docx", Body("<w:r><w:rPr><w:b/></w:rPr></w:r>", "<w:p>", target)});
  files.push_back({"paragraphs.docx", Body("<w:p/>", "", target)});
  files.push_back({"nested.docx", Body("<w:p>", "", target)});
  files.push_back({"comment.docx", Body(std::string(1 << 16, 'x'), "<!--", target)});
  files.push_back({"entities.docx",
                   Docx(Repeated("", billion_laughs + "<w:document " + kW + "><w:body>" + text_run,
                                 "&l9;", "", target))});
  files.push_back({"cells.xlsx", workbook(cell_row, "")});
  files.push_back({"strings.xlsx", workbook(string_row, shared)});
  files.push_back({"cells.ods", Spreadsheet("<table:table-cell/>", target)});
  files.push_back(
      {"words.ods", Spreadsheet("<table:table-cell><text:p>xy</text:p></table:table-cell>", target)});
  files.push_back({"valued.ods", Spreadsheet(
      "<table:table-cell office:value-type=\"float\" office:value=\"7\" "
      "table:style-name=\"ce1\"><text:p>7</text:p></table:table-cell>", target)});
  files.push_back({"slides.pptx", ManySlides(65000, 100000)});
  files.push_back({"overlapping.docx", Overlapping()});
  files.push_back({"oneslide.pptx", OneSlideManyTimes(target / 16)});
  return files;
}

}  // namespace oru::bench
