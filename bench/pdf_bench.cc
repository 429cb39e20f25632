// Pelkan's speed, printed as figures:
//   pdf_bench                      a generated corpus of PDFs: the text extraction time against
//                                  the time merely to open each file and inflate its streams
//   pdf_bench --compare FILE...    per file, the extraction time in process against the time of
//                                  `pdftotext FILE -` run as a process (when it is installed)
//   pdf_bench --text FILE          prints the text of FILE as UTF-8 (for comparisons)
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "plugins/parser-pdf/pdf_document.h"
#include "plugins/parser-pdf/pdf_text.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(data.data()), data.size(), 6);
  out.resize(size);
  return out;
}

// A document of `pages` pages of `lines` lines of words drawn with TJ kerning, as typesetters
// write them, compressed.
std::string MakeDocument(std::mt19937& random, int pages, int lines) {
  static const char* const kWords[] = {"harbour", "lantern", "channel", "mooring", "tide",
                                       "ferry", "keeper", "signal", "buoy", "anchor", "pier",
                                       "gull", "rope", "canvas", "ledger", "cargo"};
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "",
                                      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                                      "/FirstChar 32 /LastChar 126 /Widths ["};
  for (int c = 32; c <= 126; ++c) objects[2] += c == 32 ? "278 " : "556 ";
  objects[2] += "] /Encoding /WinAnsiEncoding >>";
  std::string kids;
  for (int p = 0; p < pages; ++p) {
    std::string content = "BT /F1 10 Tf 12 TL 72 740 Td\n";
    for (int l = 0; l < lines; ++l) {
      content += "[";
      for (int w = 0; w < 10; ++w) {
        const std::string word = kWords[random() % 16];
        content += "(" + word.substr(0, 3) + ") -12 (" + word.substr(3) + " ) ";
      }
      content += "] TJ T*\n";
    }
    content += "ET";
    const std::string data = Deflate(content);
    const size_t page = objects.size() + 1;
    objects.push_back("<< /Type /Page /Parent 2 0 R /Resources << /Font << /F1 3 0 R >> >> "
                      "/Contents " + std::to_string(page + 1) + " 0 R >>");
    objects.push_back("<< /Length " + std::to_string(data.size()) +
                      " /Filter /FlateDecode >>\nstream\n" + data + "\nendstream");
    kids += std::to_string(page) + " 0 R ";
  }
  objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
  std::string out = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t k = 0; k < objects.size(); ++k) {
    offsets.push_back(out.size());
    out += std::to_string(k + 1) + " 0 obj\n" + objects[k] + "\nendobj\n";
  }
  const size_t xref = out.size();
  out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof(line), "%010zu 00000 n \n", offset);
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
         " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (size_t k = 0; k < text.size(); ++k) {
    uint32_t cp = text[k];
    if (cp >= 0xD800 && cp < 0xDC00 && k + 1 < text.size()) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++k] - 0xDC00);
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 63));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 63));
      out += static_cast<char>(0x80 | (cp & 63));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 63));
      out += static_cast<char>(0x80 | ((cp >> 6) & 63));
      out += static_cast<char>(0x80 | (cp & 63));
    }
  }
  return out;
}

// Opens the document and decodes every stream the cross-reference data names.
size_t InflateAll(const std::string& bytes) {
  oru::pdf::Limits limits;
  oru::pdf::Budget budget(limits);
  oru::pdf::Document document(bytes, &budget);
  if (!document.Open()) return 0;
  size_t total = 0;
  std::string data;
  for (uint32_t number = 1; number <= document.object_count() + 1; ++number) {
    const oru::pdf::Object value = document.GetObject(number);
    if (value.type != oru::pdf::Type::kStream) continue;
    document.StreamData(value, &data);
    total += data.size();
  }
  return total;
}

int Corpus() {
  std::mt19937 random(7);
  std::vector<std::string> documents;
  size_t bytes = 0;
  for (int k = 0; k < 200; ++k) {
    documents.push_back(MakeDocument(random, 5 + k % 10, 50));
    bytes += documents.back().size();
  }
  auto start = Clock::now();
  size_t inflated = 0;
  for (const std::string& d : documents) inflated += InflateAll(d);
  const double inflate_time = Seconds(start);
  start = Clock::now();
  size_t chars = 0;
  for (const std::string& d : documents) {
    std::u16string text;
    oru::pdf::ExtractText(d, oru::pdf::Limits(), &text);
    chars += text.size();
  }
  const double parse_time = Seconds(start);
  std::printf("corpus: %zu documents, %.1f MB in files, %.1f MB of decoded streams\n",
              documents.size(), bytes / 1e6, inflated / 1e6);
  std::printf("open + inflate every stream: %8.1f ms\n", inflate_time * 1e3);
  std::printf("text extraction:             %8.1f ms (%.1f MB/s of files, %zu characters)\n",
              parse_time * 1e3, bytes / 1e6 / parse_time, chars);
  std::printf("extraction / inflate:        %8.2f\n", parse_time / inflate_time);
  return 0;
}

int Compare(int argc, char** argv) {
  double ours = 0, theirs = 0;
  const bool have_pdftotext = std::system("command -v pdftotext >/dev/null 2>&1") == 0;
  std::printf("%-28s %10s %12s\n", "file", "pelkan ms", "pdftotext ms");
  for (int k = 2; k < argc; ++k) {
    const std::string bytes = ReadFile(argv[k]);
    auto start = Clock::now();
    std::u16string text;
    oru::pdf::ExtractText(bytes, oru::pdf::Limits(), &text);
    const double mine = Seconds(start);
    double other = 0;
    if (have_pdftotext) {
      start = Clock::now();
      const std::string command = std::string("pdftotext -q '") + argv[k] + "' - >/dev/null 2>&1";
      if (std::system(command.c_str()) < 0) return 1;
      other = Seconds(start);
    }
    ours += mine;
    theirs += other;
    const std::string path = argv[k];
    std::printf("%-28s %10.2f %12.2f\n", path.substr(path.find_last_of('/') + 1).c_str(),
                mine * 1e3, other * 1e3);
  }
  std::printf("%-28s %10.2f %12.2f  (ratio %.3f)\n", "total", ours * 1e3, theirs * 1e3,
              theirs > 0 ? ours / theirs : 0.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--text") {
    std::u16string text;
    const auto status = oru::pdf::ExtractText(ReadFile(argv[2]), oru::pdf::Limits(), &text);
    std::cout << Utf8(text);
    return status == oru::pdf::TextStatus::kOk ? 0 : 1;
  }
  if (argc >= 3 && std::string(argv[1]) == "--compare") return Compare(argc, argv);
  return Corpus();
}
