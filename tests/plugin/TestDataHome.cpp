// Every test of the plug-in tests runs with HOME and XDG_DATA_HOME in a temporary folder, so that no
// plug-in instance reads or writes the user's real data folder, and with the update service on a loopback
// port nothing listens on, so that no editor's automatic check leaves the machine.
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
    setenv("KD_UPDATE_SERVICE", "http://127.0.0.1:1", 1);
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
