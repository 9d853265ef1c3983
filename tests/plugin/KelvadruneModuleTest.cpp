// Kelvadrune.so loaded in the project's test host: the effect record, the parameters as the host sees
// them, and the exact gains of the processing. References are 10^(dB / 20) computed here with pow.
#include <cmath>
#include <cstring>
#include <ostream>

#include "tests/plugin/ModuleFixture.h"

namespace kelvadrune_test {
namespace {

double Gain(double dB) {
  return std::pow(10.0, dB / 20.0);
}

// Enough samples at 44.1 kHz for the power fade-in (3232 samples) and the smoothing to settle.
constexpr int kSettle = 8192;

TEST_F(ModuleTest, EffectRecordSummary) {
  Start();
  const vst2::EffectRecord& e = Effect();
  EXPECT_EQ(e.magic, 0x56737450);  // "VstP"
  EXPECT_EQ(e.numParams, 24);
  EXPECT_GE(e.numPrograms, 1);
  EXPECT_EQ(e.numInputs, 2);
  EXPECT_EQ(e.numOutputs, 2);
  EXPECT_EQ(e.uniqueID, ('L' << 24) | ('W' << 16) | ('8' << 8) | '0');
  EXPECT_EQ(e.initialDelay, 0);
  EXPECT_TRUE(e.flags & vst2::kFlagCanReplacing);
  EXPECT_TRUE(e.flags & vst2::kFlagCanDoubleReplacing);
  EXPECT_TRUE(e.flags & vst2::kFlagProgramChunks);
  EXPECT_GT(e.version, 0);
  char text[vst2::kVendorTextSize + 1] = {};
  mHost.Dispatch(vst2::kEffGetVendorString, 0, 0, text);
  EXPECT_STREQ(text, "Lunderwick");
  mHost.Dispatch(vst2::kEffGetEffectName, 0, 0, text);
  EXPECT_STREQ(text, "Kelvadrune");
}

TEST_F(ModuleTest, OldEntryPointGivesAWorkingRecordToo) {
  std::string error;
  ASSERT_TRUE(mHost.Load(KD_KELVADRUNE_PATH, error) && mHost.Instantiate(error, true)) << error;
  EXPECT_EQ(Effect().magic, 0x56737450);
  EXPECT_EQ(Effect().numParams, 24);
  EXPECT_GE(Effect().numPrograms, 1);
}

TEST_F(ModuleTest, ParameterNamesInIndexOrder) {
  Start();
  const char* names[] = {"GUI scale",
                         "Toggle tooltips",
                         "Auto update check",
                         "Power",
                         "Processing Mode",
                         "MVol",
                         "LMVol",
                         "RSVol",
                         "Lock MVol",
                         "Lock LMVol",
                         "Lock RSVol",
                         "Min volume",
                         "Max volume",
                         "Master Treat Min as Inf",
                         "LM Treat Min as Inf",
                         "RS Treat Min as Inf",
                         "Hide Mod Views",
                         "Sample Accurate Automation",
                         "Fader shape",
                         "MD filter freq",
                         "Disable Meter",
                         "Fader Display Mode",
                         "Core Fader Layout",
                         "Basic Fader Layout"};
  for (int i = 0; i < 24; ++i) EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamName, i), names[i]) << i;
}

// Hosts that ask for parameter properties show their label field as the name: the faders, the range and the
// filter frequency must not all appear as "dB" or "Hz". The unit stays where the unit is asked for.
TEST_F(ModuleTest, ParameterPropertiesNameTheParameterNotItsUnit) {
  Start();
  const struct {
    int param;
    const char* name;
    const char* shortName;
    const char* unit;
  } rows[] = {{5, "MVol", "MVol", "dB"},           {6, "LMVol", "LMVol", "dB"},
              {7, "RSVol", "RSVol", "dB"},         {11, "Min volume", "Min vol", "dB"},
              {12, "Max volume", "Max vol", "dB"}, {19, "MD filter freq", "MD filt", "Hz"}};
  for (const auto& row : rows) {
    vst2::ParameterProperties props{};
    EXPECT_EQ(mHost.Dispatch(vst2::kEffGetParameterProperties, row.param, 0, &props), 1) << row.param;
    EXPECT_STREQ(props.label, row.name) << row.param;
    EXPECT_STREQ(props.shortLabel, row.shortName) << row.param;
    EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamLabel, row.param), row.unit) << row.param;
  }
}

struct DisplayRow {
  int param;
  float normalized;
  const char* text;
};

void PrintTo(const DisplayRow& row, std::ostream* os) {
  *os << "param " << row.param << " at " << row.normalized << " shows \"" << row.text << '"';
}

class DisplayTest : public ModuleTest, public testing::WithParamInterface<DisplayRow> {};

TEST_P(DisplayTest, HostSeesTheDisplayText) {
  Start();
  mHost.SetParameter(GetParam().param, GetParam().normalized);
  EXPECT_EQ(Display(GetParam().param), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Rows, DisplayTest,
                         testing::Values(DisplayRow{5, 0.5f, "0.00"}, DisplayRow{5, 0.75f, "+24.00"},
                                         DisplayRow{5, 0.0f, "-inf"}, DisplayRow{5, 0.25f, "-24.00"},
                                         DisplayRow{6, 1.0f, "+48.00"}, DisplayRow{7, 0.5f, "0.00"},
                                         DisplayRow{3, 0.0f, "off"}, DisplayRow{4, 1.0f, "MID/SIDE"},
                                         DisplayRow{21, 1.0f, "0/100%"}, DisplayRow{19, 0.5f, "345"},
                                         DisplayRow{0, 0.25f, "1.50"}, DisplayRow{11, 1.0f, "-1.00"}));

TEST_F(ModuleTest, FaderDisplayFollowsMinimumAndMinusInfinitySwitch) {
  Start();
  mHost.SetParameter(5, 0.0f);
  mHost.SetParameter(13, 0.0f);  // "Master Treat Min as Inf" off
  EXPECT_EQ(Display(5), "-48.00");
  mHost.SetParameter(11, 0.0f);  // "Min volume" -240
  EXPECT_EQ(Display(5), "-240.00");
  mHost.SetParameter(13, 1.0f);
  EXPECT_EQ(Display(5), "-inf");
}

// "Fader shape" s: the fader at normalized x > 0.5 stands at 0.5 + 0.5 (2x - 1)^s, that is 48 (2x - 1)^s dB.
class FaderShapeDisplayTest : public ModuleTest, public testing::WithParamInterface<int> {};

TEST_P(FaderShapeDisplayTest, ShapeBendsTheFader) {
  Start();
  const int s = GetParam();
  mHost.SetParameter(18, static_cast<float>((s - 1) / 9.0));
  const float x = 0.8f;
  mHost.SetParameter(5, x);
  char expected[32];
  std::snprintf(expected, sizeof(expected), "+%.2f", 48.0 * std::pow(2.0 * x - 1.0, s));
  EXPECT_EQ(Display(5), expected);
  EXPECT_NEAR(mHost.GetParameter(5), x, 1e-6f);
}

INSTANTIATE_TEST_SUITE_P(Shapes1To10, FaderShapeDisplayTest, testing::Range(1, 11));

struct GainRow {
  const char* name;
  std::vector<std::pair<int, float>> settings;
  double leftGain;
  double rightGain;
};

void PrintTo(const GainRow& row, std::ostream* os) {
  *os << row.name;
}

class ExactGainTest : public ModuleTest, public testing::WithParamInterface<GainRow> {};

// A constant input after the fade-in: every sample of the last block is input x gain to within a few ulps
// of the reference (exp against pow); a gain of 0 or 1 is exact.
TEST_P(ExactGainTest, SettledOutputIsInputTimesGain) {
  Start();
  for (const auto& [idx, value] : GetParam().settings) mHost.SetParameter(idx, value);
  const StereoBuffers out = RunConstant(kSettle, 0.5, -0.25);
  for (int i = kSettle - 512; i < kSettle; ++i) {
    const double l = 0.5 * GetParam().leftGain;
    const double r = -0.25 * GetParam().rightGain;
    if (GetParam().leftGain == 0.0 || GetParam().leftGain == 1.0)
      ASSERT_EQ(out.left[i], l) << i;
    else
      ASSERT_NEAR(out.left[i], l, 1e-13 * std::fabs(l)) << i;
    if (GetParam().rightGain == 0.0 || GetParam().rightGain == 1.0)
      ASSERT_EQ(out.right[i], r) << i;
    else
      ASSERT_NEAR(out.right[i], r, 1e-13 * std::fabs(r)) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExactGainTest,
    testing::Values(GainRow{"defaults", {}, 1.0, 1.0}, GainRow{"master_up", {{5, 0.75f}}, Gain(24), Gain(24)},
                    GainRow{"master_down", {{5, 0.25f}}, Gain(-24), Gain(-24)},
                    GainRow{"master_off", {{5, 0.0f}}, 0.0, 0.0},
                    GainRow{"master_min_shown", {{5, 0.0f}, {13, 0.0f}}, Gain(-48), Gain(-48)},
                    GainRow{"left_right", {{6, 0.75f}, {7, 0.25f}}, Gain(24), Gain(-24)},
                    GainRow{"master_and_left", {{5, 0.25f}, {6, 0.75f}}, Gain(-24) * Gain(24), Gain(-24)},
                    GainRow{"lock_caps", {{5, 0.75f}, {8, 1.0f}}, 1.0, 1.0},
                    GainRow{"lock_keeps_cuts", {{5, 0.25f}, {8, 1.0f}}, Gain(-24), Gain(-24)},
                    GainRow{"link", {{23, 1.0f}, {6, 0.75f}, {7, 0.25f}}, Gain(24), Gain(24)},
                    GainRow{"link_lock", {{23, 1.0f}, {6, 0.75f}, {9, 1.0f}}, 1.0, 1.0},
                    GainRow{"link_inf", {{23, 1.0f}, {6, 0.0f}, {7, 0.75f}}, 0.0, 0.0},
                    GainRow{"core", {{22, 1.0f}, {5, 0.25f}, {6, 0.75f}}, Gain(24), 1.0},
                    GainRow{"core_midside", {{22, 1.0f}, {4, 1.0f}, {6, 0.75f}}, Gain(24), 1.0},
                    GainRow{"midside_unity", {{4, 1.0f}}, 1.0, 1.0},
                    GainRow{"power_off", {{3, 0.0f}, {5, 0.75f}}, 1.0, 1.0}));

TEST_F(ModuleTest, MinusInfinityAtTheMinimumAndJustAbove) {
  Start();
  // Position 0.00004 shows -48.00 dB: silence. Position 0.000105 shows -47.99 dB: a (tiny) gain.
  mHost.SetParameter(5, 0.00004f);
  StereoBuffers out = RunConstant(kSettle, 1.0, 1.0);
  EXPECT_EQ(out.left.back(), 0.0);
  const float above = 0.000105f;
  mHost.SetParameter(5, above);
  out = RunConstant(kSettle, 1.0, 1.0);
  const double dB = -48.0 + 96.0 * static_cast<double>(above);
  EXPECT_NEAR(out.left.back(), Gain(dB), 1e-6 * Gain(dB));
}

// Mid/side with the left/mid fader at +24 dB: M = (L + R) / 2 x g, S = (L - R) / 2, L' = M + S, R' = M - S.
TEST_F(ModuleTest, MidSideImpulseWithTheMidFaderRaised) {
  Start();
  mHost.SetParameter(4, 1.0f);
  mHost.SetParameter(6, 0.75f);
  StereoBuffers in(kSettle);
  in.left[kSettle - 100] = 1.0;
  in.right[kSettle - 50] = 1.0;
  StereoBuffers out(kSettle);
  Run(in, out);
  const double g = Gain(24);
  EXPECT_NEAR(out.left[kSettle - 100], 0.5 * g + 0.5, 1e-13 * g);
  EXPECT_NEAR(out.right[kSettle - 100], 0.5 * g - 0.5, 1e-13 * g);
  EXPECT_NEAR(out.left[kSettle - 50], 0.5 * g - 0.5, 1e-13 * g);
  EXPECT_NEAR(out.right[kSettle - 50], 0.5 * g + 0.5, 1e-13 * g);
  EXPECT_EQ(out.left[kSettle - 99], 0.0);
}

// One input and one output: only output 0 is written, from input 0.
TEST_F(ModuleTest, MonoWritesOnlyTheFirstOutput) {
  Start();
  vst2::SpeakerArrangement mono{};
  mono.numChannels = 1;
  ASSERT_EQ(mHost.Dispatch(vst2::kEffSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&mono), &mono), 1);
  mHost.SetParameter(5, 0.25f);
  StereoBuffers in(kSettle);
  in.left.assign(kSettle, 0.5);
  in.right.assign(kSettle, 123.0);
  StereoBuffers out(kSettle, 7.0);
  Run(in, out);
  EXPECT_NEAR(out.left.back(), 0.5 * Gain(-24), 1e-15);
  for (double sample : out.right) ASSERT_EQ(sample, 7.0);
}

enum class HostPath { kDoubleReplacing, kFloatReplacing, kFloatAccumulating };

struct DisconnectedRow {
  const char* name;
  HostPath path;
  double expected;  // what the host's buffer, filled with 7 before the block, holds after it
};

void PrintTo(const DisconnectedRow& row, std::ostream* os) {
  *os << row.name;
}

class DisconnectedInputsTest : public ModuleTest, public testing::WithParamInterface<DisconnectedRow> {
 protected:
  // One block of 0.5 on both inputs through the row's callback; the host's output buffers, 7 before it.
  StereoBuffers Block() {
    constexpr int kFrames = 512;
    StereoBuffers out(kFrames, 7.0);
    if (GetParam().path == HostPath::kDoubleReplacing) {
      StereoBuffers in(kFrames, 0.5);
      mHost.ProcessDoubleReplacing(in.ptrs, out.ptrs, kFrames);
      return out;
    }
    std::vector<float> inL(kFrames, 0.5f), inR(kFrames, 0.5f), outL(kFrames, 7.0f), outR(kFrames, 7.0f);
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    if (GetParam().path == HostPath::kFloatReplacing)
      mHost.ProcessReplacing(ins, outs, kFrames);
    else
      mHost.ProcessAccumulating(ins, outs, kFrames);
    out.left.assign(outL.begin(), outL.end());
    out.right.assign(outR.begin(), outR.end());
    return out;
  }
};

// A host that connects no input gets silence from every callback: neither its own stale buffer nor the
// plug-in's last block played again.
TEST_P(DisconnectedInputsTest, GiveSilenceNotTheLastBlockOrTheHostsBuffer) {
  Start();
  const StereoBuffers connected = Block();
  ASSERT_NE(connected.left.back(), GetParam().expected);
  vst2::SpeakerArrangement none{};
  vst2::SpeakerArrangement stereo{};
  stereo.numChannels = 2;
  ASSERT_EQ(mHost.Dispatch(vst2::kEffSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&none), &stereo), 1);
  for (int round = 0; round < 2; ++round) {
    const StereoBuffers out = Block();
    for (size_t i = 0; i < out.left.size(); ++i) {
      ASSERT_EQ(out.left[i], GetParam().expected) << "round " << round << ", sample " << i;
      ASSERT_EQ(out.right[i], GetParam().expected) << "round " << round << ", sample " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, DisconnectedInputsTest,
                         testing::Values(DisconnectedRow{"DoubleReplacing", HostPath::kDoubleReplacing, 0.0},
                                         DisconnectedRow{"FloatReplacing", HostPath::kFloatReplacing, 0.0},
                                         DisconnectedRow{"FloatAccumulating", HostPath::kFloatAccumulating, 7.0}),
                         [](const testing::TestParamInfo<DisconnectedRow>& info) { return info.param.name; });

struct FadeRow {
  float rate;
  int fadeSamples;  // ceil(ln 100 x 0.1 rate / 2 pi) - 1, as in the fade's own test
};

void PrintTo(const FadeRow& row, std::ostream* os) {
  *os << row.rate << " Hz";
}

class PowerFadeModuleTest : public ModuleTest, public testing::WithParamInterface<FadeRow> {};

// Switching "Power" off glides into the dry signal, which then passes bit for bit.
TEST_P(PowerFadeModuleTest, FadeOutEndsInBitExactDryOutput) {
  Start(GetParam().rate, 64);
  mHost.SetParameter(5, 0.75f);
  RunConstant(3 * static_cast<int>(GetParam().rate), 0.5, 0.5);
  mHost.SetParameter(3, 0.0f);
  const int frames = 8192;
  StereoBuffers in(frames);
  for (int i = 0; i < frames; ++i) {
    in.left[i] = std::sin(0.01 * i) * 0.7;
    in.right[i] = std::cos(0.013 * i) * 0.3;
  }
  StereoBuffers out(frames);
  Run(in, out);
  int firstDry = -1;
  for (int i = 0; i < frames && firstDry < 0; ++i) {
    if (out.left[i] == in.left[i] && out.right[i] == in.right[i]) firstDry = i;
  }
  EXPECT_NEAR(firstDry, GetParam().fadeSamples, 2);
  for (int i = firstDry; i < frames; ++i) {
    ASSERT_EQ(out.left[i], in.left[i]) << i;
    ASSERT_EQ(out.right[i], in.right[i]) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, PowerFadeModuleTest, testing::Values(FadeRow{44100.0f, 3232}, FadeRow{48000.0f, 3518}));

}  // namespace
}  // namespace kelvadrune_test
