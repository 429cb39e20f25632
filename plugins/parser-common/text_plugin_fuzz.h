// The libFuzzer target of a plug-in built on text_plugin_exports.cc: each plug-in's NAME_fuzz.cc
// hands its input here. The input is written to a file with the plug-in's extension and parsed
// with its type name; every word is read and checked, and fragments are cut with guard bytes
// after each buffer. A broken rule ends the process (std::abort), as libFuzzer expects.
#ifndef ORU_PLUGINS_PARSER_COMMON_TEXT_PLUGIN_FUZZ_H_
#define ORU_PLUGINS_PARSER_COMMON_TEXT_PLUGIN_FUZZ_H_

#include <cstddef>
#include <cstdint>

namespace oru::parser {

// Parses `data` as a file ending in `extension` (the same one on every call of a process) with
// the type name `type_name`. Returns 0, as LLVMFuzzerTestOneInput does.
int FuzzTextPlugin(const uint8_t* data, size_t size, const char* extension, const char* type_name);

}  // namespace oru::parser

#endif  // ORU_PLUGINS_PARSER_COMMON_TEXT_PLUGIN_FUZZ_H_
