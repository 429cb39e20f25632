// Helpers of the Dovrin tests: forged Word documents built byte by byte, and the plug-in
// loaded from the build as the indexer loads it.
#ifndef ORU_PLUGINS_PARSER_WORD_TEST_DOC_H_
#define ORU_PLUGINS_PARSER_WORD_TEST_DOC_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dynlib.h"
#include "plugin-api/parser_plugin.h"

namespace oru::dovrin::test {

// A file of `size` bytes ' ' with the identifier 0xA5EC at 512 and the given 4-byte fields at
// 536 (fcMin) and 540 (fcMac).
std::string ForgeHeader(uint32_t fc_min, uint32_t fc_mac, size_t size = 1024);
// A document whose text region is exactly `text` (raw bytes), stored at file offset 1024.
std::string ForgeDoc(std::string_view text);
// UTF-16LE bytes of `text`.
std::string WideBytes(std::u16string_view text);
// Writes bytes at `at` of `doc`, growing it when needed.
void Put(std::string* doc, size_t at, std::string_view bytes);

// Dovrin.so from the build folder, its exports bound by name.
struct Plugin {
  platform::Library library;
  GetFPlugDataFn get_plug_data = nullptr;
  ParseItFn parse = nullptr;
  GetNextWordFn next_word = nullptr;
  StopParseFn stop = nullptr;
  GetFragmentAtPosFn fragment = nullptr;

  // Loads the library once per process; fails the calling test when it cannot.
  static Plugin& Get();
  // Every word of the held text with Capacity 128, from Position 0 on.
  std::vector<std::u16string> Words();
};

}  // namespace oru::dovrin::test

#endif  // ORU_PLUGINS_PARSER_WORD_TEST_DOC_H_
