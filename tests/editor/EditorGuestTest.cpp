// The built module in a host's process without a display, as a host loads it: the editor's open request
// answers 0, one line says why, and the plug-in goes on processing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/vst2/VST2Interface.h"
#include "tests/platform/gpu/GpuTestEnvironment.h"
#include "tools/vst2host/TestHost.h"

namespace {

TEST(EditorGuest, WithoutADisplayTheEditorDoesNotOpenAndSaysWhy) {
  platform::gpu::test::PrepareCpuDeviceEnvironment();
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  ::unsetenv("DISPLAY");
  ::unsetenv("KD_WINDOW_BACKEND");  // a host sets nothing of ours
  {
    vsthost::TestHost host;
    std::string error;
    ASSERT_TRUE(host.Load(KD_KELVADRUNE_PATH, error)) << error;
    ASSERT_TRUE(host.Instantiate(error)) << error;
    host.Open();
    host.SetSampleRate(48000.f);
    host.SetBlockSize(64);
    host.Resume();
    testing::internal::CaptureStderr();
    // The id of a host's window, as a host hands it over; with no display there is nothing it could name.
    EXPECT_EQ(host.Dispatch(vst2::kEffEditOpen, 0, 0, reinterpret_cast<void*>(0x2a00003)), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Kelvadrune: cannot open the editor: no X display (DISPLAY is not set)\n");
    std::vector<float> left(64, 0.5f), right(64, 0.5f), outLeft(64), outRight(64);
    float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    host.ProcessReplacing(inputs, outputs, 64);
    host.PumpRunLoop();
    host.Dispatch(vst2::kEffEditClose);
    host.Suspend();
    host.Close();
  }
  if (display) ::setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
