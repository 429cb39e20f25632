// _GetNextWord throughput, in characters of held text per second: over a large Word document
// through Dovrin's exports (16-bit text), and over a large 8-bit text through the word rule
// that Mellic serves its tags with.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/dynlib.h"
#include "plugin-api/parser_plugin.h"
#include "plugins/parser-common/word_rule.h"

namespace {

// About `chars` characters of words of 2 to 12 letters, with a paragraph mark now and then.
std::string MakeText(size_t chars) {
  std::mt19937 random(42);
  std::string text;
  text.reserve(chars + 16);
  while (text.size() < chars) {
    const int length = 2 + static_cast<int>(random() % 11);
    for (int i = 0; i < length; ++i) text += static_cast<char>('a' + random() % 26);
    text += (random() % 20 == 0) ? '\r' : ' ';
  }
  return text;
}

void PutLe(std::string* s, size_t at, uint32_t v, int width) {
  for (int i = 0; i < width; ++i) (*s)[at + i] = static_cast<char>(v >> (8 * i));
}

// A Word document whose 16-bit text follows its file information block at byte 1536.
std::string MakeWordDocument(const std::string& text) {
  std::string doc(1536, '\0');
  PutLe(&doc, 512, 0xA5EC, 2);
  const uint32_t fc_min = 1024;  // the text starts at fcMin + 512
  PutLe(&doc, 536, fc_min, 2);
  PutLe(&doc, 540, fc_min + static_cast<uint32_t>(2 * text.size()), 4);
  for (char c : text) {
    doc += c;
    doc += '\0';
  }
  return doc;
}

void BM_DovrinGetNextWord(benchmark::State& state) {
  const std::string text = MakeText(static_cast<size_t>(state.range(0)));
  const std::string path =
      (std::filesystem::temp_directory_path() / "oru-parser-bench.doc").string();
  std::ofstream(path, std::ios::binary) << MakeWordDocument(text);
  oru::platform::Library dovrin(oru::platform::LoadLibrary(ORU_DOVRIN_LIBRARY));
  auto parse = dovrin.Find<oru::ParseItFn>(oru::kParseItExport);
  auto next = dovrin.Find<oru::GetNextWordFn>(oru::kGetNextWordExport);
  auto stop = dovrin.Find<oru::StopParseFn>(oru::kStopParseExport);
  if (parse == nullptr || next == nullptr || stop == nullptr || !parse(path.c_str(), "")) {
    state.SkipWithError("Dovrin could not parse the document");
    return;
  }
  int64_t words = 0;
  for (auto _ : state) {
    oru::WordRecord rec{};
    rec.Capacity = 128;
    while (next(&rec)) ++words;
  }
  stop();
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  state.counters["words"] = benchmark::Counter(static_cast<double>(words),
                                               benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DovrinGetNextWord)->Arg(4 << 20)->Unit(benchmark::kMillisecond);

void BM_WordRule8Bit(benchmark::State& state) {
  const std::string text = MakeText(static_cast<size_t>(state.range(0)));
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  int64_t words = 0;
  for (auto _ : state) {
    oru::WordRecord rec{};
    rec.Capacity = 128;
    while (oru::parser::NextWordInto(bytes, static_cast<uint32_t>(text.size()), &rec)) ++words;
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  state.counters["words"] = benchmark::Counter(static_cast<double>(words),
                                               benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WordRule8Bit)->Arg(4 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
