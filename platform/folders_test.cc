#include "platform/folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/scoped_env.h"
#include "platform/test_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace oru::platform {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
TEST(AppDataFolderTest, WindowsNamesTheUsersRoamingAppDataFolder) {
  std::string folder;
  ASSERT_TRUE(GetAppDataFolder(&folder));
  EXPECT_TRUE(fs::is_directory(folder)) << folder;
  EXPECT_TRUE(fs::path(folder).is_absolute()) << folder;
  EXPECT_NE(folder.back(), '\\');
  // Windows gives every process the same folder as APPDATA.
  if (const char* appdata = std::getenv("APPDATA")) {
    EXPECT_EQ(folder, appdata);
  }
}

TEST(ProgramPathTest, NamesThisTestProgramAndItsFolder) {
  const std::string path = ProgramPath();
  EXPECT_TRUE(fs::is_regular_file(path)) << path;
  EXPECT_EQ(ProgramFolder() + "platform_test.exe", path);
  EXPECT_EQ(ProgramFolder().back(), '\\');
}

TEST(RuntimeFolderTest, WindowsTakesTheUsersTemporaryFolder) {
  TestFolder temp;
  std::string folder;
  {
    ScopedEnv tmp("TMP", temp.path().c_str());
    ASSERT_TRUE(GetRuntimeFolder(&folder));
    EXPECT_EQ(folder, temp.path() + "\\");
  }
  ScopedEnv tmp("TMP", temp.Path("missing").c_str());
  EXPECT_FALSE(GetRuntimeFolder(&folder));
}
#else

// Each row: XDG_DATA_HOME, HOME (nullptr: unset; "@" stands for a temporary folder), and the
// folder expected ("" for false).
TEST(AppDataFolderTest, PrefersAbsoluteXdgDataHomeThenHome) {
  TestFolder temp;
  const std::string t = temp.Path("");
  const std::string rows[][3] = {{"@/data//", "@/home", "@/data"},
                                 {"-", "@/home/", "@/home/.local/share"},
                                 {"", "@/home", "@/home/.local/share"},
                                 {"data", "@/home", "@/home/.local/share"},
                                 {"data", "-", ""},
                                 {"-", "", ""},
                                 {"-", "home/u", ""}};
  auto expand = [&](const std::string& s) {
    return s.empty() || s[0] != '@' ? s : t.substr(0, t.size() - 1) + s.substr(1);
  };
  for (const auto& row : rows) {
    const std::string data = expand(row[0]);
    const std::string home = expand(row[1]);
    ScopedEnv data_home("XDG_DATA_HOME", row[0] == "-" ? nullptr : data.c_str());
    ScopedEnv home_env("HOME", row[1] == "-" ? nullptr : home.c_str());
    std::string folder;
    EXPECT_EQ(GetAppDataFolder(&folder), !row[2].empty()) << row[2];
    EXPECT_EQ(folder, expand(row[2]));
    // A folder that did not exist yet is made, private to the user.
    struct stat info;
    if (!folder.empty()) {
      ASSERT_EQ(stat(folder.c_str(), &info), 0) << folder;
      EXPECT_TRUE(S_ISDIR(info.st_mode));
    }
  }
}

TEST(ProgramPathTest, NamesThisTestProgramAndItsFolder) {
  std::string path = ProgramPath();
  EXPECT_EQ(access(path.c_str(), X_OK), 0) << path;
  EXPECT_EQ(ProgramFolder() + "platform_test", path);
}

class RuntimeFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(mkdir(temp_.Path("run").c_str(), 0700), 0); }
  // The folder GetRuntimeFolderFrom picks, or "" when it fails.
  std::string Pick(const char* xdg, const std::string& run, const std::string& tmp) {
    std::string folder;
    return GetRuntimeFolderFrom(xdg, temp_.Path(run), temp_.Path(tmp), &folder) ? folder : "";
  }
  TestFolder temp_;
};

TEST_F(RuntimeFolderTest, TakesXdgRuntimeDirThenRunUserWhenTheyAreFolders) {
  temp_.Write("file", "x");
  EXPECT_EQ(Pick(temp_.path().c_str(), "run", "tmp"), temp_.path() + "/");
  for (std::string bad :
       {std::string(), std::string("run"), temp_.Path("no"), temp_.Path("file")}) {
    EXPECT_EQ(Pick(bad.c_str(), "run", "tmp"), temp_.Path("run/")) << bad;
  }
  EXPECT_EQ(Pick(nullptr, "run", "tmp"), temp_.Path("run/"));
  ScopedEnv runtime("XDG_RUNTIME_DIR", temp_.path().c_str());
  std::string folder;
  EXPECT_TRUE(GetRuntimeFolder(&folder));
  EXPECT_EQ(folder, temp_.path() + "/");
}

TEST_F(RuntimeFolderTest, CreatesThePrivateFolderWithMode0700) {
  EXPECT_EQ(Pick(nullptr, "none", "oru-1"), temp_.Path("oru-1/"));
  struct stat st;
  ASSERT_EQ(lstat(temp_.Path("oru-1").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(Pick(nullptr, "none", "oru-1"), temp_.Path("oru-1/"));  // the next run takes it again
}

TEST_F(RuntimeFolderTest, RefusesAPrivateFolderThatIsALinkAFileOrSomeoneElses) {
  ASSERT_EQ(symlink(temp_.Path("run").c_str(), temp_.Path("link").c_str()), 0);
  temp_.Write("file", "x");
  EXPECT_EQ(Pick(nullptr, "none", "link"), "");
  EXPECT_EQ(Pick(nullptr, "none", "file"), "");
  EXPECT_EQ(Pick(nullptr, "none", "no/parent"), "");
  // Open to others, they could plant the lock file first and block every run.
  ASSERT_EQ(mkdir(temp_.Path("open").c_str(), 0700), 0);
  ASSERT_EQ(chmod(temp_.Path("open").c_str(), 0755), 0);
  std::string folder;
  std::string problem;
  EXPECT_FALSE(GetRuntimeFolderFrom(nullptr, temp_.Path("none"), temp_.Path("open"), &folder,
                                    &problem));
  EXPECT_EQ(problem, "XDG_RUNTIME_DIR is not set and " + temp_.Path("open") +
                         " is open to other users (mode is not 0700)");
  if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
  ASSERT_EQ(chown(temp_.Path("run").c_str(), 65534, 65534), 0);
  EXPECT_EQ(Pick(nullptr, "none", "run"), "");
}

#endif  // _WIN32

}  // namespace
}  // namespace oru::platform
