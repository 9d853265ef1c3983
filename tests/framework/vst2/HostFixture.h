// Loads the test plug-in module into the test host for each test; the configuration is the plug-in's
// KD_TEST_PLUGIN text.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/framework/vst2/TestPlugin.h"
#include "tools/vst2host/TestHost.h"

namespace testplugin {

inline bool StartPlugin(vsthost::TestHost& host, const char* config, bool legacyMain = false) {
  if (config)
    setenv("KD_TEST_PLUGIN", config, 1);
  else
    unsetenv("KD_TEST_PLUGIN");
  std::string error;
  const bool ok = host.Load(KD_TEST_PLUGIN_PATH, error) && host.Instantiate(error, legacyMain);
  EXPECT_TRUE(ok) << error;
  return ok;
}

inline intptr_t TestRequest(vsthost::TestHost& host, ETestRequest request, intptr_t value = 0, void* ptr = nullptr,
                            float opt = 0.0f) {
  return host.Dispatch(vst2::kEffVendorSpecific, request, value, ptr, opt);
}

// Loaded, opened, 44.1 kHz, 64-sample blocks, resumed.
class PluginTest : public testing::Test {
 protected:
  void Start(const char* config = nullptr) {
    ASSERT_TRUE(StartPlugin(mHost, config));
    mHost.Open();
    mHost.SetSampleRate(44100.0f);
    mHost.SetBlockSize(64);
    mHost.Resume();
  }

  vst2::EffectRecord& Effect() { return *mHost.Effect(); }

  vsthost::TestHost mHost;
};

}  // namespace testplugin
