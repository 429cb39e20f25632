// The exports of Dovrin, the parser plug-in for Word documents (Word 6 to Word 2003). One parse at a time: a
// successful _ParseIt leaves the filtered text of the document held here until _StopParse.
// No file stays open between calls. Every export turns any failure into its failure value.
#include <optional>
#include <string>

#include "platform/files.h"
#include "plugin-api/parser_plugin.h"
#include "plugin-api/plugin_export.h"
#include "plugins/parser-common/held_text.h"
#include "plugins/parser-word/document_text.h"
#include "plugins/parser-word/text_filter.h"

namespace {

constexpr char kFilter[] = "MSWord Files<doc>dot=";
constexpr char kDescription[] =
    "This plugin is developed for parsing Microsoft Word(tm) files. "
    "Files extensions to be handled: doc,dot.";
constexpr char kDisplayName[] = "Dovrin";
static_assert(sizeof(kFilter) <= sizeof(oru::DescriptorBlock::Filter));
static_assert(sizeof(kDescription) <= sizeof(oru::DescriptorBlock::Description));
static_assert(sizeof(kDisplayName) <= sizeof(oru::DescriptorBlock::DisplayName));

// The held text. Its visible end is its length: every character the filter wrote is served.
oru::parser::HeldText held;

bool ParseFile(const char* file_name) {
  if (file_name == nullptr || file_name[0] == '\0') return false;
  std::optional<std::u16string> wide;
  {
    oru::platform::File file;
    if (oru::platform::File::Open(file_name, oru::platform::OpenMode::kReadExisting, &file) !=
        oru::platform::Result::kOk) {
      return false;
    }
    wide = oru::dovrin::ReadDocumentText(&file);
  }  // the file closes here; a failed close is of no concern to a reader
  if (!wide) return false;
  held.Hold(oru::dovrin::FilterText(*wide));
  return true;
}

}  // namespace

ORU_PLUGIN_EXPORT bool _GetFPlugData(oru::DescriptorBlock* block) {
  try {
    return oru::parser::FillDescriptor({kFilter, kDescription, kDisplayName}, block);
  } catch (...) {
    return false;
  }
}

ORU_PLUGIN_EXPORT bool _ParseIt(const char* file_name, const char* /*type_name*/) {
  try {
    held.Release();  // a caller that skipped _StopParse
    return ParseFile(file_name);
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
