#include "platform/folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/scoped_env.h"
#include "platform/test_folder.h"

namespace oru::platform {
namespace {

// Each row: XDG_DATA_HOME, HOME (nullptr: unset), and the folder expected ("" for false).
TEST(AppDataFolderTest, P5PrefersAbsoluteXdgDataHomeThenHome) {
  const char* rows[][3] = {{"/srv/data//", "/home/u", "/srv/data"},
                           {nullptr, "/home/u/", "/home/u/.local/share"},
                           {"", "/home/u", "/home/u/.local/share"},
                           {"data", "/home/u", "/home/u/.local/share"},
                           {"data", nullptr, ""},
                           {nullptr, "", ""},
                           {nullptr, "home/u", ""}};
  for (const auto& row : rows) {
    ScopedEnv data_home("XDG_DATA_HOME", row[0]);
    ScopedEnv home("HOME", row[1]);
    std::string folder;
    EXPECT_EQ(GetAppDataFolder(&folder), row[2][0] != '\0') << row[2];
    EXPECT_EQ(folder, row[2]);
  }
}

TEST(ProgramPathTest, P10NamesThisTestProgramAndItsFolder) {
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

TEST_F(RuntimeFolderTest, P6TakesXdgRuntimeDirThenRunUserWhenTheyAreFolders) {
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

TEST_F(RuntimeFolderTest, P6CreatesThePrivateFolderWithMode0700) {
  EXPECT_EQ(Pick(nullptr, "none", "oru-1"), temp_.Path("oru-1/"));
  struct stat st;
  ASSERT_EQ(lstat(temp_.Path("oru-1").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(Pick(nullptr, "none", "oru-1"), temp_.Path("oru-1/"));  // the next run takes it again
}

TEST_F(RuntimeFolderTest, P6RefusesAPrivateFolderThatIsALinkAFileOrSomeoneElses) {
  ASSERT_EQ(symlink(temp_.Path("run").c_str(), temp_.Path("link").c_str()), 0);
  temp_.Write("file", "x");
  EXPECT_EQ(Pick(nullptr, "none", "link"), "");
  EXPECT_EQ(Pick(nullptr, "none", "file"), "");
  EXPECT_EQ(Pick(nullptr, "none", "no/parent"), "");
  if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
  ASSERT_EQ(chown(temp_.Path("run").c_str(), 65534, 65534), 0);
  EXPECT_EQ(Pick(nullptr, "none", "run"), "");
}

}  // namespace
}  // namespace oru::platform
