// The parser plug-in contract: a library that turns one document at a time into a text it
// holds, hands the text out word by word, and cuts fragments of it for display. The caller
// owns every record and buffer passed in; the plug-in owns its text and its file.
#ifndef ORU_PLUGIN_API_PARSER_PLUGIN_H_
#define ORU_PLUGIN_API_PARSER_PLUGIN_H_

#include <cstddef>
#include <cstdint>

namespace oru {

inline constexpr char kGetFPlugDataExport[] = "_GetFPlugData";
inline constexpr char kParseItExport[] = "_ParseIt";
inline constexpr char kGetNextWordExport[] = "_GetNextWord";
inline constexpr char kStopParseExport[] = "_StopParse";
inline constexpr char kGetFragmentAtPosExport[] = "_GetFragmentAtPos";

// The block a plug-in describes itself in: three NUL-terminated strings at fixed places. The
// indexer hands over exactly this size; other callers may hand over more.
struct DescriptorBlock {
  char Filter[1024];       // the filter string, e.g. "MP3 Files<mp3=", at most 1023 bytes
  char Description[1024];  // one sentence for people
  char DisplayName[32];    // the plug-in's name, with its terminator
};

// One word, filled by _GetNextWord. 144 bytes, natural alignment.
struct WordRecord {
  uint32_t Capacity;    // in: bytes the plug-in may store in Buffer, at most 128
  uint8_t Buffer[128];  // out: the word's characters (16-bit when IsWide), no terminator
  uint16_t Length;      // out: bytes stored in Buffer
  uint32_t Position;    // in/out: where the search starts; after a word, the first position after it
  uint8_t IsWide;       // out: 1 when Buffer holds UTF-16LE characters, 0 for single bytes
};

// A piece of the held text for display, filled by _GetFragmentAtPos. The Buffer pointer is
// pointer-sized, so the record is 24 bytes on 32-bit builds and 32 on 64-bit.
struct FragmentRecord {
  uint32_t Position;  // in: the text position wanted; some plug-ins write back the start
  uint32_t Reserved;  // never read or written
  uint32_t Size;      // in: capacity of Buffer in characters of the text; may be written back
  uint32_t Length;    // out: characters delivered
  void* Buffer;       // the caller's buffer (Size characters: 2 * Size bytes for 16-bit text)
  uint8_t IsWide;     // out: as in WordRecord
};

static_assert(sizeof(bool) == 1, "the contract passes bools as one byte");
static_assert(sizeof(DescriptorBlock) == 2080);
static_assert(offsetof(DescriptorBlock, Description) == 1024);
static_assert(offsetof(DescriptorBlock, DisplayName) == 2048);
static_assert(sizeof(WordRecord) == 144);
static_assert(offsetof(WordRecord, Capacity) == 0);
static_assert(offsetof(WordRecord, Buffer) == 4);
static_assert(offsetof(WordRecord, Length) == 132);
static_assert(offsetof(WordRecord, Position) == 136);
static_assert(offsetof(WordRecord, IsWide) == 140);
static_assert(offsetof(FragmentRecord, Position) == 0);
static_assert(offsetof(FragmentRecord, Reserved) == 4);
static_assert(offsetof(FragmentRecord, Size) == 8);
static_assert(offsetof(FragmentRecord, Length) == 12);
static_assert(offsetof(FragmentRecord, Buffer) == 16);
static_assert(offsetof(FragmentRecord, IsWide) == 16 + sizeof(void*));
static_assert(sizeof(FragmentRecord) == (sizeof(void*) == 4 ? 24 : 32));

// Fills `block` (at least 2080 bytes): Filter cleared whole, then the three strings with their
// terminators. False for a null block.
using GetFPlugDataFn = bool (*)(DescriptorBlock* block);
// Reads `file_name` into a held text. `type_name` is the matched filter group's type name.
// False when no text could be had (the caller calls _StopParse after every _ParseIt anyway).
using ParseItFn = bool (*)(const char* file_name, const char* type_name);
// The next word at or after rec->Position. False for a null record, no held text, or no word.
using GetNextWordFn = bool (*)(WordRecord* rec);
// Closes the file and releases the text. Safe at any time.
using StopParseFn = void (*)();
// Fills rec->Buffer with a piece of the held text. False for a null record or no held text.
using GetFragmentAtPosFn = bool (*)(FragmentRecord* rec);

}  // namespace oru

#endif  // ORU_PLUGIN_API_PARSER_PLUGIN_H_
