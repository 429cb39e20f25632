// Whole passes held in memory, for the engine's tests: the work folder, the job file and the
// indexes on a MemoryFileSystem, the corpus and the plug-ins in FakePlugins. No folder on disk
// and no built plug-in is needed. Paths are spelled with the platform's separator, as the
// engine spells them (in memory two spellings are two paths).
#ifndef ORU_TESTS_SUPPORT_MEMORY_PASS_H_
#define ORU_TESTS_SUPPORT_MEMORY_PASS_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "indexer/engine/indexer.h"
#include "indexer/engine/work_folders.h"
#include "tests/support/fake_plugins.h"
#include "tests/support/index_reader.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/temp_dir.h"

namespace oru::testing {

// The absolute path `path` ("/" between its parts) below the platform's root: "/path" on
// POSIX, "C:\path" on Windows.
inline std::string InMemory(const std::string& path) {
#if defined(_WIN32)
  return "C:\\" + Native(path);
#else
  return "/" + path;
#endif
}

// A packed time in January 2020, `step` two-second steps on: long before any run, so that an
// update trusts a file whose size and time have not changed.
inline uint32_t OldTime(uint32_t step = 0) {
  return ((40u << 25) | (1u << 21) | (1u << 16)) + step;
}

// Decodes the index in the folder `folder` of `disk` (see DecodeIndex).
inline std::string DecodeIndex(const MemoryFileSystem& disk, const std::string& folder,
                               DecodedIndex* index) {
  const std::map<std::string, std::string> files = disk.FilesIn(folder);
  return DecodeIndex(
      [&files](const std::string& file, std::string* out) {
        const auto found = files.find(file);
        if (found == files.end()) return false;
        *out = found->second;
        return true;
      },
      index);
}

class MemoryPassTest : public ::testing::Test {
 protected:
  using Folder = std::map<std::string, std::string>;

  // Puts the corpus file `name` ("/" between its parts) with `text`.
  void Write(const std::string& name, std::string text, uint32_t time = OldTime()) {
    plugins_.files[corpus_ + Native(name)] = {std::move(text), time};
  }
  // Writes the job file of the index `name` over the folder `folder` (the corpus by default).
  void WriteJob(bool updating, const std::string& name = "test", std::string folder = "") {
    if (folder.empty()) folder = corpus_;
    disk_.Put(job_, "[Header]\nName=" + name + "\nUpdating=" + (updating ? "1" : "0") +
                        "\n[Folders]\nDir0=" + folder + "\n");
  }
  // The settings of one pass of the job file on disk_ and plugins_, without stop words and
  // without a search window to tell.
  PassSettings Settings() {
    PassSettings settings;
    settings.work_dir = work_;
    settings.storages_dir = storages_;
    settings.job_file = job_;
    settings.stop_words = StopList();
    settings.disk = &disk_;
    settings.plugins = &plugins_;
    settings.find_search_window = [] { return platform::WindowRef(); };  // none, in memory
    return settings;
  }
  // One pass of the job file as it is, through `disk` (disk_ by default); `*why` receives the
  // failure's message.
  int Run(platform::FileSystem* disk = nullptr, std::string* why = nullptr) {
    PassSettings settings = Settings();
    if (disk != nullptr) settings.disk = disk;
    TIndexer indexer(settings);
    const int result = indexer.Run();
    if (why != nullptr) *why = indexer.Failure().Message();
    return result;
  }
  // One pass over the corpus, a fresh one or an update.
  int Pass(bool updating, const std::string& name = "test") {
    WriteJob(updating, name);
    return Run();
  }

  // The record of the index `name` in "storages.ini" ("-" for none).
  std::string Indexed(const std::string& name = "test") {
    return disk_.ReadProfileString(work_ + kStatusFileName, "Indexed", name, "-");
  }
  std::string IndexFolder(const std::string& name = "test") const {
    return storages_ + name + kSep;
  }
  // The files of the index `name`, by name.
  Folder IndexFiles(const std::string& name = "test") const {
    return disk_.FilesIn(IndexFolder(name));
  }
  // The index `name`, decoded by the test's own reader.
  DecodedIndex Decode(const std::string& name = "test") const {
    DecodedIndex index;
    EXPECT_EQ(DecodeIndex(disk_, IndexFolder(name), &index), "");
    return index;
  }

  MemoryFileSystem disk_;
  FakePlugins plugins_;
  const std::string work_ = InMemory("work/");
  const std::string storages_ = work_ + "Storages" + kSep;
  const std::string corpus_ = InMemory("corpus/");
  const std::string job_ = InMemory("job.ini");
};

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_MEMORY_PASS_H_
