// A result with its story: what was being done, on which path, and the system's reason. The
// platform's file calls return one, and the engine carries the first failure of a run up to
// the program, which prints it as one line ("cannot write /x/7.fnx: No space left on device").
#ifndef ORU_PLATFORM_STATUS_H_
#define ORU_PLATFORM_STATUS_H_

#include <iosfwd>
#include <string>

#include "platform/result.h"

namespace oru::platform {

class Status {
 public:
  // Success.
  Status() = default;
  // A bare result without details (its message names only the result).
  Status(Result result) : result_(result) {}  // NOLINT: a Result reads as a Status
  // `operation` is a verb phrase ("write", "rename", "load plug-in"), `path` what it was done
  // to, `reason` the system's text for the failure.
  Status(Result result, std::string operation, std::string path, std::string reason)
      : result_(result),
        operation_(std::move(operation)),
        path_(std::move(path)),
        reason_(std::move(reason)) {}

  bool ok() const { return result_ == Result::kOk; }
  Result result() const { return result_; }
  // Callers that only look at the result compare a Status as they compare a Result.
  operator Result() const { return result_; }  // NOLINT

  const std::string& operation() const { return operation_; }
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

  // "cannot <operation> <path>: <reason>"; parts that are empty are left out. "ok" for success.
  std::string Message() const;

 private:
  Result result_ = Result::kOk;
  std::string operation_;
  std::string path_;
  std::string reason_;
};

// A failure of `operation` on `path` with the reason of the system's last error (errno or
// GetLastError, read at once: call it right after the failing call).
Status LastErrorStatus(const std::string& operation, const std::string& path);

// For test output.
void PrintTo(const Status& status, std::ostream* out);

}  // namespace oru::platform

#endif  // ORU_PLATFORM_STATUS_H_
