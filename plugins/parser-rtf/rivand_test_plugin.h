// Test helper: Rivand loaded from the build as the indexer loads it, its exports bound by name,
// and a reader of every word of the held text.
#ifndef ORU_PLUGINS_PARSER_RTF_RIVAND_TEST_PLUGIN_H_
#define ORU_PLUGINS_PARSER_RTF_RIVAND_TEST_PLUGIN_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "plugin-api/parser_plugin.h"

namespace oru::rivand::test {

using Words = std::vector<std::u16string>;

struct Plugin {
  platform::Library library{platform::LoadLibrary(ORU_RIVAND_LIBRARY)};
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
      ADD_FAILURE() << "Rivand or an export is missing: " << platform::LastLoadError();
      std::abort();
    }
    return *plugin;
  }

  // Every word of the held text, as the indexer reads them.
  Words AllWords() const {
    Words words;
    WordRecord rec{};
    rec.Capacity = 128;
    while (next_word(&rec)) {
      words.emplace_back(rec.Length / 2, u'\0');
      std::memcpy(words.back().data(), rec.Buffer, rec.Length);
    }
    return words;
  }
};

}  // namespace oru::rivand::test

#endif  // ORU_PLUGINS_PARSER_RTF_RIVAND_TEST_PLUGIN_H_
