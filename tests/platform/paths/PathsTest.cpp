#include "platform/paths/Paths.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace platform::paths {
namespace {

// Points every folder variable at a fresh temporary root; the real home folder is never read. HOME is put back
// as it was.
class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* home = std::getenv("HOME")) savedHome = home;
    root = std::filesystem::temp_directory_path() / ("kd_paths_" + std::to_string(getpid()) + "_" +
                                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(root);
    setenv("HOME", (root / "home").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_DIRS");
    unsetenv("XDG_DESKTOP_DIR");
    unsetenv("XDG_MUSIC_DIR");
    unsetenv("XDG_DOCUMENTS_DIR");
    unsetenv("XDG_CONFIG_HOME");
  }
  void TearDown() override {
    std::filesystem::remove_all(root);
    if (savedHome)
      setenv("HOME", savedHome->c_str(), 1);
    else
      unsetenv("HOME");
  }

  std::string Under(const char* relative) const { return (root / relative).string(); }

  std::filesystem::path root;
  std::optional<std::string> savedHome;
};

TEST_F(PathsTest, FoldersFollowTheEnvironmentAtEachCall) {
  EXPECT_EQ(HomeFolder(), Under("home"));
  EXPECT_EQ(UserDataFolder(), Under("home/.local/share"));
  EXPECT_EQ(SharedDocumentsFolder(), Under("home/.local/share/Shared/Documents"));
  EXPECT_EQ(DesktopFolder(), Under("home/Desktop"));
  EXPECT_EQ(MusicFolder(), Under("home/Music"));
  EXPECT_EQ(DocumentsFolder(), Under("home"));
  EXPECT_EQ(SystemDataFolder(), "/usr/local/share");

  setenv("XDG_DATA_HOME", Under("data").c_str(), 1);
  setenv("XDG_MUSIC_DIR", Under("tunes").c_str(), 1);
  setenv("XDG_DATA_DIRS", "relative/ignored::/opt/share:/usr/share", 1);
  EXPECT_EQ(UserDataFolder(), Under("data"));
  EXPECT_EQ(SharedDocumentsFolder(), Under("data/Shared/Documents"));
  EXPECT_EQ(MusicFolder(), Under("tunes"));
  EXPECT_EQ(SystemDataFolder(), "/opt/share");
}

// Without a usable $HOME (unset, or set to nothing) the home is the one the password database gives this user, and
// the folders under it follow. No file is read under it.
TEST_F(PathsTest, AnUnsetOrEmptyHomeIsThePasswordDatabasesHome) {
  const passwd* user = getpwuid(getuid());
  ASSERT_TRUE(user && user->pw_dir) << "this user has no entry in the password database";
  const std::string home = user->pw_dir;
  const struct {
    const char* name;
    const char* value;  // null: unset
  } rows[] = {{"unset", nullptr}, {"empty", ""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.value)
      setenv("HOME", row.value, 1);
    else
      unsetenv("HOME");
    EXPECT_EQ(HomeFolder(), home);
    EXPECT_EQ(UserDataFolder(), home + "/.local/share");
    EXPECT_EQ(SharedDocumentsFolder(), home + "/.local/share/Shared/Documents");
  }
}

TEST_F(PathsTest, RelativeXdgValuesAreIgnored) {
  setenv("XDG_DATA_HOME", "not/absolute", 1);
  setenv("XDG_DESKTOP_DIR", "", 1);
  EXPECT_EQ(UserDataFolder(), Under("home/.local/share"));
  EXPECT_EQ(DesktopFolder(), Under("home/Desktop"));
}

// user-dirs.dirs as xdg-user-dirs writes it (a localised desktop among them); the environment comes first.
TEST_F(PathsTest, UserFoldersComeFromUserDirsDirs) {
  std::filesystem::create_directories(Under("home/.config"));
  std::ofstream(Under("home/.config/user-dirs.dirs")) << "# written by xdg-user-dirs-update\n"
                                                         "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                                         "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n"
                                                         "XDG_MUSIC_DIR=\"Music\"\n";
  struct Row {
    std::string (*folder)();
    std::string expected;
  } rows[] = {
      {DesktopFolder, Under("home/Schreibtisch")},
      {DocumentsFolder, "/srv/docs"},
      {MusicFolder, Under("home/Music")},  // neither "$HOME/..." nor absolute: ignored
  };
  for (const Row& row : rows) EXPECT_EQ(row.folder(), row.expected) << row.expected;

  setenv("XDG_DOCUMENTS_DIR", Under("env docs").c_str(), 1);
  EXPECT_EQ(DocumentsFolder(), Under("env docs"));
  // The file is looked for in $XDG_CONFIG_HOME when that is set.
  setenv("XDG_CONFIG_HOME", Under("elsewhere").c_str(), 1);
  EXPECT_EQ(DesktopFolder(), Under("home/Desktop"));
}

TEST_F(PathsTest, FileExistsForFilesAndFoldersOnly) {
  const std::string file = Under("present.txt");
  std::ofstream(file) << "x";
  EXPECT_TRUE(FileExists(file.c_str()));
  EXPECT_TRUE(FileExists(root.c_str()));
  EXPECT_FALSE(FileExists(Under("absent.txt").c_str()));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(nullptr));
}

TEST(ModulePathTest, IsTheLoadedBinaryWithResourcesBesideIt) {
  char exe[PATH_MAX];
  ASSERT_NE(realpath("/proc/self/exe", exe), nullptr);
  const std::string expected(exe);
  EXPECT_EQ(ModulePath(), expected);
  const std::string folder = expected.substr(0, expected.rfind('/'));
  EXPECT_EQ(ModuleFolder(), folder);
  EXPECT_EQ(ModuleResourceFolder(), folder + "/resources");
}

TEST(ProcessNameTest, NamesThisProcess) {
  EXPECT_EQ(ProcessName(), std::string(program_invocation_short_name).substr(0, 15));
}

}  // namespace
}  // namespace platform::paths
