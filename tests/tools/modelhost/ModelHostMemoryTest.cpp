// The module's editor opened and closed over and over, as a host does that shows and hides it at a user's wish:
// once a few openings have set up what editors share, more cost the process no address space and no resident
// memory. Compiled shader code lives in executable mappings of its own, outside any heap, so the whole process is
// measured (/proc/self/statm), not the heap.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "tests/tools/modelhost/ModelHostFixture.h"

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's allocator: hands back the memory its quarantine holds, so that what stays is what the program
// still holds.
extern "C" void __sanitizer_purge_allocator();
#endif

namespace modelhost_test {
namespace {

struct ProcessMemory {
  long addressSpaceKiB = 0;
  long residentKiB = 0;
};

// The process's memory with the allocators' free memory handed back first.
ProcessMemory Measure() {
#if defined(__SANITIZE_ADDRESS__)
  __sanitizer_purge_allocator();
#endif
  malloc_trim(0);
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) pages = resident = 0;
    std::fclose(statm);
  }
  const long pageKiB = sysconf(_SC_PAGESIZE) / 1024;
  return {pages * pageKiB, resident * pageKiB};
}

// The editor's own growth per cycle, from one measurement after each cycle. The driver keeps what the last frame
// it drew used (images of some MB) until it draws the next, so a single measurement may stand that much high: the
// lowest of the first few measurements is compared with the lowest of the last few.
long GrowthPerCycle(const std::vector<long>& samples, int window) {
  const long first = *std::min_element(samples.begin(), samples.begin() + window);
  const long last = *std::min_element(samples.end() - window, samples.end());
  return (last - first) / static_cast<long>(samples.size() - window);
}

// Driver libraries are left to the Vulkan loader here, which unloads them with the last Vulkan instance, as in a
// host: an editor that made its device anew at each open would load the driver anew each time.
class ModelHostMemory : public ModelHostTest {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    home = std::make_unique<presets_test::TempDataHome>();
    // Blocks of a frame's size and more mapped on their own and unmapped when freed, as glibc does before its
    // threshold adapts: freed frames then leave no holes in the heap that read as growth of the address space.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  }
};

TEST_F(ModelHostMemory, OpeningAndClosingTheEditorAgainAndAgainLeavesNothingBehind) {
  constexpr int kWarmUpCycles = 3;
  constexpr int kCycles = 16;
  constexpr int kWindow = 4;
  constexpr long kAddressSpaceKiBPerCycle = 100;
#if defined(__SANITIZE_ADDRESS__)
  // Redzones and shadow memory make each small allocation of the driver's cost about twice its size, and the
  // allocator's own bookkeeping comes and goes: only growth of the order of a device per cycle is told apart.
  constexpr std::optional<long> kResidentKiBPerCycle = 200;
#elif defined(__SANITIZE_THREAD__)
  // ThreadSanitizer's shadow of the memory a program has touched stays: there only the address space tells.
  constexpr std::optional<long> kResidentKiBPerCycle;
#else
  constexpr std::optional<long> kResidentKiBPerCycle = 50;
#endif
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  // Each cycle shows a whole frame, so that every pipeline the editor draws with is in use, then closes.
  const auto cycle = [&host] {
    ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
    host.CloseEditor();
    ASSERT_TRUE(host.RunGuiUntil([&] { return host.Window().EditorWindow() == 0; }, kWindowTimeout))
        << "the editor's window stays after the close";
  };
  for (int i = 0; i < kWarmUpCycles; ++i) ASSERT_NO_FATAL_FAILURE(cycle());
  std::vector<long> addressSpace, resident;
  for (int i = 0; i < kCycles; ++i) {
    ASSERT_NO_FATAL_FAILURE(cycle());
    const ProcessMemory memory = Measure();
    addressSpace.push_back(memory.addressSpaceKiB);
    resident.push_back(memory.residentKiB);
  }
  // Open once more, and keep the driver the editor's device has loaded mapped from here on (not earlier: a driver
  // kept mapped is not loaded anew), so that what it keeps for the life of the process is still its own for the
  // leak checker at exit.
  ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
  KeepDriversMapped();
  EXPECT_LE(GrowthPerCycle(addressSpace, kWindow), kAddressSpaceKiBPerCycle) << "address space, KiB per cycle";
  if (kResidentKiBPerCycle) {
    EXPECT_LE(GrowthPerCycle(resident, kWindow), *kResidentKiBPerCycle) << "resident memory, KiB per cycle";
  }
}

}  // namespace
}  // namespace modelhost_test
