// The Office Open XML and OpenDocument plug-ins over a generated corpus (word processing
// documents, workbooks and presentations of Office Open XML, and OpenDocument text): their
// parse time, as the indexer loads them, against a floor of merely inflating every part of the
// same packages with zlib; then Tamsel's fresh pass over the corpus as a process, against a
// read+hash floor (reading each file, inflating its parts and hashing every word of them).
// Last, hostile files (hostile_office.h): a workbook of C tiny number cells, deflated to about
// 1.5 MB for 10 million, and about M MB each of deflate bombs, tiny elements, deep nesting and
// the like, whose parse times per MB of file show how the work stays bounded by the file's size.
//   office_bench [--docs N] [--cells C] [--hostile-mb M] [--bin DIR] [--keep]
//   (N documents of each of the four kinds, 500 by default; C cells, 10,000,000 by default;
//   M 1 by default)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/corpus.h"
#include "bench/hostile_office.h"
#include "bench/run_process.h"
#include "indexer/engine/work_folders.h"
#include "platform/dynlib.h"
#include "platform/files.h"
#include "platform/md5.h"
#include "plugin-api/parser_plugin.h"
#include "plugins/parser-common/byte_source.h"
#include "plugins/parser-common/test_zip_writer.h"
#include "plugins/parser-common/word_rule.h"
#include "plugins/parser-common/zip_reader.h"

namespace {

namespace fs = std::filesystem;
using oru::bench::CorpusText;
using oru::bench::Rng;
using oru::containers::testing::TestZipWriter;

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Windows-1252 text as UTF-8, with the characters XML reserves escaped.
std::string XmlText(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<uint8_t>(c);
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (b >= 0x80) {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    } else if (b >= 0x20) {
      out += c;
    }
  }
  return out;
}

// Paragraphs of 200 to 3,000 words in all.
std::vector<std::string> Paragraphs(const CorpusText& text, Rng& rng) {
  const int words = 200 + static_cast<int>(rng.Below(2800));
  const std::string block = text.Paragraphs(rng, words);
  std::vector<std::string> paragraphs;
  size_t start = 0;
  for (size_t end; (end = block.find('\r', start)) != std::string::npos; start = end + 1) {
    paragraphs.push_back(XmlText(block.substr(start, end - start)));
  }
  return paragraphs;
}

const std::string kRelsOpen =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"http://schemas.openxmlformats.org/"
         "officeDocument/2006/relationships/" + type + "\" Target=\"" + target + "\"/>";
}
std::string Rels(const std::string& body) { return kRelsOpen + body + "</Relationships>"; }
std::string Core(const std::string& title) {
  return "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
         "core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>" + title +
         "</dc:title><dc:creator>Bench Writer</dc:creator></cp:coreProperties>";
}
std::string PackageRels(const std::string& main) {
  return Rels(Rel("r1", "officeDocument", main) +
              "<Relationship Id=\"r2\" Type=\"http://schemas.openxmlformats.org/package/2006/"
              "relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>");
}

std::string Docx(const std::vector<std::string>& paragraphs) {
  std::string body =
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:body>";
  for (const std::string& p : paragraphs) body += "<w:p><w:r><w:t>" + p + "</w:t></w:r></w:p>";
  body += "</w:body></w:document>";
  TestZipWriter zip;
  zip.Add("[Content_Types].xml", "<Types/>");
  zip.Add("_rels/.rels", PackageRels("word/document.xml"));
  zip.Add("docProps/core.xml", Core("Report"));
  zip.Add("word/document.xml", body);
  return zip.Build();
}

std::string Xlsx(const std::vector<std::string>& paragraphs) {
  const std::string s = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                        "relationships\"";
  std::string strings = "<sst " + s + ">";
  std::string sheet = "<worksheet " + s + "><sheetData>";
  int index = 0;
  for (const std::string& p : paragraphs) {
    // Each sentence a cell, beside a number.
    size_t start = 0;
    sheet += "<row>";
    for (size_t end; start < p.size(); start = end + 1) {
      end = p.find(". ", start);
      if (end == std::string::npos) end = p.size();
      strings += "<si><t>" + p.substr(start, end - start) + "</t></si>";
      sheet += "<c t=\"s\"><v>" + std::to_string(index++) + "</v></c><c><v>42</v></c>";
    }
    sheet += "</row>";
  }
  strings += "</sst>";
  sheet += "</sheetData></worksheet>";
  TestZipWriter zip;
  zip.Add("[Content_Types].xml", "<Types/>");
  zip.Add("_rels/.rels", PackageRels("xl/workbook.xml"));
  zip.Add("docProps/core.xml", Core("Figures"));
  zip.Add("xl/workbook.xml", "<workbook " + s + "><sheets><sheet name=\"Data\" r:id=\"s1\"/>"
                             "</sheets></workbook>");
  zip.Add("xl/_rels/workbook.xml.rels", Rels(Rel("s1", "worksheet", "worksheets/sheet1.xml") +
                                             Rel("ss", "sharedStrings", "sharedStrings.xml")));
  zip.Add("xl/sharedStrings.xml", strings);
  zip.Add("xl/worksheets/sheet1.xml", sheet);
  return zip.Build();
}

std::string Pptx(const std::vector<std::string>& paragraphs) {
  const std::string p = "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                        "relationships\"";
  TestZipWriter zip;
  zip.Add("[Content_Types].xml", "<Types/>");
  zip.Add("_rels/.rels", PackageRels("ppt/presentation.xml"));
  zip.Add("docProps/core.xml", Core("Talk"));
  std::string list;
  std::string rels;
  for (size_t n = 0; n < paragraphs.size(); ++n) {
    const std::string id = "s" + std::to_string(n + 1);
    list += "<p:sldId r:id=\"" + id + "\"/>";
    rels += Rel(id, "slide", "slides/slide" + std::to_string(n + 1) + ".xml");
    zip.Add("ppt/slides/slide" + std::to_string(n + 1) + ".xml",
            "<p:sld " + p + "><p:cSld><p:spTree><p:sp><p:txBody><a:p><a:r><a:t>" + paragraphs[n] +
                "</a:t></a:r></a:p></p:txBody></p:sp></p:spTree></p:cSld></p:sld>");
  }
  zip.Add("ppt/presentation.xml",
          "<p:presentation " + p + "><p:sldIdLst>" + list + "</p:sldIdLst></p:presentation>");
  zip.Add("ppt/_rels/presentation.xml.rels", Rels(rels));
  return zip.Build();
}

std::string Odt(const std::vector<std::string>& paragraphs) {
  std::string content =
      "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:text>";
  for (const std::string& p : paragraphs) content += "<text:p>" + p + "</text:p>";
  content += "</office:text></office:body></office:document-content>";
  TestZipWriter zip;
  zip.Add("mimetype", "application/vnd.oasis.opendocument.text", 0);
  zip.Add("content.xml", content);
  zip.Add("META-INF/manifest.xml",
          "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
          "<manifest:file-entry manifest:full-path=\"content.xml\"/></manifest:manifest>");
  return zip.Build();
}

struct Kind {
  const char* extension;
  const char* library;
  const char* type_name;
  std::string (*make)(const std::vector<std::string>&);
};
constexpr Kind kKinds[] = {
    {"docx", "Quillet", "Office Documents", Docx},
    {"xlsx", "Quillet", "Office Spreadsheets", Xlsx},
    {"pptx", "Quillet", "Office Presentations", Pptx},
    {"odt", "Odrane", "OpenDocument Files", Odt},
};

bool ReadWhole(const std::string& path, std::string* bytes) {
  return oru::platform::ReadWholeFile(path, bytes).ok();
}

// Inflates every part of the package at `path`; with `hash`, also splits the inflated bytes by
// the word rule and hashes every word. Returns the inflated bytes.
uint64_t InflateAll(const std::string& path, bool hash, uint64_t* words) {
  std::string bytes;
  if (!ReadWhole(path, &bytes)) return 0;
  oru::containers::MemoryByteSource source(bytes);
  oru::containers::ZipArchive zip;
  // The plug-ins' limits, so that both inflate the same bytes the same way (no checksums).
  if (oru::containers::ZipArchive::Open(&source, &zip,
                                        oru::containers::ZipLimitsForFile(bytes.size())) !=
      oru::containers::ZipOpenOutcome::kOk) {
    return 0;
  }
  uint64_t inflated = 0;
  std::string part;
  for (const auto& entry : zip.entries()) {
    zip.ReadEntry(entry, &part);
    inflated += part.size();
    if (!hash) continue;
    const auto* text = reinterpret_cast<const uint8_t*>(part.data());
    oru::parser::WordSpan word;
    uint32_t at = 0;
    volatile uint16_t sink = 0;
    while (oru::parser::FindNextWord(text, static_cast<uint32_t>(part.size()), at, &word)) {
      sink = sink ^ oru::platform::WordHash(text + word.start, word.end - word.start);
      ++*words;
      at = word.end;
    }
  }
  return inflated;
}

// The best CPU time of 3 that `library` takes to parse the file at `path` and give its words;
// the words given in `words`.
double TimeParse(const std::string& bin, const char* library, const std::string& path,
                 uint64_t* words) {
  oru::platform::Library loaded(
      oru::platform::LoadLibrary(bin + library + oru::platform::kLibrarySuffix));
  const auto parse = loaded.Find<oru::ParseItFn>(oru::kParseItExport);
  const auto next = loaded.Find<oru::GetNextWordFn>(oru::kGetNextWordExport);
  const auto stop = loaded.Find<oru::StopParseFn>(oru::kStopParseExport);
  if (!parse || !next || !stop) return -1;
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    const double start = CpuSeconds();
    *words = 0;
    if (parse(path.c_str(), "")) {
      oru::WordRecord rec{};
      rec.Capacity = 128;
      while (next(&rec)) ++*words;
    }
    stop();
    best = std::min(best, CpuSeconds() - start);
  }
  return best;
}

// Times Quillet over the workbook of ManyCellsWorkbook(cells), then both plug-ins over the
// hostile files of about `scale` MB, written under `root`.
void TimeHostile(const std::string& bin, const std::string& root, uint64_t cells, double scale) {
  const std::string path = root + "cells.xlsx";
  const std::string bytes = oru::bench::ManyCellsWorkbook(cells);
  std::ofstream(path, std::ios::binary) << bytes;
  uint64_t words = 0;
  double seconds = TimeParse(bin, "Quillet", path, &words);
  const double mb = static_cast<double>(bytes.size()) / (1 << 20);
  std::printf("workbook of %llu number cells, %.2f MB: parse %.3f s (%.3f s per MB)\n",
              static_cast<unsigned long long>(cells), mb, seconds, seconds / mb);
  fs::create_directories(root + "hostile");
  for (const oru::bench::HostileFile& file : oru::bench::HostileOfficeFiles(scale)) {
    const std::string at = root + "hostile/" + file.name;
    std::ofstream(at, std::ios::binary) << file.bytes;
    const bool odf = file.name.ends_with(".ods");
    seconds = TimeParse(bin, odf ? "Odrane" : "Quillet", at, &words);
    const double size = static_cast<double>(file.bytes.size()) / (1 << 20);
    std::printf("hostile %-17s %6.2f MB: parse %.3f s (%.3f s per MB), %llu words\n",
                file.name.c_str(), size, seconds, seconds / size,
                static_cast<unsigned long long>(words));
  }
}

}  // namespace

int main(int argc, char** argv) {
  int docs = 500;
  uint64_t cells = 10000000;
  double scale = 1;
  std::string bin = ORU_BIN_DIR;
  bool keep = false;
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--docs") == 0 && k + 1 < argc) docs = std::atoi(argv[++k]);
    if (std::strcmp(argv[k], "--cells") == 0 && k + 1 < argc) {
      cells = std::strtoull(argv[++k], nullptr, 10);
    }
    if (std::strcmp(argv[k], "--bin") == 0 && k + 1 < argc) bin = argv[++k];
    if (std::strcmp(argv[k], "--hostile-mb") == 0 && k + 1 < argc) scale = std::atof(argv[++k]);
    if (std::strcmp(argv[k], "--keep") == 0) keep = true;
  }
  if (!bin.empty() && bin.back() != '/') bin += '/';
  std::string pattern = (fs::temp_directory_path() / "oru-office-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const std::string root = pattern + "/";
  const std::string corpus = root + "corpus/";

  oru::bench::CorpusOptions options;
  options.vocabulary = 50000;
  const CorpusText text(options);
  Rng rng(0x0FF1CE);
  std::vector<std::string> paths[4];
  uint64_t bytes = 0;
  for (size_t k = 0; k < 4; ++k) {
    fs::create_directories(corpus + kKinds[k].extension);
    for (int n = 0; n < docs; ++n) {
      const std::string content = kKinds[k].make(Paragraphs(text, rng));
      const std::string path = corpus + kKinds[k].extension + "/d" + std::to_string(n) + "." +
                               kKinds[k].extension;
      std::ofstream(path, std::ios::binary) << content;
      paths[k].push_back(path);
      bytes += content.size();
    }
  }
  std::printf("corpus: %d documents of each of docx, xlsx, pptx, odt; %.1f MB in %s\n", docs,
              static_cast<double>(bytes) / (1 << 20), corpus.c_str());
  std::printf("CPU seconds, best of 3\n");

  double total_parse = 0;
  double total_floor = 0;
  for (size_t k = 0; k < 4; ++k) {
    oru::platform::Library library(
        oru::platform::LoadLibrary(bin + kKinds[k].library + oru::platform::kLibrarySuffix));
    const auto parse = library.Find<oru::ParseItFn>(oru::kParseItExport);
    const auto next = library.Find<oru::GetNextWordFn>(oru::kGetNextWordExport);
    const auto stop = library.Find<oru::StopParseFn>(oru::kStopParseExport);
    if (!parse || !next || !stop) {
      std::printf("%-5s %s is not built: skipped\n", kKinds[k].extension, kKinds[k].library);
      continue;
    }
    double best_floor = 1e9;
    double best_parse = 1e9;
    uint64_t inflated = 0;
    uint64_t words = 0;
    for (int round = 0; round < 3; ++round) {
      double start = CpuSeconds();
      inflated = 0;
      uint64_t ignored = 0;
      for (const std::string& path : paths[k]) inflated += InflateAll(path, false, &ignored);
      best_floor = std::min(best_floor, CpuSeconds() - start);
      start = CpuSeconds();
      words = 0;
      for (const std::string& path : paths[k]) {
        if (parse(path.c_str(), kKinds[k].type_name)) {
          oru::WordRecord rec{};
          rec.Capacity = 128;
          while (next(&rec)) ++words;
        }
        stop();
      }
      best_parse = std::min(best_parse, CpuSeconds() - start);
    }
    total_parse += best_parse;
    total_floor += best_floor;
    std::printf("%-5s %5zu files %8.1f MB inflated %9llu words  inflate %6.3f s  parse %6.3f s  "
                "(parse / inflate %.2f x)\n",
                kKinds[k].extension, paths[k].size(), static_cast<double>(inflated) / (1 << 20),
                static_cast<unsigned long long>(words), best_floor, best_parse,
                best_parse / best_floor);
  }
  std::printf("all   parse %.3f s against inflate %.3f s: %.2f x\n", total_parse, total_floor,
              total_parse / total_floor);

  // Tamsel's fresh pass over the whole corpus as a process, against reading every file,
  // inflating its parts and hashing their words.
  double best_hash = 1e9;
  uint64_t hashed_words = 0;
  for (int round = 0; round < 3; ++round) {
    const auto start = std::chrono::steady_clock::now();
    hashed_words = 0;
    for (const auto& kind : paths) {
      for (const std::string& path : kind) InflateAll(path, true, &hashed_words);
    }
    best_hash = std::min(
        best_hash,
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  const std::string work = root + "data/" + oru::kVendorFolder + "/" + oru::kProductFolder + "/";
  fs::create_directories(work + "Storages");
  fs::create_directories(root + "run");
  setenv("XDG_RUNTIME_DIR", (root + "run").c_str(), 1);
  setenv("XDG_DATA_HOME", (root + "data").c_str(), 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  oru::WriteDefaultConfig(work + oru::kConfigFileName, bin);
  const std::string job = root + "job.ini";
  std::ofstream(job) << "[Header]\nName=bench\nUpdating=0\n[" << oru::kDefaultStorageType
                     << "]\nDir0=" << corpus << "\n";
  double best_pass = 1e9;
  for (int round = 0; round < 3; ++round) {
    const oru::bench::ProcessResult run = oru::bench::RunProcess(bin + "Tamsel", job);
    const double seconds = run.status == 0 ? run.seconds : -1;
    if (seconds < 0) {
      std::printf("Tamsel failed over the corpus\n");
      best_pass = -1;
      break;
    }
    best_pass = std::min(best_pass, seconds);
  }
  if (best_pass > 0) {
    std::printf("Tamsel fresh pass %.3f s (wall, start to exit) against read+inflate+hash floor "
                "%.3f s (%llu words): %.2f x\n",
                best_pass, best_hash, static_cast<unsigned long long>(hashed_words),
                best_pass / best_hash);
  }
  TimeHostile(bin, root, cells, scale);
  if (!keep) fs::remove_all(root);
  return 0;
}
