// The world an end-to-end test runs a built program in: a temporary data folder holding the
// work folder, a runtime folder for locks and message sockets, a corpus folder, and no display.
#ifndef ORU_TESTS_SUPPORT_SANDBOX_H_
#define ORU_TESTS_SUPPORT_SANDBOX_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace oru::testing {

class SandboxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "run");
    std::filesystem::create_directories(corpus_);
  }

  // Writes an ORU.ini naming the built plug-ins: the folder walk for the storage type
  // "Folders", then the Word, MP3 and plain-text parsers.
  void WriteConfig() const {
    WriteFile(work_ + "ORU.ini", "[Files]\nText=" + bin_ + "TextParser.so\nWord=" + bin_ +
                                     "Dovrin.so\nMP3=" + bin_ + "Mellic.so\n[Storages]\nFolders=" +
                                     bin_ + "Ferrow.so\n[Folders]\n1=Word\n2=MP3\n3=Text\n");
  }

  const std::string bin_ = std::string(ORU_BIN_DIR) + "/";
  TempDir dir_;
  const std::string work_ = dir_ / "data/Pellimar/ORU/";
  const std::string corpus_ = dir_ / "corpus/";
  std::vector<std::string> env_ = {"XDG_DATA_HOME=" + (dir_ / "data"),
                                   "XDG_RUNTIME_DIR=" + (dir_ / "run"), "DISPLAY=",
                                   "WAYLAND_DISPLAY="};
};

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_SANDBOX_H_
