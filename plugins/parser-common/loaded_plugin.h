// Test helper: a parser plug-in loaded from the build as the indexer loads it, its exports bound
// by name, and readers of its words as the indexer reads them.
#ifndef ORU_PLUGINS_PARSER_COMMON_LOADED_PLUGIN_H_
#define ORU_PLUGINS_PARSER_COMMON_LOADED_PLUGIN_H_

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "plugin-api/parser_plugin.h"

namespace oru::parser::test {

class LoadedPlugin {
 public:
  explicit LoadedPlugin(const char* path) : library_(platform::LoadLibrary(path)) {}

  // True when the library and all five exports were found; a failure names the reason.
  ::testing::AssertionResult Loaded() const {
    if (get_plug_data && parse && next_word && stop && fragment) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "plug-in or export missing: "
                                         << platform::LastLoadError();
  }

  // Every word of the held text from Position 0 on (Capacity 128), as UTF-16; `ends` (may be
  // null) receives the Position after each word.
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

  // Parses `path` with `type_name` and returns its words (none when the parse is refused;
  // `parsed` tells the two apart), then stops the parse.
  std::vector<std::u16string> WordsOf(const std::string& path, const char* type_name,
                                      bool* parsed = nullptr) const {
    const bool ok = parse(path.c_str(), type_name);
    if (parsed != nullptr) *parsed = ok;
    std::vector<std::u16string> words = ok ? Words() : std::vector<std::u16string>{};
    stop();
    return words;
  }

 private:
  platform::Library library_;

 public:
  GetFPlugDataFn get_plug_data = library_.Find<GetFPlugDataFn>(kGetFPlugDataExport);
  ParseItFn parse = library_.Find<ParseItFn>(kParseItExport);
  GetNextWordFn next_word = library_.Find<GetNextWordFn>(kGetNextWordExport);
  StopParseFn stop = library_.Find<StopParseFn>(kStopParseExport);
  GetFragmentAtPosFn fragment = library_.Find<GetFragmentAtPosFn>(kGetFragmentAtPosExport);
};

}  // namespace oru::parser::test

#endif  // ORU_PLUGINS_PARSER_COMMON_LOADED_PLUGIN_H_
