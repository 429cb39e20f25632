// Mellic's exports: the parser plug-in contract over the tags of an MP3 file. A file whose
// ID3 version 2 tag has text in one of the indexed fields is served as 16-bit text, with the
// fields it lacks taken from the version 1 tag; any other file is served from its version 1
// tag alone, as 8-bit text whose words end at the end of each field.
// Each export catches every failure at its boundary and answers with its failure value.
#include <cstring>
#include <memory>
#include <type_traits>

#include "platform/files.h"
#include "plugin-api/parser_plugin.h"
#include "plugin-api/plugin_export.h"
#include "plugins/parser-common/word_rule.h"
#include "plugins/parser-mp3/id3v2_tag.h"
#include "plugins/parser-mp3/tag_layout.h"
#include "plugins/parser-mp3/wide_text.h"

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
// in _ParseIt until _StopParse, also when _ParseIt then fails. `tag` holds the 128 version 1 tag
// bytes and a zero byte that ends the 8-bit text; `wide` is the 16-bit text when the version 2
// tag gives one. `holding` is set only once the text is complete.
struct ParseState {
  oru::platform::File file;
  std::unique_ptr<uint8_t[]> tag;
  std::unique_ptr<oru::mellic::WideText> wide;
  bool holding = false;
};
ParseState g_parse;

// The held 8-bit text (kTextLength bytes and its zero byte), or nullptr when none is held.
const uint8_t* HeldText() {
  return g_parse.holding && !g_parse.wide ? g_parse.tag.get() + kMarkerSize : nullptr;
}
// The held 16-bit text, or nullptr when none is held.
const oru::mellic::WideText* HeldWideText() {
  return g_parse.holding ? g_parse.wide.get() : nullptr;
}

void ReleaseParse() {
  g_parse.holding = false;
  g_parse.file.Close();  // a failed close changes nothing for the caller
  g_parse.tag.reset();
  g_parse.wide.reset();
}

// The fields of the version 2 tag at the start of the open file; all empty without one.
// `tag_end` receives where the tag ends (0 without one).
oru::mellic::TagFields ReadVersion2Fields(int64_t file_size, uint64_t* tag_end) {
  oru::mellic::TagFields fields;
  *tag_end = 0;
  uint8_t bytes[oru::mellic::kTagHeaderSize];
  oru::mellic::TagHeader header;
  if (file_size < static_cast<int64_t>(sizeof bytes) ||
      g_parse.file.Seek(0) != oru::platform::Result::kOk ||
      g_parse.file.ReadExact(bytes, sizeof bytes) != oru::platform::Result::kOk ||
      !oru::mellic::ParseTagHeader(bytes, &header)) {
    return fields;
  }
  *tag_end = header.end();
  oru::mellic::ReadTagFields(&g_parse.file, file_size, header, &fields);
  return fields;
}

// Reads the last 128 bytes of the open file, `size` bytes long, into the zeroed tag buffer.
bool ReadTag(int64_t size) {
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
    ReleaseParse();  // a text still held from a parse without _StopParse goes first
    if (file_name == nullptr || file_name[0] == '\0') return false;
    if (oru::platform::File::Open(file_name, oru::platform::OpenMode::kReadExisting,
                                  &g_parse.file) != oru::platform::Result::kOk) {
      return false;
    }
    const int64_t file_size = g_parse.file.Size();
    uint64_t tag_end = 0;
    oru::mellic::TagFields fields = ReadVersion2Fields(file_size, &tag_end);
    g_parse.tag = std::make_unique<uint8_t[]>(kTagSize + 1);  // zeroed
    const bool has_version1 = ReadTag(file_size) && oru::mellic::HasTagMarker(g_parse.tag.get());
    if (oru::mellic::HasAnyField(fields)) {
      // A version 1 tag fills in only when it lies wholly after the version 2 tag.
      if (has_version1 && static_cast<uint64_t>(file_size) >= tag_end + kTagSize) {
        oru::mellic::FillFromVersion1(g_parse.tag.get(), &fields);
      }
      g_parse.wide = std::make_unique<oru::mellic::WideText>(oru::mellic::JoinFields(fields));
      g_parse.holding = true;
      return true;
    }
    if (!has_version1) return false;
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
    if (const oru::mellic::WideText* wide = HeldWideText()) {
      rec->IsWide = 1;
      return oru::parser::NextWordInto(wide->text.data(),
                                       static_cast<uint32_t>(wide->text.size()), rec);
    }
    rec->IsWide = 0;
    const uint8_t* text = HeldText();
    if (text == nullptr) return false;
    // Each field is read as a text of its own, so a field filled to its last byte ends its last
    // word there, whatever the next field starts with. Positions stay those of the whole text.
    const uint32_t start = rec->Position;
    for (uint32_t at = start; at < kTextLength; at = oru::mellic::FieldEnd(at)) {
      rec->Position = at;
      if (oru::parser::NextWordInto(text, oru::mellic::FieldEnd(at), rec)) return true;
    }
    rec->Position = start;
    return false;
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
// Length as the caller set it. A 16-bit text takes the same two forms at the same sizes, counted
// in 16-bit characters; its raw form reports the characters it delivered.
ORU_PLUGIN_EXPORT bool _GetFragmentAtPos(oru::FragmentRecord* rec) {
  try {
    if (rec == nullptr) return false;
    if (const oru::mellic::WideText* wide = HeldWideText()) {
      rec->IsWide = 1;
      if (rec->Size < oru::mellic::kMinFragmentSize || rec->Buffer == nullptr) return false;
      auto* out = static_cast<uint8_t*>(rec->Buffer);
      if (rec->Size < oru::mellic::kLabelledFragmentSize) {
        rec->Length = oru::mellic::WriteWideRawFragment(*wide, out, rec->Size);
      } else {
        oru::mellic::WriteWideLabelledFragment(*wide, out, rec->Size);
      }
      return true;
    }
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
