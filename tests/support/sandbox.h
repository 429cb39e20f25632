// The world an end-to-end test runs a built program in: a temporary data folder holding the
// work folder, a runtime folder for locks and message sockets, a corpus folder, and no display.
//
// Windows: the program takes its work folder from the per-user application-data folder
// (SHGetSpecialFolderPathA, CSIDL_APPDATA), which no environment variable moves: Wine reads it
// from the registry of the prefix. The tests use that folder itself, "<AppData>\Pellimar\ORU\",
// and remove "<AppData>\Pellimar" before and after each case. So that no real work folder is
// ever touched, they run only when ORU_TEST_SCRATCH_APPDATA=1 says the profile is a throwaway
// one (scripts/test-windows.sh makes a fresh Wine prefix per run); CTest runs them one at a
// time (the resource lock "session").
#ifndef ORU_TESTS_SUPPORT_SANDBOX_H_
#define ORU_TESTS_SUPPORT_SANDBOX_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "platform/folders.h"
#include "tests/support/temp_dir.h"

namespace oru::testing {

class SandboxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "run");
    std::filesystem::create_directories(corpus_);
#if defined(_WIN32)
    const char* scratch = std::getenv("ORU_TEST_SCRATCH_APPDATA");
    if (scratch == nullptr || std::string(scratch) != "1") {
      GTEST_SKIP() << "uses the per-user application-data folder: set ORU_TEST_SCRATCH_APPDATA=1 "
                      "in a throwaway profile (scripts/test-windows.sh does)";
    }
    std::string app_data;
    ASSERT_TRUE(platform::GetAppDataFolder(&app_data));
    data_ = app_data + kSep;
    work_ = data_ + "Pellimar" + kSep + "ORU" + kSep;
    RemoveWorkFolders();
#endif
  }
  void TearDown() override {
#if defined(_WIN32)
    if (!data_.empty()) RemoveWorkFolders();
#endif
  }

  // Writes an ORU.ini naming the built plug-ins: the folder walk for the storage type
  // "Folders", then the Word, MP3 and plain-text parsers.
  void WriteConfig() const {
    const std::string suffix = platform::kLibrarySuffix;
    WriteFile(work_ + "ORU.ini", "[Files]\nText=" + bin_ + "TextParser" + suffix + "\nWord=" +
                                     bin_ + "Dovrin" + suffix + "\nMP3=" + bin_ + "Mellic" +
                                     suffix + "\n[Storages]\nFolders=" + bin_ + "Ferrow" +
                                     suffix + "\n[Folders]\n1=Word\n2=MP3\n3=Text\n");
  }

  const std::string bin_ = std::string(ORU_BIN_DIR) + "/";
  TempDir dir_;
  // The folder that holds "Pellimar/ORU/", ending in the separator.
  std::string data_ = dir_ / "data" + kSep;
  std::string work_ = data_ + "Pellimar" + kSep + "ORU" + kSep;
  const std::string corpus_ = dir_ / "corpus" + kSep;
#if defined(_WIN32)
  // The display stays: under Wine it is the X server the program's windows go to.
  std::vector<std::string> env_;
#else
  std::vector<std::string> env_ = {"XDG_DATA_HOME=" + (dir_ / "data"),
                                   "XDG_RUNTIME_DIR=" + (dir_ / "run"), "DISPLAY=",
                                   "WAYLAND_DISPLAY="};
#endif

 private:
#if defined(_WIN32)
  void RemoveWorkFolders() const {
    std::error_code ignored;
    std::filesystem::remove_all(data_ + "Pellimar", ignored);
  }
#endif
};

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_SANDBOX_H_
