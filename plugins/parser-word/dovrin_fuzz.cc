// libFuzzer target: any bytes, as a file of Word documents, through Dovrin's exports (the shared body
// in plugins/parser-common/text_plugin_fuzz.cc); its seeds are in fuzz-corpus/ beside this file.
#include <cstddef>
#include <cstdint>

#include "plugins/parser-common/text_plugin_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return oru::parser::FuzzTextPlugin(data, size, "doc", "MSWord Files");
}
