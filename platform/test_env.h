// Test helpers for the POSIX platform layer: a temporary folder removed afterwards, and an
// environment variable set (or, with nullptr, unset) for the life of a scope.
#ifndef ORU_PLATFORM_TEST_ENV_H_
#define ORU_PLATFORM_TEST_ENV_H_

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

namespace oru::platform {

// A fresh folder under /tmp (short, so socket paths in it fit); path() is empty on failure.
class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/oru-test-XXXXXX";
    if (mkdtemp(name) != nullptr) path_ = name;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

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

#endif  // ORU_PLATFORM_TEST_ENV_H_
