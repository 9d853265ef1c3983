#include "plugin/resampler/CDSPBlockConvolver.h"
#include "plugin/resampler/CDSPFracInterpolator.h"
#include "plugin/resampler/CDSPHBDownsampler.h"
#include "plugin/resampler/CDSPHBUpsampler.h"
#include "plugin/resampler/CDSPResampler.h"
#include "plugin/resampler/CKernelFilterCache.h"
#include "plugin/resampler/ResamplerStores.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <iomanip>
#include <limits>
#include <memory>
#include <numbers>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace rsmp {
namespace {

constexpr double kRate = 44100.0;

// One letter per step: C block convolver, U half-band upsampler, D half-band downsampler,
// I fractional interpolator.
std::string DescribeChain(const CDSPResampler& resampler) {
  std::string text;
  for (int i = 0; i < resampler.GetStepCount(); i++) {
    const CDSPProcessor& step = resampler.GetStep(i);
    if (dynamic_cast<const CDSPBlockConvolver*>(&step))
      text += 'C';
    else if (dynamic_cast<const CDSPHBUpsampler*>(&step))
      text += 'U';
    else if (dynamic_cast<const CDSPHBDownsampler*>(&step))
      text += 'D';
    else if (dynamic_cast<const CDSPFracInterpolator*>(&step))
      text += 'I';
  }
  return text;
}

struct ChainRow {
  double src;
  double dst;
  double transBand;
  const char* chain;
  int up;
  int down;
  double cutoff;
  double gain;
};

void PrintTo(const ChainRow& row, std::ostream* os) {
  *os << std::setprecision(10) << row.src << " Hz to " << row.dst << " Hz, band " << row.transBand;
}

class ChainStructure : public ::testing::TestWithParam<ChainRow> {};

TEST_P(ChainStructure, BuildsTheStepsForTheRatePair) {
  const ChainRow& row = GetParam();
  CDSPResampler resampler(row.src, row.dst, 256, row.transBand, 124.28, 0);
  EXPECT_EQ(DescribeChain(resampler), row.chain);
  EXPECT_EQ(resampler.GetLatency(), 0);
  const std::string chain = row.chain;
  const auto& convolver = dynamic_cast<const CDSPBlockConvolver&>(resampler.GetStep(static_cast<int>(chain.find('C'))));
  EXPECT_EQ(convolver.GetUpFactor(), row.up);
  EXPECT_EQ(convolver.GetDownFactor(), row.down);
  EXPECT_DOUBLE_EQ(convolver.GetFilter().GetReqNormFreq(), row.cutoff);
  EXPECT_DOUBLE_EQ(convolver.GetFilter().GetReqGain(), row.gain);
}

INSTANTIATE_TEST_SUITE_P(RatePairs, ChainStructure,
                         ::testing::Values(ChainRow{kRate, 2 * kRate, 8.0, "C", 2, 1, 0.5, 2.0},
                                           ChainRow{kRate, 4 * kRate, 8.0, "CU", 2, 1, 0.5, 2.0},
                                           ChainRow{kRate, 3 * kRate, 8.0, "C", 3, 1, 1.0 / 3.0, 3.0},
                                           ChainRow{kRate, 6 * kRate, 8.0, "CU", 3, 1, 1.0 / 3.0, 3.0},
                                           ChainRow{kRate, 256 * kRate, 8.0, "CUUUUUUU", 2, 1, 0.5, 2.0},
                                           ChainRow{2 * kRate, kRate, 8.0, "C", 1, 2, 0.5, 1.0},
                                           ChainRow{3 * kRate, kRate, 8.0, "C", 1, 3, 1.0 / 3.0, 1.0},
                                           ChainRow{4 * kRate, kRate, 8.0, "DC", 1, 2, 0.5, 0.5},
                                           ChainRow{256 * kRate, kRate, 8.0, "DDDDDDDC", 1, 2, 0.5, 1.0 / 128.0},
                                           ChainRow{kRate * 3, kRate * 2, 8.0, "C", 2, 3, 1.0 / 3.0, 2.0},
                                           ChainRow{kRate * 2, kRate * 3, 8.0, "C", 3, 2, 1.0 / 3.0, 3.0},
                                           ChainRow{kRate * 4, kRate * 3, 8.0, "C", 3, 4, 1.0 / 4.0, 3.0},
                                           ChainRow{44100.0, 48000.0, 2.0, "CI", 2, 1, 0.5, 2.0},
                                           ChainRow{48000.0, 44100.0, 2.0, "CI", 2, 1, 0.5 * 44100.0 / 48000.0, 2.0},
                                           ChainRow{192000.0, 44100.0, 2.0, "DCI", 1, 1, 88200.0 / 192000.0, 0.5},
                                           ChainRow{44100.0, 192000.0, 2.0, "CICU", 2, 1, 0.5, 2.0}));

// Least-squares fit of a cos(w n) + b sin(w n) to x[from ..]; returns the amplitude and sets the largest
// distance of x from the fitted tone.
double FitTone(const std::vector<double>& x, std::size_t from, double cyclesPerSample, double& worstResidual) {
  double cc = 0.0, ss = 0.0, cs = 0.0, xc = 0.0, xs = 0.0;
  const double w = 2.0 * std::numbers::pi * cyclesPerSample;
  for (std::size_t n = from; n < x.size(); n++) {
    const double c = std::cos(w * n);
    const double s = std::sin(w * n);
    cc += c * c;
    ss += s * s;
    cs += c * s;
    xc += x[n] * c;
    xs += x[n] * s;
  }
  const double det = cc * ss - cs * cs;
  const double a = (xc * ss - xs * cs) / det;
  const double b = (xs * cc - xc * cs) / det;
  worstResidual = 0.0;
  for (std::size_t n = from; n < x.size(); n++)
    worstResidual = std::max(worstResidual, std::fabs(x[n] - a * std::cos(w * n) - b * std::sin(w * n)));
  return std::hypot(a, b);
}

struct MinimumPhaseRow {
  double src;
  double dst;
  const char* chain;
};

// Minimum-phase chains whose first step stuffs by 3 into blocks that do not hold a whole number of
// stuffed samples (transition band 10 %: 728 new positions per block): a tone in the pass band comes
// out clean at its amplitude however the input is split.
TEST(ResamplerChain, MinimumPhaseChainsUpByThreeCarryStuffingAcrossBlocks) {
  const MinimumPhaseRow rows[] = {{2 * kRate, 3 * kRate, "C"},
                                  {kRate, 3 * kRate, "C"},
                                  {kRate, 6 * kRate, "CU"},
                                  {kRate, 12 * kRate, "CUU"},
                                  {4 * kRate, 3 * kRate, "C"}};
  const double cyclesPerInput = 0.0731;
  std::vector<double> in(6000);
  for (std::size_t n = 0; n < in.size(); n++) in[n] = 0.5 * std::sin(2.0 * std::numbers::pi * cyclesPerInput * n + 0.3);
  for (const MinimumPhaseRow& row : rows) {
    std::vector<std::vector<double>> outputs;
    for (const int block : {500, 37}) {
      CDSPResampler resampler(row.src, row.dst, 500, 10.0, 124.28, 1);
      EXPECT_EQ(DescribeChain(resampler), row.chain) << row.src << " -> " << row.dst;
      std::vector<double> out;
      const std::int64_t allocations = GetFamilyAllocationCount();
      for (std::size_t pos = 0; pos < in.size(); pos += block) {
        const int n = static_cast<int>(std::min<std::size_t>(block, in.size() - pos));
        double* op = nullptr;
        const int produced = resampler.Process(in.data() + pos, n, op);
        out.insert(out.end(), op, op + produced);
      }
      EXPECT_EQ(GetFamilyAllocationCount(), allocations) << row.src << " -> " << row.dst;
      outputs.push_back(out);
    }
    EXPECT_EQ(outputs[0], outputs[1]) << row.src << " -> " << row.dst;
    const std::vector<double>& y = outputs[0];
    ASSERT_GT(y.size(), in.size() / 2) << row.src << " -> " << row.dst;
    double worstResidual = 0.0;
    const double amplitude = FitTone(y, y.size() / 2, cyclesPerInput * row.src / row.dst, worstResidual);
    EXPECT_NEAR(amplitude, 0.5, 1e-5) << row.src << " -> " << row.dst;
    EXPECT_LT(worstResidual, 1e-5) << row.src << " -> " << row.dst;
  }
}

// Requests far from the plug-in's own (a narrow 2 % band at 40 dB, a wide 45 % one at 30 dB) build and carry a
// pass-band tone at its amplitude, within what their attenuation leaves of images and ripple.
TEST(ResamplerChain, LowAttenuationRequestsBuildWorkingChains) {
  struct Row {
    double src, dst, transBand, atten;
  };
  const double cyclesPerInput = 0.05;
  std::vector<double> in(32 * 256);
  for (std::size_t n = 0; n < in.size(); n++) in[n] = 0.5 * std::sin(2.0 * std::numbers::pi * cyclesPerInput * n);
  for (const Row& row : {Row{kRate, 48000.0, 2.0, 40.0}, Row{48000.0, kRate, 45.0, 30.0}}) {
    CDSPResampler resampler(row.src, row.dst, 256, row.transBand, row.atten, 0);
    std::vector<double> y;
    for (std::size_t pos = 0; pos < in.size(); pos += 256) {
      double* op = nullptr;
      const int produced = resampler.Process(in.data() + pos, 256, op);
      y.insert(y.end(), op, op + produced);
    }
    ASSERT_GT(y.size(), in.size() / 2) << row.src << " -> " << row.dst;
    double worstResidual = 0.0;
    const double amplitude = FitTone(y, y.size() / 2, cyclesPerInput * row.src / row.dst, worstResidual);
    const double tolerance = 0.5 * 2.0 * std::pow(10.0, -row.atten / 20.0);
    EXPECT_NEAR(amplitude, 0.5, tolerance) << row.src << " -> " << row.dst;
    EXPECT_LT(worstResidual, tolerance) << row.src << " -> " << row.dst;
  }
}

TEST(ResamplerChain, HalfBandStepsTakeTheirSteepnessFromTheirPlace) {
  CDSPResampler up(kRate, 16 * kRate, 64, 8.0, 124.28, 0);
  const int expectedTaps[] = {9, 5, 3};
  for (int i = 0; i < 3; i++)
    EXPECT_EQ(dynamic_cast<const CDSPHBUpsampler&>(up.GetStep(i + 1)).GetTapCount(), expectedTaps[i]);
  CDSPResampler down(16 * kRate, kRate, 64, 8.0, 124.28, 0);
  for (int i = 0; i < 3; i++)
    EXPECT_EQ(dynamic_cast<const CDSPHBDownsampler&>(down.GetStep(i)).GetTapCount(), expectedTaps[2 - i]);
}

// Equal rates have no step and no buffer, so no block is too long for them, not even one past maxInLen; a negative
// count is no block and leaves the output alone.
TEST(ResamplerChain, EqualRatesPassTheInputThroughForAnyBlockLength) {
  for (const int maxInLen : {1, 100, 40'000'000, INT_MAX}) {
    CDSPResampler resampler(kRate, kRate, maxInLen, 8.0, 124.28, 0);
    double in[4] = {};
    double* out = nullptr;
    EXPECT_EQ(resampler.GetStepCount(), 0) << maxInLen;
    EXPECT_EQ(resampler.Process(in, 1, out), 1) << maxInLen;
    EXPECT_EQ(out, in) << maxInLen;
    out = nullptr;
    EXPECT_EQ(resampler.Process(in, 4, out), 4) << maxInLen;
    EXPECT_EQ(out, in) << maxInLen;
    out = nullptr;
    EXPECT_EQ(resampler.Process(in, -1, out), 0) << maxInLen;
    EXPECT_EQ(out, nullptr) << maxInLen;
    EXPECT_EQ(resampler.GetMaxOutputLength(5), maxInLen);
    EXPECT_EQ(resampler.GetLatencyFraction(), 0.0) << maxInLen;
    EXPECT_EQ(resampler.GetStepBufferLength(), 0) << maxInLen;
  }
}

TEST(ResamplerChain, InputLongerThanBuiltForIsRefusedUntouched) {
  CDSPResampler resampler(kRate, 4 * kRate, 64, 8.0, 124.28, 0);
  std::vector<double> in(65, 1.0);
  double marker = 0.0;
  double* out = &marker;
  EXPECT_EQ(resampler.Process(in.data(), 65, out), 0);
  EXPECT_EQ(out, &marker);
  EXPECT_EQ(resampler.Process(in.data(), -1, out), 0);
  EXPECT_EQ(resampler.Process(in.data(), 0, out), 0);
}

TEST(ResamplerChain, BadRatesAndLengthsAreRefusedAtConstruction) {
  const double nan = std::nan("");
  EXPECT_THROW(CDSPResampler(0.0, kRate, 64, 8.0, 124.28, 0), std::invalid_argument);
  EXPECT_THROW(CDSPResampler(kRate, -1.0, 64, 8.0, 124.28, 0), std::invalid_argument);
  EXPECT_THROW(CDSPResampler(nan, kRate, 64, 8.0, 124.28, 0), std::invalid_argument);
  EXPECT_THROW(CDSPResampler(kRate, 2 * kRate, 0, 8.0, 124.28, 0), std::invalid_argument);
  EXPECT_THROW(CDSPResampler(kRate, kRate, 0, 8.0, 124.28, 0), std::invalid_argument);
  EXPECT_THROW(CDSPResampler(1.0, 1e9, 1024, 8.0, 124.28, 0), std::invalid_argument);
}

// Both rates scaled by a power of two build the same chain, up to rates of 2^-34 of the largest double; above that,
// towards where the chain choice's products of the rates overflow and compare unequal ratios equal, they are refused.
TEST(ResamplerChain, RatesScaledByAPowerOfTwoBuildTheSameChainUpToTheLargestAccepted) {
  const double pairs[][2] = {{kRate, 52920.0},       {kRate, 2 * kRate}, {48000.0, kRate},
                             {3 * kRate, 2 * kRate}, {kRate, 4 * kRate}, {8 * kRate, kRate}};
  const double largest = std::ldexp(std::numeric_limits<double>::max(), -34);
  for (const auto& [src, dst] : pairs) {
    const CDSPResampler reference(src, dst, 64, 8.0, 124.28, 0);
    const int convolverIndex = static_cast<int>(DescribeChain(reference).find('C'));
    const int lastScale = std::ilogb(largest / std::max(src, dst));
    for (const int scale : {-1000, 100, 900, lastScale}) {
      const CDSPResampler scaled(std::ldexp(src, scale), std::ldexp(dst, scale), 64, 8.0, 124.28, 0);
      ASSERT_EQ(DescribeChain(scaled), DescribeChain(reference)) << src << " -> " << dst << " x 2^" << scale;
      const auto& convolver = dynamic_cast<const CDSPBlockConvolver&>(scaled.GetStep(convolverIndex));
      const auto& referenceConvolver = dynamic_cast<const CDSPBlockConvolver&>(reference.GetStep(convolverIndex));
      EXPECT_EQ(convolver.GetUpFactor(), referenceConvolver.GetUpFactor()) << src << " -> " << dst;
      EXPECT_EQ(convolver.GetDownFactor(), referenceConvolver.GetDownFactor()) << src << " -> " << dst;
    }
    for (const int scale : {lastScale + 1, lastScale + 34})
      EXPECT_THROW(CDSPResampler(std::ldexp(src, scale), std::ldexp(dst, scale), 64, 8.0, 124.28, 0),
                   std::invalid_argument)
          << src << " -> " << dst << " x 2^" << scale;
  }
  EXPECT_THROW(CDSPResampler(1e308, 1.2e308, 64, 8.0, 124.28, 0), std::invalid_argument);
}

// Unequal rates take blocks up to where a step could write 2^26 samples (twice the longer of the input and output
// blocks, plus 16, for a ratio near 1 first doubles the rate); from there on they are refused before anything is
// built, downsampling included, whose steps count their input in int. At the bound the two step buffers hold at
// most 1.5 x 2^26 doubles.
TEST(ResamplerChain, BlockLengthsAreBoundedByTheLongestStepOutput) {
  struct Row {
    double src, dst;
    int lastBuilt;
  };
  const Row rows[] = {{kRate, 2 * kRate, 16'777'212},
                      {kRate, 48000.0, 30'828'127},
                      {48000.0, kRate, 33'554'424},
                      {2 * kRate, kRate, 33'554'424},
                      {128 * kRate, kRate, 33'554'424}};
  for (const Row& row : rows) {
    CDSPResampler resampler(row.src, row.dst, row.lastBuilt, 8.0, 124.28, 0);
    EXPECT_LE(resampler.GetMaxOutputLength(0), CDSPResampler::kMaxOutputLength) << row.src << " -> " << row.dst;
    EXPECT_LE(resampler.GetStepBufferLength(), 3 * (CDSPResampler::kMaxOutputLength / 2))
        << row.src << " -> " << row.dst;
    EXPECT_THROW(CDSPResampler(row.src, row.dst, row.lastBuilt + 1, 8.0, 124.28, 0), std::invalid_argument)
        << row.src << " -> " << row.dst;
  }
  EXPECT_THROW(CDSPResampler(128 * kRate, kRate, INT_MAX, 8.0, 124.28, 0), std::invalid_argument);
}

struct BandRow {
  double src, dst, transBand, atten;
  char expected;
};

// What each request comes to, one character each: 'B' built, and a constant comes out at 1 once the filters have
// settled (within 20 dB of the attenuation: at the widest bands the design allows, the constant's image is only
// that far down); 'b' built, but the constant came out otherwise; 'R' refused with std::invalid_argument; 'X'
// anything else. The requests run in a child process that an alarm ends after `giveUpSeconds`: a request that
// never returns leaves the answer short instead of hanging the test.
std::string AnswerInChild(const std::vector<BandRow>& rows, unsigned giveUpSeconds) {
  int fds[2];
  if (pipe(fds) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    alarm(giveUpSeconds);
    for (const BandRow& row : rows) {
      char answer = 'X';
      try {
        CDSPResampler resampler(row.src, row.dst, 256, row.transBand, row.atten, 0);
        std::vector<double> ones(256);
        double worst = 0.0;
        for (int block = 0; block < 64; block++) {
          std::fill(ones.begin(), ones.end(), 1.0);
          double* out = nullptr;
          const int n = resampler.Process(ones.data(), 256, out);
          for (int i = 0; i < n && block >= 32; i++) worst = std::max(worst, std::fabs(out[i] - 1.0));
        }
        answer = worst < std::pow(10.0, (20.0 - row.atten) / 20.0) ? 'B' : 'b';
      } catch (const std::invalid_argument&) {
        answer = 'R';
      } catch (...) {
      }
      if (write(fds[1], &answer, 1) != 1) std::_Exit(2);
    }
    std::_Exit(0);
  }
  close(fds[1]);
  std::string answers;
  for (char c = 0; child > 0 && read(fds[0], &c, 1) == 1;) answers += c;
  close(fds[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return answers;
}

// Rates that a convolver and an interpolator join, with transition bands from about 57 % (where the up-sampling
// margin 1 - 0.0175 x band reaches 0) to the widest the design accepts at the attenuation, and just beyond.
TEST(ResamplerChain, WideTransitionBandsBuildOrAreRefusedAtOnce) {
  const double edge = 1.0 / 0.0175;
  const std::vector<BandRow> rows = {
      {kRate, 48000.0, edge, 124.28, 'B'},   {kRate, 48000.0, std::nextafter(edge, 100.0), 124.28, 'B'},
      {kRate, 48000.0, 57.15, 124.28, 'B'},  {kRate, 48000.0, 100.0, 124.28, 'B'},
      {kRate, 48000.0, 115.03, 124.28, 'B'}, {kRate, 48000.0, 115.04, 124.28, 'R'},
      {kRate, 48000.0, 125.71, 40.0, 'B'},   {kRate, 48000.0, 125.72, 40.0, 'R'},
      {48000.0, kRate, 60.0, 124.28, 'B'},   {48000.0, kRate, 115.03, 124.28, 'B'},
      {kRate, 192000.0, 60.0, 124.28, 'B'},  {kRate, 1'000'000.0, 100.0, 124.28, 'B'}};
  const std::string answers = AnswerInChild(rows, 60);
  ASSERT_EQ(answers.size(), rows.size()) << "no answer to request " << answers.size();
  for (std::size_t i = 0; i < rows.size(); i++)
    EXPECT_EQ(answers[i], rows[i].expected) << rows[i].src << " -> " << rows[i].dst << ", band "
                                            << std::setprecision(17) << rows[i].transBand << ", " << rows[i].atten;
}

// References held on the process-wide filter cache's filters, summed.
int HeldFilterReferences() {
  int held = 0;
  for (const CDSPKernelFilter* filter = CResamplerStores::Filters().GetHead(); filter; filter = filter->GetNext())
    held += filter->GetRefCount();
  return held;
}

// A construction that fails at any allocation (a filter design, a convolver object, its FFT objects, a later
// step, the step buffers) leaves no reference held on any cached filter, so every filter can be freed.
TEST(ResamplerChain, AConstructionFailingAtAnyAllocationHoldsNoFilter) {
  struct Row {
    double src, dst;
  };
  for (const Row& row : {Row{2 * kRate, kRate}, Row{kRate, 48000.0}, Row{kRate, 4 * kRate}}) {
    const int before = HeldFilterReferences();
    int failures = 0;
    for (int failAfter = 0; failAfter < 400; failAfter++) {
      FailFamilyAllocationAfter(failAfter);
      try {
        CDSPResampler resampler(row.src, row.dst, 256, 8.0, 124.28, 0);
        FailFamilyAllocationAfter(-1);
        break;
      } catch (const std::bad_alloc&) {
        failures++;
        EXPECT_EQ(HeldFilterReferences(), before)
            << row.src << " to " << row.dst << ", failing allocation " << failAfter;
      }
    }
    FailFamilyAllocationAfter(-1);
    EXPECT_GT(failures, 0) << row.src << " to " << row.dst;
    EXPECT_LT(failures, 400) << row.src << " to " << row.dst;
  }
}

TEST(ResamplerChain, EveryStepBufferHoldsTheLargestOutputOfItsSteps) {
  CDSPResampler resampler(kRate, 8 * kRate, 512, 8.0, 124.28, 0);
  // Outputs 1024, 2048, 4096 alternate between the two buffers: 1024 and 4096 in buffer 0.
  EXPECT_EQ(resampler.GetMaxOutputLength(0), 4096);
  EXPECT_EQ(resampler.GetStepBufferLength(), 4096 + 2048);
}

// Outputs of a cleared resampler fed `inputs` samples of a constant, in blocks of its longest input.
long long OutputsFor(CDSPResampler& resampler, long long inputs) {
  resampler.Clear();
  std::vector<double> in(static_cast<std::size_t>(resampler.GetMaxInLen()), 0.5);
  long long outputs = 0;
  for (long long fed = 0; fed < inputs;) {
    const int length = static_cast<int>(std::min<long long>(inputs - fed, resampler.GetMaxInLen()));
    double* out = nullptr;
    outputs += resampler.Process(in.data(), length, out);
    fed += length;
  }
  return outputs;
}

// Feeding a cleared resampler the input length it names for p outputs gives at least p outputs, for every kind of
// chain, and not much more input than p outputs need (each halving may round its count up by a pair: less than
// twice the rate ratio, plus two). Outputs needing more input than an int counts ask for INT_MAX, or for the input
// they need when that fits; a negative count asks what none does.
TEST(ResamplerChain, InputLengthForOutputYieldsAtLeastThatManyOutputs) {
  const double pairs[][2] = {
      {kRate, 2 * kRate}, {kRate, 4 * kRate}, {kRate, 3 * kRate},     {kRate, 6 * kRate},     {2 * kRate, kRate},
      {3 * kRate, kRate}, {8 * kRate, kRate}, {3 * kRate, 2 * kRate}, {2 * kRate, 3 * kRate}, {4 * kRate, 3 * kRate},
      {kRate, 48000.0},   {48000.0, kRate},   {192000.0, kRate},      {kRate, 192000.0},      {96000.0, kRate},
      {kRate, 96000.0},   {48000.0, 32000.0}, {kRate, 1'000'000.0},   {1'000'000.0, kRate}};
  for (const auto& [src, dst] : pairs) {
    CDSPResampler resampler(src, dst, 512, 8.0, 124.28, 0);
    const int slack = 2 * static_cast<int>(std::ceil(src / dst)) + 2;
    for (const int p : {1, 2, 7, 100, 999, 1000, 1001, 4096, 10007}) {
      const int inputs = resampler.GetInputLengthForOutput(p);
      const std::string label =
          (::testing::Message() << src << " -> " << dst << ", " << p << " outputs asked, " << inputs << " inputs")
              .GetString();
      EXPECT_GE(OutputsFor(resampler, inputs), p) << label;
      EXPECT_LT(OutputsFor(resampler, std::max(0, inputs - slack)), p) << label;
    }
    const double mostInputs = static_cast<double>(INT_MAX) * src / dst;
    EXPECT_GE(resampler.GetInputLengthForOutput(INT_MAX), std::min(mostInputs, static_cast<double>(INT_MAX)))
        << src << " -> " << dst;
    EXPECT_EQ(resampler.GetInputLengthForOutput(INT_MIN), resampler.GetInputLengthForOutput(0)) << src << " -> " << dst;
  }
}
}  // namespace
}  // namespace rsmp
