// Time per WordHash of typical word lengths, and per character class look-up over a text:
// both sit in the per-word and per-character hot paths of indexing.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/codepage.h"
#include "platform/md5.h"

namespace {

void BM_WordHash(benchmark::State& state) {
  std::string word(static_cast<size_t>(state.range(0)), 'a');
  for (size_t i = 0; i < word.size(); ++i) word[i] = static_cast<char>('a' + i % 26);
  for (auto _ : state) {
    benchmark::DoNotOptimize(word.data());
    benchmark::DoNotOptimize(oru::platform::WordHash(word));
  }
}
BENCHMARK(BM_WordHash)->Arg(8)->Arg(31)->Arg(127);

// One call per unit of a mixed Latin, Greek, Cyrillic and CJK text.
void BM_IsWideAlphaNumeric(benchmark::State& state) {
  const std::u16string text =
      u"The quick brown fox, \u03B1\u03B2\u03B3 \u0416\u0438\u0437\u043D\u044C "
      u"\u4E2D\u6587 2024-05-01_report.doc!";
  for (auto _ : state) {
    int count = 0;
    for (char16_t c : text) count += oru::platform::IsWideAlphaNumeric(c) ? 1 : 0;
    benchmark::DoNotOptimize(count);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_IsWideAlphaNumeric);

}  // namespace

BENCHMARK_MAIN();
