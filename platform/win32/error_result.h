// The one translation of Win32 error codes (GetLastError) into the platform's results, shared
// by the Win32 implementation files.
#ifndef ORU_PLATFORM_WIN32_ERROR_RESULT_H_
#define ORU_PLATFORM_WIN32_ERROR_RESULT_H_

#include <string>

#include "platform/result.h"

namespace oru::platform::win32 {

// kNotFound for a missing file, folder, drive, module or export; kExists for an existing
// target; kDenied for refused access (rights, read-only, sharing or lock violations); kFailed
// for everything else.
Result ResultFromError(unsigned long error);
// The result for the error code left by the call that just failed.
Result LastErrorResult();
// The system's text for an error code, without the trailing line break ("error N" when the
// system has none).
std::string ErrorText(unsigned long error);

}  // namespace oru::platform::win32

#endif  // ORU_PLATFORM_WIN32_ERROR_RESULT_H_
