// Test helper: Dovrin.so loaded from the build as the indexer loads it, its exports bound by
// name, and a reader of every word of the held text.
#ifndef ORU_PLUGINS_PARSER_WORD_TEST_PLUGIN_H_
#define ORU_PLUGINS_PARSER_WORD_TEST_PLUGIN_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "plugin-api/parser_plugin.h"

namespace oru::dovrin::test {

struct Plugin {
  platform::Library library{platform::LoadLibrary(ORU_DOVRIN_LIBRARY)};
  GetFPlugDataFn get_plug_data = library.Find<GetFPlugDataFn>(kGetFPlugDataExport);
  ParseItFn parse = library.Find<ParseItFn>(kParseItExport);
  GetNextWordFn next_word = library.Find<GetNextWordFn>(kGetNextWordExport);
  StopParseFn stop = library.Find<StopParseFn>(kStopParseExport);
  GetFragmentAtPosFn fragment = library.Find<GetFragmentAtPosFn>(kGetFragmentAtPosExport);

  // Loaded once per process; the process ends when an export is missing.
  static Plugin& Get() {
    static Plugin* plugin = new Plugin;
    if (!plugin->get_plug_data || !plugin->parse || !plugin->next_word || !plugin->stop ||
        !plugin->fragment) {
      ADD_FAILURE() << "Dovrin.so or an export is missing: " << platform::LastLoadError();
      std::abort();
    }
    return *plugin;
  }

  // Every word from Position 0 on, as the indexer reads them (Capacity 128); `ends` receives
  // the Position after each word.
  std::vector<std::u16string> Words(std::vector<uint32_t>* ends = nullptr) const {
    std::vector<std::u16string> words;
    WordRecord rec{};
    rec.Capacity = 128;
    for (uint32_t before = 0; next_word(&rec) && rec.Position > before; before = rec.Position) {
      words.emplace_back(rec.Length / 2, u'\0');
      std::memcpy(words.back().data(), rec.Buffer, rec.Length);
      if (ends != nullptr) ends->push_back(rec.Position);
      std::memset(rec.Buffer, 0, sizeof(rec.Buffer));
    }
    return words;
  }
};

}  // namespace oru::dovrin::test

#endif  // ORU_PLUGINS_PARSER_WORD_TEST_PLUGIN_H_
