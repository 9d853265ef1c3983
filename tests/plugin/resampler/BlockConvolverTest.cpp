#include "plugin/resampler/CDSPBlockConvolver.h"
#include "plugin/resampler/CFFTObjectPool.h"
#include "plugin/resampler/CKernelFilterCache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using rsmp::CDSPBlockConvolver;
using rsmp::CDSPKernelFilter;

constexpr double kTransBand = 8.0;
constexpr double kAtten = 124.28;

double Cutoff(int up, int down) {
  return std::min(0.5, 1.0 / std::max(up, down));
}

struct CDesign {
  double TransBand;
  double Atten;
  int Phase;
};

struct CReference {
  std::vector<double> Taps;
  int Delay = 0;
};

class BlockConvolver : public ::testing::Test {
 protected:
  ~BlockConvolver() override {
    mCache->Close();
    mPool->Close();
  }

  // A convolver with the chain's filter for the factors (cut-off 1 / max(L, M) of Nyquist, gain L).
  CDSPBlockConvolver* Make(int up, int down, int phase = 0, double prevLatency = 0.0) {
    return MakeDesigned({kTransBand, kAtten, phase}, up, down, prevLatency);
  }

  CDSPBlockConvolver* MakeDesigned(const CDesign& design, int up, int down, double prevLatency = 0.0) {
    CDSPKernelFilter& filter =
        mCache->GetLowPassFilter(Cutoff(up, down), design.TransBand, design.Atten, design.Phase, up);
    return new CDSPBlockConvolver(filter, up, down, true, prevLatency);
  }

  // The taps the convolver's filter is designed from, scaled to its gain, and the delay (in up-sampled
  // samples) at which the convolver's consumed latency lines them up: the centre for linear phase, the
  // whole samples of the group delay for minimum phase.
  CReference MakeReference(const CDesign& design, int up, int down) {
    return MakeReference(design, Cutoff(up, down), up);
  }

  CReference MakeReference(const CDesign& design, double cutoff, int gain) {
    const rsmp::CLowPassGeometry geometry = CDSPKernelFilter::ComputeGeometry(cutoff, design.TransBand, design.Atten);
    CReference reference;
    reference.Taps.resize(static_cast<size_t>(geometry.KernelLen));
    CDSPKernelFilter::GenerateKernel(geometry, reference.Taps.data());
    reference.Delay = geometry.HalfTaps;
    if (design.Phase != 0) {
      double groupDelay = 0.0;
      CDSPKernelFilter::MakeMinimumPhase(*mPool, reference.Taps.data(), geometry.KernelLen,
                                         CDSPKernelFilter::kMinPhaseLenMult, false, &groupDelay);
      reference.Delay = static_cast<int>(groupDelay);
    }
    long double sum = 0.0L;
    for (double tap : reference.Taps) sum += tap;
    for (double& tap : reference.Taps) tap = static_cast<double>(tap * gain / sum);
    return reference;
  }

  rsmp::CFFTObjectPool* mPool = new rsmp::CFFTObjectPool;
  rsmp::CKernelFilterCache* mCache = new rsmp::CKernelFilterCache(*mPool);
};

std::vector<double> RandomSignal(int length, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<double> signal(static_cast<size_t>(length));
  for (double& value : signal) value = uniform(generator);
  return signal;
}

// Runs `input` through the convolver in chunks of the given lengths (cycled) and collects the output.
std::vector<double> RunChunked(CDSPBlockConvolver& convolver, std::vector<double> input,
                               const std::vector<int>& chunks) {
  std::vector<double> output;
  std::vector<double> buffer;
  size_t position = 0;
  for (size_t c = 0; position < input.size(); c++) {
    const int length = std::min(chunks[c % chunks.size()], static_cast<int>(input.size() - position));
    buffer.assign(static_cast<size_t>(convolver.GetMaxOutputLength(length)), 0.0);
    double* out = buffer.data();
    const int produced = convolver.Process(input.data() + position, length, out);
    EXPECT_LE(produced, convolver.GetMaxOutputLength(length));
    output.insert(output.end(), out, out + produced);
    position += static_cast<size_t>(length);
  }
  return output;
}

// Zero-stuffs by `up`, convolves directly with the reference taps and keeps every `down`-th sample;
// output j is the filtered stream at up-sampled position j x down + the reference delay.
std::vector<double> DirectResample(const std::vector<double>& input, const CReference& reference, int up, int down,
                                   int outputs) {
  const long long stuffedLength = static_cast<long long>(input.size()) * up;
  const int taps = static_cast<int>(reference.Taps.size());
  std::vector<double> output(static_cast<size_t>(outputs));
  for (int j = 0; j < outputs; j++) {
    const long long position = static_cast<long long>(j) * down + reference.Delay;
    long double acc = 0.0L;
    for (int k = 0; k < taps; k++) {
      const long long n = position - k;
      if (n >= 0 && n < stuffedLength && n % up == 0)
        acc += static_cast<long double>(reference.Taps[static_cast<size_t>(k)]) * input[static_cast<size_t>(n / up)];
    }
    output[static_cast<size_t>(j)] = static_cast<double>(acc);
  }
  return output;
}

double WorstDifference(const std::vector<double>& a, const std::vector<double>& b) {
  double worst = 0.0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); i++) worst = std::max(worst, std::fabs(a[i] - b[i]));
  return worst;
}

// A down-factor of 2^d is taken by a shorter inverse transform, which drops the filtered spectrum above
// the new Nyquist; that part is already down by the stop-band attenuation.
double FoldedTolerance(double atten) {
  return 4.0 * std::pow(10.0, -atten / 20.0);
}

TEST_F(BlockConvolver, UpTwoWithThePluginFilterHasTheReferenceGeometry) {
  CDSPBlockConvolver* convolver = Make(2, 1);
  EXPECT_EQ(convolver->GetFilter().GetKernelLen(), 247);
  EXPECT_EQ(convolver->GetBlockLen2(), 512);
  EXPECT_EQ(convolver->GetUpShift(), 1);
  EXPECT_EQ(convolver->GetForwardOrder(), 8);
  EXPECT_EQ(convolver->GetPrevInputLen(), 123);
  EXPECT_EQ(convolver->GetInputLen(), 266);
  EXPECT_EQ(convolver->GetDownShift(), 0);
  EXPECT_EQ(convolver->GetInverseOrder(), 9);
  EXPECT_TRUE(convolver->HasSeparateInverseFFT());
  EXPECT_EQ(convolver->GetBlockLatency(), 389);
  EXPECT_EQ(convolver->GetLatency(), 0);
  delete convolver;
}

TEST_F(BlockConvolver, FactorKindsChooseTheirTransforms) {
  struct CRow {
    int Up, Down, UpShift, DownShift;
    bool EvenInput;
  };
  for (const CRow& row : {CRow{1, 2, 0, 1, true}, CRow{3, 2, -1, 1, true}, CRow{2, 3, 1, -1, false},
                          CRow{1, 3, 0, -1, false}, CRow{3, 1, -1, 0, false}}) {
    CDSPBlockConvolver* convolver = Make(row.Up, row.Down);
    const int bits = convolver->GetFilter().GetBlockLenBits();
    EXPECT_EQ(convolver->GetUpShift(), row.UpShift) << row.Up << "/" << row.Down;
    EXPECT_EQ(convolver->GetDownShift(), row.DownShift) << row.Up << "/" << row.Down;
    EXPECT_EQ(convolver->GetForwardOrder(), bits + 1 - std::max(row.UpShift, 0));
    EXPECT_EQ(convolver->GetInverseOrder(), bits + 1 - std::max(row.DownShift, 0));
    if (row.EvenInput) {
      EXPECT_EQ(convolver->GetInputLen() % 2, 0);
    }
    delete convolver;
  }
}

// Factor pairs whose result is exactly a direct convolution (no shortened inverse transform).
TEST_F(BlockConvolver, EqualsDirectConvolutionForWholeFactors) {
  const std::vector<double> input = RandomSignal(2500, 3);
  for (const auto& [up, down] :
       std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {8, 1}, {1, 3}, {2, 3}, {4, 3}}) {
    CDSPBlockConvolver* convolver = Make(up, down);
    const std::vector<double> output = RunChunked(*convolver, input, {2500});
    ASSERT_GT(output.size(), 500u) << up << "/" << down;
    const CReference reference = MakeReference({kTransBand, kAtten, 0}, up, down);
    const std::vector<double> expected = DirectResample(input, reference, up, down, static_cast<int>(output.size()));
    EXPECT_LT(WorstDifference(output, expected), 1e-12) << up << "/" << down;
    delete convolver;
  }
}

TEST_F(BlockConvolver, EqualsDirectConvolutionWithinTheStopBandForFoldedDownFactors) {
  const std::vector<double> input = RandomSignal(2500, 4);
  for (const auto& [up, down] : std::vector<std::pair<int, int>>{{1, 2}, {3, 2}, {3, 4}, {1, 4}, {6, 4}}) {
    CDSPBlockConvolver* convolver = Make(up, down);
    const std::vector<double> output = RunChunked(*convolver, input, {2500});
    ASSERT_GT(output.size(), 300u) << up << "/" << down;
    const CReference reference = MakeReference({kTransBand, kAtten, 0}, up, down);
    const std::vector<double> expected = DirectResample(input, reference, up, down, static_cast<int>(output.size()));
    EXPECT_LT(WorstDifference(output, expected), FoldedTolerance(kAtten)) << up << "/" << down;
    delete convolver;
  }
}

// Designs whose block takes a number of new up-sampled positions that is not a multiple of the up-factor:
// a stuffed sample's zeros then run on into the next block.
struct CStuffingRow {
  CDesign Design;
  int Up;
  int Down;
};

TEST_F(BlockConvolver, ZeroStuffingCarriesAcrossBlocksOfAnyLength) {
  const std::vector<double> input = RandomSignal(2500, 8);
  const CStuffingRow rows[] = {
      {{10.0, 124.28, 0}, 3, 1}, {{10.0, 124.28, 1}, 3, 1}, {{8.0, 80.0, 1}, 3, 1},    {{10.0, 124.28, 0}, 3, 2},
      {{10.0, 124.28, 1}, 3, 2}, {{12.0, 124.28, 0}, 3, 4}, {{12.0, 124.28, 1}, 3, 4},
  };
  for (const CStuffingRow& row : rows) {
    const std::string label = (::testing::Message() << row.Up << "/" << row.Down << " band " << row.Design.TransBand
                                                    << " phase " << row.Design.Phase)
                                  .GetString();
    CDSPBlockConvolver* convolver = MakeDesigned(row.Design, row.Up, row.Down);
    EXPECT_NE(convolver->GetInputLen() % row.Up, 0) << label;
    const std::vector<double> output = RunChunked(*convolver, input, {2500});
    ASSERT_GT(output.size(), 1000u) << label;
    const CReference reference = MakeReference(row.Design, row.Up, row.Down);
    const std::vector<double> expected =
        DirectResample(input, reference, row.Up, row.Down, static_cast<int>(output.size()));
    const bool isFolded = row.Down > 1 && (row.Down & (row.Down - 1)) == 0;
    const double tolerance = isFolded ? FoldedTolerance(row.Design.Atten) : 1e-12;
    EXPECT_LT(WorstDifference(output, expected), tolerance) << label;
    for (const std::vector<int>& chunks : std::vector<std::vector<int>>{{1}, {7, 1, 300}, {64, 3, 0, 511}}) {
      convolver->Clear();
      EXPECT_EQ(RunChunked(*convolver, input, chunks), output) << label << " chunks " << chunks[0];
    }
    delete convolver;
  }
}

TEST_F(BlockConvolver, OutputIsIdenticalHoweverTheInputIsSplit) {
  const std::vector<double> input = RandomSignal(3000, 5);
  for (const auto& [up, down] : std::vector<std::pair<int, int>>{{2, 1}, {1, 2}, {3, 2}, {2, 3}, {3, 1}, {1, 3}}) {
    CDSPBlockConvolver* convolver = Make(up, down);
    const std::vector<double> whole = RunChunked(*convolver, input, {3000});
    for (const std::vector<int>& chunks :
         std::vector<std::vector<int>>{{1}, {7, 1, 300}, {266, 1000}, {64, 3, 0, 511}}) {
      convolver->Clear();
      EXPECT_EQ(RunChunked(*convolver, input, chunks), whole) << up << "/" << down << " chunks " << chunks[0];
    }
    delete convolver;
  }
}

TEST_F(BlockConvolver, MinimumPhaseFilterDelaysByItsLatency) {
  CDSPBlockConvolver* convolver = Make(2, 1, 1);
  std::vector<double> impulse(2000, 0.0);
  impulse[0] = 1.0;
  const std::vector<double> output = RunChunked(*convolver, impulse, {2000});
  ASSERT_GT(output.size(), 100u);
  // With the latency consumed the response starts at once and peaks within the filter's group delay.
  const auto peak =
      std::max_element(output.begin(), output.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); });
  EXPECT_LT(peak - output.begin(), 2 * convolver->GetFilter().GetLatency() + 2);
  EXPECT_NE(output[0], 0.0);
  delete convolver;
}

TEST_F(BlockConvolver, ClearRestoresTheConstructedState) {
  const std::vector<double> input = RandomSignal(1500, 6);
  CDSPBlockConvolver* convolver = Make(3, 2);
  const std::vector<double> first = RunChunked(*convolver, input, {333});
  convolver->Clear();
  EXPECT_EQ(RunChunked(*convolver, input, {333}), first);
  delete convolver;
}

TEST_F(BlockConvolver, ProcessNeverAllocates) {
  const std::vector<double> input = RandomSignal(4000, 7);
  std::vector<double> buffer(20000);
  for (const auto& [up, down] : std::vector<std::pair<int, int>>{{2, 1}, {1, 2}, {3, 2}}) {
    CDSPBlockConvolver* convolver = Make(up, down);
    const std::int64_t allocations = rsmp::GetFamilyAllocationCount();
    double* out = buffer.data();
    convolver->Process(const_cast<double*>(input.data()), 4000, out);
    convolver->Clear();
    EXPECT_EQ(rsmp::GetFamilyAllocationCount(), allocations);
    delete convolver;
  }
}

TEST_F(BlockConvolver, EmptyInputGivesNoOutput) {
  CDSPBlockConvolver* convolver = Make(2, 1);
  double sample = 0.0;
  double* out = &sample;
  EXPECT_EQ(convolver->Process(&sample, 0, out), 0);
  delete convolver;
}

TEST_F(BlockConvolver, InputLengthForOutputIncludesTheLatency) {
  CDSPBlockConvolver* convolver = Make(2, 1);
  // (p x 1 + 389) / 2 rounded up: 244 inputs are 488 up-sampled positions, 99 past the latency.
  EXPECT_EQ(convolver->GetInputLengthForOutput(0), 195);
  EXPECT_EQ(convolver->GetInputLengthForOutput(100), 245);
  EXPECT_EQ(convolver->GetMaxOutputLength(10), 20);
  delete convolver;
}

// A 45 % / 25 dB half-band design: 7 taps in a 16-point block.
constexpr CDesign kShortDesign{45.0, 25.0, 0};

// Factors below 1 or past what int counts with the block; a previous latency fraction outside [0, 1);
// power-of-two down-factors above a power-of-two up-factor above 1, whose kept samples would drift from the
// down-sampling phase block by block; and, on the 7-tap filter, power-of-two factors of 16 and more, which
// would fold the 16-point block into a transform of one point or less (up by 16 would also leave no new input).
TEST_F(BlockConvolver, RefusedFactorsLeaveTheFilterReferenceWithTheCaller) {
  struct CRow {
    CDesign Design;
    int Up, Down;
    double PrevLatency = 0.0;
  };
  const CDesign plugin{kTransBand, kAtten, 0};
  const double nan = std::nan("");
  const CRow rows[] = {
      {plugin, 0, 1},
      {plugin, 1, 0},
      {plugin, -2, 1},
      {plugin, INT_MAX, 1},
      {plugin, 1, INT_MAX},
      {kShortDesign, INT_MAX - 30, 1},
      {kShortDesign, 3, INT_MAX - 30},
      {plugin, 2, 4},
      {plugin, 2, 8},
      {plugin, 4, 8},
      {plugin, 2, 16},
      {plugin, 4, 16},
      {plugin, 2, 1, -0.5},
      {plugin, 2, 1, 1.0},
      {plugin, 100, 1, 1e300},
      {plugin, 3, 1, nan},
      {kShortDesign, 16, 1},
      {kShortDesign, 32, 1},
      {kShortDesign, 64, 1},
      {kShortDesign, 1, 16},
      {kShortDesign, 1, 32},
      {kShortDesign, 1, 64},
      {kShortDesign, 3, 16},
      {kShortDesign, 16, 3},
  };
  for (const CRow& row : rows) {
    CDSPKernelFilter& filter =
        mCache->GetLowPassFilter(0.5, row.Design.TransBand, row.Design.Atten, row.Design.Phase, 1.0);
    const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
    EXPECT_THROW(CDSPBlockConvolver(filter, row.Up, row.Down, true, row.PrevLatency), std::invalid_argument)
        << row.Up << "/" << row.Down << " after " << row.PrevLatency << " on " << filter.GetKernelLen() << " taps";
    EXPECT_EQ(filter.GetRefCount(), 1);
    EXPECT_EQ(mPool->GetHeldCount(), 0);
    EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live);
    mCache->Release(filter);
  }
}

// Power-of-two up-factors folded into the forward transform with power-of-two down-factors no larger folded into
// the inverse: every linear-phase design builds and equals direct convolution; a minimum-phase design either does
// too or, when its centre falls between the kept samples, is refused.
TEST_F(BlockConvolver, FoldsPowerOfTwoUpAndDownFactorsTogether) {
  const std::vector<double> input = RandomSignal(1500, 10);
  const CDesign designs[] = {{kTransBand, kAtten, 0}, {kTransBand, kAtten, 1}, {10.0, 100.0, 0}, {12.0, 80.0, 1}};
  int refused = 0;
  for (const CDesign& design : designs) {
    for (const auto& [up, down] :
         std::vector<std::pair<int, int>>{{2, 2}, {4, 2}, {4, 4}, {8, 2}, {8, 4}, {16, 2}, {16, 4}}) {
      const std::string label =
          (::testing::Message() << up << "/" << down << " band " << design.TransBand << " phase " << design.Phase)
              .GetString();
      CDSPBlockConvolver* convolver = nullptr;
      if (design.Phase == 0) {
        convolver = MakeDesigned(design, up, down);
      } else {
        CDSPKernelFilter& filter =
            mCache->GetLowPassFilter(Cutoff(up, down), design.TransBand, design.Atten, design.Phase, up);
        try {
          convolver = new CDSPBlockConvolver(filter, up, down, true, 0.0);
        } catch (const std::invalid_argument&) {
          mCache->Release(filter);
          refused++;
          continue;
        }
      }
      EXPECT_GE(convolver->GetUpShift(), 1) << label;
      EXPECT_GE(convolver->GetDownShift(), 1) << label;
      const std::vector<double> output = RunChunked(*convolver, input, {1500});
      ASSERT_GT(output.size() * static_cast<size_t>(down), 1000u * static_cast<size_t>(up)) << label;
      const CReference reference = MakeReference(design, up, down);
      const std::vector<double> expected = DirectResample(input, reference, up, down, static_cast<int>(output.size()));
      EXPECT_LT(WorstDifference(output, expected), FoldedTolerance(design.Atten)) << label;
      for (const std::vector<int>& chunks : std::vector<std::vector<int>>{{1}, {7, 1, 300}}) {
        convolver->Clear();
        EXPECT_EQ(RunChunked(*convolver, input, chunks), output) << label << " chunks " << chunks[0];
      }
      delete convolver;
    }
  }
  EXPECT_LT(refused, 14);
}

// Factors past 64, stuffed or kept sample by sample, convolve exactly (the first 1000 outputs after the latency).
TEST_F(BlockConvolver, LargeFactorsEqualDirectConvolution) {
  const std::vector<double> input = RandomSignal(120'000, 11);
  for (const auto& [up, down] :
       std::vector<std::pair<int, int>>{{65, 1}, {100, 1}, {300, 1}, {100, 3}, {1, 65}, {1, 100}, {1, 300}, {3, 100}}) {
    const CDesign design{kTransBand, 100.0, 0};
    CDSPBlockConvolver* convolver = MakeDesigned(design, up, down);
    const int length = up > down ? 1200 : 120'000;
    const std::vector<double> output = RunChunked(*convolver, {input.begin(), input.begin() + length}, {1200, 1, 77});
    ASSERT_GE(output.size(), 100u) << up << "/" << down;
    const int compared = std::min(static_cast<int>(output.size()), 1000);
    const CReference reference = MakeReference(design, up, down);
    const std::vector<double> expected = DirectResample(input, reference, up, down, compared);
    EXPECT_LT(WorstDifference(output, expected), 1e-12 * up) << up << "/" << down;
    delete convolver;
  }
}

// On the 7-tap filter a factor of a million builds; a length whose up-sampled count passes int is refused
// whole, and lengths short of it are stuffed exactly.
TEST_F(BlockConvolver, LengthsWhoseUpSampledCountPassesIntAreRefused) {
  const int up = 1'000'003;
  CDSPKernelFilter& filter = mCache->GetLowPassFilter(0.5, kShortDesign.TransBand, kShortDesign.Atten, 0, up);
  ASSERT_EQ(filter.GetKernelLen(), 7);
  CDSPBlockConvolver* convolver = new CDSPBlockConvolver(filter, up, 1, true, 0.0);
  std::vector<double> input = RandomSignal(INT_MAX / up + 1, 12);
  EXPECT_EQ(convolver->GetMaxOutputLength(INT_MAX / up + 1), 0);
  EXPECT_EQ(convolver->GetMaxOutputLength(-1), 0);
  double marker = 0.0;
  double* out = &marker;
  EXPECT_EQ(convolver->Process(input.data(), INT_MAX / up + 1, out), 0);
  EXPECT_EQ(convolver->Process(input.data(), -1, out), 0);
  EXPECT_EQ(out, &marker);
  EXPECT_EQ(convolver->GetMaxOutputLength(3), 3 * up);
  const std::vector<double> output = RunChunked(*convolver, {input.begin(), input.begin() + 3}, {3});
  const CReference reference = MakeReference(kShortDesign, 0.5, up);
  EXPECT_EQ(output.size(), static_cast<size_t>(3 * up - convolver->GetBlockLatency()));
  EXPECT_LT(WorstDifference(output, DirectResample({input.begin(), input.begin() + 3}, reference, up, 1,
                                                   static_cast<int>(output.size()))),
            1e-12 * up);
  delete convolver;
}

// The largest factors the 7-tap filter's block holds still build; those not folded into a shorter
// inverse transform (which assumes the filter cuts at the new Nyquist) convolve exactly.
TEST_F(BlockConvolver, ShortFilterTakesTheFactorsItsBlockHolds) {
  const std::vector<double> input = RandomSignal(600, 9);
  for (const auto& [up, down] : std::vector<std::pair<int, int>>{{8, 1}, {15, 1}, {63, 1}, {1, 63}, {1, 8}}) {
    CDSPKernelFilter& filter = mCache->GetLowPassFilter(0.5, kShortDesign.TransBand, kShortDesign.Atten, 0, up);
    ASSERT_EQ(filter.GetKernelLen(), 7);
    ASSERT_EQ(2 << filter.GetBlockLenBits(), 16);
    CDSPBlockConvolver* convolver = new CDSPBlockConvolver(filter, up, down, true, 0.0);
    if (down == 8) {
      EXPECT_EQ(convolver->GetInverseOrder(), 1);
    } else {
      const std::vector<double> output = RunChunked(*convolver, input, {600, 1, 37});
      ASSERT_GT(output.size() * static_cast<size_t>(down), 500u * static_cast<size_t>(up)) << up << "/" << down;
      const CReference reference = MakeReference(kShortDesign, 0.5, up);
      const std::vector<double> expected = DirectResample(input, reference, up, down, static_cast<int>(output.size()));
      EXPECT_LT(WorstDifference(output, expected), 1e-12) << up << "/" << down;
    }
    delete convolver;
  }
}

TEST_F(BlockConvolver, FailedConstructionLeaksNothing) {
  CDSPKernelFilter& filter = mCache->GetLowPassFilter(0.5, kTransBand, kAtten, 0, 2.0);
  const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
  for (int failAfter = 0; failAfter < 3; failAfter++) {
    rsmp::FailFamilyAllocationAfter(failAfter);
    EXPECT_THROW(CDSPBlockConvolver(filter, 2, 1, true, 0.0), std::bad_alloc) << failAfter;
    EXPECT_EQ(filter.GetRefCount(), 1);
    EXPECT_EQ(mPool->GetHeldCount(), 0);
  }
  rsmp::FailFamilyAllocationAfter(-1);
  EXPECT_LE(rsmp::GetFamilyLiveBlockCount(), live + 2);
  mCache->Release(filter);
}

}  // namespace
