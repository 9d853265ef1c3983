// Every test of the plug-in tests runs with HOME and XDG_DATA_HOME in a temporary folder, so that no
// plug-in instance reads or writes the user's real data folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class TestDataHome : public testing::Environment {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/kd_plugin_tests_XXXXXX";
    const char* root = mkdtemp(pattern);
    ASSERT_NE(root, nullptr);
    mRoot = root;
    setenv("HOME", mRoot.c_str(), 1);
    setenv("XDG_DATA_HOME", (mRoot + "/share").c_str(), 1);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(mRoot, ignored);
  }

 private:
  std::string mRoot;
};

const testing::Environment* const kDataHome = testing::AddGlobalTestEnvironment(new TestDataHome);

}  // namespace
