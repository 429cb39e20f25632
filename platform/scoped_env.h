// For tests: an environment variable set (or, with nullptr, unset) for the life of a scope.
#ifndef ORU_PLATFORM_SCOPED_ENV_H_
#define ORU_PLATFORM_SCOPED_ENV_H_

#include <stdlib.h>

#include <optional>
#include <string>

namespace oru::platform {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str()); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace oru::platform

#endif  // ORU_PLATFORM_SCOPED_ENV_H_
