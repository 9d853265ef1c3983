// The module's editor opened and closed over and over, as a host does that shows and hides it at a user's wish, and
// measured as a host's process lives: nothing trimmed or purged between readings. Once a few openings have set up
// what editors share, more cost the process no heap, no address space and no resident memory; and once no editor
// has been open for a while, the GPU device goes with the driver's threads and memory; in a host that locks its
// memory, opening and closing stays bounded as well.
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "tests/tools/modelhost/ModelHostFixture.h"
#include "tools/modelhost/ProcessFigures.h"

namespace modelhost_test {
namespace {

using modelhost::ProcessFigures;
using modelhost::ReadProcessFigures;

// The growth per cycle of one figure, from one reading after each cycle. The driver keeps what the last frame it
// drew used until it draws the next, and the allocator's free lists come and go, so a single reading may stand
// high: the lowest of the first few readings is compared with the lowest of the last few.
long GrowthPerCycle(const std::vector<ProcessFigures>& readings, long ProcessFigures::*figure, int window) {
  const auto lowest = [&](auto from, auto to) {
    long low = (*from).*figure;
    for (auto it = from; it != to; ++it) low = std::min(low, (*it).*figure);
    return low;
  };
  const long first = lowest(readings.begin(), readings.begin() + window);
  const long last = lowest(readings.end() - window, readings.end());
  return (last - first) / static_cast<long>(readings.size() - window);
}

// Driver libraries are left to the Vulkan loader and the module here, as in a host: an editor that loaded the driver
// anew at each open would show here.
class ModelHostMemory : public ModelHostTest {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    home = std::make_unique<presets_test::TempDataHome>();
  }

  // Open, shown for a moment, closed, and the host's loop run until the editor's window is gone.
  static void Cycle(ModelHost& host) {
    ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
    host.RunGui(std::chrono::milliseconds(50));
    host.CloseEditor();
    ASSERT_TRUE(host.RunGuiUntil([&] { return host.Window().EditorWindow() == 0; }, kWindowTimeout))
        << "the editor's window stays after the close";
  }
};

TEST_F(ModelHostMemory, OpeningAndClosingTheEditorAgainAndAgainLeavesNothingBehind) {
  constexpr int kWarmUpCycles = 3;
  constexpr int kCycles = 100;
  constexpr int kWindow = 10;
  constexpr long kHeapKiBPerCycle = 2;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // Shadow memory, redzones and quarantine make the process's own figures the sanitizer's: only the heap tells.
  constexpr std::optional<long> kAddressSpaceKiBPerCycle;
  constexpr std::optional<long> kResidentKiBPerCycle;
#else
  constexpr std::optional<long> kAddressSpaceKiBPerCycle = 100;
  constexpr std::optional<long> kResidentKiBPerCycle = 50;
#endif
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  for (int i = 0; i < kWarmUpCycles; ++i) ASSERT_NO_FATAL_FAILURE(Cycle(host));
  // The driver the editor's device has loaded stays mapped from here on, so that what it keeps for the life of the
  // process is still its own for the leak checker at exit; the module keeps it loaded meanwhile anyway.
  KeepDriversMapped();
  std::vector<ProcessFigures> readings;
  for (int i = 0; i < kCycles; ++i) {
    ASSERT_NO_FATAL_FAILURE(Cycle(host));
    readings.push_back(ReadProcessFigures());
  }
  const std::string range =
      "after warm-up: " + Describe(readings.front()) + "; at the end: " + Describe(readings.back());
  EXPECT_LE(GrowthPerCycle(readings, &ProcessFigures::heapInUseKiB, kWindow), kHeapKiBPerCycle)
      << "heap in use, KiB per cycle; " << range;
  if (kAddressSpaceKiBPerCycle) {
    EXPECT_LE(GrowthPerCycle(readings, &ProcessFigures::addressSpaceKiB, kWindow), *kAddressSpaceKiBPerCycle)
        << "address space, KiB per cycle; " << range;
  }
  if (kResidentKiBPerCycle) {
    EXPECT_LE(GrowthPerCycle(readings, &ProcessFigures::residentKiB, kWindow), *kResidentKiBPerCycle)
        << "resident memory, KiB per cycle; " << range;
  }
}

// The device is let go ten seconds after the last editor closed: this one test waits that long.
TEST_F(ModelHostMemory, TenSecondsAfterTheLastCloseTheDriversThreadsAndMemoryAreGone) {
  constexpr std::chrono::seconds kRelease{10};
  // The driver's code stays mapped once loaded (the CPU device's compiler library cannot be unloaded) and counts as
  // resident while its pages are: the memory outside the libraries tells what was kept.
  constexpr long kKeptKiB = 10 * 1024;
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  host.RunGui(std::chrono::milliseconds(200));
  const ProcessFigures before = ReadProcessFigures();
  ASSERT_NO_FATAL_FAILURE(Cycle(host));
  KeepDriversMapped();
  const auto closed = std::chrono::steady_clock::now();
  const ProcessFigures kept = ReadProcessFigures();
  EXPECT_GT(kept.threads, before.threads + 1) << "the driver started no threads: nothing to let go";
  host.RunGui(std::chrono::seconds(2));
  EXPECT_GT(ReadProcessFigures().threads, before.threads + 1) << "the device went before the idle delay";
  ASSERT_TRUE(
      host.RunGuiUntil([&] { return ReadProcessFigures().threads <= before.threads + 1; }, std::chrono::seconds(20)))
      << "still " << ReadProcessFigures().threads << " threads, " << before.threads << " before the first open";
  EXPECT_GE(std::chrono::steady_clock::now() - closed, kRelease - std::chrono::milliseconds(100));
  host.RunGui(std::chrono::milliseconds(200));
  const ProcessFigures after = ReadProcessFigures();
  const std::string figures =
      "before the first open: " + Describe(before) + "; kept: " + Describe(kept) + "; let go: " + Describe(after);
  EXPECT_LE(after.threads, before.threads + 1) << figures;
  EXPECT_LE(after.heapInUseKiB - before.heapInUseKiB, kKeptKiB) << figures;
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  EXPECT_LE(after.residentOutsideLibrariesKiB - before.residentOutsideLibrariesKiB, kKeptKiB) << figures;
#endif
  std::printf("%s\n", figures.c_str());
  // The next open makes the device again, and the editor shows as before.
  ASSERT_NO_FATAL_FAILURE(Cycle(host));
}

// A host that locks all its memory as it grows (mlockall with MCL_FUTURE, as MusE does): no page the allocator frees
// goes back to the system, and every thread's stack is resident whole. Rounds of open, close and a wait past the idle
// release (shortened here) cost it nothing more once the first ones have set up what stays. About 40 s in a Release
// build; the sanitizers make locking a no-op, so it runs only without them.
TEST_F(ModelHostMemory, InAHostThatLocksItsMemoryRoundsPastTheReleaseStayBounded) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers make mlockall a no-op (their shadow memory cannot be locked)";
#endif
  constexpr int kRounds = 50;
  constexpr int kFrom = 10;
  constexpr long kAnonymousKiBPerRound = 100;
  constexpr long kDriverHighWaterKiB = 8 * 1024;
  constexpr milliseconds kRelease{200};
  if (mlockall(MCL_CURRENT | MCL_FUTURE) != 0)
    GTEST_SKIP() << "this process may not lock its memory (" << std::strerror(errno)
                 << "): it needs root, CAP_IPC_LOCK or an RLIMIT_MEMLOCK of a few GB";
  struct Unlock {
    ~Unlock() { munlockall(); }
  } unlock;
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host, KD_KELVADRUNE_QUICK_RELEASE_PATH));
  ASSERT_TRUE(modelhost::SetModuleGpuIdleRelease(KD_KELVADRUNE_QUICK_RELEASE_PATH, kRelease))
      << "the module has no KelvadruneSetGpuIdleRelease";
  host.RunGui(milliseconds(200));
  const ProcessFigures loaded = ReadProcessFigures();
  const auto threadsBack = [&] { return ReadProcessFigures().threads <= loaded.threads + 1; };
  std::vector<ProcessFigures> readings;
  for (int round = 1; round <= kRounds; ++round) {
    ASSERT_NO_FATAL_FAILURE(Cycle(host));
    if (round == 1) {
      // Let go once, as in any host: the driver's threads end.
      ASSERT_TRUE(host.RunGuiUntil(threadsBack, std::chrono::seconds(20)))
          << "still " << ReadProcessFigures().threads << " threads after the first release, " << loaded.threads
          << " after loading";
    } else {
      host.RunGui(3 * kRelease);
    }
    readings.push_back(ReadProcessFigures());
  }
  // From round 10 on: the floor each reading settles to (the lowest reading from it to the end; the allocator's top
  // and the driver's frames in flight make single readings stand a few MB high), and where it ends (the lowest of
  // the last ten). The driver's own threads keep the most their frames ever needed at once, and a round may need a
  // little more than all before it: one rise of the floor up to kDriverHighWaterKiB is theirs; the rest is growth.
  std::vector<long> floor(readings.size() - (kFrom - 1));
  for (size_t i = floor.size(); i-- > 0;) {
    const long reading = readings[kFrom - 1 + i].anonymousKiB;
    floor[i] = i + 1 < floor.size() ? std::min(reading, floor[i + 1]) : reading;
  }
  const long end = floor[floor.size() - 10];
  long highWater = 0;
  for (size_t i = 1; i < floor.size(); ++i) highWater = std::max(highWater, floor[i] - floor[i - 1]);
  highWater = std::min(highWater, kDriverHighWaterKiB);
  const long growthPerRound = (end - floor.front() - highWater) / (kRounds - kFrom);
  const std::string figures = "after loading: " + Describe(loaded) + "; round " + std::to_string(kFrom) + ": " +
                              Describe(readings[kFrom - 1]) + "; round " + std::to_string(kRounds) + ": " +
                              Describe(readings.back()) + "; floor from round " + std::to_string(kFrom) + " " +
                              std::to_string(floor.front()) + " kB, at the end " + std::to_string(end) +
                              " kB, the driver's high-water " + std::to_string(highWater) + " kB";
  EXPECT_LE(growthPerRound, kAnonymousKiBPerRound) << "anonymous memory, KiB per round; " << figures;
  // The device opened after the release stays: making it again would cost another arena for good.
  EXPECT_FALSE(threadsBack()) << figures;
  std::printf("%s\n", figures.c_str());
}

}  // namespace
}  // namespace modelhost_test
