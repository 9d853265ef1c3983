#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>
#include <stdexcept>

#include "dsp/filters/Filter.h"
#include "dsp/filters/ParamInfo.h"

namespace {

using Dsp::ParamInfo;

TEST(ParamInfo, DefaultConstructionIsRefused) {
  try {
    ParamInfo info;
    FAIL() << "default construction must throw";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "invalid usage of ParamInfo");
  }
}

struct MapRow {
  ParamInfo (*make)();
  double control;
  double native;
  double tolerance;
};

void PrintTo(const MapRow& row, std::ostream* os) {
  *os << row.make().getShortName() << " at " << row.control;
}

class ParamMaps : public testing::TestWithParam<MapRow> {};

TEST_P(ParamMaps, MapBothWays) {
  const MapRow& row = GetParam();
  const ParamInfo info = row.make();
  EXPECT_NEAR(info.toNativeValue(row.control), row.native, row.tolerance);
  EXPECT_NEAR(info.toControlValue(row.native), row.control, 1e-12);
}

// Expected values worked out by hand from the map definitions (e.g. sqrt(10 x 22040) = 469.47).
INSTANTIATE_TEST_SUITE_P(StandardDescriptions, ParamMaps,
                         testing::Values(MapRow{ParamInfo::defaultCutoffFrequencyParam, 0.0, 10.0, 1e-9},
                                         MapRow{ParamInfo::defaultCutoffFrequencyParam, 1.0, 22040.0, 1e-7},
                                         MapRow{ParamInfo::defaultCutoffFrequencyParam, 0.5, 469.46778377222, 1e-9},
                                         MapRow{ParamInfo::defaultQParam, 0.0, 1.0 / 16.0, 1e-15},
                                         MapRow{ParamInfo::defaultQParam, 1.0, 16.0, 1e-12},
                                         MapRow{ParamInfo::defaultQParam, 0.5, 1.0, 1e-15},
                                         MapRow{ParamInfo::defaultSlopeParam, 0.75, 2.0, 1e-15},
                                         MapRow{ParamInfo::defaultSampleRateParam, 0.5, 101512.5, 1e-9},
                                         MapRow{ParamInfo::defaultGainParam, 0.25, -12.0, 1e-12},
                                         MapRow{ParamInfo::defaultPoleThetaParam, 1.0, std::numbers::pi, 1e-15},
                                         MapRow{ParamInfo::defaultBandwidthHzParam, 0.0, 10.0, 1e-9}));

TEST(ParamInfo, ClampLimitsToTheMappedRange) {
  const ParamInfo q = ParamInfo::defaultQParam();
  EXPECT_DOUBLE_EQ(q.clamp(100.0), 16.0);
  EXPECT_DOUBLE_EQ(q.clamp(0.001), 1.0 / 16.0);
  EXPECT_DOUBLE_EQ(q.clamp(3.0), 3.0);
}

TEST(ParamInfo, IntegerMapRoundsToTheNearestWholeValue) {
  const ParamInfo order(Dsp::idOrder, "Order", "Order", 1, 16, 2, ParamInfo::linearToControl,
                        ParamInfo::integerToNative, ParamInfo::integerText);
  EXPECT_EQ(order.toNativeValue(0.0), 1.0);
  EXPECT_EQ(order.toNativeValue(0.1), 3.0);
  EXPECT_EQ(order.toNativeValue(0.09), 2.0);
  EXPECT_EQ(order.toString(7.9), "7");
}

struct TextRow {
  ParamInfo (*make)();
  double value;
  const char* text;
};

void PrintTo(const TextRow& row, std::ostream* os) {
  *os << row.make().getShortName() << " of " << row.value;
}

class ParamTexts : public testing::TestWithParam<TextRow> {};

TEST_P(ParamTexts, FormatsTheValue) {
  EXPECT_EQ(GetParam().make().toString(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(StandardDescriptions, ParamTexts,
                         testing::Values(TextRow{ParamInfo::defaultCutoffFrequencyParam, 440.7, "440 Hz"},
                                         TextRow{ParamInfo::defaultCutoffFrequencyParam, -0.5, "0 Hz"},
                                         TextRow{ParamInfo::defaultGainParam, -6.0, "-6.000 dB"},
                                         TextRow{ParamInfo::defaultRippleDbParam, 0.0125, "0.013 dB"},
                                         TextRow{ParamInfo::defaultQParam, 0.70710678, "0.707"},
                                         TextRow{ParamInfo::defaultSampleRateParam, 44100.99, "44100 Hz"}));

TEST(ParamInfo, NonFiniteValuesGiveTextNotUndefinedBehaviour) {
  EXPECT_EQ(ParamInfo::defaultCutoffFrequencyParam().toString(NAN), "nan Hz");
  EXPECT_EQ(ParamInfo::defaultGainParam().toString(-INFINITY), "-inf dB");
}

TEST(ParamInfo, StandardNamesAndIds) {
  EXPECT_STREQ(ParamInfo::defaultZeroRhoParam().getShortName(), "Pd");
  EXPECT_STREQ(ParamInfo::defaultZeroThetaParam().getShortName(), "Pa");
  EXPECT_STREQ(ParamInfo::defaultBandwidthParam().getLongName(), "Bandwidth (Octaves)");
  EXPECT_EQ(ParamInfo::defaultZeroRealParam().getId(), Dsp::idZeroReal);
  EXPECT_EQ(ParamInfo::defaultZeroRealParam().getDefaultValue(), -0.25);
  EXPECT_EQ(ParamInfo::defaultStopDbParam().getId(), 9);
}

// A filter with a fixed parameter list that records what it was asked to apply.
class RecordingFilter : public Dsp::Filter {
 public:
  RecordingFilter(std::vector<ParamInfo (*)()> params) : mParams(std::move(params)) {}

  const char* getName() const override { return "recording"; }
  int getNumChannels() const override { return 1; }
  int paramCount() const override { return int(mParams.size()); }
  ParamInfo paramInfo(int index) const override { return mParams[index](); }
  Dsp::Complex response(double) const override { return 1.0; }
  std::vector<Dsp::StagePoleZeros> poleZeros() const override { return {}; }
  int getNumStages() const override { return 0; }
  void reset() override {}
  void process(int, float* const*) override {}
  void process(int, double* const*) override {}

  int applyCount = 0;
  bool refuse = false;

 protected:
  void applyParams(const Dsp::ParamValues&) override {
    if (refuse) throw std::logic_error("refused");
    ++applyCount;
  }

 private:
  std::vector<ParamInfo (*)()> mParams;
};

TEST(Filter, DefaultParamsFillDescribedEntriesOnly) {
  RecordingFilter filter({ParamInfo::defaultSampleRateParam, ParamInfo::defaultCutoffFrequencyParam});
  const Dsp::ParamValues values = filter.defaultParams();
  EXPECT_EQ(values[0], 44100.0);
  EXPECT_EQ(values[1], 2000.0);
  for (int i = 2; i < 8; ++i) EXPECT_EQ(values[i], 0.0);
}

TEST(Filter, IndexOfParamIdTakesTheHighestMatch) {
  RecordingFilter filter(
      {ParamInfo::defaultPoleRhoParam, ParamInfo::defaultCenterFrequencyParam, ParamInfo::defaultCutoffFrequencyParam});
  EXPECT_EQ(filter.indexOfParamId(Dsp::idFrequency), 2);
  EXPECT_EQ(filter.indexOfParamId(Dsp::idPoleRho), 0);
  EXPECT_EQ(filter.indexOfParamId(Dsp::idGain), -1);
}

TEST(Filter, SetParamForIdStoresAndAppliesOrIgnoresAnUnknownId) {
  RecordingFilter filter({ParamInfo::defaultSampleRateParam, ParamInfo::defaultQParam});
  filter.setParamForId(Dsp::idQ, 2.5);
  EXPECT_EQ(filter.getParams()[1], 2.5);
  EXPECT_EQ(filter.applyCount, 1);
  filter.setParamForId(Dsp::idGain, 3.0);
  EXPECT_EQ(filter.applyCount, 1);
}

TEST(Filter, RefusedRedesignKeepsTheOldValues) {
  RecordingFilter filter({ParamInfo::defaultQParam});
  filter.setParamForId(Dsp::idQ, 2.0);
  filter.refuse = true;
  EXPECT_THROW(filter.setParamForId(Dsp::idQ, 4.0), std::logic_error);
  EXPECT_EQ(filter.getParams()[0], 2.0);
}

TEST(Filter, AdoptParamsTakesSharedIdsClampedAndDefaultsTheRest) {
  RecordingFilter source({ParamInfo::defaultQParam, ParamInfo::defaultSampleRateParam, ParamInfo::defaultGainParam});
  source.setParams({100.0, 48000.0, -3.0});
  RecordingFilter target({ParamInfo::defaultSampleRateParam, ParamInfo::defaultQParam, ParamInfo::defaultSlopeParam});
  target.adoptParams(&source);
  EXPECT_EQ(target.getParams()[0], 48000.0);
  EXPECT_EQ(target.getParams()[1], 16.0);
  EXPECT_EQ(target.getParams()[2], 1.0);
  EXPECT_EQ(target.applyCount, 1);
}

TEST(Filter, AdoptParamsFromNothingRestoresDefaults) {
  RecordingFilter filter({ParamInfo::defaultGainParam});
  filter.setParams({5.0});
  filter.adoptParams(nullptr);
  EXPECT_EQ(filter.getParams()[0], -6.0);
}

}  // namespace
