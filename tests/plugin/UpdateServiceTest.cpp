// The update check as the module a user installs compiles it: it asks the maker's service whatever the
// environment names, a loopback test server included (only a build with the project's tests takes one).
#include <gtest/gtest.h>

#include <cstdlib>

#include "plugin/UpdateCheck.h"

namespace {

TEST(UpdateServiceTest, TheInstalledCheckAsksTheMakersServiceWhateverTheEnvironmentNames) {
  for (const char* service : {"http://127.0.0.1:8080", "http://127.0.0.1:1", "http://example.org:8080", ""}) {
    setenv(kd::kUpdateServiceVariable, service, 1);
    EXPECT_EQ(kd::UpdateCheckURL("Kelvadrune"), "https://update.lunderwick.com/versioncheck?productname=Kelvadrune")
        << service;
  }
  unsetenv(kd::kUpdateServiceVariable);
}

}  // namespace
