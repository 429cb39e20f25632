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
#include "platform/little_endian.h"
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

void PutLe(std::string* s, size_t at, uint32_t v, size_t width) {
  oru::platform::WriteLe(s->data() + at, v, width);
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

// A compound file (4096-byte sectors) whose WordDocument stream holds `pieces` pieces of four
// 8-bit characters laid in reverse order, and whose "0Table" stream holds their piece table.
// With `overlapping`, every piece names the same four bytes.
std::string MakePieceDocument(uint32_t pieces, bool overlapping) {
  constexpr uint32_t kSector = 4096, kPerFatSector = kSector / 4, kTextAt = 0x400;
  std::string word(kTextAt, '\0');
  PutLe(&word, 0, 0xA5EC, 2);
  PutLe(&word, 2, 0xC1, 2);
  PutLe(&word, 24, kTextAt, 4);
  PutLe(&word, 28, kTextAt + 4 * pieces, 4);
  for (uint32_t k = 0; k < pieces; ++k) word += "abc ";
  std::string table(5 + 4 * size_t{pieces + 1} + 8 * size_t{pieces}, '\0');
  table[0] = '\x02';
  PutLe(&table, 1, 12 * pieces + 4, 4);
  const size_t descriptors = 5 + 4 * size_t{pieces + 1};
  for (uint32_t k = 0; k <= pieces; ++k) PutLe(&table, 5 + 4 * size_t{k}, 4 * k, 4);
  for (uint32_t k = 0; k < pieces; ++k) {
    const uint32_t at = kTextAt + (overlapping ? 0 : 4 * (pieces - 1 - k));
    PutLe(&table, descriptors + 8 * size_t{k} + 2, 0x40000000 | 2 * at, 4);
  }
  PutLe(&word, 0x1A2, 0, 4);
  PutLe(&word, 0x1A6, static_cast<uint32_t>(table.size()), 4);
  auto sectors = [&](const std::string& s) {
    return static_cast<uint32_t>((s.size() + kSector - 1) / kSector);
  };
  const uint32_t data_sectors = 1 + sectors(word) + sectors(table);
  const uint32_t fat_sectors = (data_sectors + kPerFatSector) / (kPerFatSector - 1) + 1;
  std::string fat(size_t{fat_sectors} * kSector, '\xFF');
  uint32_t next = 0;
  for (uint32_t k = 0; k < fat_sectors; ++k) PutLe(&fat, 4 * next++, 0xFFFFFFFD, 4);
  const uint32_t directory_at = next;
  PutLe(&fat, 4 * next++, 0xFFFFFFFE, 4);
  auto chain = [&](uint32_t n) {
    const uint32_t start = next;
    for (uint32_t k = 0; k < n; ++k, ++next) {
      PutLe(&fat, 4 * next, k + 1 < n ? next + 1 : 0xFFFFFFFE, 4);
    }
    return start;
  };
  const uint32_t word_at = chain(sectors(word)), table_at = chain(sectors(table));
  std::string directory(kSector, '\0');
  auto entry = [&](uint32_t id, const std::u16string& name, int type, uint32_t right,
                   uint32_t child, uint32_t start, uint64_t size) {
    const size_t at = 128 * id;
    for (size_t i = 0; i < name.size(); ++i) PutLe(&directory, at + 2 * i, name[i], 2);
    PutLe(&directory, at + 0x40, static_cast<uint32_t>(2 * name.size() + 2), 2);
    directory[at + 0x42] = static_cast<char>(type);
    PutLe(&directory, at + 0x44, 0xFFFFFFFF, 4);
    PutLe(&directory, at + 0x48, right, 4);
    PutLe(&directory, at + 0x4C, child, 4);
    PutLe(&directory, at + 0x74, start, 4);
    PutLe(&directory, at + 0x78, static_cast<uint32_t>(size), 4);
  };
  entry(0, u"Root Entry", 5, 0xFFFFFFFF, 1, 0xFFFFFFFE, 0);
  entry(1, u"WordDocument", 2, 2, 0xFFFFFFFF, word_at, word.size());
  entry(2, u"0Table", 2, 0xFFFFFFFF, 0xFFFFFFFF, table_at, table.size());
  std::string header(kSector, '\0');
  header.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
  PutLe(&header, 0x18, 0x3E, 2);
  PutLe(&header, 0x1A, 4, 2);
  PutLe(&header, 0x1C, 0xFFFE, 2);
  PutLe(&header, 0x1E, 12, 2);
  PutLe(&header, 0x20, 6, 2);
  PutLe(&header, 0x2C, fat_sectors, 4);
  PutLe(&header, 0x30, directory_at, 4);
  PutLe(&header, 0x38, 4096, 4);
  PutLe(&header, 0x3C, 0xFFFFFFFE, 4);
  PutLe(&header, 0x44, 0xFFFFFFFE, 4);
  for (uint32_t k = 0; k < 109; ++k) {
    PutLe(&header, 0x4C + 4 * k, k < fat_sectors ? k : 0xFFFFFFFF, 4);
  }
  word.resize(size_t{sectors(word)} * kSector, '\0');
  table.resize(size_t{sectors(table)} * kSector, '\0');
  return header + fat + directory + word + table;
}

// _ParseIt of a document with a large piece table: the time grows with the file, never with
// the square of the number of pieces, also when the pieces overlap.
void BM_DovrinParsePieceTable(benchmark::State& state) {
  const auto pieces = static_cast<uint32_t>(state.range(0));
  const bool overlapping = state.range(1) != 0;
  const std::string doc = MakePieceDocument(pieces, overlapping);
  const std::string path =
      (std::filesystem::temp_directory_path() / "oru-parser-bench-pieces.doc").string();
  std::ofstream(path, std::ios::binary) << doc;
  oru::platform::Library dovrin(oru::platform::LoadLibrary(ORU_DOVRIN_LIBRARY));
  auto parse = dovrin.Find<oru::ParseItFn>(oru::kParseItExport);
  auto next = dovrin.Find<oru::GetNextWordFn>(oru::kGetNextWordExport);
  auto stop = dovrin.Find<oru::StopParseFn>(oru::kStopParseExport);
  if (parse == nullptr || next == nullptr || stop == nullptr) {
    state.SkipWithError("Dovrin could not be loaded");
    return;
  }
  int64_t words = 0;
  for (auto _ : state) {
    if (!parse(path.c_str(), "")) {
      state.SkipWithError("Dovrin could not parse the document");
      break;
    }
    state.PauseTiming();
    oru::WordRecord rec{};
    rec.Capacity = 128;
    for (words = 0; next(&rec); ++words) {
    }
    stop();
    state.ResumeTiming();
  }
  std::filesystem::remove(path);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(doc.size()));
  state.counters["file_MiB"] = static_cast<double>(doc.size()) / (1 << 20);
  state.counters["words"] = static_cast<double>(words);
}
BENCHMARK(BM_DovrinParsePieceTable)
    ->Args({1000, 0})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond);

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
