// The generated tables behind text_decode.h (code_page_tables.cc, made by
// scripts/make-code-page-tables.py).
#ifndef ORU_PLUGINS_PARSER_COMMON_CODE_PAGE_TABLES_H_
#define ORU_PLUGINS_PARSER_COMMON_CODE_PAGE_TABLES_H_

#include <cstddef>

namespace oru::parser {

// A single-byte code page whose bytes below 0x80 are ASCII: `high[b - 0x80]` is byte b.
struct CodePageTable {
  int number;  // the Windows code page number
  char16_t high[128];
};

// A name documents give an encoding, lower case, and its Windows code page number.
struct CodePageName {
  const char* name;
  int number;
};

// Sorted by number.
extern const CodePageTable kCodePageTables[];
extern const size_t kCodePageTableCount;
// Sorted by name (byte order).
extern const CodePageName kCodePageNames[];
extern const size_t kCodePageNameCount;

}  // namespace oru::parser

#endif  // ORU_PLUGINS_PARSER_COMMON_CODE_PAGE_TABLES_H_
