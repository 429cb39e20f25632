// The exports of Dovrin, the parser plug-in for Word documents (Word 6 to Word 2003). One parse at a time: a
// successful _ParseIt leaves the filtered text of the document held here until _StopParse.
// No file stays open between calls. Every export turns any failure into its failure value.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "platform/files.h"
#include "plugin-api/parser_plugin.h"
#include "plugin-api/plugin_export.h"
#include "plugins/parser-common/word_rule.h"
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
std::optional<std::u16string> held_text;

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
  held_text = oru::dovrin::FilterText(*wide);
  return true;
}

uint32_t VisibleEnd() { return static_cast<uint32_t>(held_text->size()); }

bool CutFragment(oru::FragmentRecord* rec) {
  rec->IsWide = 1;
  if (!held_text || rec->Buffer == nullptr) {
    rec->Length = 0;
    return false;
  }
  auto* buffer = static_cast<char16_t*>(rec->Buffer);
  std::memset(buffer, 0, size_t{rec->Size} * sizeof(char16_t));
  const uint32_t end = VisibleEnd();
  if (rec->Position >= end) {
    rec->Length = 0;
    return false;
  }
  const uint32_t start = rec->Position > rec->Size / 2 ? rec->Position - rec->Size / 2 : 0;
  rec->Position = start;
  uint32_t size = std::min(rec->Size, end - start);
  const char16_t* text = held_text->data();
  uint32_t p = start;
  while (p < end && text[p] == 0) ++p;
  size = std::min(size, end - p);
  rec->Size = size;
  rec->Length = size;
  const char16_t* zero = std::find(text + p, text + p + size, u'\0');
  std::copy(text + p, zero, buffer);
  return true;
}

}  // namespace

ORU_PLUGIN_EXPORT bool _GetFPlugData(oru::DescriptorBlock* block) {
  try {
    if (block == nullptr) return false;
    std::memset(block->Filter, 0, sizeof(block->Filter));
    std::memcpy(block->Filter, kFilter, sizeof(kFilter));
    std::memcpy(block->Description, kDescription, sizeof(kDescription));
    std::memcpy(block->DisplayName, kDisplayName, sizeof(kDisplayName));
    return true;
  } catch (...) {
    return false;
  }
}

ORU_PLUGIN_EXPORT bool _ParseIt(const char* file_name, const char* /*type_name*/) {
  try {
    held_text.reset();  // a caller that skipped _StopParse
    return ParseFile(file_name);
  } catch (...) {
    held_text.reset();
    return false;
  }
}

ORU_PLUGIN_EXPORT bool _GetNextWord(oru::WordRecord* rec) {
  try {
    if (rec == nullptr) return false;
    rec->IsWide = 1;
    if (!held_text) return false;
    return oru::parser::NextWordInto(held_text->data(), VisibleEnd(), rec);
  } catch (...) {
    return false;
  }
}

ORU_PLUGIN_EXPORT void _StopParse() {
  try {
    held_text.reset();
  } catch (...) {
  }
}

ORU_PLUGIN_EXPORT bool _GetFragmentAtPos(oru::FragmentRecord* rec) {
  try {
    if (rec == nullptr) return false;
    return CutFragment(rec);
  } catch (...) {
    return false;
  }
}
