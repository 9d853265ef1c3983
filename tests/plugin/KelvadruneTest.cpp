// The product class driven directly, as the framework's binding and the editor drive it: reset and DSP
// set-up, parameter changes and editor commands, meters, modulation-view feeds, the About text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "plugin/Kelvadrune.h"

namespace {

double Gain(double dB) {
  return std::pow(10.0, dB / 20.0);
}

class KelvadruneTest : public testing::Test {
 protected:
  void SetUp() override {
    mPlug = std::make_unique<Kelvadrune>(fx::InstanceInfo{});
    Configure(44100.0, 64);
  }

  void Configure(double rate, int blockSize) {
    mPlug->SetSampleRate(rate);
    mPlug->SetBlockSize(blockSize);
    mPlug->OnReset();
  }

  // A host's change: the value stored, then the hook on the host's thread.
  void HostSet(int idx, double value) {
    mPlug->GetParam(idx)->Set(value);
    mPlug->OnParamChange(idx, fx::kHost, -1);
  }
  void Command(int command) { mPlug->OnParamChange(command, fx::kUI, -1); }

  // frames of constant input in blocks of the block size; the output.
  std::vector<double> Run(int frames, double left, double right, std::vector<double>* rightOut = nullptr) {
    const int block = mPlug->GetBlockSize();
    std::vector<double> inL(block, left), inR(block, right), outL(block), outR(block);
    std::vector<double> result;
    for (int done = 0; done < frames; done += block) {
      const int n = std::min(block, frames - done);
      double* ins[2] = {inL.data(), inR.data()};
      double* outs[2] = {outL.data(), outR.data()};
      mPlug->ProcessBlock(ins, outs, n);
      result.insert(result.end(), outL.begin(), outL.begin() + n);
      if (rightOut) rightOut->insert(rightOut->end(), outR.begin(), outR.begin() + n);
    }
    return result;
  }

  std::unique_ptr<Kelvadrune> mPlug;
};

TEST_F(KelvadruneTest, ConstructionBuildsEveryResamplerAndKeepsFactorOne) {
  const Kelvadrune::Oversampler& os = mPlug->GetOversampler();
  EXPECT_EQ(os.NumResamplers(), 9 * (4 + 2));
  EXPECT_EQ(os.Factor(), 1);
  EXPECT_EQ(os.CurrentFactorIdx(), 0);
  EXPECT_EQ(os.MaxOversampledLength(), 8 * 64);
  EXPECT_EQ(mPlug->GetDSPSampleRate(), 44100.0);
  EXPECT_EQ(mPlug->GetDSPBlockSize(), 64);
}

// The host's process-wide random generator is not the plug-in's: a new instance leaves its sequence where the
// host left it.
TEST_F(KelvadruneTest, ConstructionLeavesTheProcessRandomGeneratorAlone) {
  std::srand(20261208);
  const int next = std::rand();
  std::srand(20261208);
  Kelvadrune another(fx::InstanceInfo{});
  EXPECT_EQ(std::rand(), next);
}

// Every reset, with or without a rebuild, takes the connected counts from the processor.
TEST_F(KelvadruneTest, ResetTakesTheConnectedChannelCounts) {
  EXPECT_EQ(mPlug->GetEditorBaseWidth(), 640);
  EXPECT_EQ(mPlug->GetEditorBaseHeight(), 480);
  const std::pair<int, int> rows[] = {{1, 2}, {2, 1}, {0, 2}, {2, 2}};
  for (const auto& [nIn, nOut] : rows) {
    mPlug->SetChannelConnections(fx::kInput, 0, 2, false);
    mPlug->SetChannelConnections(fx::kOutput, 0, 2, false);
    mPlug->SetChannelConnections(fx::kInput, 0, nIn, true);
    mPlug->SetChannelConnections(fx::kOutput, 0, nOut, true);
    mPlug->OnReset();
    EXPECT_EQ(mPlug->GetNumInputsConnected(), nIn);
    EXPECT_EQ(mPlug->GetNumOutputsConnected(), nOut);
  }
}

// The host's gain-reduction query is told no reduction whatever the faders do.
TEST_F(KelvadruneTest, GainReductionIsAlwaysNone) {
  for (double position : {0.0, 0.25, 0.5, 1.0}) {
    HostSet(kGainMaster, position);
    Run(256, 0.5, 0.5);
    EXPECT_EQ(mPlug->GetGainReduction(), 1.0) << position;
  }
}

TEST_F(KelvadruneTest, ResetWithUnchangedRateAndBlockSizeRebuildsNothing) {
  const rsmp::CDSPResampler* before = mPlug->GetOversampler().Up(8, 3);
  Run(1000, 0.9, 0.9);
  const double level = mPlug->GetMeterLevel(Kelvadrune::kMeterHoldLeft);
  const double fade = mPlug->GetPowerFade().State();
  mPlug->OnReset();
  EXPECT_EQ(mPlug->GetOversampler().Up(8, 3), before);
  EXPECT_EQ(mPlug->GetMeterLevel(Kelvadrune::kMeterHoldLeft), level);
  EXPECT_EQ(mPlug->GetPowerFade().State(), fade);
  Configure(48000.0, 64);
  EXPECT_NE(mPlug->GetOversampler().Up(8, 3), nullptr);
  EXPECT_EQ(mPlug->GetMeterLevel(Kelvadrune::kMeterHoldLeft), 0.0);
  EXPECT_EQ(mPlug->GetDSPSampleRate(), 48000.0);
}

struct RampRow {
  double rate;
  int blockSize;
};

void PrintTo(const RampRow& row, std::ostream* os) {
  *os << row.blockSize << " samples at " << row.rate << " Hz";
}

class RampLengthTest : public KelvadruneTest, public testing::WithParamInterface<RampRow> {};

TEST_P(RampLengthTest, RampLastsExactlyOneBlock) {
  Configure(GetParam().rate, GetParam().blockSize);
  for (int g = 0; g < kNumGains; ++g) EXPECT_EQ(mPlug->GetRamp(g).Length(), GetParam().blockSize);
}

INSTANTIATE_TEST_SUITE_P(Rows, RampLengthTest,
                         testing::Values(RampRow{48000.0, 480}, RampRow{44100.0, 441}, RampRow{96000.0, 960},
                                         RampRow{22050.0, 147}, RampRow{88200.0, 4410}, RampRow{192000.0, 1920},
                                         RampRow{44100.0, 1}, RampRow{11025.0, 8192}, RampRow{44100.0, 480}));

// A fader changed during a block of 64 reaches its full gain at the end of the next block.
TEST_F(KelvadruneTest, FaderChangeReachesItsTargetAfterOneBlock) {
  Run(8192, 0.5, 0.5);
  HostSet(kGainMaster, 0.75);
  const std::vector<double> out = Run(64, 0.5, 0.5);
  EXPECT_EQ(mPlug->GetRamp(kGainIdxMaster).Target(), 0.75);
  EXPECT_LT(out[0], 0.5 * Gain(1.0));
  // The smoothing filter trails the ramp by a fraction of a sample: a quarter of a percent here.
  EXPECT_NEAR(out[63], 0.5 * Gain(24.0), 0.005 * 0.5 * Gain(24.0));
  const std::vector<double> next = Run(64, 0.5, 0.5);
  EXPECT_NEAR(next[63], 0.5 * Gain(24.0), 1e-13);
}

// A load whose parameter changes a block comes in the middle of (here right after Power's): the block plays the
// settings from before the load, the blocks after it the loaded ones (a block before the load's start, after its
// values were stored in the parameters, the settings before it too). From Power off, where the master fader was
// not heard, or from Power on, with the fader far from the loaded one or heard under other rules (locked, another
// maximum, the core layout, linked sides) than the loaded ones, no sample of either channel is louder than the louder
// of what the two settings play when steady (DC of 0.5: 0.5 with Power off, 0.5 x the gains with it on).
class MidLoadBlock : public Kelvadrune {
 public:
  using Kelvadrune::Kelvadrune;
  void OnParamChange(int paramIdx, fx::EParamSource source, int sampleOffset) override {
    Kelvadrune::OnParamChange(paramIdx, source, sampleOffset);
    if (paramIdx == after && source == fx::kPresetRecall && block) block();
  }
  std::function<void()> block;
  int after = kPower;  // the parameter whose change the block follows
};

TEST_F(KelvadruneTest, ALoadPlaysNoLouderThanTheSettingsBeforeAndAfterIt) {
  struct Settings {
    double power = 1.0, master = 0.5, lock = 0.0, minGain = -48.0, maxGain = 48.0, core = 0.0, linked = 0.0, rs = 0.5;
  };
  // Master 0.5 is 0 dB, 0.7174 +20.87 dB, 0.95 +43.2 dB (+5.4 dB with a maximum of 6 dB), 0.1875 -30 dB (-12.5 dB
  // with a minimum of -20 dB, where the minus-infinity threshold of -20 dB would silence -30 dB).
  const struct {
    const char* name;
    Settings before, after;
  } rows[] = {
      {"off, high master, to on at 0 dB", {.power = 0.0, .master = 0.7174}, {.master = 0.5}},
      {"off, top master, to on, low master", {.power = 0.0, .master = 0.95}, {.master = 0.2}},
      {"on, high master, to on at 0 dB", {.master = 0.7174}, {.master = 0.5}},
      {"on at 0 dB to off, high master", {.master = 0.5}, {.power = 0.0, .master = 0.7174}},
      {"on, locked top master, to off unlocked", {.master = 0.95, .lock = 1.0}, {.power = 0.0, .master = 0.95}},
      {"on, top master under 6 dB, to off under 48 dB",
       {.master = 0.95, .maxGain = 6.0},
       {.power = 0.0, .master = 0.95}},
      {"on, core layout, top master, to off without it", {.master = 0.95, .core = 1.0}, {.power = 0.0, .master = 0.95}},
      {"on, linked, top right fader, to off unlinked", {.linked = 1.0, .rs = 0.95}, {.power = 0.0, .rs = 0.95}},
      {"on, low master, to a higher minimum", {.master = 0.1875}, {.master = 0.1875, .minGain = -20.0}},
  };
  const auto set = [&](const Settings& to, const std::function<void(int, double)>& store) {
    store(kLockGainMaster, to.lock);
    store(kMinGain, to.minGain);
    store(kMaxGain, to.maxGain);
    store(kCoreFaderLayout, to.core);
    store(kBasicFaderLayout, to.linked);
    store(kGainRS, to.rs);
    store(kGainMaster, to.master);
    store(kPower, to.power);
  };
  // The louder channel's steady level.
  const auto steady = [](const Settings& at) {
    const auto gain = [&](double position) {
      return Gain(position < 0.5 ? at.minGain * (1.0 - 2.0 * position) : at.maxGain * (2.0 * position - 1.0));
    };
    const double master = at.core ? 1.0 : at.lock ? std::min(gain(at.master), 1.0) : gain(at.master);
    return at.power ? 0.5 * master * std::max(1.0, at.linked ? 1.0 : gain(at.rs)) : 0.5;
  };
  const auto peak = [](const std::vector<double>& left, const std::vector<double>& right) {
    return std::max(*std::max_element(left.begin(), left.end()), *std::max_element(right.begin(), right.end()));
  };
  for (const auto& row : rows) {
    auto plug = std::make_unique<MidLoadBlock>(fx::InstanceInfo{});
    MidLoadBlock* load = plug.get();
    mPlug = std::move(plug);
    Configure(44100.0, 64);
    set(row.before, [&](int idx, double value) { HostSet(idx, value); });
    Run(44100, 0.5, 0.5);
    std::vector<double> out, outRight;
    load->block = [&] { out = Run(64, 0.5, 0.5, &outRight); };
    // A load stores every value in its parameter before it starts: a block in between plays the settings before it.
    set(row.after, [&](int idx, double value) { mPlug->GetParam(idx)->Set(value); });
    std::vector<double> betweenRight;
    const std::vector<double> between = Run(64, 0.5, 0.5, &betweenRight);
    mPlug->OnParamReset(fx::kPresetRecall);
    load->block = nullptr;
    ASSERT_EQ(out.size(), 64u) << row.name;
    const double before = steady(row.before);
    EXPECT_NEAR(peak(between, betweenRight), before, before * 1e-9) << row.name;
    EXPECT_NEAR(peak(out, outRight), before, before * 1e-9) << row.name;
    std::vector<double> right;
    const std::vector<double> after = Run(44100, 0.5, 0.5, &right);
    const double loaded = steady(row.after);
    EXPECT_LE(peak(after, right), std::max(before, loaded) * (1.0 + 1e-9)) << row.name;
    EXPECT_NEAR(std::max(after.back(), right.back()), loaded, loaded * 1e-9) << row.name;
  }
}

// A block with no frames or without buffers between a fader change and the next real block starts no ramp:
// the real block still ramps over its whole length, instead of jumping to the new gain at its first sample.
TEST_F(KelvadruneTest, EmptyBlocksLeaveAFaderChangeToTheNextRealBlock) {
  const struct {
    const char* name;
    bool inputs, outputs;
    int frames;
    double position;  // the fader's new position, each row above the last
  } rows[] = {{"no frames", true, true, 0, 0.625},
              {"negative frame count", true, true, -5, 0.75},
              {"no inputs", false, true, 64, 0.875},
              {"no outputs", true, false, 64, 1.0}};
  const auto level = [](double position) { return 0.5 * Gain(48.0 * (2.0 * position - 1.0)); };
  double previous = 0.5;
  for (const auto& row : rows) {
    Run(8192, 0.5, 0.5);
    HostSet(kGainMaster, row.position);
    std::vector<double> in(64, 0.5), out(64, -1.0);
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {out.data(), out.data()};
    mPlug->ProcessBlock(row.inputs ? ins : nullptr, row.outputs ? outs : nullptr, row.frames);
    EXPECT_EQ(mPlug->GetRamp(kGainIdxMaster).Target(), previous) << row.name;
    const std::vector<double> next = Run(64, 0.5, 0.5);
    // A 64th of the way at the first sample (a little less, as the smoothing trails): near the old gain.
    EXPECT_LT(next[0], level(previous) + (level(row.position) - level(previous)) / 32.0) << row.name;
    EXPECT_NEAR(next[63], level(row.position), 0.005 * level(row.position)) << row.name;
    previous = row.position;
  }
}

// ---- The test signal and the oversampled path, through the test-only setters ----

struct SettingRow {
  const char* name;
  int param;  // -1: one output channel instead
  double value;
  int settleFrames;
};

void PrintTo(const SettingRow& row, std::ostream* os) {
  *os << row.name;
}

class TestSignalTest : public KelvadruneTest, public testing::WithParamInterface<SettingRow> {};

// With the faders at +24 (master), -24 (left/mid) and +12 dB (right/side), the outputs are the generator's
// 1000 Hz sine (t = 0.5 + 0.5 sin(2 pi i / 64) at 64 kHz) times the master and left/mid gains on the left,
// times the master and right/side gains (left/mid when linked) on the right, whatever the input, "Power",
// the fade and the layout.
TEST_P(TestSignalTest, OutputsAreTheGeneratorTimesTheGains) {
  const SettingRow& row = GetParam();
  Configure(64000.0, 64);
  HostSet(kGainMaster, 0.75);
  HostSet(kGainLM, 0.25);
  HostSet(kGainRS, 0.625);
  Run(64000, 0.3, -0.2);
  if (row.param < 0) mPlug->SetChannelConnections(fx::kOutput, 1, 1, false);
  if (row.param >= 0) HostSet(row.param, row.value);
  Run(row.settleFrames, 0.3, -0.2);
  mPlug->SetTestSignalForTesting(1);
  std::vector<double> right;
  const std::vector<double> left = Run(192, 0.3, -0.2, &right);
  const double gS = row.param == kBasicFaderLayout ? Gain(-24.0) : Gain(12.0);
  for (int i = 0; i < 192; ++i) {
    const double t = 0.5 + 0.5 * std::sin(2.0 * std::numbers::pi * (i % 64) / 64.0);
    ASSERT_NEAR(left[i], t * Gain(24.0) * Gain(-24.0), 1e-12) << i;
    ASSERT_NEAR(right[i], row.param < 0 ? 0.0 : t * Gain(24.0) * gS, 1e-11) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TestSignalTest,
    testing::Values(SettingRow{"Stereo", kPower, 1.0, 0}, SettingRow{"PowerOff", kPower, 0.0, 64000},
                    SettingRow{"PowerFading", kPower, 0.0, 640}, SettingRow{"MidSide", kProcessMode, 1.0, 0},
                    SettingRow{"CoreLayout", kCoreFaderLayout, 1.0, 0},
                    SettingRow{"Linked", kBasicFaderLayout, 1.0, 64000}, SettingRow{"Mono", -1, 0.0, 0}));

class OversamplingTest : public KelvadruneTest, public testing::WithParamInterface<int> {};

// 6 kHz at 48 kHz (8 samples a period) through +12 dB, in calls of 150 frames (pieces of the 64-sample
// block): silence while the resamplers fill, then, after the ringing of the sine's start, a pure sine
// (x[n-1] + x[n+1] = sqrt(2) x[n] within the resampler's quality) whose power over whole periods gives
// the fader's gain.
TEST_P(OversamplingTest, SineComesBackAtTheFadersGainAfterTheLatency) {
  Configure(48000.0, 64);
  HostSet(kGainMaster, 0.625);
  mPlug->SetOversamplingFactorForTesting(GetParam());
  std::vector<double> in(150), outL(150), outR(150), out;
  for (int done = 0; done < 48000; done += 150) {
    for (int i = 0; i < 150; ++i) in[i] = 0.1 * std::sin(std::numbers::pi / 4.0 * (done + i));
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {outL.data(), outR.data()};
    mPlug->ProcessBlock(ins, outs, 150);
    ASSERT_EQ(outL, outR);
    out.insert(out.end(), outL.begin(), outL.end());
  }
  const int first = std::find_if(out.begin(), out.end(), [](double x) { return x != 0.0; }) - out.begin();
  EXPECT_GE(first, 64);
  ASSERT_LT(first, 4800);
  const double amplitude = 0.1 * Gain(12.0);
  double power = 0.0;
  for (int n = first + 4800; n < first + 4800 + 8 * 4000; ++n) {
    power += out[n] * out[n] / (8 * 4000);
    ASSERT_NEAR(out[n - 1] + out[n + 1], std::sqrt(2.0) * out[n], 1e-6 * amplitude) << n;
  }
  EXPECT_NEAR(std::sqrt(2.0 * power), amplitude, 1e-5 * amplitude);
}

// A fader's ramp lasts a block's worth of samples at the processing's rate: from 0 to +24 dB (gain G) the
// output rises from 10 % to 90 % of the step in (ln(1 + 0.9 (G - 1)) - ln(1 + 0.1 (G - 1))) / ln G x 64 /
// factor samples (the position moves linearly, the gain exponentially).
TEST_P(OversamplingTest, GainStepRisesAtTheOversampledRate) {
  Configure(48000.0, 64);
  mPlug->SetOversamplingFactorForTesting(GetParam());
  Run(48000, 0.1, 0.1);
  HostSet(kGainMaster, 0.75);
  const std::vector<double> out = Run(4800, 0.1, 0.1);
  const double low = 1.0 + 0.1 * (Gain(24.0) - 1.0);
  const double high = 1.0 + 0.9 * (Gain(24.0) - 1.0);
  auto crossing = [&](double level) {
    const int i = std::find_if(out.begin(), out.end(), [&](double x) { return x >= 0.1 * level; }) - out.begin();
    return i - (out[i] - 0.1 * level) / (out[i] - out[i - 1]);
  };
  EXPECT_NEAR(crossing(high) - crossing(low), std::log(high / low) / std::log(Gain(24.0)) * 64.0 / GetParam(), 0.25);
}

// A block whose down-sampled count is not its length leaves both outputs silent: the first, while the
// resamplers fill, and every block at a factor the oversampled buffers are not sized for (16). The next
// DSP set-up goes back to factor 1.
TEST_P(OversamplingTest, BlocksWithTheWrongCountAreSilent) {
  Configure(48000.0, 64);
  mPlug->SetOversamplingFactorForTesting(GetParam());
  std::vector<double> right;
  EXPECT_EQ(Run(64, 0.5, -0.5, &right), std::vector<double>(64, 0.0));
  mPlug->SetOversamplingFactorForTesting(16);
  EXPECT_EQ(Run(4800, 0.5, -0.5, &right), std::vector<double>(4800, 0.0));
  EXPECT_EQ(right, std::vector<double>(64 + 4800, 0.0));
  Configure(44100.0, 64);
  EXPECT_EQ(mPlug->GetOversampler().Factor(), 1);
}

// A host that grows its block at the same rate: the oversampler is rebuilt for the new block size, so the
// larger blocks go through whole (no piece refused for want of room) and the sine comes back at the
// fader's gain.
TEST_P(OversamplingTest, GrownBlockAtTheSameRateStillSounds) {
  Configure(48000.0, 64);
  HostSet(kGainMaster, 0.625);
  const rsmp::CDSPResampler* before = mPlug->GetOversampler().Up(0, 0);
  Configure(48000.0, 256);
  EXPECT_NE(mPlug->GetOversampler().Up(0, 0), before);
  EXPECT_EQ(mPlug->GetOversampler().MaxOversampledLength(), 8 * 256);
  mPlug->SetOversamplingFactorForTesting(GetParam());
  std::vector<double> in(256), outL(256), outR(256), out;
  for (int done = 0; done < 24000; done += 256) {
    for (int i = 0; i < 256; ++i) in[i] = 0.1 * std::sin(std::numbers::pi / 4.0 * (done + i));
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {outL.data(), outR.data()};
    mPlug->ProcessBlock(ins, outs, 256);
    out.insert(out.end(), outL.begin(), outL.end());
  }
  const double amplitude = 0.1 * Gain(12.0);
  double power = 0.0;
  for (int n = 16000; n < 24000; ++n) power += out[n] * out[n] / 8000;
  EXPECT_NEAR(std::sqrt(2.0 * power), amplitude, 1e-4 * amplitude);
}

INSTANTIATE_TEST_SUITE_P(Factors, OversamplingTest, testing::Values(2, 4, 8));

// At factor 16 no piece of the plug-in's block size fits the oversampled buffers (sized for factor 8):
// a host block longer than the block size, cut into pieces (64, 64 and a short 22), is silent in every
// piece, with separate buffers and processed in place, from the first block to the last.
TEST_F(KelvadruneTest, FactorSixteenSilencesEveryPieceOfALongHostBlock) {
  for (const bool inPlace : {false, true}) {
    Configure(44100.0, 32);
    Configure(48000.0, 64);
    mPlug->SetOversamplingFactorForTesting(16);
    std::vector<double> left(150), right(150), outL(150), outR(150);
    for (int done = 0; done < 48000; done += 150) {
      for (int i = 0; i < 150; ++i) {
        left[i] = 0.5 * std::sin(0.01 * (done + i));
        right[i] = -left[i];
      }
      double* ins[2] = {left.data(), right.data()};
      double* outs[2] = {outL.data(), outR.data()};
      mPlug->ProcessBlock(ins, inPlace ? ins : outs, 150);
      const std::vector<double>& l = inPlace ? left : outL;
      const std::vector<double>& r = inPlace ? right : outR;
      ASSERT_EQ(l, std::vector<double>(150, 0.0)) << "in place " << inPlace << " at " << done;
      ASSERT_EQ(r, std::vector<double>(150, 0.0)) << "in place " << inPlace << " at " << done;
    }
  }
}

TEST_F(KelvadruneTest, NonAutomatableHostChangesTakeEffect) {
  HostSet(kGainMaster, 0.75);
  HostSet(kLockGainMaster, 1.0);
  const std::vector<double> out = Run(8192, 0.5, 0.5);
  EXPECT_EQ(out.back(), 0.5);
}

TEST_F(KelvadruneTest, HostChangesNeverRunEditorWorkOnTheirThread) {
  HostSet(kProcessMode, 1.0);
  EXPECT_TRUE(mPlug->IsGUIRefreshPending());
  mPlug->OnIdle();
  EXPECT_FALSE(mPlug->IsGUIRefreshPending());
}

TEST_F(KelvadruneTest, SampleAccurateAutomationIsAStoredValueOnly) {
  Run(8192, 0.5, 0.5);
  HostSet(kEnableSampleAccurateAutomation, 1.0);
  HostSet(kGainMaster, 0.75);
  mPlug->OnParamChange(kGainMaster, fx::kHost, 10);
  const std::vector<double> out = Run(64, 0.5, 0.5);
  EXPECT_LT(out[20], 0.5 * Gain(12.0));  // still ramping: the offset was not used
}

// With the per-sample path on, a change at offset 32 holds the old position before it and the new after.
TEST_F(KelvadruneTest, PerSamplePathAppliesChangesAtTheirOffset) {
  mPlug->SetSampleAccurateActive(true);
  Run(8192, 0.5, 0.5);
  mPlug->GetParam(kGainMaster)->Set(0.75);
  mPlug->OnParamChange(kGainMaster, fx::kHost, 32);
  const std::vector<double> out = Run(64, 0.5, 0.5);
  EXPECT_NEAR(out[20], 0.5, 1e-12);
  EXPECT_NEAR(out[40], 0.5 * Gain(24.0), 1e-9);
  const std::vector<double> next = Run(64, 0.5, 0.5);
  EXPECT_NEAR(next[0], 0.5 * Gain(24.0), 1e-12);
}

// At once, from the host or from a load: a block in the middle of a load, after the frequency's change, already
// finds the filters redesigned (the frequency is no setting the block takes at its start).
TEST_F(KelvadruneTest, FilterFrequencyChangeRedesignsEverySmoothingFilter) {
  HostSet(kMDFilterFreq, 1000.0);
  const auto expected = kd::SmoothingFilter::Design(1000.0, 44100.0);
  for (int g = 0; g < kNumGains; ++g) {
    for (int stage = 0; stage < 2; ++stage) {
      EXPECT_EQ(mPlug->GetSmoothingFilter(g, stage).GetCoefficients().a1, expected.a1);
      EXPECT_EQ(mPlug->GetSmoothingFilter(g, stage).GetMode(), kd::SmoothingFilter::kModeHeldTwice);
    }
  }
  auto plug = std::make_unique<MidLoadBlock>(fx::InstanceInfo{});
  MidLoadBlock* load = plug.get();
  mPlug = std::move(plug);
  Configure(44100.0, 64);
  Run(64, 0.5, 0.5);
  load->after = kMDFilterFreq;
  double during = 0.0;
  load->block = [&] {
    Run(64, 0.5, 0.5);
    during = mPlug->GetSmoothingFilter(kGainIdxMaster, 0).GetCoefficients().a1;
  };
  mPlug->GetParam(kMDFilterFreq)->Set(1000.0);
  mPlug->OnParamReset(fx::kPresetRecall);
  EXPECT_EQ(during, expected.a1);
}

TEST_F(KelvadruneTest, BypassKeepsTheDesignAndTheSignal) {
  Run(8192, 0.5, 0.5);
  mPlug->SetBypassed(true);
  mPlug->OnBypassChanged(true);
  EXPECT_EQ(mPlug->GetSmoothingFilter(0, 0).GetCoefficients().a1, kd::SmoothingFilter::Design(20500.0, 44100.0).a1);
  const std::vector<double> out = Run(64, 0.5, 0.5);
  EXPECT_NEAR(out[0], 0.5, 1e-12);
}

// With no input connected the outputs are written all the same, with silence: what the buffers held before
// (the host's last block) is not left to be played again.
TEST_F(KelvadruneTest, NoConnectedInputsGiveSilence) {
  Run(256, 0.5, 0.5);
  mPlug->SetChannelConnections(fx::kInput, 0, 2, false);
  std::vector<double> inL(64, 0.5), inR(64, 0.5), outL(64, 7.0), outR(64, 7.0);
  double* ins[2] = {inL.data(), inR.data()};
  double* outs[2] = {outL.data(), outR.data()};
  mPlug->ProcessBlock(ins, outs, 64);
  for (int i = 0; i < 64; ++i) {
    ASSERT_EQ(outL[i], 0.0) << i;
    ASSERT_EQ(outR[i], 0.0) << i;
  }
}

TEST_F(KelvadruneTest, TwoInputsOneOutputReadsOnlyTheFirstInput) {
  mPlug->SetChannelConnections(fx::kOutput, 1, 1, false);
  const std::vector<double> out = Run(8192, 0.25, 1000.0);
  EXPECT_EQ(out.back(), 0.25);
}

// ---- Meters ----

TEST_F(KelvadruneTest, MetersAttackHoldAndRelease) {
  Run(8192, 0.0, 0.0);
  std::vector<double> inL(64, 0.0), inR(64, 0.0), outL(64), outR(64);
  inL[0] = 0.5;
  double* ins[2] = {inL.data(), inR.data()};
  double* outs[2] = {outL.data(), outR.data()};
  mPlug->ProcessBlock(ins, outs, 64);
  EXPECT_EQ(mPlug->GetMeterLevel(Kelvadrune::kMeterHoldLeft), 0.5);
  EXPECT_EQ(mPlug->GetMeterPeak(Kelvadrune::kMeterFastLeft), 0.5);
  EXPECT_LT(mPlug->GetMeterLevel(Kelvadrune::kMeterFastLeft), 0.5);
  EXPECT_EQ(mPlug->GetMeterLevel(Kelvadrune::kMeterHoldRight), 0.0);
  Run(4 * 44100 - 64, 0.0, 0.0);
  EXPECT_EQ(mPlug->GetMeterLevel(Kelvadrune::kMeterHoldLeft), 0.5);
  Run(44100, 0.0, 0.0);
  EXPECT_NEAR(mPlug->GetMeterLevel(Kelvadrune::kMeterHoldLeft), 0.05, 1e-4);
}

// A host that passes one buffer for both outputs: the meters read each channel's values as computed,
// exactly what they read from two buffers, and the shared buffer ends up holding the right channel.
TEST_F(KelvadruneTest, MetersReadEachChannelWhenBothOutputsShareOneBuffer) {
  struct Row {
    const char* what;
    int param;
    double value;
  };
  const Row rows[] = {{"steady", kPower, 1.0},
                      {"master moving", kGainMaster, 0.3},
                      {"mid/side", kProcessMode, 1.0},
                      {"fading out", kPower, 0.0}};
  for (const Row& row : rows) {
    Kelvadrune separate(fx::InstanceInfo{});
    Kelvadrune shared(fx::InstanceInfo{});
    for (Kelvadrune* plug : {&separate, &shared}) {
      plug->SetSampleRate(44100.0);
      plug->SetBlockSize(64);
      plug->OnReset();
    }
    std::vector<double> inL(200), inR(200), outL(200), outR(200), both(200);
    for (int i = 0; i < 200; ++i) {
      inL[static_cast<size_t>(i)] = 0.8 * std::sin(0.05 * i);
      inR[static_cast<size_t>(i)] = 0.2 * std::cos(0.11 * i);
    }
    for (int block = 0; block < 40; ++block) {
      if (block == 10) {
        for (Kelvadrune* plug : {&separate, &shared}) {
          plug->GetParam(row.param)->Set(row.value);
          plug->OnParamChange(row.param, fx::kHost, -1);
        }
      }
      double* ins[2] = {inL.data(), inR.data()};
      double* outs[2] = {outL.data(), outR.data()};
      double* sharedOuts[2] = {both.data(), both.data()};
      separate.ProcessBlock(ins, outs, 200);
      shared.ProcessBlock(ins, sharedOuts, 200);
      ASSERT_EQ(both, outR) << row.what << ", block " << block;
      for (int m = 0; m < Kelvadrune::kNumMeters; ++m) {
        ASSERT_EQ(shared.GetMeterLevel(m), separate.GetMeterLevel(m))
            << row.what << ", block " << block << " meter " << m;
        ASSERT_EQ(shared.GetMeterPeak(m), separate.GetMeterPeak(m))
            << row.what << ", block " << block << " meter " << m;
      }
    }
    EXPECT_GT(shared.GetMeterPeak(Kelvadrune::kMeterFastLeft), shared.GetMeterPeak(Kelvadrune::kMeterFastRight))
        << row.what;
  }
}

TEST_F(KelvadruneTest, DisabledMetersStayWhereTheyWere) {
  Run(64, 0.5, 0.5);
  const double level = mPlug->GetMeterLevel(Kelvadrune::kMeterFastRight);
  HostSet(kDisableMeter, 1.0);
  Run(64, 0.9, 0.9);
  EXPECT_EQ(mPlug->GetMeterLevel(Kelvadrune::kMeterFastRight), level);
}

TEST_F(KelvadruneTest, ResetMeterCommandClearsAllFourMeters) {
  Run(64, 0.5, 0.5);
  Command(kMsgResetMeter);
  for (int m = 0; m < Kelvadrune::kNumMeters; ++m) EXPECT_EQ(mPlug->GetMeterLevel(m), 0.0) << m;
  Run(64, 0.0, 0.0);
  for (int m = 0; m < Kelvadrune::kNumMeters; ++m) {
    EXPECT_EQ(mPlug->GetMeterLevel(m), 0.0) << m;
    EXPECT_EQ(mPlug->GetMeterPeak(m), 0.0) << m;
  }
}

// ---- Modulation-view feeds ----

TEST_F(KelvadruneTest, SendersFeedOnlyWhileTheEditorIsOpen) {
  Run(4096, 0.5, 0.5);
  Kelvadrune::SenderRecord record;
  EXPECT_FALSE(mPlug->PopModViewRecord(kGainIdxMaster, record));
  mPlug->OnUIOpen();
  Run(4096, 0.5, 0.5);
  for (int g = 0; g < kNumGains; ++g) {
    ASSERT_TRUE(mPlug->PopModViewRecord(g, record)) << g;
    while (mPlug->PopModViewRecord(g, record)) {
    }
    EXPECT_EQ(record.ctrlTag, kCtrlTagModViewMaster + g);
    EXPECT_NEAR(record.vals[0], 0.5f, 1e-5f);
  }
  mPlug->OnUIClose();
  mPlug->OnIdle();
  while (mPlug->PopModViewRecord(kGainIdxMaster, record)) {
  }
  Run(4096, 0.5, 0.5);
  EXPECT_FALSE(mPlug->PopModViewRecord(kGainIdxMaster, record));
}

TEST_F(KelvadruneTest, SendersPlotTheFaderPositions) {
  HostSet(kGainMaster, 0.0);
  HostSet(kGainLM, 1.0);
  mPlug->OnUIOpen();
  Run(8192, 0.5, 0.5);
  Kelvadrune::SenderRecord master, lm, rs;
  while (mPlug->PopModViewRecord(kGainIdxMaster, master)) {
  }
  while (mPlug->PopModViewRecord(kGainIdxLM, lm)) {
  }
  while (mPlug->PopModViewRecord(kGainIdxRS, rs)) {
  }
  EXPECT_NEAR(master.vals[0], 0.0f, 1e-5f);
  EXPECT_NEAR(lm.vals[0], 1.0f, 1e-5f);
  EXPECT_NEAR(rs.vals[0], 0.5f, 1e-5f);
}

TEST_F(KelvadruneTest, HiddenModViewsQueueNothing) {
  HostSet(kHideModViews, 1.0);
  mPlug->OnUIOpen();
  Run(4096, 0.5, 0.5);
  Kelvadrune::SenderRecord record;
  EXPECT_FALSE(mPlug->PopModViewRecord(kGainIdxLM, record));
}

// ---- Commands ----

TEST_F(KelvadruneTest, CommandsThatNeedTheEditorDoNothingWithoutIt) {
  Command(kMsgAbout);
  Command(kMsgCheckUpdate);
  Command(kMsgStoreUIScale);
  Command(kMsgFixedGUIScale);
  EXPECT_FALSE(mPlug->IsAboutRequested());
  EXPECT_FALSE(mPlug->IsResizePending());
  EXPECT_EQ(mPlug->GetParam(kGUIScale)->Value(), 1.0);
}

struct ScaleRow {
  double before;
  double after;
};

void PrintTo(const ScaleRow& row, std::ostream* os) {
  *os << row.before << " to " << row.after;
}

// "Reset GUI scale" toggles: within a hundredth of 100 % it gives 150 %, anywhere else 100 %; a second
// command toggles again.
class ToggleGUIScaleTest : public KelvadruneTest, public testing::WithParamInterface<ScaleRow> {};

TEST_P(ToggleGUIScaleTest, TogglesBetweenOneHundredAndOneHundredFiftyPercent) {
  mPlug->GetParam(kGUIScale)->Set(GetParam().before);
  mPlug->OnParamChange(kGUIScale, fx::kUI, -1);
  ASSERT_EQ(mPlug->GetGUIScale(), GetParam().before);
  Command(kMsgResetGUIScale);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(kGUIScale)->Value(), GetParam().after);
  EXPECT_DOUBLE_EQ(mPlug->GetGUIScale(), GetParam().after);
  EXPECT_TRUE(mPlug->IsResizePending());
  Command(kMsgResetGUIScale);
  EXPECT_DOUBLE_EQ(mPlug->GetGUIScale(), GetParam().after == 1.5 ? 1.0 : 1.5);
}

INSTANTIATE_TEST_SUITE_P(Rows, ToggleGUIScaleTest,
                         testing::Values(ScaleRow{1.0, 1.5}, ScaleRow{1.004, 1.5}, ScaleRow{1.0099, 1.5},
                                         ScaleRow{1.01, 1.0}, ScaleRow{1.25, 1.0}, ScaleRow{1.5, 1.0},
                                         ScaleRow{3.0, 1.0}));

TEST_F(KelvadruneTest, MinGUIScaleCommandGoesToTheMinimum) {
  mPlug->SetParameterValue(kGUIScale, 1.0);
  EXPECT_EQ(mPlug->GetParam(kGUIScale)->Value(), 3.0);
  Command(kMsgSetMinGUIScale);
  EXPECT_EQ(mPlug->GetParam(kGUIScale)->Value(), 1.0);
  EXPECT_TRUE(mPlug->IsResizePending());
}

struct FixedScaleRow {
  int radioIdx;
  double scale;
};

void PrintTo(const FixedScaleRow& row, std::ostream* os) {
  *os << "entry " << row.radioIdx << " gives " << row.scale;
}

class FixedGUIScaleTest : public KelvadruneTest, public testing::WithParamInterface<FixedScaleRow> {};

TEST_P(FixedGUIScaleTest, RadioEntryGivesTheScale) {
  EXPECT_DOUBLE_EQ(mPlug->FixedGUIScale(GetParam().radioIdx), GetParam().scale);
}

INSTANTIATE_TEST_SUITE_P(Rows, FixedGUIScaleTest,
                         testing::Values(FixedScaleRow{0, 1.0}, FixedScaleRow{1, 1.25}, FixedScaleRow{2, 1.5},
                                         FixedScaleRow{4, 2.0}, FixedScaleRow{7, 2.75}, FixedScaleRow{8, 3.0},
                                         FixedScaleRow{9, 1.0}, FixedScaleRow{-1, 1.0}));

struct LatencyTailRow {
  int idx;
  fx::EParamSource source;
  bool reportsNone;  // the change is handled: no latency to report, told at once to this host
};

// Every handled change or command, whatever its index (a negative one, one past the commands), ends with no
// latency to report, told at once to a host that re-reads it only when told; a source that is not handled
// leaves both as they were.
TEST_F(KelvadruneTest, EveryChangeAndCommandReportsNoLatency) {
  mPlug->SetHost("Fruity Wrapper", 0);
  ASSERT_EQ(mPlug->GetHost(), fx::kHostFL);
  const LatencyTailRow rows[] = {{kPower, fx::kHost, true},  {kMsgLogoClick, fx::kUI, true}, {99, fx::kUI, true},
                                 {-1, fx::kUI, true},        {-7, fx::kPresetRecall, true},  {-1, fx::kReset, true},
                                 {-1, fx::kDelegate, false}, {kPower, fx::kDelegate, false}};
  for (const LatencyTailRow& row : rows) {
    mPlug->SetLatency(3);
    mPlug->SetLatencyValuePDC(3);
    mPlug->OnParamChange(row.idx, row.source, -1);
    const int expected = row.reportsNone ? 0 : 3;
    EXPECT_EQ(mPlug->GetPendingLatency(), expected) << row.idx << " from source " << row.source;
    EXPECT_EQ(mPlug->GetLatency(), expected) << row.idx << " from source " << row.source;
  }
}

// ---- About text ----

std::vector<std::string> Lines(const char* text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += *p;
    }
  }
  EXPECT_TRUE(line.empty()) << "every line ends with a newline";
  return lines;
}

TEST_F(KelvadruneTest, AboutTextListsProductFormatHostAndSetUp) {
  fx::FwString text;
  mPlug->GetAboutText(text);
  const std::vector<std::string> lines = Lines(text.Get());
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines[0], "Manufacturer: Lunderwick");
  EXPECT_EQ(lines[1], "Plugin name: Kelvadrune");
  EXPECT_EQ(lines[2], "Version: 1.0.11");
  EXPECT_EQ(lines[3].rfind("Build date: ", 0), 0u);
  EXPECT_EQ(lines[4].size(), std::string("Build time: hh:mm:ss").size());
  EXPECT_EQ(lines[5], "");
#if defined(__x86_64__)
  EXPECT_EQ(lines[6], "Format: VST2 x86-64 (INTEL, VECTOR, VULKAN)");
#elif defined(__aarch64__)
  EXPECT_EQ(lines[6], "Format: VST2 aarch64 (ARM, VECTOR, VULKAN)");
#endif
  EXPECT_EQ(lines[7], "Host: Unknown");
  EXPECT_EQ(lines[8], "Channels: 2-2 (2-2)");
  EXPECT_EQ(lines[9], "Plugin delay: 0 smp (0.0 ms)");
  EXPECT_EQ(lines[10], "Sample Rate: 44100.00 Hz");
  EXPECT_EQ(lines[11], "Block Size: 64 smp");
  EXPECT_EQ(lines[12], "");
  EXPECT_EQ(lines[13], "");
}

// A host's rate of 0, below 0 or not a number is refused: the set-up lines keep the last good rate, and the
// delay stays a number of ms.
TEST_F(KelvadruneTest, AboutTextKeepsTheLastGoodSampleRate) {
  const double requests[] = {48000.0, 0.0, -44100.0, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity()};
  for (const double request : requests) {
    mPlug->SetSampleRate(request);
    fx::FwString text;
    mPlug->GetAboutText(text);
    const std::vector<std::string> lines = Lines(text.Get());
    ASSERT_EQ(lines.size(), 14u) << request;
    EXPECT_EQ(lines[9], "Plugin delay: 0 smp (0.0 ms)") << request;
    EXPECT_EQ(lines[10], "Sample Rate: 48000.00 Hz") << request;
  }
}

TEST_F(KelvadruneTest, AboutTextNamesTheHostOnceItHasNamedItself) {
  mPlug->SetHost("REAPER", 0x60000);
  mPlug->SetChannelConnections(fx::kInput, 0, 2, false);
  mPlug->SetChannelConnections(fx::kOutput, 0, 2, false);
  fx::FwString text;
  mPlug->GetAboutText(text);
  const std::vector<std::string> lines = Lines(text.Get());
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[7], "Host: Reaper");
  EXPECT_EQ(lines[8], "Channels: 0-0 (2-2)");
}

}  // namespace
