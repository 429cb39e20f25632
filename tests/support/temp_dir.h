// A temporary folder for a test, removed with everything in it when the object goes.
#ifndef ORU_TESTS_SUPPORT_TEMP_DIR_H_
#define ORU_TESTS_SUPPORT_TEMP_DIR_H_

#if defined(_WIN32)
#include <direct.h>
#include <process.h>
#endif

#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace oru::testing {

// The separator that paths built by tests use, as the programs under test build theirs.
#if defined(_WIN32)
inline constexpr char kSep = '\\';
#else
inline constexpr char kSep = '/';
#endif

// `path` with each '/' turned into the platform's separator (unchanged on POSIX).
inline std::string Native(std::string path) {
  for (char& c : path) {
    if (c == '/') c = kSep;
  }
  return path;
}

class TempDir {
 public:
  TempDir() {
#if defined(_WIN32)
    const std::string base = std::filesystem::temp_directory_path().string();
    static int counter = 0;
    for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
      std::string candidate = base + (base.back() == kSep ? "" : std::string(1, kSep)) +
                              "oru-test-" + std::to_string(::_getpid()) + "-" +
                              std::to_string(++counter);
      if (::_mkdir(candidate.c_str()) == 0) path_ = candidate + kSep;
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "oru-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern + "/" : "";
#endif
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, ending in the separator.
  const std::string& path() const { return path_; }
  // `name` (with '/' between its parts) inside the folder, with the platform's separators.
  std::string operator/(const std::string& name) const { return path_ + Native(name); }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& data) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << data;
}

// Writes a file whose modification time lies an hour back: a file written long before a run
// reads it, whose unchanged size and time an update can trust (a time within 2 seconds of a
// run's start is looked at again).
inline void WriteOldFile(const std::string& path, const std::string& data) {
  WriteFile(path, data);
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of the file at `path` (each ended by '\n'), waiting up to 10 s for `count` of them:
// what a program under test writes as it goes.
inline std::vector<std::string> WaitForLines(const std::string& path, size_t count) {
  std::vector<std::string> lines;
  for (int i = 0; i < 100; ++i) {
    lines.clear();
    const std::string text = ReadFile(path);
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
      lines.push_back(text.substr(at, end - at));
    }
    if (lines.size() >= count) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return lines;
}

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_TEMP_DIR_H_
