// Test helper: Rivand loaded from the build as the indexer loads it, its exports bound by name,
// and a reader of every word of the held text.
#ifndef ORU_PLUGINS_PARSER_RTF_RIVAND_TEST_PLUGIN_H_
#define ORU_PLUGINS_PARSER_RTF_RIVAND_TEST_PLUGIN_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "plugins/parser-common/loaded_plugin.h"

namespace oru::rivand::test {

using Words = std::vector<std::u16string>;
using parser::test::LoadedPlugin;

// Loaded once per process; the process ends when the library or an export is missing.
inline LoadedPlugin& ThePlugin() {
  static LoadedPlugin* plugin = new LoadedPlugin(ORU_RIVAND_LIBRARY);
  if (!plugin->Loaded()) {
    ADD_FAILURE() << plugin->Loaded().message();
    std::abort();
  }
  return *plugin;
}

}  // namespace oru::rivand::test

#endif  // ORU_PLUGINS_PARSER_RTF_RIVAND_TEST_PLUGIN_H_
