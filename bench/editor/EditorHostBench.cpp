// What an editor costs inside a Linux host, on Mesa's CPU device under an X display (run it under xvfb-run):
// the editor is a child of a window of this program's, the host's GUI thread calls effEditIdle every 20 ms and
// an audio thread processes 256-frame blocks at 48 kHz in real time. Each iteration is one second of that; the
// counters are the process's CPU seconds per second (getrusage: the plug-in, the driver's threads and this
// host together) and the mean and worst time one effEditIdle held the GUI thread.
// Arguments: editor open (1) or closed (0); the input: silence (0), a 1 kHz sine at -6 dBFS (1), which raises the
// meters to a level they then hold, that sine switched on and off every half second (2), whose falling and rising
// levels move the meters on every frame, or that sine gliding down to -12 dBFS and back over 8 seconds (3), whose
// level moves the bars by a tenth of a point a frame. Compare an open editor's figure with the closed one of the
// same input: a steady sine should cost an open editor little more than silence, and a slowly moving level no
// more than the sine switched on and off, which redraws the meter at every tick.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/editor/CpuDeviceProcess.h"
#include "editor/KelvadruneInstance.h"
#include "platform/window/Backend.h"
#include "tools/vst2host/TestHost.h"

// Xlib last: its macros must not meet the project's names.
#include <X11/Xlib.h>

namespace {

namespace pw = platform::window;
using Clock = std::chrono::steady_clock;

constexpr double kSampleRate = 48000.0;
constexpr int kBlock = 256;
constexpr auto kIdlePeriod = std::chrono::milliseconds(20);
constexpr int kWidth = 640;
constexpr int kHeight = 480;
// -6 dBFS.
constexpr double kSineAmplitude = 0.501187;
constexpr double kSineHz = 1000.0;
constexpr double kGateSeconds = 0.5;
// The gliding sine: from -6 dBFS down by 6 dB and back, 1.5 dB a second.
constexpr double kGlideDB = 6.0;
constexpr double kGlideSeconds = 8.0;

enum Signal { kSilence = 0, kSine = 1, kGatedSine = 2, kGlidingSine = 3 };

// The sine's amplitude at time t.
double Amplitude(Signal signal, double t) {
  switch (signal) {
    case kSine:
      return kSineAmplitude;
    case kGatedSine:
      return std::fmod(t, 2.0 * kGateSeconds) < kGateSeconds ? kSineAmplitude : 0.0;
    case kGlidingSine: {
      const double down = std::fabs(2.0 * std::fmod(t, kGlideSeconds) / kGlideSeconds - 1.0);  // 1, 0, 1
      return kSineAmplitude * std::pow(10.0, -kGlideDB * (1.0 - down) / 20.0);
    }
    case kSilence:
      break;
  }
  return 0.0;
}

// Only the CPU device, on the X11 window layer.
bool PrepareHostProcess(std::string& error) {
  kd::bench::UseCpuDeviceOnly();
  if (!std::getenv("DISPLAY")) {
    error = "no X display (run under xvfb-run)";
    return false;
  }
  if (!pw::SelectBackend(pw::BackendKind::kX11)) {
    error = "the X11 window layer did not start";
    return false;
  }
  return true;
}

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The host's audio thread: one block every 256 / 48000 s, paced by the clock as a sound card paces it.
class AudioThread {
 public:
  AudioThread(vst2::EffectRecord* effect, Signal signal) : mEffect(effect), mSignal(signal) {
    mThread = std::thread([this] { Run(); });
  }
  ~AudioThread() {
    mStop.store(true, std::memory_order_relaxed);
    mThread.join();
  }

 private:
  void Run() {
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kBlock / kSampleRate));
    auto next = Clock::now();
    long long frame = 0;
    while (!mStop.load(std::memory_order_relaxed)) {
      for (int i = 0; i < kBlock; ++i, ++frame) {
        const double t = static_cast<double>(frame) / kSampleRate;
        inL[i] = inR[i] = static_cast<float>(Amplitude(mSignal, t) * std::sin(2.0 * M_PI * kSineHz * t));
      }
      mEffect->processReplacing(mEffect, ins, outs, kBlock);
      next += period;
      std::this_thread::sleep_until(next);
    }
  }

  vst2::EffectRecord* mEffect;
  Signal mSignal;
  std::atomic<bool> mStop{false};
  std::thread mThread;
};

// The host: its window on its own X connection, the plug-in instance, and its GUI thread (the caller's).
struct Host {
  bool Start(std::string& error) {
    if (!PrepareHostProcess(error)) return false;
    display = XOpenDisplay(nullptr);
    if (!display) {
      error = "cannot open the X display";
      return false;
    }
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    if (!host.InstantiateFrom(&CreateKelvadruneInstance, error)) return false;
    host.Open();
    host.SetSampleRate(static_cast<float>(kSampleRate));
    host.SetBlockSize(kBlock);
    host.Resume();
    return true;
  }
  ~Host() {
    if (editorOpen) host.Dispatch(vst2::kEffEditClose);
    host.Close();
    if (display) {
      XDestroyWindow(display, parent);
      XCloseDisplay(display);
    }
  }
  bool OpenEditor() {
    editorOpen = host.Dispatch(vst2::kEffEditOpen, 0, 0, reinterpret_cast<void*>(parent)) == 1;
    return editorOpen;
  }

  // Host time: effEditIdle every 20 ms while the editor is open; the time each call held this thread.
  void Run(Clock::duration length) {
    const auto end = Clock::now() + length;
    auto next = Clock::now();
    while (next < end) {
      if (editorOpen) {
        const auto before = Clock::now();
        host.Dispatch(vst2::kEffEditIdle);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - before).count();
        idleCalls += 1;
        idleTotalMs += ms;
        idleWorstMs = std::max(idleWorstMs, ms);
      }
      next += kIdlePeriod;
      std::this_thread::sleep_until(next);
    }
  }

  Display* display = nullptr;
  ::Window parent = 0;
  vsthost::TestHost host;
  bool editorOpen = false;
  long long idleCalls = 0;
  double idleTotalMs = 0.0;
  double idleWorstMs = 0.0;
};

void BM_HostSecond(benchmark::State& state) {
  const bool open = state.range(0) != 0;
  const auto signal = static_cast<Signal>(state.range(1));
  Host host;
  std::string error;
  if (!host.Start(error) || (open && !host.OpenEditor())) {
    state.SkipWithError(error.empty() ? "the editor did not open" : error.c_str());
    return;
  }
  AudioThread audio(host.host.Effect(), signal);
  // Pipelines, fonts and the meters' rise settle first.
  host.Run(std::chrono::seconds(1));
  host.idleCalls = 0;
  host.idleTotalMs = host.idleWorstMs = 0.0;

  double cpu = 0.0, wall = 0.0;
  for (auto _ : state) {
    const double cpuBefore = ProcessCpuSeconds();
    const auto before = Clock::now();
    host.Run(std::chrono::seconds(1));
    wall += std::chrono::duration<double>(Clock::now() - before).count();
    cpu += ProcessCpuSeconds() - cpuBefore;
  }
  state.counters["cpu_s_per_s"] = cpu / wall;
  if (open && host.idleCalls > 0) {
    state.counters["idle_mean_ms"] = host.idleTotalMs / static_cast<double>(host.idleCalls);
    state.counters["idle_worst_ms"] = host.idleWorstMs;
  }
}
BENCHMARK(BM_HostSecond)
    ->ArgNames({"open", "signal"})
    ->ArgsProduct({{0, 1}, {kSilence, kSine, kGatedSine, kGlidingSine}})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
