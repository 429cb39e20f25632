// The named character references of HTML (char_ref_table.cc, made by
// scripts/make-html-entities.py).
#ifndef ORU_PLUGINS_PARSER_HTML_CHAR_REF_TABLE_H_
#define ORU_PLUGINS_PARSER_HTML_CHAR_REF_TABLE_H_

#include <cstddef>
#include <cstdint>

namespace oru::ostrin {

// One name: kCharRefNames[name_offset, name_offset + name_length), ';' included when the name
// has it, and the one or two UTF-16 units it stands for.
struct CharRef {
  uint16_t name_offset;
  uint8_t name_length;
  uint8_t value_length;
  char16_t value[2];
};

extern const char kCharRefNames[];
// Sorted by name (byte order).
extern const CharRef kCharRefs[];
extern const size_t kCharRefCount;

}  // namespace oru::ostrin

#endif  // ORU_PLUGINS_PARSER_HTML_CHAR_REF_TABLE_H_
