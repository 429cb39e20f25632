// The few outcomes that every platform call reports, the same on every platform.
#ifndef ORU_PLATFORM_RESULT_H_
#define ORU_PLATFORM_RESULT_H_

namespace oru::platform {

enum class Result {
  kOk,
  kNotFound,  // the file, folder, library or export does not exist
  kExists,    // the thing to create is already there (or the mutex is held elsewhere)
  kDenied,    // the system refused access (permissions, read-only, lock)
  kFailed,    // any other failure
};

// A short English name of the result, for messages and test output.
const char* ResultName(Result result);

}  // namespace oru::platform

#endif  // ORU_PLATFORM_RESULT_H_
