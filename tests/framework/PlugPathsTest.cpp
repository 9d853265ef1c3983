#include "framework/PlugPaths.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/paths/Paths.h"

namespace fx {
namespace {

namespace fs = std::filesystem;

// Every folder variable points into a fresh temporary root; resources beside the test binary get names
// unique to this process and test.
class PlugPathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unique = std::to_string(getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    root = fs::temp_directory_path() / ("kd_plugpaths_" + unique);
    fs::create_directories(root / "home");
    setenv("HOME", (root / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    setenv("XDG_MUSIC_DIR", (root / "music").c_str(), 1);
    unsetenv("XDG_DESKTOP_DIR");
    setenv("XDG_DATA_DIRS", (root / "system").c_str(), 1);
  }
  void TearDown() override {
    fs::remove_all(root);
    for (const fs::path& file : createdBesideModule) fs::remove(file);
  }

  static void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
  }
  fs::path BesideModule(const std::string& name) {
    const fs::path file = fs::path(platform::paths::ModuleResourceFolder()) / name;
    Touch(file);
    createdBesideModule.push_back(file);
    return file;
  }

  std::string unique;
  fs::path root;
  std::vector<fs::path> createdBesideModule;
};

TEST_F(PlugPathsTest, StandardFolders) {
  FwString path;
  HomeFolder(path);
  EXPECT_EQ(fs::path(path.Get()), root / "home");
  DesktopFolder(path);
  EXPECT_EQ(fs::path(path.Get()), root / "home/Desktop");
  MusicFolder(path);
  EXPECT_EQ(fs::path(path.Get()), root / "music");
  AppSupportPath(path);
  EXPECT_EQ(fs::path(path.Get()), root / "data");
  AppSupportPath(path, true);
  EXPECT_EQ(fs::path(path.Get()), root / "system");
  UserAppSupportSubfolder(path, "Kelvadrune");
  EXPECT_EQ(fs::path(path.Get()), root / "data/Kelvadrune");
  LibraryPresetsFolder(path, "Maker", "Plug");
  EXPECT_EQ(std::string(path.Get()), (root / "data/Audio/Presets/Maker/Plug/").string());
  LibraryPresetsFolder(path, "Maker", "Plug", true);
  EXPECT_EQ(std::string(path.Get()), (root / "system/Audio/Presets/Maker/Plug/").string());
  AppGroupContainerFolder(path, "group.example");
  EXPECT_EQ(fs::path(path.Get()), root / "data/group.example");
}

TEST_F(PlugPathsTest, BundleFoldersAreTheModulesOrUnchanged) {
  const std::string module = platform::paths::ModulePath();
  FwString path("unchanged");
  BundleExecutableOf(path, "");
  BundleFolderOf(path, nullptr);
  EXPECT_STREQ(path.Get(), "unchanged");
  BundleExecutableOf(path, "com.example.plug");
  EXPECT_EQ(std::string(path.Get()), module);
  BundleFolderOf(path, "com.example.plug");
  EXPECT_EQ(std::string(path.Get()), platform::paths::ModuleFolder() + "/");
  BundleResourceFolderOf(path, "com.example.plug");
  EXPECT_EQ(std::string(path.Get()), platform::paths::ModuleFolder() + "/resources");
}

TEST_F(PlugPathsTest, ProcessQueries) {
  EXPECT_FALSE(RunsAsAppExtension());
  EXPECT_FALSE(RunsInXPCProcess());
  EXPECT_FALSE(RunsSandboxed());
  setenv("HOME", "/Users/x/Library/Containers/app/Data", 1);
  EXPECT_TRUE(RunsSandboxed());
}

struct ExtensionRow {
  const char* fileName;
  const char* type;
  bool passes;
};

TEST_F(PlugPathsTest, ExtensionTestIgnoresCaseAndTakesWholeNamesWithoutADot) {
  const ExtensionRow rows[] = {{"Knob.SVG", "svg", true}, {"svg", "svg", true},        {"knob.png", "svg", false},
                               {"a.b.svg", "svg", true},  {"knob.svgz", "svg", false}, {"knob", "svg", false}};
  for (const ExtensionRow& row : rows) {
    FwString result("before");
    const bool found = FindResourceInSharedFolder(row.fileName, row.type, result, "Shared");
    EXPECT_FALSE(found);
    EXPECT_STREQ(result.Get(), row.passes ? "" : "before") << row.fileName << " is tested further only when it passes";
  }
}

TEST_F(PlugPathsTest, ResourceBesideTheModuleIsFoundFirst) {
  const fs::path file = BesideModule("Knob_" + unique + ".svg");
  Touch(root / "music/Shared/Resources" / ("Knob_" + unique + ".svg"));
  FwString result;
  const std::string name = "Knob_" + unique + ".SVG";
  EXPECT_TRUE(LocateResource(name.c_str(), "svg", result, "com.example.plug", nullptr, "Shared"));
  EXPECT_EQ(fs::path(result.Get()), file);
}

TEST_F(PlugPathsTest, NameWithoutDotLooksForNameDotType) {
  const fs::path expected = BesideModule("svg.svg");
  FwString result;
  EXPECT_TRUE(FindResourceInBundle("svg", "svg", result, "id"));
  EXPECT_EQ(fs::path(result.Get()), expected);
  EXPECT_FALSE(FindResourceInBundle("svg", "svg", result, nullptr)) << "no bundle identifier, no bundle";
  EXPECT_STREQ(result.Get(), "");
}

// The process's name stands in for the host's bundle identifier; the test renames its main thread, which
// names the process, and gives the old name back.
class ProcessNamed {
 public:
  explicit ProcessNamed(const char* name) {
    prctl(PR_GET_NAME, mOld);
    prctl(PR_SET_NAME, name);
  }
  ~ProcessNamed() { prctl(PR_SET_NAME, mOld); }

 private:
  char mOld[16] = {};
};

TEST_F(PlugPathsTest, AnAppExtensionFindsResourcesInResourcesTwoComponentsAboveTheModule) {
  const std::string name = "Knob_" + unique + ".svg";
  const fs::path resources = fs::path(platform::paths::ModulePath()).parent_path().parent_path() / "Resources";
  const bool hadResources = fs::exists(resources);
  const fs::path file = resources / name;
  Touch(file);
  BesideModule("Beside_" + unique + ".svg");
  FwString result;
  {
    ProcessNamed named("kd_AUv3_test");
    ASSERT_TRUE(RunsAsAppExtension());
    EXPECT_TRUE(FindResourceInBundle(name.c_str(), "svg", result, "id"));
    EXPECT_EQ(fs::path(result.Get()), file);
    EXPECT_FALSE(FindResourceInBundle(("Beside_" + unique + ".svg").c_str(), "svg", result, "id"))
        << "the module's own resource folder is not searched";
  }
  EXPECT_FALSE(RunsAsAppExtension());
  fs::remove(file);
  if (!hadResources) fs::remove(resources);
}

TEST_F(PlugPathsTest, SharedFolderUsesTheLastPathComponent) {
  Touch(root / "music/Maker/Shared/Resources/Font.ttf");
  FwString result;
  EXPECT_TRUE(LocateResource("fonts/Font.ttf", "ttf", result, "id", nullptr, "Maker/Shared"));
  EXPECT_EQ(fs::path(result.Get()), root / "music/Maker/Shared/Resources/Font.ttf");
  EXPECT_FALSE(FindResourceInSharedFolder("Font.ttf", "ttf", result, nullptr));
}

TEST_F(PlugPathsTest, PlainPathIsTheLastResort) {
  const fs::path file = root / "elsewhere/Picture.png";
  Touch(file);
  FwString result;
  EXPECT_TRUE(LocateResource(file.c_str(), "png", result, "id", nullptr, "Shared"));
  EXPECT_EQ(fs::path(result.Get()), file);
  EXPECT_FALSE(LocateResource((root / "missing.png").c_str(), "png", result, "id", nullptr, "Shared"));
}

TEST_F(PlugPathsTest, EmptyNameLeavesTheResultAlone) {
  FwString result("kept");
  EXPECT_FALSE(LocateResource("", "png", result, "id", nullptr, "Shared"));
  EXPECT_FALSE(LocateResource(nullptr, "png", result, "id", nullptr, "Shared"));
  EXPECT_STREQ(result.Get(), "kept");
}

}  // namespace
}  // namespace fx
