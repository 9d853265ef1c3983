// The product's editor through the test host on the headless window layer and the CPU device: the time of one
// whole-editor frame at 100 % and 200 % GUI scale, the CPU time an open editor with nothing to do takes per
// second (only the meter's refresh at the plug-in's idle rate draws), and the time from effEditOpen to the first
// presented frame (the instance alone, which keeps the GPU device and its pipelines from its first open on, and
// beside another instance's open editor).
// On the CPU device a good part of a 200 % frame is the driver's own memory: it bins each frame into about 140
// blocks of 64 KiB and frees them, glibc hands the freed memory back to the kernel, and the next frame faults it in
// again. Running with GLIBC_TUNABLES=glibc.malloc.trim_threshold=268435456 shows the frame without that (a plug-in
// cannot set it for its host's process).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "bench/editor/CpuDeviceProcess.h"
#include "editor/KelvadruneInstance.h"
#include "graphics/IGraphics.h"
#include "graphics/platform/IGraphicsDrawingLayer.h"
#include "platform/runloop/Clock.h"
#include "platform/runloop/RunLoop.h"
#include "platform/window/Backend.h"
#include "platform/window/Window.h"
#include "tools/vst2host/TestHost.h"

namespace {

namespace pw = platform::window;

// Only the CPU device, on the headless window layer.
void UseCpuDevice() {
  static const bool selected = [] {
    kd::bench::UseCpuDeviceOnly();
    return pw::SelectBackend(pw::BackendKind::kHeadless);
  }();
  (void)selected;
}

// One plug-in instance in the test host, its editor driven by a manual clock; each redraw waits for the GPU,
// so a frame's time includes drawing it.
struct Editor {
  explicit Editor(double guiScale = 1.0) {
    UseCpuDevice();
    platform::RunLoop::Main().SetClock(&clock);
    fx::gfx::SetDrawingLayersSynchronous(true);
    std::string error;
    ok = host.InstantiateFrom(&CreateKelvadruneInstance, error);
    if (!ok) return;
    host.Open();
    host.SetSampleRate(48000.f);
    host.SetBlockSize(256);
    host.Resume();
    plug = static_cast<KelvadruneInstance*>(static_cast<fx::IPluginVST2*>(host.Effect()->object));
    host.SetParameter(kGUIScale, static_cast<float>(plug->GetParam(kGUIScale)->ToNormalized(guiScale)));
  }
  ~Editor() {
    host.Close();
    platform::RunLoop::Main().RunPostedWork();
    platform::RunLoop::Main().SetClock(nullptr);
    fx::gfx::SetDrawingLayersSynchronous(false);
  }
  bool Open() {
    if (!ok || host.Dispatch(vst2::kEffEditOpen) != 1) return false;
    window = pw::CurrentBackend().Windows().back();
    for (int i = 0; i < 600 && Presented() == 0; ++i) Frame();
    return Presented() > 0;
  }
  void Close() { host.Dispatch(vst2::kEffEditClose); }
  void Frame() {
    clock.Advance(1.0 / 60.0);
    host.Dispatch(vst2::kEffEditIdle);
  }
  int Presented() const { return window->LastPresentedFrame().count; }

  platform::ManualClock clock;
  vsthost::TestHost host;
  KelvadruneInstance* plug = nullptr;
  pw::Window* window = nullptr;
  bool ok = false;
};

// Every control redrawn and presented; the argument is the GUI scale in percent.
void BM_EditorFrame(benchmark::State& state) {
  Editor editor(state.range(0) / 100.0);
  if (!editor.Open()) {
    state.SkipWithError("the editor did not open");
    return;
  }
  for (auto _ : state) {
    editor.plug->GetUI()->SetAllControlsDirty();
    const int before = editor.Presented();
    editor.Frame();
    if (editor.Presented() == before) {
      state.SkipWithError("no frame presented");
      break;
    }
  }
  state.counters["width"] = editor.window->LastPresentedFrame().width;
  editor.Close();
}
BENCHMARK(BM_EditorFrame)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// One iteration is one second of an open editor on which nothing happens.
void BM_IdleEditorSecond(benchmark::State& state) {
  Editor editor;
  if (!editor.Open()) {
    state.SkipWithError("the editor did not open");
    return;
  }
  const int before = editor.Presented();
  for (auto _ : state)
    for (int frame = 0; frame < 60; ++frame) editor.Frame();
  state.counters["frames/s"] = benchmark::Counter(editor.Presented() - before, benchmark::Counter::kAvgIterations);
  editor.Close();
}
BENCHMARK(BM_IdleEditorSecond)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// effEditOpen to the first presented frame, then closed again. The instance keeps the GPU device and the pipelines
// its first open made for the later ones. Argument 1: another instance's editor is open meanwhile, as in a session
// with several editors; 0: this instance alone.
void BM_OpenToFirstFrame(benchmark::State& state) {
  std::unique_ptr<Editor> keeper;
  if (state.range(0) == 1) {
    keeper = std::make_unique<Editor>();
    keeper->Open();
  }
  Editor editor;
  for (auto _ : state) {
    if (!editor.Open()) {
      state.SkipWithError("the editor did not open");
      break;
    }
    state.PauseTiming();
    editor.Close();
    state.ResumeTiming();
  }
  if (keeper) keeper->Close();
}
BENCHMARK(BM_OpenToFirstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
