// libFuzzer target: any file content through _ParseIt, every word and a few fragments.
// Links the plug-in's sources directly, so the exports are plain functions here.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/files.h"
#include "plugin-api/parser_plugin.h"

extern "C" bool _ParseIt(const char* file_name, const char* type_name);
extern "C" bool _GetNextWord(oru::WordRecord* rec);
extern "C" void _StopParse();
extern "C" bool _GetFragmentAtPos(oru::FragmentRecord* rec);

namespace {

// One file per process, rewritten for every input and removed at exit.
struct InputFile {
  InputFile()
      : path((std::filesystem::temp_directory_path() /
              ("mellic_fuzz_" + std::to_string(std::random_device{}()) + ".mp3"))
                 .string()) {}
  ~InputFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  const std::string path;
};

const std::string& InputPath() {
  static const InputFile file;
  return file.path;
}

void CheckFragment(uint32_t size, bool wide) {
  // Exactly `size` characters, so that the address sanitizer sees any write past them.
  const size_t bytes = wide ? 2 * size_t{size} : size;
  std::vector<uint8_t> buffer(bytes);
  oru::FragmentRecord rec{};
  rec.Size = size;
  rec.Buffer = buffer.data();
  const bool ok = _GetFragmentAtPos(&rec);
  if (ok != (size >= 128)) __builtin_trap();  // a held text gives a fragment from 128 on
  if (!ok) return;
  if (rec.IsWide != (wide ? 1 : 0)) __builtin_trap();
  // Never unterminated: the last character is always zero.
  if (buffer[bytes - 1] != 0 || (wide && buffer[bytes - 2] != 0)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    oru::platform::File file;
    if (oru::platform::File::Open(InputPath(), oru::platform::OpenMode::kCreate, &file) !=
            oru::platform::Result::kOk ||
        file.Write(data, size) != oru::platform::Result::kOk) {
      return 0;
    }
  }
  if (_ParseIt(InputPath().c_str(), "MP3 Files")) {
    oru::WordRecord rec{};
    rec.Capacity = 128;
    rec.IsWide = 9;
    _GetNextWord(&rec);
    const bool wide = rec.IsWide == 1;
    if (!wide && rec.IsWide != 0) __builtin_trap();
    // An 8-bit text is the 125 bytes of a version 1 tag; a 16-bit one is at most 1 Mi characters.
    const uint32_t text_end = wide ? (1u << 20) : 125;
    rec = {};
    rec.Capacity = 128;
    for (int i = 0; i < 2000; ++i) {
      const uint32_t before = rec.Position;
      if (!_GetNextWord(&rec)) break;
      if (rec.Position <= before || rec.Position > text_end || rec.Length == 0 ||
          rec.Length > (wide ? 128 : 125) || (wide && rec.Length % 2 != 0) || rec.IsWide != (wide ? 1 : 0)) {
        __builtin_trap();
      }
    }
    for (uint32_t fragment_size : {127u, 128u, 176u, 177u, 500u}) {
      CheckFragment(fragment_size, wide);
    }
  }
  _StopParse();
  return 0;
}
