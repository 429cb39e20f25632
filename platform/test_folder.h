// A fresh temporary folder for the platform tests, removed with its contents at the end.
#ifndef ORU_PLATFORM_TEST_FOLDER_H_
#define ORU_PLATFORM_TEST_FOLDER_H_

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace oru::platform {

class TestFolder {
 public:
  TestFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/oruXXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TestFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // The folder, without a trailing separator; empty when it could not be made.
  const std::string& path() const { return path_; }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }
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
