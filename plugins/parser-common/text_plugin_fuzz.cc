// The body of every 16-bit text plug-in's libFuzzer target (see text_plugin_fuzz.h).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "plugin-api/parser_plugin.h"
#include "plugins/parser-common/text_plugin_fuzz.h"

extern "C" bool _ParseIt(const char* file_name, const char* type_name);
extern "C" bool _GetNextWord(oru::WordRecord* rec);
extern "C" void _StopParse();
extern "C" bool _GetFragmentAtPos(oru::FragmentRecord* rec);

namespace {

constexpr int kMaxWords = 1 << 22;
constexpr uint8_t kGuard = 0xA7;
constexpr size_t kGuardSize = 16;

// Never destroyed: the exit handler that removes the file still needs it.
const std::string& InputPath(const char* extension) {
  static const std::string& path = *new std::string([extension] {
    std::random_device random;
    const auto name = "oru-fuzz-" + std::to_string(random()) + std::to_string(random()) + "." +
                      extension;
    return (std::filesystem::temp_directory_path() / name).string();
  }());
  return path;
}

void RemoveInput() {
  std::error_code ignored;
  std::filesystem::remove(InputPath(nullptr), ignored);  // made by the first input already
}

void CutFragment(uint32_t position, uint32_t size) {
  std::vector<uint8_t> buffer(2 * size_t{size} + kGuardSize, kGuard);
  oru::FragmentRecord rec{};
  rec.Position = position;
  rec.Size = size;
  rec.Buffer = buffer.data();
  const bool ok = _GetFragmentAtPos(&rec);
  if (rec.IsWide != 1 || rec.Length > size || (!ok && rec.Length != 0)) std::abort();
  for (size_t i = 2 * size_t{size}; i < buffer.size(); ++i) {
    if (buffer[i] != kGuard) std::abort();
  }
}

}  // namespace

namespace oru::parser {

int FuzzTextPlugin(const uint8_t* data, size_t size, const char* extension,
                   const char* type_name) {
  const std::string& path = InputPath(extension);
  static const bool registered = std::atexit(RemoveInput) == 0;
  (void)registered;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  if (!_ParseIt(path.c_str(), type_name)) {
    _StopParse();
    return 0;
  }
  oru::WordRecord rec{};
  rec.Capacity = 128;
  uint32_t last = 0;
  for (int i = 0; i < kMaxWords && _GetNextWord(&rec); ++i) {
    if (rec.Position <= last || rec.Length > 128 || rec.IsWide != 1) std::abort();
    last = rec.Position;
  }
  for (uint32_t position : {0u, last / 2, last > 0 ? last - 1 : 0u, last, 0xFFFFFFFFu}) {
    for (uint32_t fragment_size : {0u, 1u, 40u, 1000u}) CutFragment(position, fragment_size);
  }
  _StopParse();
  return 0;
}

}  // namespace oru::parser
