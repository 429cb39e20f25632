// The parser contract's exports for a plug-in whose documents become one 16-bit text (see
// text_plugin.h). One parse at a time, held until _StopParse; no file stays open between calls.
#include <string>
#include <type_traits>

#include "plugin-api/parser_plugin.h"
#include "plugin-api/plugin_export.h"
#include "plugins/parser-common/held_text.h"
#include "plugins/parser-common/text_plugin.h"

namespace {

oru::parser::HeldText held;

}  // namespace

ORU_PLUGIN_EXPORT bool _GetFPlugData(oru::DescriptorBlock* block) {
  try {
    return oru::parser::FillDescriptor(oru::parser::kPluginStrings, block);
  } catch (...) {
    return false;
  }
}

ORU_PLUGIN_EXPORT bool _ParseIt(const char* file_name, const char* type_name) {
  try {
    held.Release();  // a caller that skipped _StopParse
    if (file_name == nullptr || file_name[0] == '\0') return false;
    std::u16string text = held.TakeSpare();
    if (!oru::parser::ReadDocument(file_name, type_name != nullptr ? type_name : "", &text)) {
      return false;
    }
    held.Hold(std::move(text));
    return true;
  } catch (...) {
    held.Release();
    return false;
  }
}

ORU_PLUGIN_EXPORT bool _GetNextWord(oru::WordRecord* rec) {
  try {
    return held.NextWord(rec);
  } catch (...) {
    return false;
  }
}

ORU_PLUGIN_EXPORT void _StopParse() {
  try {
    held.Release();
  } catch (...) {
  }
}

ORU_PLUGIN_EXPORT bool _GetFragmentAtPos(oru::FragmentRecord* rec) {
  try {
    return held.CutFragment(rec);
  } catch (...) {
    return false;
  }
}

static_assert(std::is_same_v<decltype(&_GetFPlugData), oru::GetFPlugDataFn>);
static_assert(std::is_same_v<decltype(&_ParseIt), oru::ParseItFn>);
static_assert(std::is_same_v<decltype(&_GetNextWord), oru::GetNextWordFn>);
static_assert(std::is_same_v<decltype(&_StopParse), oru::StopParseFn>);
static_assert(std::is_same_v<decltype(&_GetFragmentAtPos), oru::GetFragmentAtPosFn>);
