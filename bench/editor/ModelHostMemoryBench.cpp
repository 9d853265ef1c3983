// What opening and closing the editor leaves in a host's process, in figures: the built module in the model host
// (run it under xvfb-run), its audio running, the editor opened in the host's window, shown for 50 ms and closed,
// 200 times after 3 warm-up cycles, with nothing trimmed between readings. A table of the figures after the
// warm-up, every 50 cycles and after effClose goes to standard output; the counters are each figure's growth per
// cycle (kB) over the 200, from the lowest reading of the first ten cycles to the lowest of the last ten (a reading
// taken while the driver still holds a frame's worth stands that much high). The second benchmark waits past the idle
// release (10 s) after each close, so that each open makes the GPU device again; its argument is the number of such
// cycles. The third runs in a host that locks all its memory as it grows, as MusE does and Ardour may (mlockall with
// MCL_FUTURE), on KelvadruneQuickRelease.so: 50 rounds of open, close and a wait past an idle release shortened to
// 200 ms, and 3 rounds with the 10 s release, each read 15 s after the close; one line per round with the process's
// anonymous and locked memory and threads, and the growth per round from round 10 to the last as counters. Memory a
// locked series leaves stays in the process: for a fresh host's figures run each series in a process of its own
// (--benchmark_filter='Locked.*/50/' and 'Locked.*/3/').
#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/editor/CpuDeviceProcess.h"
#include "plugin/KelvadruneIds.h"
#include "tools/modelhost/ModelHost.h"
#include "tools/modelhost/ProcessFigures.h"

namespace {

using modelhost::ModelHost;
using modelhost::ProcessFigures;
using std::chrono::milliseconds;

constexpr int kWarmUpCycles = 3;
constexpr milliseconds kShown{50};
constexpr milliseconds kWindowTimeout{10000};
// Past the kept device's idle release.
constexpr milliseconds kPastRelease{11000};

// The plug-in's data folder in a folder of this process's, so that no user's presets are read or written.
void UseScratchHome() {
  static const bool done = [] {
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("kd_bench_home_" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "share").c_str(), 1);
    return true;
  }();
  (void)done;
}

void PrintRow(const char* after, const ProcessFigures& figures) {
  std::printf("| %-18s | %8ld kB | %8ld kB | %9ld kB | %8ld kB | %8ld kB | %3d |\n", after, figures.heapInUseKiB,
              figures.mallocArenaKiB, figures.addressSpaceKiB, figures.residentKiB, figures.residentOutsideLibrariesKiB,
              figures.threads);
  std::fflush(stdout);
}

bool Cycle(ModelHost& host, milliseconds afterClose) {
  std::string error;
  if (!host.OpenEditor(error)) {
    std::fprintf(stderr, "the editor did not open: %s\n", error.c_str());
    return false;
  }
  if (!host.RunGuiUntil([&] { return host.Window().EditorWindow() != 0; }, kWindowTimeout)) return false;
  host.RunGui(kShown);
  host.CloseEditor();
  if (!host.RunGuiUntil([&] { return host.Window().EditorWindow() == 0; }, kWindowTimeout)) return false;
  host.RunGui(afterClose);
  return true;
}

// Each figure's growth per cycle over the readings taken after each cycle.
void SetGrowth(benchmark::State& state, const std::vector<ProcessFigures>& readings) {
  const size_t window = std::max<size_t>(1, std::min<size_t>(10, readings.size() / 2));
  const auto perCycle = [&](auto figure) {
    const auto lowest = [&](size_t from) {
      double low = static_cast<double>(figure(readings[from]));
      for (size_t i = from; i < from + window; ++i) low = std::min(low, static_cast<double>(figure(readings[i])));
      return low;
    };
    const size_t cycles = readings.size() - window;
    return cycles > 0 ? (lowest(readings.size() - window) - lowest(0)) / static_cast<double>(cycles) : 0.0;
  };
  state.counters["heap_kB"] = perCycle([](const ProcessFigures& f) { return f.heapInUseKiB; });
  state.counters["arena_kB"] = perCycle([](const ProcessFigures& f) { return f.mallocArenaKiB; });
  state.counters["address_kB"] = perCycle([](const ProcessFigures& f) { return f.addressSpaceKiB; });
  state.counters["resident_kB"] = perCycle([](const ProcessFigures& f) { return f.residentKiB; });
  state.counters["threads"] = perCycle([](const ProcessFigures& f) { return f.threads; });
}

// The CPU device, a scratch home and an X display, as every series here needs; false (the series skipped) without a
// display.
bool PrepareEditorSeries(benchmark::State& state) {
  kd::bench::UseCpuDeviceOnly();
  UseScratchHome();
  if (std::getenv("DISPLAY")) return true;
  state.SkipWithError("no X display (run under xvfb-run)");
  return false;
}

// Arguments: cycles, the wait after each close (ms), readings every so many cycles.
void BM_EditorOpenCloseCycles(benchmark::State& state) {
  const int cycles = static_cast<int>(state.range(0));
  const milliseconds afterClose{state.range(1)};
  const int every = static_cast<int>(state.range(2));
  if (!PrepareEditorSeries(state)) return;
  for (auto _ : state) {
    ModelHost host;
    std::string error;
    if (!host.Load(KD_KELVADRUNE_PATH, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    host.SetParameter(kAutoUpdateCheck, 0.f);
    host.StartAudio();
    std::printf("\n%d cycles, %ld ms after each close\n", cycles, static_cast<long>(afterClose.count()));
    std::printf(
        "| after              | heap in use | malloc arena | address space | resident    | outside libs | thr |\n");
    PrintRow("loading", modelhost::ReadProcessFigures());
    for (int i = 0; i < kWarmUpCycles; ++i)
      if (!Cycle(host, afterClose)) {
        state.SkipWithError("an editor did not open or close");
        return;
      }
    std::vector<ProcessFigures> readings{modelhost::ReadProcessFigures()};
    PrintRow("3 warm-up cycles", readings.back());
    for (int i = 1; i <= cycles; ++i) {
      if (!Cycle(host, afterClose)) {
        state.SkipWithError("an editor did not open or close");
        return;
      }
      readings.push_back(modelhost::ReadProcessFigures());
      if (i % every == 0 || i == cycles) PrintRow((std::to_string(i) + " cycles").c_str(), readings.back());
    }
    host.ClosePlugin();
    PrintRow("effClose", modelhost::ReadProcessFigures());
    SetGrowth(state, readings);
  }
}

BENCHMARK(BM_EditorOpenCloseCycles)
    ->Args({200, 0, 50})
    ->Args({3, kPastRelease.count(), 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

void LockedRow(const std::string& round, const ProcessFigures& f) {
  std::printf("| %-5s | %8ld kB | %8ld kB | %8ld kB | %9ld kB | %3d |\n", round.c_str(), f.anonymousKiB, f.lockedKiB,
              f.heapInUseKiB, f.mallocArenaKiB, f.threads);
  std::fflush(stdout);
}

// Arguments: rounds, the idle release (ms), the wait after each close (ms). The process's memory is locked for the
// series and unlocked after it.
void BM_LockedHostRounds(benchmark::State& state) {
  const int rounds = static_cast<int>(state.range(0));
  const milliseconds release{state.range(1)};
  const milliseconds afterClose{state.range(2)};
  if (!PrepareEditorSeries(state)) return;
  for (auto _ : state) {
    if (mlockall(MCL_CURRENT | MCL_FUTURE) != 0) {
      state.SkipWithError("this process may not lock its memory (it needs root or a large RLIMIT_MEMLOCK)");
      return;
    }
    std::vector<ProcessFigures> readings;
    std::string failure;
    {
      ModelHost host;
      std::string error;
      if (!host.Load(KD_KELVADRUNE_QUICK_RELEASE_PATH, error)) {
        failure = error;
      } else if (!modelhost::SetModuleGpuIdleRelease(KD_KELVADRUNE_QUICK_RELEASE_PATH, release)) {
        failure = "the module has no KelvadruneSetGpuIdleRelease";
      } else {
        host.SetParameter(kAutoUpdateCheck, 0.f);
        host.StartAudio();
        host.RunGui(milliseconds(200));
        std::printf("\n%d rounds with the memory locked, the idle release %ld ms, %ld ms after each close\n", rounds,
                    static_cast<long>(release.count()), static_cast<long>(afterClose.count()));
        std::printf("| round | anonymous   | locked      | heap in use | malloc arena | thr |\n");
        LockedRow("0", modelhost::ReadProcessFigures());
        for (int round = 1; round <= rounds && failure.empty(); ++round) {
          if (!Cycle(host, afterClose)) {
            failure = "an editor did not open or close";
            break;
          }
          readings.push_back(modelhost::ReadProcessFigures());
          LockedRow(std::to_string(round), readings.back());
        }
      }
    }
    munlockall();
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      return;
    }
    const size_t from = std::min<size_t>(9, readings.size() - 1);
    const double span = static_cast<double>(readings.size() - 1 - from);
    const auto perRound = [&](long ProcessFigures::*figure) {
      return span > 0 ? static_cast<double>(readings.back().*figure - readings[from].*figure) / span : 0.0;
    };
    state.counters["anonymous_kB"] = perRound(&ProcessFigures::anonymousKiB);
    state.counters["locked_kB"] = perRound(&ProcessFigures::lockedKiB);
    state.counters["heap_kB"] = perRound(&ProcessFigures::heapInUseKiB);
  }
}

BENCHMARK(BM_LockedHostRounds)->Args({50, 200, 800})->Args({3, 10000, 15000})->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
