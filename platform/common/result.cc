#include "platform/result.h"

namespace oru::platform {

const char* ResultName(Result result) {
  switch (result) {
    case Result::kOk:
      return "ok";
    case Result::kNotFound:
      return "not found";
    case Result::kExists:
      return "already exists";
    case Result::kDenied:
      return "access denied";
    case Result::kFailed:
      return "failed";
  }
  return "unknown";
}

}  // namespace oru::platform
