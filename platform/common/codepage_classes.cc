// Letter-or-digit classes answered from the tables the platform builds on first use.
#include "platform/codepage.h"
#include "platform/common/class_tables.h"

namespace oru::platform {
namespace {

const ClassTables& Tables() {
  static const ClassTables tables = BuildClassTables();
  return tables;
}

}  // namespace

bool IsWideAlphaNumeric(char16_t c) { return (Tables().wide[c >> 6] >> (c & 63)) & 1; }

bool IsAnsiAlphaNumeric(uint8_t c) { return Tables().ansi[c]; }

AlphaNumericTable AlphaNumericClasses() {
  const ClassTables& tables = Tables();
  return {tables.ansi.data(), tables.wide.data()};
}

}  // namespace oru::platform
