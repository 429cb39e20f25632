// Test helper: Dovrin.so loaded from the build as the indexer loads it, its exports bound by
// name, and a reader of every word of the held text.
#ifndef ORU_PLUGINS_PARSER_WORD_TEST_PLUGIN_H_
#define ORU_PLUGINS_PARSER_WORD_TEST_PLUGIN_H_

#include <gtest/gtest.h>

#include <cstdlib>

#include "plugins/parser-common/loaded_plugin.h"

namespace oru::dovrin::test {

struct Plugin : parser::test::LoadedPlugin {
  Plugin() : LoadedPlugin(ORU_DOVRIN_LIBRARY) {}

  // Loaded once per process; the process ends when the library or an export is missing.
  static Plugin& Get() {
    static Plugin* plugin = new Plugin;
    if (!plugin->Loaded()) {
      ADD_FAILURE() << plugin->Loaded().message();
      std::abort();
    }
    return *plugin;
  }
};

}  // namespace oru::dovrin::test

#endif  // ORU_PLUGINS_PARSER_WORD_TEST_PLUGIN_H_
