#include "plugins/parser-word/test_doc.h"

#include <gtest/gtest.h>

#include <cstring>

namespace oru::dovrin::test {
namespace {

std::string LittleEndian(uint32_t value, size_t width) {
  std::string out;
  for (size_t i = 0; i < width; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

}  // namespace

void Put(std::string* doc, size_t at, std::string_view bytes) {
  if (doc->size() < at + bytes.size()) doc->resize(at + bytes.size(), ' ');
  doc->replace(at, bytes.size(), bytes);
}

std::string ForgeHeader(uint32_t fc_min, uint32_t fc_mac, size_t size) {
  std::string doc(size, ' ');
  Put(&doc, 512, LittleEndian(0xA5EC, 2));
  Put(&doc, 536, LittleEndian(fc_min, 4));
  Put(&doc, 540, LittleEndian(fc_mac, 4));
  return doc;
}

std::string ForgeDoc(std::string_view text) {
  std::string doc = ForgeHeader(512, static_cast<uint32_t>(512 + text.size()));
  Put(&doc, 1024, text);
  return doc;
}

std::string WideBytes(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += LittleEndian(c, 2);
  return out;
}

Plugin& Plugin::Get() {
  static Plugin* plugin = [] {
    auto* p = new Plugin;
    p->library = platform::Library(platform::LoadLibrary(ORU_DOVRIN_LIBRARY));
    p->get_plug_data = p->library.Find<GetFPlugDataFn>(kGetFPlugDataExport);
    p->parse = p->library.Find<ParseItFn>(kParseItExport);
    p->next_word = p->library.Find<GetNextWordFn>(kGetNextWordExport);
    p->stop = p->library.Find<StopParseFn>(kStopParseExport);
    p->fragment = p->library.Find<GetFragmentAtPosFn>(kGetFragmentAtPosExport);
    return p;
  }();
  if (!plugin->library.loaded() || !plugin->get_plug_data || !plugin->parse ||
      !plugin->next_word || !plugin->stop || !plugin->fragment) {
    ADD_FAILURE() << "Dovrin.so or one of its exports is missing: " << platform::LastLoadError();
  }
  return *plugin;
}

std::vector<std::u16string> Plugin::Words() {
  std::vector<std::u16string> words;
  WordRecord rec{};
  rec.Capacity = 128;
  while (true) {
    std::memset(rec.Buffer, 0, sizeof(rec.Buffer));
    const uint32_t before = rec.Position;
    if (!next_word(&rec)) break;
    std::u16string word(rec.Length / 2, u'\0');
    std::memcpy(word.data(), rec.Buffer, rec.Length);
    words.push_back(word);
    if (rec.Position <= before) {
      ADD_FAILURE() << "Position did not grow";
      break;
    }
  }
  return words;
}

}  // namespace oru::dovrin::test
