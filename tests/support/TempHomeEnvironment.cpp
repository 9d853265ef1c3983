// Linked into a test program, runs every one of its tests with HOME and XDG_DATA_HOME in a fresh
// temporary folder, so that nothing reads or writes the user's real data folder, and with the update service
// on a loopback port nothing listens on, so that no editor's automatic check leaves the machine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tests/support/TempDataHome.h"

namespace {

class TempHomeEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    mHome = std::make_unique<presets_test::TempDataHome>();
    setenv("KD_UPDATE_SERVICE", "http://127.0.0.1:1", 1);
  }
  void TearDown() override { mHome.reset(); }

 private:
  std::unique_ptr<presets_test::TempDataHome> mHome;
};

const testing::Environment* const kTempHome = testing::AddGlobalTestEnvironment(new TempHomeEnvironment);

}  // namespace
