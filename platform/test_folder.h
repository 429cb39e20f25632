// A fresh temporary folder for the platform tests, removed with its contents at the end.
#ifndef ORU_PLATFORM_TEST_FOLDER_H_
#define ORU_PLATFORM_TEST_FOLDER_H_

#if defined(_WIN32)
#include <direct.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace oru::platform {

class TestFolder {
 public:
#if defined(_WIN32)
  // Windows: "oru<process>-<n>" in the folder GetTempPath names (TMP, TEMP or the profile's).
  static constexpr char kSeparator = '\\';
  TestFolder() {
    std::error_code error;
    std::string base = std::filesystem::temp_directory_path(error).string();
    if (error) return;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    static int counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
      std::string candidate =
          base + "oru" + std::to_string(::_getpid()) + "-" + std::to_string(++counter);
      if (::_mkdir(candidate.c_str()) == 0) {
        path_ = candidate;
        return;
      }
    }
  }
#else
  static constexpr char kSeparator = '/';
  TestFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/oruXXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
#endif
  ~TestFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // The folder, without a trailing separator; empty when it could not be made.
  const std::string& path() const { return path_; }
  // `name` in the folder, joined with the platform's separator ('/' inside `name` stays).
  std::string Path(const std::string& name) const { return path_ + kSeparator + name; }
  // Writes `contents` to the file `name` in the folder and returns its path.
  std::string Write(const std::string& name, const std::string& contents) const {
    std::ofstream(Path(name), std::ios::binary) << contents;
    return Path(name);
  }

 private:
  std::string path_;
};

}  // namespace oru::platform

#endif  // ORU_PLATFORM_TEST_FOLDER_H_
