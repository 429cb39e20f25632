// The one translation of errno values into the platform's results, shared by the POSIX files.
#ifndef ORU_PLATFORM_POSIX_ERRNO_RESULT_H_
#define ORU_PLATFORM_POSIX_ERRNO_RESULT_H_

#include <cerrno>

#include "platform/result.h"

namespace oru::platform::posix {

// kNotFound for a missing path or a path through a non-folder, kExists for an existing target,
// kDenied for refused access (permissions, read-only file system), kFailed for everything else.
inline Result ResultFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return Result::kNotFound;
    case EEXIST:
      return Result::kExists;
    case EACCES:
    case EPERM:
    case EROFS:
      return Result::kDenied;
    default:
      return Result::kFailed;
  }
}

// The result for the errno left by the call that just failed.
inline Result LastErrorResult() { return ResultFromErrno(errno); }

}  // namespace oru::platform::posix

#endif  // ORU_PLATFORM_POSIX_ERRNO_RESULT_H_
