// For tests: an environment variable set (or, with nullptr, unset) for the life of a scope.
#ifndef ORU_PLATFORM_SCOPED_ENV_H_
#define ORU_PLATFORM_SCOPED_ENV_H_

#include <stdlib.h>

#include <optional>
#include <string>

namespace oru::platform {

// Sets (or, with nullptr, removes) a variable of this process's environment.
inline void SetEnv(const char* name, const char* value) {
#if defined(_WIN32)
  ::_putenv_s(name, value != nullptr ? value : "");  // "" removes the variable
#else
  value ? ::setenv(name, value, 1) : ::unsetenv(name);
#endif
}

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    SetEnv(name, value);
  }
  ~ScopedEnv() { SetEnv(name_.c_str(), old_ ? old_->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace oru::platform

#endif  // ORU_PLATFORM_SCOPED_ENV_H_
