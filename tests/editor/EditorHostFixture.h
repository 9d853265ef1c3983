// The product's editor end to end, as a host sees it: one Kelvadrune created in this program through the
// module's creation function and driven only through its effect record by the project's test host. The
// editor opens without a parent on the headless window layer, draws on the CPU device, and runs on a manual
// clock: each Frame() is one redraw period followed by the host's editor idle. Input is injected into the
// editor's window as a person's mouse and keys, in editor points.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "editor/KelvadruneInstance.h"
#include "graphics/IGraphicsClock.h"
#include "graphics/platform/IGraphicsDrawingLayer.h"
#include "platform/runloop/Clock.h"
#include "platform/runloop/RunLoop.h"
#include "platform/window/HeadlessBackend.h"
#include "platform/window/Window.h"
#include "plugin/KelvadruneIds.h"
#include "tests/platform/gpu/GpuTestEnvironment.h"
#include "tools/vst2host/TestHost.h"

namespace kelvadrune_test {

namespace pw = platform::window;

struct Rgb {
  int r = 0, g = 0, b = 0;
  int Brightness() const { return r + g + b; }
};

class EditorHostTest : public testing::Test {
 protected:
  static constexpr int kBlock = 256;

  void SetUp() override {
    platform::gpu::test::PrepareCpuDeviceEnvironment();
    if (backendKind == pw::BackendKind::kHeadless) {
      ASSERT_TRUE(pw::SelectBackend(pw::BackendKind::kHeadless));
      backend = static_cast<pw::HeadlessBackend*>(&pw::CurrentBackend());
      backend->Script() = {};
      backend->ClearLog();
    }
    platform::RunLoop::Main().SetClock(&clock);
    sClock = &clock;
    fx::gfx::SetGraphicsClock(&ManualClockMs);
    fx::gfx::SetDrawingLayersSynchronous(true);
    std::string error;
    ASSERT_TRUE(host.InstantiateFrom(&CreateKelvadruneInstance, error)) << error;
    host.Open();
    host.SetSampleRate(48000.f);
    host.SetBlockSize(kBlock);
    host.Resume();
  }
  void TearDown() override {
    host.Close();
    pw::SelectBackend(pw::BackendKind::kHeadless);
    platform::RunLoop::Main().RunPostedWork();
    platform::RunLoop::Main().SetClock(nullptr);
    fx::gfx::SetGraphicsClock(nullptr);
    sClock = nullptr;
    fx::gfx::SetDrawingLayersSynchronous(false);
  }

  // Opens the editor (inside the native window parent, or top-level) and lets it present its first frame.
  void OpenEditor(void* parent = nullptr) {
    ASSERT_EQ(host.Dispatch(vst2::kEffEditOpen, 0, 0, parent), 1);
    ASSERT_FALSE(pw::CurrentBackend().Windows().empty());
    window = pw::CurrentBackend().Windows().back();
    Frames(3);
    ASSERT_GT(Presented().count, 0);
  }
  void CloseEditor() {
    host.Dispatch(vst2::kEffEditClose);
    window = nullptr;
  }
  const pw::PresentedFrame& Presented() const { return window->LastPresentedFrame(); }

  // One redraw period and the host's editor idle; the window gets the frame drawn in it (the layers run
  // synchronously here), however busy the machine is.
  void Frame() {
    clock.Advance(1.0 / 60.0);
    host.Dispatch(vst2::kEffEditIdle);
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }

  // The presented colour at editor point (x, y), drawn at scale.
  Rgb Pixel(float x, float y, float scale = 1.f) const {
    const pw::PresentedFrame& f = Presented();
    const int px = static_cast<int>(x * scale), py = static_cast<int>(y * scale);
    if (px < 0 || py < 0 || px >= f.width || py >= f.height) return {-1, -1, -1};
    const uint8_t* p = &f.pixels[(static_cast<size_t>(py) * f.width + px) * 4];
    return {p[2], p[1], p[0]};
  }
  // Pixels inside [l, r) x [t, b) that differ from an earlier frame of the same size (RGBA rows).
  template <class Box>
  int ChangedPixels(const std::vector<uint8_t>& earlier, const Box& box) const {
    const std::vector<uint8_t> now = Rgba();
    if (now.size() != earlier.size()) return -1;
    int changed = 0;
    for (int y = box.t; y < box.b; ++y)
      for (int x = box.l; x < box.r; ++x) {
        const size_t i = (static_cast<size_t>(y) * Presented().width + x) * 4;
        changed += (now[i] != earlier[i] || now[i + 1] != earlier[i + 1] || now[i + 2] != earlier[i + 2]) ? 1 : 0;
      }
    return changed;
  }
  // The frame as RGBA rows.
  std::vector<uint8_t> Rgba() const {
    std::vector<uint8_t> rgba(Presented().pixels);
    for (size_t i = 0; i < rgba.size(); i += 4) std::swap(rgba[i], rgba[i + 2]);
    return rgba;
  }

  void Inject(pw::NativeInput::Kind kind, float x, float y, float scale = 1.f) {
    pw::NativeInput input;
    input.kind = kind;
    input.pixel = pw::Point{x * scale, y * scale};
    input.timestamp = (eventTime += 0.7);  // never a double click
    backend->Inject(*window, input);
  }
  void Click(float x, float y, float scale = 1.f) {
    Inject(pw::NativeInput::Kind::kMotion, x, y, scale);
    Inject(pw::NativeInput::Kind::kButtonPress, x, y, scale);
    Inject(pw::NativeInput::Kind::kButtonRelease, x, y, scale);
  }
  void Key(int keyCode, char32_t character) {
    pw::NativeInput input;
    input.kind = pw::NativeInput::Kind::kKeyPress;
    input.keyCode = keyCode;
    input.characters = input.charactersIgnoringModifiers = std::u32string(1, character);
    input.timestamp = (eventTime += 0.1);
    backend->Inject(*window, input);
    input.kind = pw::NativeInput::Kind::kKeyRelease;
    backend->Inject(*window, input);
  }

  // blocks of a stereo sine of the amplitude through the plug-in, the host's idle after each.
  void ProcessSine(int blocks, float amplitude) {
    std::vector<float> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
    float* ins[2] = {l.data(), r.data()};
    float* outs[2] = {ol.data(), orr.data()};
    for (int b = 0; b < blocks; ++b) {
      for (int i = 0; i < kBlock; ++i) l[i] = r[i] = amplitude * std::sin(0.05f * static_cast<float>(i + b * kBlock));
      host.ProcessReplacing(ins, outs, kBlock);
    }
  }

  // Animations (a menu's fades) read the graphics clock: it follows the manual clock too, so they take the
  // same frames however fast the machine draws.
  static double ManualClockMs() { return sClock->NowSeconds() * 1000.0; }
  inline static const platform::ManualClock* sClock = nullptr;

  // A test that sets the X11 back end selects it itself, before SetUp.
  pw::BackendKind backendKind = pw::BackendKind::kHeadless;
  platform::ManualClock clock;
  vsthost::TestHost host;
  pw::HeadlessBackend* backend = nullptr;
  pw::Window* window = nullptr;
  double eventTime = 10.0;
};

}  // namespace kelvadrune_test
