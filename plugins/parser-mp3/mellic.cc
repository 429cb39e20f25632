// Mellic's exports: the parser plug-in contract over the ID3 version 1 tag of an MP3 file.
// Each export catches every failure at its boundary and answers with its failure value.
#include <cstring>
#include <memory>
#include <type_traits>

#include "platform/files.h"
#include "plugin-api/parser_plugin.h"
#include "plugin-api/plugin_export.h"
#include "plugins/parser-common/word_rule.h"
#include "plugins/parser-mp3/tag_layout.h"

namespace {

using oru::mellic::kMarkerSize;
using oru::mellic::kTagSize;
using oru::mellic::kTextLength;

constexpr char kFilter[] = "MP3 Files<mp3=";
constexpr char kDescription[] =
    "This plugin is developed for parsing tags in MP3 files. Files extensions to be handled: mp3.";
constexpr char kDisplayName[] = "Mellic";
static_assert(sizeof kDisplayName <= sizeof oru::DescriptorBlock::DisplayName);

// The one parse this library holds, empty at load. The file stays open from a successful open
// in _ParseIt until _StopParse, also when _ParseIt then fails. `tag` holds the 128 tag bytes and
// a zero byte that ends the text; `holding` is set only once the text is complete.
struct ParseState {
  oru::platform::File file;
  std::unique_ptr<uint8_t[]> tag;
  bool holding = false;
};
ParseState g_parse;

// The held text (kTextLength bytes and its zero byte), or nullptr when none is held.
const uint8_t* HeldText() { return g_parse.holding ? g_parse.tag.get() + kMarkerSize : nullptr; }

void ReleaseParse() {
  g_parse.holding = false;
  g_parse.file.Close();  // a failed close changes nothing for the caller
  g_parse.tag.reset();
}

// Reads the last 128 bytes of the open file into the zeroed tag buffer.
bool ReadTag() {
  const int64_t size = g_parse.file.Size();
  if (size < static_cast<int64_t>(kTagSize)) return false;
  if (g_parse.file.Seek(size - kTagSize) != oru::platform::Result::kOk) return false;
  return g_parse.file.ReadExact(g_parse.tag.get(), kTagSize) == oru::platform::Result::kOk;
}

}  // namespace

ORU_PLUGIN_EXPORT bool _GetFPlugData(oru::DescriptorBlock* block) {
  try {
    if (block == nullptr) return false;
    std::memset(block->Filter, 0, sizeof block->Filter);
    std::memcpy(block->Filter, kFilter, sizeof kFilter);
    std::memcpy(block->Description, kDescription, sizeof kDescription);
    std::memcpy(block->DisplayName, kDisplayName, sizeof kDisplayName);
    return true;
  } catch (...) {
    return false;
  }
}

ORU_PLUGIN_EXPORT bool _ParseIt(const char* file_name, const char* /*type_name*/) {
  try {
    ReleaseParse();  // F25: a text still held from a parse without _StopParse goes first
    if (file_name == nullptr || file_name[0] == '\0') return false;
    if (oru::platform::File::Open(file_name, oru::platform::OpenMode::kReadExisting,
                                  &g_parse.file) != oru::platform::Result::kOk) {
      return false;
    }
    g_parse.tag = std::make_unique<uint8_t[]>(kTagSize + 1);  // zeroed
    if (!ReadTag() || !oru::mellic::HasTagMarker(g_parse.tag.get())) return false;
    oru::mellic::BlankZeroBytes(g_parse.tag.get() + kMarkerSize);
    g_parse.holding = true;
    return true;
  } catch (...) {
    return false;
  }
}

ORU_PLUGIN_EXPORT bool _GetNextWord(oru::WordRecord* rec) {
  try {
    if (rec == nullptr) return false;
    rec->IsWide = 0;
    const uint8_t* text = HeldText();
    if (text == nullptr) return false;
    return oru::parser::NextWordInto(text, kTextLength, rec);
  } catch (...) {
    return false;
  }
}

ORU_PLUGIN_EXPORT void _StopParse() {
  try {
    ReleaseParse();
  } catch (...) {
  }
}

// Every fragment shows the whole tag, whatever rec->Position says. The labelled form leaves
// Length as the caller set it (C4).
ORU_PLUGIN_EXPORT bool _GetFragmentAtPos(oru::FragmentRecord* rec) {
  try {
    if (rec == nullptr) return false;
    rec->IsWide = 0;
    const uint8_t* text = HeldText();
    if (text == nullptr || rec->Size < oru::mellic::kMinFragmentSize) return false;
    if (rec->Buffer == nullptr) return false;
    auto* out = static_cast<uint8_t*>(rec->Buffer);
    if (rec->Size < oru::mellic::kLabelledFragmentSize) {
      oru::mellic::WriteRawFragment(text, out, rec->Size);
      rec->Length = oru::mellic::kRawFragmentLength;
    } else {
      oru::mellic::WriteLabelledFragment(text, out, rec->Size);
    }
    return true;
  } catch (...) {
    return false;
  }
}

static_assert(std::is_same_v<decltype(&_GetFPlugData), oru::GetFPlugDataFn>);
static_assert(std::is_same_v<decltype(&_ParseIt), oru::ParseItFn>);
static_assert(std::is_same_v<decltype(&_GetNextWord), oru::GetNextWordFn>);
static_assert(std::is_same_v<decltype(&_StopParse), oru::StopParseFn>);
static_assert(std::is_same_v<decltype(&_GetFragmentAtPos), oru::GetFragmentAtPosFn>);
