#include "plugins/parser-common/text_plugin_fuzz.cc"  // the shared driver over Rivand's exports
