// A fresh temporary folder for the platform and plug-in tests, removed with its contents at
// the end: the tests' TempDir, seen without the trailing separator.
#ifndef ORU_PLATFORM_TEST_FOLDER_H_
#define ORU_PLATFORM_TEST_FOLDER_H_

#include <fstream>
#include <string>

#include "tests/support/temp_dir.h"

namespace oru::platform {

class TestFolder {
 public:
  static constexpr char kSeparator = testing::kSep;

  TestFolder() : path_(dir_.path().empty() ? "" : dir_.path().substr(0, dir_.path().size() - 1)) {}
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
  testing::TempDir dir_;
  std::string path_;
};

}  // namespace oru::platform

#endif  // ORU_PLATFORM_TEST_FOLDER_H_
