// The built module Kelvadrune.so in the model host, as a Linux host runs it: what every scenario needs to load it,
// see its editor in the host's window (colours read back from the X server at a few points) and drag its master
// fader through XTest. Each test runs in a temporary home, so that no user's data is read or written.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "plugin/KelvadruneIds.h"
#include "tests/support/TempDataHome.h"
#include "tools/modelhost/ModelHost.h"

namespace modelhost_test {

using modelhost::EditCall;
using modelhost::HostWindow;
using modelhost::ModelHost;
using std::chrono::milliseconds;

// An editor makes its window within the open request or a few idle calls after; its first frame includes the CPU
// device's shader compiles, slow under the sanitizers.
constexpr milliseconds kWindowTimeout{5000};
constexpr milliseconds kFirstFrameTimeout{60000};

// Colours of the editor at 100 %, as the in-process editor tests probe its presented frame.
struct Probe {
  int x, y;
  uint32_t rgb;
  const char* what;
};
constexpr Probe kProbes[] = {
    {430, 4, 0x282A2C, "top strip"},
    {10, 50, 0x2A2C2E, "gradient panel, top"},
    {10, 470, 0x141618, "gradient panel, bottom"},
    {70, 420, 0x20E2E0, "power switch, on"},
    {95, 250, 0x20E2E0, "master fader's fill"},
};

inline bool Near(uint32_t a, uint32_t b) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 6) return false;
  return true;
}

inline bool ShowsTheEditor(const HostWindow& window) {
  const std::optional<modelhost::WindowPicture> picture = window.EditorPicture();
  if (!picture) return false;
  for (const Probe& p : kProbes)
    if (!Near(picture->At(p.x, p.y).value_or(0xFFFFFFFF), p.rgb)) return false;
  return true;
}

// What the host's window shows at the probes, for failure messages.
inline std::string WhatItShows(const HostWindow& window) {
  const std::optional<modelhost::WindowPicture> picture = window.EditorPicture();
  if (!picture) return "no editor window in the host's window";
  std::string text;
  char line[96];
  for (const Probe& p : kProbes) {
    const std::optional<uint32_t> shown = picture->At(p.x, p.y);
    std::snprintf(line, sizeof line, "%s at (%d,%d): %06X, expected %06X; ", p.what, p.x, p.y,
                  shown.value_or(0xFFFFFFFF), p.rgb);
    text += line;
  }
  return text;
}

// The edit calls as "begin:N", "automate:N", "end:N", each run of automation as one.
inline std::vector<std::string> Gesture(const std::vector<EditCall>& calls) {
  std::vector<std::string> gesture;
  for (const EditCall& call : calls) {
    const char* kind = call.opcode == vst2::kHostBeginEdit ? "begin:"
                       : call.opcode == vst2::kHostEndEdit ? "end:"
                                                           : "automate:";
    std::string entry = kind + std::to_string(call.index);
    if (gesture.empty() || gesture.back() != entry) gesture.push_back(entry);
  }
  return gesture;
}

inline bool AllOn(const std::vector<EditCall>& calls, std::thread::id thread) {
  for (const EditCall& call : calls)
    if (call.thread != thread) return false;
  return true;
}

class ModelHostTest : public testing::Test {
 protected:
  void SetUp() override {
    home = std::make_unique<presets_test::TempDataHome>();
    KeepDriversMapped();
  }
  void TearDown() override { home.reset(); }

  // Loads the module (a copy at modulePath, or the built one), with the automatic update check off as a saved
  // session may have it, and starts the audio.
  static void Load(ModelHost& host, const std::string& modulePath = KD_KELVADRUNE_PATH) {
    std::string error;
    ASSERT_TRUE(host.Load(modulePath, error)) << error;
    host.SetParameter(kAutoUpdateCheck, 0.f);
    host.StartAudio();
  }

  // Opens the editor and runs the GUI loop until the host's window shows it.
  static void OpenAndSee(ModelHost& host) {
    std::string error;
    ASSERT_TRUE(host.OpenEditor(error)) << error;
    ASSERT_NO_FATAL_FAILURE(See(host));
  }
  static void See(ModelHost& host) {
    ASSERT_TRUE(host.RunGuiUntil([&] { return host.Window().EditorWindow() != 0; }, kWindowTimeout))
        << "the editor made no window in the host's window";
    ASSERT_TRUE(host.RunGuiUntil([&] { return ShowsTheEditor(host.Window()); }, kFirstFrameTimeout))
        << WhatItShows(host.Window());
  }

  // A person's drag on the master fader, upwards, with the host's GUI loop running between the steps.
  static void DragMasterFader(ModelHost& host) {
    HostWindow& window = host.Window();
    const milliseconds step = 4 * ModelHost::kIdleInterval;
    window.MovePointer(95, 200);
    host.RunGui(step);
    window.PressButton();
    host.RunGui(step);
    for (int y : {190, 180, 170}) {
      window.MovePointer(95, y);
      host.RunGui(step);
    }
    window.ReleaseButton();
    host.RunGui(step);
  }

  // A drag on the master fader reaches the host as one gesture, on the GUI thread, and raises the fader.
  static void DragReachesTheHost(ModelHost& host) {
    host.ClearEditCalls();
    const float before = host.GetParameter(kGainMaster);
    DragMasterFader(host);
    const std::vector<EditCall> calls = host.EditCalls();
    const std::string master = std::to_string(kGainMaster);
    EXPECT_EQ(Gesture(calls), (std::vector<std::string>{"begin:" + master, "automate:" + master, "end:" + master}));
    EXPECT_TRUE(AllOn(calls, std::this_thread::get_id())) << "an edit call came on another thread than the GUI's";
    EXPECT_GT(host.GetParameter(kGainMaster), before);
  }

  // The Vulkan loader unloads the CPU device's driver and its layer when the module's instance goes; what they
  // keep for the life of the process would then be reported against an unknown module. Kept mapped, it stays
  // theirs, as in the GPU tests.
  static void KeepDriversMapped() {
    for (const char* library : {"libvulkan_lvp.so", "libVkLayer_MESA_device_select.so"})
      dlopen(library, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  }

  std::unique_ptr<presets_test::TempDataHome> home;
};

// The scenarios that need the X display the tests run on (the test script's xvfb-run).
class ModelHostOnDisplay : public ModelHostTest {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    ModelHostTest::SetUp();
  }
};

}  // namespace modelhost_test
