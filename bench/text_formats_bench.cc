// Parse throughput of the plain text, web page and Rich Text plug-ins: each plug-in, loaded as
// the indexer loads it, parses a generated corpus of its format (at least 50 MB) and hands out
// every word; the floor is reading the same bytes from the files. Prints MB/s of CPU time for
// both and their ratio. Plug-ins that are not built are skipped with a note.
//   text_formats_bench [--mb N] [--bin DIR]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/corpus.h"
#include "platform/dynlib.h"
#include "plugin-api/parser_plugin.h"
#include "plugins/parser-common/file_bytes.h"

namespace {

using oru::bench::CorpusOptions;
using oru::bench::CorpusText;
using oru::bench::Rng;

constexpr size_t kFileBytes = 256 * 1024;  // about this much per generated file

double CpuSeconds() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Windows-1252 text as UTF-8.
std::string ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

// The paragraphs of a generated text (split at its paragraph marks).
std::vector<std::string> Paragraphs(const CorpusText& text, Rng& rng, size_t bytes) {
  std::vector<std::string> paragraphs;
  size_t total = 0;
  while (total < bytes) {
    const std::string block = text.Paragraphs(rng, 400);
    size_t start = 0;
    for (size_t end; (end = block.find('\r', start)) != std::string::npos; start = end + 1) {
      paragraphs.push_back(block.substr(start, end - start));
      total += end - start;
    }
  }
  return paragraphs;
}

std::string PlainFile(const CorpusText& text, Rng& rng) {
  std::string out;
  for (const std::string& p : Paragraphs(text, rng, kFileBytes)) out += ToUtf8(p) + "\n\n";
  return out;
}

std::string HtmlFile(const CorpusText& text, Rng& rng) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
      "<title>Generated page</title>\n<style>body { font-family: sans-serif; } .n { color: "
      "#333; }</style>\n<script>var seen = 0; function count() { seen++; }</script>\n"
      "</head>\n<body>\n<div class=\"page\"><nav><ul><li><a href=\"/\">Home</a></li>"
      "<li><a href=\"/about\">About &amp; contact</a></li></ul></nav>\n";
  int n = 0;
  for (const std::string& p : Paragraphs(text, rng, kFileBytes)) {
    const std::string utf8 = ToUtf8(p);
    if (++n % 7 == 0) {
      out += "<h2 id=\"s" + std::to_string(n) + "\">" + utf8.substr(0, utf8.find(' ')) + "</h2>\n";
    }
    // Some words bold or linked, as pages have them.
    const size_t space = utf8.find(' ', utf8.size() / 2);
    if (space != std::string::npos && n % 3 == 0) {
      out += "<p class=\"n\">" + utf8.substr(0, space) + " <a href=\"https://example.org/p" +
             std::to_string(n) + "\">" + utf8.substr(space + 1) + "</a></p>\n";
    } else {
      out += "<p>" + utf8 + " &mdash; <b>note</b>&nbsp;" + std::to_string(n) + "</p>\n";
    }
  }
  return out + "</div>\n</body></html>\n";
}

std::string RtfFile(const CorpusText& text, Rng& rng) {
  std::string out =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset0 "
      "Calibri;}{\\f1\\fswiss\\fcharset0 Arial;}}\n{\\colortbl ;\\red0\\green0\\blue255;}\n"
      "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1\n";
  int n = 0;
  for (const std::string& p : Paragraphs(text, rng, kFileBytes)) {
    out += "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang9 ";
    ++n;
    for (const char c : p) {
      const auto b = static_cast<uint8_t>(c);
      if (b >= 0x80) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\'%02x", b);
        out += hex;
      } else if (c == '\\' || c == '{' || c == '}') {
        out += '\\';
        out += c;
      } else {
        out += c;
      }
    }
    if (n % 4 == 0) out += " {\\b\\f1 bold words}\\b0  and \\u8217?s";
    out += "\\par\n";
  }
  return out + "}\n";
}

struct Format {
  const char* name;
  const char* library;
  const char* extension;
  const char* type_name;
  std::function<std::string(const CorpusText&, Rng&)> make;
};

struct Exports {
  oru::ParseItFn parse;
  oru::GetNextWordFn next_word;
  oru::StopParseFn stop;
};

void Measure(const Format& format, const std::string& bin, const CorpusText& text,
             size_t total_mb) {
  oru::platform::Library library(oru::platform::LoadLibrary(bin + format.library +
                                                            oru::platform::kLibrarySuffix));
  const Exports exports{library.Find<oru::ParseItFn>(oru::kParseItExport),
                        library.Find<oru::GetNextWordFn>(oru::kGetNextWordExport),
                        library.Find<oru::StopParseFn>(oru::kStopParseExport)};
  if (!exports.parse || !exports.next_word || !exports.stop) {
    std::printf("%-10s %s not built: skipped\n", format.name, format.library);
    return;
  }
  const auto folder = std::filesystem::temp_directory_path() /
                      ("oru-formats-bench-" + std::string(format.extension));
  std::filesystem::create_directories(folder);
  Rng rng(0xF0F0 + std::strlen(format.name));
  std::vector<std::string> paths;
  uint64_t bytes = 0;
  while (bytes < total_mb << 20) {
    const std::string content = format.make(text, rng);
    const std::string path =
        (folder / ("f" + std::to_string(paths.size()) + "." + format.extension)).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(content.data(), 1, content.size(), f) != content.size()) {
      std::printf("%-10s cannot write %s\n", format.name, path.c_str());
      if (f != nullptr) std::fclose(f);
      return;
    }
    std::fclose(f);
    paths.push_back(path);
    bytes += content.size();
  }
  double best_read = 1e9;
  double best_parse = 1e9;
  uint64_t words = 0;
  for (int round = 0; round < 3; ++round) {
    double start = CpuSeconds();
    std::string content;
    for (const std::string& path : paths) {
      oru::parser::ReadFileBytes(path.c_str(), oru::parser::kMaxTextFileBytes, &content, nullptr);
    }
    best_read = std::min(best_read, CpuSeconds() - start);
    start = CpuSeconds();
    words = 0;
    for (const std::string& path : paths) {
      if (exports.parse(path.c_str(), format.type_name)) {
        oru::WordRecord rec{};
        rec.Capacity = 128;
        while (exports.next_word(&rec)) ++words;
      }
      exports.stop();
    }
    best_parse = std::min(best_parse, CpuSeconds() - start);
  }
  std::filesystem::remove_all(folder);
  const double mb = static_cast<double>(bytes) / (1 << 20);
  std::printf("%-10s %4zu files %7.1f MB %10llu words  read %8.1f MB/s  parse %7.1f MB/s  "
              "(parse / read %.1f x)\n",
              format.name, paths.size(), mb, static_cast<unsigned long long>(words),
              mb / best_read, mb / best_parse, best_parse / best_read);
}

}  // namespace

int main(int argc, char** argv) {
  size_t total_mb = 50;
  std::string bin = ORU_BIN_DIR;
  for (int k = 1; k + 1 < argc; k += 2) {
    if (std::strcmp(argv[k], "--mb") == 0) total_mb = std::strtoul(argv[k + 1], nullptr, 10);
    if (std::strcmp(argv[k], "--bin") == 0) bin = argv[k + 1];
  }
  if (!bin.empty() && bin.back() != '/') bin += '/';
  CorpusOptions options;
  options.vocabulary = 50000;
  const CorpusText text(options);
  std::printf("CPU seconds, best of 3 rounds; the read floor re-reads files the cache holds\n");
  const Format formats[] = {
      {"text", "Tavrel", "txt", "Text Files", PlainFile},
      {"html", "Ostrin", "html", "Web Pages", HtmlFile},
      {"rtf", "Rivand", "rtf", "Rich Text Files", RtfFile},
  };
  for (const Format& format : formats) Measure(format, bin, text, total_mb);
  return 0;
}
