// For tests: whether the ANSI code page is Windows-1252, the code page the code-page tests
// write their expectations in. Always on POSIX; on Windows whatever GetACP reports.
#ifndef ORU_PLATFORM_ANSI_1252_H_
#define ORU_PLATFORM_ANSI_1252_H_

#ifdef _WIN32
#include "platform/win32/win_api.h"
#endif

namespace oru::platform {

inline bool AnsiCodePageIs1252() {
#ifdef _WIN32
  return GetACP() == 1252;
#else
  return true;
#endif
}

}  // namespace oru::platform

// Skips the rest of a test whose expectations hold only in Windows-1252.
#define ORU_SKIP_UNLESS_1252()                                                  \
  if (!::oru::platform::AnsiCodePageIs1252())                                  \
  GTEST_SKIP() << "expectations written for the ANSI code page Windows-1252"

#endif  // ORU_PLATFORM_ANSI_1252_H_
