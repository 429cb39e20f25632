// The fuzz target ostrin_fuzz is the shared driver (parser-common/text_plugin_fuzz.cc) over
// Ostrin's sources; this file gives it a name here, beside its seeds in fuzz-corpus/.
