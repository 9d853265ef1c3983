#include "plugin/resampler/Allocation.h"
#include "plugin/resampler/CDSPResampler.h"
#include "plugin/resampler/VectorPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

namespace rsmp {
namespace {

constexpr double kRate = 44100.0;

// Runs `in` through `resampler` in blocks of `block` samples and returns every output sample.
std::vector<double> Resample(CDSPResampler& resampler, const std::vector<double>& in, int block) {
  std::vector<double> out;
  std::vector<double> chunk(block);
  for (std::size_t pos = 0; pos < in.size(); pos += block) {
    const int n = static_cast<int>(std::min<std::size_t>(block, in.size() - pos));
    std::copy(in.begin() + pos, in.begin() + pos + n, chunk.begin());
    double* op = nullptr;
    const int produced = resampler.Process(chunk.data(), n, op);
    out.insert(out.end(), op, op + produced);
  }
  return out;
}

// Sum of sines at the given fractions of the sample rate, amplitude 0.25 each.
std::vector<double> Tones(std::size_t length, const std::vector<double>& fractions) {
  std::vector<double> x(length, 0.0);
  for (std::size_t i = 0; i < length; i++)
    for (std::size_t t = 0; t < fractions.size(); t++)
      x[i] += 0.25 * std::sin(2.0 * std::numbers::pi * fractions[t] * i + 0.7 * t);
  return x;
}

double Db(double ratio) {
  return 20.0 * std::log10(ratio);
}

// Amplitude of the component at `fraction` of the rate in x[from .. from + n), by correlation with a
// Blackman-Harris window (side lobes below -92 dB, scaled to read amplitudes).
double ToneAmplitude(const std::vector<double>& x, std::size_t from, std::size_t n, double fraction) {
  double re = 0.0;
  double im = 0.0;
  double windowSum = 0.0;
  for (std::size_t i = 0; i < n; i++) {
    const double p = 2.0 * std::numbers::pi * i / (n - 1);
    const double w = 0.35875 - 0.48829 * std::cos(p) + 0.14128 * std::cos(2 * p) - 0.01168 * std::cos(3 * p);
    re += w * x[from + i] * std::cos(2.0 * std::numbers::pi * fraction * (from + i));
    im += w * x[from + i] * std::sin(2.0 * std::numbers::pi * fraction * (from + i));
    windowSum += w;
  }
  return 2.0 * std::hypot(re, im) / windowSum;
}

class UpThenDown : public ::testing::TestWithParam<int> {};

// Linear-phase chains consume their latency, so down(up(x)) lines up with x sample for sample.
TEST_P(UpThenDown, ReturnsTheBandLimitedSignalSampleAligned) {
  const int factor = 1 << GetParam();
  const int block = 256;
  CDSPResampler24_44k up(kRate, factor * kRate, block);
  CDSPResampler24_44k down(factor * kRate, kRate, block * factor);
  const std::vector<double> x = Tones(12000, {0.01, 0.093, 0.211, 0.37});
  const std::vector<double> upsampled = Resample(up, x, block);
  const std::vector<double> y = Resample(down, upsampled, block * factor);
  ASSERT_GT(y.size(), 8000u);
  // The abrupt start of the tones is not band-limited; judge the steady state.
  double worst = 0.0;
  for (std::size_t i = 3000; i < y.size(); i++) worst = std::max(worst, std::fabs(y[i] - x[i]));
  EXPECT_LT(Db(worst), -110.0) << "factor " << factor;
}

INSTANTIATE_TEST_SUITE_P(PowersOfTwo, UpThenDown, ::testing::Range(1, 9));

// Amplitude of the component with a whole number of `cycles` over x[from .. from + n), by a plain DFT
// bin: tones periodic in the window leak nothing into other bins.
double BinAmplitude(const std::vector<double>& x, std::size_t from, std::size_t n, double cycles) {
  double re = 0.0;
  double im = 0.0;
  for (std::size_t j = 0; j < n; j++) {
    const double angle = 2.0 * std::numbers::pi * cycles * static_cast<double>(j) / static_cast<double>(n);
    re += x[from + j] * std::cos(angle);
    im += x[from + j] * std::sin(angle);
  }
  return 2.0 * std::hypot(re, im) / static_cast<double>(n);
}

constexpr int kWindow = 4096;
// Tones at 0.30005 and 0.44995 of the lower rate; the second one's images and aliases lie just past
// the cut-off, where the filters must already reach their full attenuation.
constexpr int kToneCycles[] = {1229, 1843};

TEST(ResamplerQuality, UpsamplingImagesAreAttenuated) {
  for (const int tone : kToneCycles) {
    for (const int factor : {2, 4, 8}) {
      CDSPResampler24_44k up(kRate, factor * kRate, 512);
      const std::vector<double> y = Resample(up, Tones(4 * kWindow, {static_cast<double>(tone) / kWindow}), 512);
      const std::size_t n = static_cast<std::size_t>(kWindow) * factor;
      const std::size_t from = y.size() - n;
      // The edge tone lies in the filters' transition band; the other one is passed flat.
      if (tone == kToneCycles[0]) {
        EXPECT_NEAR(BinAmplitude(y, from, n, tone), 0.25, 1e-6);
      }
      // Images sit at k x the source rate +- the tone.
      for (int k = 1; k <= factor / 2; k++) {
        for (const int cycles : {k * kWindow - tone, k * kWindow + tone}) {
          if (cycles < static_cast<int>(n / 2)) {
            EXPECT_LT(Db(BinAmplitude(y, from, n, cycles) / 0.25), -124.0) << factor << " image at " << cycles;
          }
        }
      }
    }
  }
}

TEST(ResamplerQuality, DownsamplingAliasesAreAttenuated) {
  for (const int alias : kToneCycles) {
    for (const int factor : {2, 4, 8}) {
      // A tone above the destination's Nyquist frequency that would fold onto `alias`.
      const int sourceWindow = kWindow * factor;
      const double tone = static_cast<double>(kWindow - alias) / sourceWindow;
      CDSPResampler24_44k down(factor * kRate, kRate, 512 * factor);
      const std::vector<double> y = Resample(down, Tones(4 * sourceWindow, {tone}), 512 * factor);
      ASSERT_GT(y.size(), static_cast<std::size_t>(kWindow));
      EXPECT_LT(Db(BinAmplitude(y, y.size() - kWindow, kWindow, alias) / 0.25), -124.0) << factor << " " << alias;
    }
  }
}

TEST(ResamplerQuality, ProcessAndClearNeverAllocate) {
  CDSPResampler24_44k up(44100.0, 48000.0, 512);
  CDSPResampler24_44k down(8 * kRate, kRate, 4096);
  CDSPResampler24_44k any(44100.0, 12345.6, 512);
  std::vector<double> in(4096, 0.5);
  const std::int64_t before = GetFamilyAllocationCount();
  for (int i = 0; i < 8; i++) {
    double* out = nullptr;
    up.Process(in.data(), 512, out);
    down.Process(in.data(), 4096, out);
    any.Process(in.data(), 512, out);
  }
  up.Clear();
  down.Clear();
  any.Clear();
  EXPECT_EQ(GetFamilyAllocationCount(), before);
}

TEST(ResamplerQuality, ClearRestartsTheStreamExactly) {
  CDSPResampler24_44k resampler(44100.0, 48000.0, 300);
  const std::vector<double> x = Tones(3000, {0.05, 0.2});
  const std::vector<double> first = Resample(resampler, x, 300);
  resampler.Clear();
  EXPECT_EQ(Resample(resampler, x, 300), first);
}

TEST(ResamplerQuality, OutputDoesNotDependOnHowTheInputIsSplit) {
  const std::vector<double> x = Tones(5000, {0.05, 0.31});
  for (const double dst : {48000.0, 4 * kRate, kRate / 4, 32000.0}) {
    CDSPResampler24_44k whole(kRate, dst, 1000);
    CDSPResampler24_44k pieces(kRate, dst, 1000);
    EXPECT_EQ(Resample(whole, x, 1000), Resample(pieces, x, 37)) << dst;
  }
}

// Whole chains (convolvers, half-band steps, both interpolators, both phases) built with the AVX2
// routines and with the plain ones: the AVX2 routines repeat the plain arithmetic lane by lane, so the
// tolerance is zero.
TEST(ResamplerQuality, Avx2ChainsEqualThePlainChainsBitForBit) {
  if (!IsAvx2Available()) GTEST_SKIP() << "no AVX2 on this processor";
  const std::vector<double> x = Tones(6000, {0.05, 0.31, 0.47});
  for (const int phase : {0, 1}) {
    for (const double dst : {2 * kRate, 8 * kRate, kRate / 2, kRate / 8, 48000.0, 32000.0, 12345.6, 3 * kRate}) {
      SetAvx2Allowed(false);
      CDSPResampler plain(kRate, dst, 500, 8.0, 124.28, phase);
      SetAvx2Allowed(true);
      CDSPResampler vectorised(kRate, dst, 500, 8.0, 124.28, phase);
      const std::vector<double> expected = Resample(plain, x, 500);
      const std::vector<double> actual = Resample(vectorised, x, 500);
      ASSERT_EQ(actual.size(), expected.size()) << dst;
      EXPECT_EQ(std::memcmp(actual.data(), expected.data(), sizeof(double) * actual.size()), 0)
          << dst << " phase " << phase;
    }
  }
}

struct SweepCase {
  double src;
  double dst;
  int phase;
};

std::vector<SweepCase> SweepCases() {
  const double rates[] = {8000.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0, 12345.6};
  std::vector<SweepCase> cases;
  for (const double src : rates)
    for (const double dst : rates) cases.push_back({src, dst, 0});
  for (const double dst : {48000.0, 96000.0, 8000.0, 12345.6, 192000.0, 3 * kRate, 1.5 * kRate, 0.75 * kRate})
    cases.push_back({44100.0, dst, 1});
  return cases;
}

// Every chain: no call returns more than its maximum, the output count follows the rate ratio, and a
// tone at 0.3 of the lower rate comes through at its amplitude.
TEST(ResamplerQuality, RatePairsKeepTheirOutputBoundsCountsAndTones) {
  const int block = 1000;
  const int blocks = 24;
  for (const SweepCase& c : SweepCases()) {
    CDSPResampler resampler(c.src, c.dst, block, 8.0, 124.28, c.phase);
    const double fraction = 0.3 * std::min(c.src, c.dst) / c.src;
    std::vector<double> in(block);
    std::vector<double> out;
    for (int b = 0; b < blocks; b++) {
      for (int i = 0; i < block; i++) in[i] = 0.5 * std::sin(2.0 * std::numbers::pi * fraction * (b * block + i));
      double* op = nullptr;
      const int n = resampler.Process(in.data(), block, op);
      ASSERT_LE(n, resampler.GetMaxOutputLength(block)) << c.src << " -> " << c.dst;
      out.insert(out.end(), op, op + n);
    }
    const double expected = blocks * block * c.dst / c.src;
    EXPECT_LE(static_cast<double>(out.size()), expected + 2.0) << c.src << " -> " << c.dst;
    EXPECT_GE(static_cast<double>(out.size()), expected * 0.5 - 2000.0) << c.src << " -> " << c.dst;
    const std::size_t n = out.size() / 2;
    if (n >= 600) {
      EXPECT_NEAR(ToneAmplitude(out, out.size() - n, n, fraction * c.src / c.dst), 0.5, 2e-3)
          << c.src << " -> " << c.dst << " phase " << c.phase;
    }
  }
}

// Fed one sample at a time, the first output comes by input sample GetInputLengthForOutput(1), and within the
// rounding of the chain's halvings (less than twice the rate ratio, plus two) of it.
TEST(ResamplerQuality, FirstOutputArrivesWhereTheChainSaysIt) {
  const double pairs[][2] = {{44100.0, 88200.0}, {44100.0, 176400.0}, {88200.0, 44100.0},  {176400.0, 44100.0},
                             {44100.0, 48000.0}, {48000.0, 44100.0},  {44100.0, 132300.0}, {96000.0, 44100.0}};
  for (const auto& pair : pairs) {
    CDSPResampler24_44k resampler(pair[0], pair[1], 1);
    double sample = 0.25;
    int inputs = 0;
    int produced = 0;
    while (produced == 0 && inputs < 100000) {
      double* op = nullptr;
      produced = resampler.Process(&sample, 1, op);
      inputs++;
    }
    EXPECT_LE(inputs, resampler.GetInputLengthForOutput(1)) << pair[0] << " -> " << pair[1];
    EXPECT_GT(inputs, resampler.GetInputLengthForOutput(1) - 2 * static_cast<int>(std::ceil(pair[0] / pair[1])) - 2)
        << pair[0] << " -> " << pair[1];
  }
}

// With the caches warm, a construction that fails at any one of its allocations returns every block.
TEST(ResamplerQuality, FailedConstructionReturnsEverythingItTook) {
  for (const double dst : {4 * kRate, kRate / 4, 48000.0, 12345.6}) {
    delete new CDSPResampler24_44k(kRate, dst, 256);
    const std::int64_t baseline = GetFamilyLiveBlockCount();
    bool built = false;
    for (int allowed = 0; !built && allowed < 200; allowed++) {
      FailFamilyAllocationAfter(allowed);
      try {
        delete new CDSPResampler24_44k(kRate, dst, 256);
        built = true;
      } catch (const std::bad_alloc&) {
      }
      FailFamilyAllocationAfter(-1);
      EXPECT_EQ(GetFamilyLiveBlockCount(), baseline) << dst << " failing after " << allowed;
    }
    EXPECT_TRUE(built) << dst;
  }
}

// The oversampler's set: per factor 1 .. 256, four channels up from the host rate and two down.
void BuildClearAndDestroyThePluginSet(int blockSize) {
  std::vector<std::unique_ptr<CDSPResampler24_44k>> set;
  for (int factor = 1; factor <= 256; factor *= 2) {
    for (int channel = 0; channel < 4; channel++)
      set.push_back(std::make_unique<CDSPResampler24_44k>(kRate, factor * kRate, blockSize));
    for (int channel = 0; channel < 2; channel++)
      set.push_back(std::make_unique<CDSPResampler24_44k>(factor * kRate, kRate, 8 * blockSize));
  }
  ASSERT_EQ(set.size(), 54u);
  for (auto& resampler : set) resampler->Clear();
}

TEST(ResamplerQuality, ThePluginsFiftyFourResamplersBuildClearAndDestroyClean) {
  // The first build fills the process-wide caches, which keep their filters, FFT objects and banks.
  BuildClearAndDestroyThePluginSet(512);
  const std::int64_t liveAfterFirst = GetFamilyLiveBlockCount();
  BuildClearAndDestroyThePluginSet(512);
  EXPECT_EQ(GetFamilyLiveBlockCount(), liveAfterFirst);
}

}  // namespace
}  // namespace rsmp
