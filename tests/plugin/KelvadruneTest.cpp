// The product class driven directly, as the framework's binding and the editor drive it: reset and DSP
// set-up, parameter changes and editor commands, meters, modulation-view feeds, the About text.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
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
                                         RampRow{44100.0, 1}, RampRow{11025.0, 8192}));

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

TEST_F(KelvadruneTest, FilterFrequencyChangeRedesignsEverySmoothingFilter) {
  HostSet(kMDFilterFreq, 1000.0);
  const auto expected = kd::SmoothingFilter::Design(1000.0, 44100.0);
  for (int g = 0; g < kNumGains; ++g) {
    for (int stage = 0; stage < 2; ++stage) {
      EXPECT_EQ(mPlug->GetSmoothingFilter(g, stage).GetCoefficients().a1, expected.a1);
      EXPECT_EQ(mPlug->GetSmoothingFilter(g, stage).GetMode(), kd::SmoothingFilter::kModeHeldTwice);
    }
  }
}

TEST_F(KelvadruneTest, BypassKeepsTheDesignAndTheSignal) {
  Run(8192, 0.5, 0.5);
  mPlug->SetBypassed(true);
  mPlug->OnBypassChanged(true);
  EXPECT_EQ(mPlug->GetSmoothingFilter(0, 0).GetCoefficients().a1, kd::SmoothingFilter::Design(20500.0, 44100.0).a1);
  const std::vector<double> out = Run(64, 0.5, 0.5);
  EXPECT_NEAR(out[0], 0.5, 1e-12);
}

TEST_F(KelvadruneTest, NoConnectedInputsGiveSilence) {
  mPlug->SetChannelConnections(fx::kInput, 0, 2, false);
  std::vector<double> right;
  const std::vector<double> left = Run(64, 0.5, 0.5, &right);
  for (int i = 0; i < 64; ++i) {
    ASSERT_EQ(left[i], 0.0);
    ASSERT_EQ(right[i], 0.0);
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

TEST_F(KelvadruneTest, EveryChangeAndCommandReportsNoLatency) {
  Command(kMsgLogoClick);
  EXPECT_EQ(mPlug->GetPendingLatency(), 0);
  Command(99);
  EXPECT_EQ(mPlug->GetPendingLatency(), 0);
  EXPECT_EQ(mPlug->GetLatency(), 0);
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
  EXPECT_EQ(lines[6], "Format: VST2 x86-64 (VECTOR, VULKAN)");
#else
  EXPECT_EQ(lines[6], std::string("Format: VST2 ") + mPlug->GetArchString() + " (VECTOR, VULKAN)");
#endif
  EXPECT_EQ(lines[7], "Host: Unknown");
  EXPECT_EQ(lines[8], "Channels: 2-2 (2-2)");
  EXPECT_EQ(lines[9], "Plugin delay: 0 smp (0.0 ms)");
  EXPECT_EQ(lines[10], "Sample Rate: 44100.00 Hz");
  EXPECT_EQ(lines[11], "Block Size: 64 smp");
  EXPECT_EQ(lines[12], "");
  EXPECT_EQ(lines[13], "");
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
