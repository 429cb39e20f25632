// The letter-or-digit tables behind IsAnsiAlphaNumeric, IsWideAlphaNumeric and
// AlphaNumericClasses (common/codepage_classes.cc). Each platform fills them once from its own
// character data (posix/ and win32/codepage_classes.cc).
#ifndef ORU_PLATFORM_COMMON_CLASS_TABLES_H_
#define ORU_PLATFORM_COMMON_CLASS_TABLES_H_

#include <array>
#include <cstdint>

namespace oru::platform {

struct ClassTables {
  std::array<uint64_t, 65536 / 64> wide{};  // one bit per UTF-16 unit
  std::array<bool, 256> ansi{};             // per byte of the ANSI code page
};

// Asks the platform about every unit and byte; surrogates are never letters or digits.
ClassTables BuildClassTables();

}  // namespace oru::platform

#endif  // ORU_PLATFORM_COMMON_CLASS_TABLES_H_
