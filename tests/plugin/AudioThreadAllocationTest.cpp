// Nothing on the audio thread allocates: every form of operator new is replaced in this test program by one
// that counts while a block is being processed, and the resampler family's own count must not move either.
// Each row drives one family of paths (stereo, mid/side, sample-accurate automation, bypass, the power
// fade, meters and modulation-view feeds, the test signal, the oversampled path at each factor) through
// fader moves, settled blocks and odd block lengths.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "plugin/Kelvadrune.h"
#include "plugin/resampler/Allocation.h"

namespace {

std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};

void* CountedAllocation(std::size_t bytes, std::size_t alignment) {
  if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (bytes == 0) bytes = 1;
  void* block = alignment <= alignof(std::max_align_t)
                    ? std::malloc(bytes)
                    : std::aligned_alloc(alignment, (bytes + alignment - 1) / alignment * alignment);
  if (!block) throw std::bad_alloc();
  return block;
}

// Out of line, so that the compiler does not pair a free with the operator new it sees inlined.
[[gnu::noinline]] void ReleaseCounted(void* block) noexcept {
  std::free(block);
}

}  // namespace

void* operator new(std::size_t bytes) {
  return CountedAllocation(bytes, 0);
}
void* operator new[](std::size_t bytes) {
  return CountedAllocation(bytes, 0);
}
void* operator new(std::size_t bytes, std::align_val_t alignment) {
  return CountedAllocation(bytes, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t bytes, std::align_val_t alignment) {
  return CountedAllocation(bytes, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  try {
    return CountedAllocation(bytes, 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t bytes, const std::nothrow_t& tag) noexcept {
  return operator new(bytes, tag);
}
void operator delete(void* block) noexcept {
  ReleaseCounted(block);
}
void operator delete[](void* block) noexcept {
  ReleaseCounted(block);
}
void operator delete(void* block, std::size_t) noexcept {
  ReleaseCounted(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  ReleaseCounted(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
  ReleaseCounted(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
  ReleaseCounted(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
  ReleaseCounted(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
  ReleaseCounted(block);
}

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 64;

// Allocations made while the scope is open.
class AllocationCount {
 public:
  AllocationCount() : mStart(gAllocations.load()), mFamilyStart(rsmp::GetFamilyAllocationCount()) {
    gCounting.store(true);
  }
  ~AllocationCount() { gCounting.store(false); }
  long Made() const { return gAllocations.load() - mStart + (rsmp::GetFamilyAllocationCount() - mFamilyStart); }

 private:
  long mStart;
  std::int64_t mFamilyStart;
};

TEST(AllocationCount, SeesAnAllocation) {
  long made = 0;
  {
    AllocationCount count;
    auto block = std::make_unique<std::vector<double>>(16);
    made = count.Made();
  }
  EXPECT_EQ(made, 2);
}

struct PathRow {
  const char* name;
  // Between blocks, on the parameter thread: what the row changes before block b (not counted).
  std::function<void(Kelvadrune&, int b)> between;
};

void PrintTo(const PathRow& row, std::ostream* os) {
  *os << row.name;
}

void HostSet(Kelvadrune& plug, int idx, double value, int offset = -1) {
  plug.GetParam(idx)->Set(value);
  plug.OnParamChange(idx, fx::kHost, offset);
}

class AudioThreadAllocationTest : public testing::TestWithParam<PathRow> {};

// Three seconds of blocks, the fade and smoothing settled and disturbed again by the row's changes; every
// tenth block is shorter than the block size.
TEST_P(AudioThreadAllocationTest, ProcessingAllocatesNothing) {
  Kelvadrune plug{fx::InstanceInfo{}};
  plug.SetSampleRate(kRate);
  plug.SetBlockSize(kBlock);
  plug.OnReset();
  std::vector<double> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
  for (int i = 0; i < kBlock; ++i) {
    inL[i] = 0.5 * ((i * 37) % 19 - 9) / 9.0;
    inR[i] = 0.3 * ((i * 11) % 23 - 11) / 11.0;
  }
  double* ins[2] = {inL.data(), inR.data()};
  double* outs[2] = {outL.data(), outR.data()};
  long made = 0;
  const int nBlocks = static_cast<int>(3 * kRate) / kBlock;
  for (int b = 0; b < nBlocks; ++b) {
    GetParam().between(plug, b);
    const int n = b % 10 == 9 ? kBlock - 23 : kBlock;
    AllocationCount count;
    plug.ProcessBlock(ins, outs, n);
    made += count.Made();
  }
  EXPECT_EQ(made, 0);
}

// A fader move every half second, so the run alternates between moving and settled blocks.
void MoveEveryHalfSecond(Kelvadrune& plug, int b, int fader) {
  const int halfSecond = static_cast<int>(kRate / 2) / kBlock;
  if (b % halfSecond == 0) HostSet(plug, fader, (b / halfSecond) % 2 ? 0.3 : 0.7);
}

INSTANTIATE_TEST_SUITE_P(Paths, AudioThreadAllocationTest,
                         testing::Values(PathRow{"Stereo",
                                                 [](Kelvadrune& p, int b) { MoveEveryHalfSecond(p, b, kGainMaster); }},
                                         PathRow{"MidSideSmoothing",
                                                 [](Kelvadrune& p, int b) {
                                                   if (b == 0) {
                                                     HostSet(p, kProcessMode, 1.0);
                                                     HostSet(p, kMDFilterFreq, 3.0);
                                                   }
                                                   MoveEveryHalfSecond(p, b, kGainRS);
                                                 }},
                                         PathRow{"SampleAccurate",
                                                 [](Kelvadrune& p, int b) {
                                                   if (b == 0) p.SetSampleAccurateActive(true);
                                                   if (b % 3 == 0) HostSet(p, kGainLM, b % 2 ? 0.4 : 0.6, 17);
                                                 }},
                                         PathRow{"HostBypass",
                                                 [](Kelvadrune& p, int b) {
                                                   if (b == 0) {
                                                     p.SetBypassed(true);
                                                     p.OnBypassChanged(true);
                                                   }
                                                   MoveEveryHalfSecond(p, b, kGainMaster);
                                                 }},
                                         PathRow{"PowerFade",
                                                 [](Kelvadrune& p, int b) {
                                                   const int halfSecond = static_cast<int>(kRate / 2) / kBlock;
                                                   if (b % halfSecond == 0)
                                                     HostSet(p, kPower, (b / halfSecond) % 2 ? 0.0 : 1.0);
                                                 }},
                                         PathRow{"MetersAndModViews",
                                                 [](Kelvadrune& p, int b) {
                                                   if (b == 0) p.OnUIOpen();
                                                   if (b % 50 == 0) p.OnParamChange(kMsgResetMeter, fx::kUI, -1);
                                                   if (b == 1000) HostSet(p, kDisableMeter, 1.0);
                                                   MoveEveryHalfSecond(p, b, kGainLM);
                                                   Kelvadrune::SenderRecord record;
                                                   if (b % 5 == 0) {
                                                     for (int g = 0; g < kNumGains; ++g) {
                                                       while (p.PopModViewRecord(g, record)) {
                                                       }
                                                     }
                                                   }
                                                 }},
                                         PathRow{"MonoLinkedCore",
                                                 [](Kelvadrune& p, int b) {
                                                   if (b == 0) {
                                                     p.SetChannelConnections(fx::kOutput, 1, 1, false);
                                                     HostSet(p, kBasicFaderLayout, 1.0);
                                                     HostSet(p, kCoreFaderLayout, 1.0);
                                                   }
                                                   MoveEveryHalfSecond(p, b, kGainLM);
                                                 }}),
                         [](const testing::TestParamInfo<PathRow>& info) { return std::string(info.param.name); });

// The paths the product never takes, through the test-only setters: the test signal at factor 1, and the
// oversampled path at each factor (16 being beyond what its buffers hold), one output only after 2 s.
template <int Factor>
void TestOnlyPath(Kelvadrune& plug, int b) {
  if (b == 0) plug.SetTestSignalForTesting(Factor == 1 ? 1 : 0);
  if (b == 0) plug.SetOversamplingFactorForTesting(Factor);
  if (b == static_cast<int>(2 * kRate) / kBlock) plug.SetChannelConnections(fx::kOutput, 1, 1, false);
  MoveEveryHalfSecond(plug, b, kGainMaster);
}

INSTANTIATE_TEST_SUITE_P(TestOnlyPaths, AudioThreadAllocationTest,
                         testing::Values(PathRow{"TestSignal", TestOnlyPath<1>}, PathRow{"Factor2", TestOnlyPath<2>},
                                         PathRow{"Factor4", TestOnlyPath<4>}, PathRow{"Factor8", TestOnlyPath<8>},
                                         PathRow{"Factor16", TestOnlyPath<16>}),
                         [](const testing::TestParamInfo<PathRow>& info) { return std::string(info.param.name); });

}  // namespace
