#include "platform/status.h"

#include <cerrno>
#include <system_error>

#include "platform/posix/errno_result.h"

namespace oru::platform {

Status LastErrorStatus(const std::string& operation, const std::string& path) {
  const int error = errno;
  return Status(posix::ResultFromErrno(error), operation, path,
                std::generic_category().message(error));
}

}  // namespace oru::platform
