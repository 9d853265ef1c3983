#include "framework/IPluginProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <limits>
#include <ostream>
#include <vector>

namespace fx {
namespace {

class TestProcessor : public IPluginProcessor {
 public:
  using IPluginProcessor::IPluginProcessor;
  bool SendMidiMsg(const IMidiMsg& msg) override {
    sent.push_back(msg);
    return msg.mStatus != 0;
  }
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override {
    processedFrames = nFrames;
    IPluginProcessor::ProcessBlock(inputs, outputs, nFrames);
  }
  std::vector<IMidiMsg> sent;
  int processedFrames = -1;
};

Config ConfigWithIO(const char* channelIO, int latency = 0) {
  Config config;
  config.channelIOStr = channelIO;
  config.latency = latency;
  return config;
}

struct ParseRow {
  const char* text;
  int nConfigs;
  int maxIn, maxOut, maxInBuses, maxOutBuses;
};

void PrintTo(const ParseRow& row, std::ostream* os) {
  *os << '"' << row.text << '"';
}

class ParseChannelIOTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseChannelIOTest, CountsAndMaxima) {
  const ParseRow& row = GetParam();
  FwPtrList<IOConfig> configs;
  int maxIn = -1, maxOut = -1, maxInBuses = -1, maxOutBuses = -1;
  EXPECT_EQ(IPluginProcessor::ParseChannelIOStr(row.text, configs, maxIn, maxOut, maxInBuses, maxOutBuses),
            row.nConfigs);
  EXPECT_EQ(configs.GetSize(), row.nConfigs);
  EXPECT_EQ(maxIn, row.maxIn);
  EXPECT_EQ(maxOut, row.maxOut);
  EXPECT_EQ(maxInBuses, row.maxInBuses);
  EXPECT_EQ(maxOutBuses, row.maxOutBuses);
  configs.Empty(true);
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseChannelIOTest,
                         ::testing::Values(ParseRow{"1-1 2-2", 2, 2, 2, 1, 1}, ParseRow{"1.1-2 *-*", 2, 2, 2, 2, 1},
                                           ParseRow{"0-2", 1, 0, 2, 0, 1}, ParseRow{"", 0, 0, 0, 0, 0},
                                           ParseRow{"2", 1, 2, 0, 1, 0}, ParseRow{"x-1  2-2", 2, 2, 2, 1, 1},
                                           ParseRow{"1..1-2.0", 1, 2, 2, 2, 1}));

TEST(ParseChannelIOStrTest, BusesOfTheTwoConfigurationExample) {
  FwPtrList<IOConfig> configs;
  int maxIn, maxOut, maxInBuses, maxOutBuses;
  ASSERT_EQ(IPluginProcessor::ParseChannelIOStr("1.1-2 *-*", configs, maxIn, maxOut, maxInBuses, maxOutBuses), 2);
  const IOConfig& first = *configs.Get(0);
  EXPECT_EQ(first.NBuses(kInput), 2);
  EXPECT_EQ(first.NChansOnBus(kInput, 0), 1);
  EXPECT_EQ(first.NChansOnBus(kInput, 1), 1);
  EXPECT_EQ(first.NBuses(kOutput), 1);
  EXPECT_EQ(first.NChansOnBus(kOutput, 0), 2);
  const IOConfig& second = *configs.Get(1);
  EXPECT_EQ(second.GetTotalNChannels(kInput), -64);
  EXPECT_EQ(second.GetTotalNChannels(kOutput), -64);
  EXPECT_TRUE(second.ContainsWildcard(kInput));
  configs.Empty(true);
}

TEST(ParseChannelIOStrTest, NullTextHoldsNothing) {
  FwPtrList<IOConfig> configs;
  int maxIn = 7, maxOut = 7, maxInBuses = 7, maxOutBuses = 7;
  EXPECT_EQ(IPluginProcessor::ParseChannelIOStr(nullptr, configs, maxIn, maxOut, maxInBuses, maxOutBuses), 0);
  EXPECT_EQ(maxIn + maxOut + maxInBuses + maxOutBuses, 0);
}

TEST(ProcessorQueriesTest, ConfigurationQueries) {
  TestProcessor processor(ConfigWithIO("1-1 2-2 1.1-2"));
  EXPECT_EQ(processor.MaxNChannels(kInput), 2);
  EXPECT_EQ(processor.MaxNChannels(kOutput), 2);
  int configIdx = -1;
  EXPECT_EQ(processor.MaxNBuses(kInput, &configIdx), 2);
  EXPECT_EQ(configIdx, 2);
  EXPECT_EQ(processor.MaxNBuses(kOutput, &configIdx), 1);
  EXPECT_EQ(configIdx, 2);
  EXPECT_TRUE(processor.LegalIO(1, 1));
  EXPECT_TRUE(processor.LegalIO(1, -1));
  EXPECT_TRUE(processor.LegalIO(-1, 2));
  EXPECT_FALSE(processor.LegalIO(1, 2));
  std::vector<int> in{1, 1}, out{2}, none;
  EXPECT_EQ(processor.GetIOConfigWithChanCounts(in, out), 2);
  EXPECT_EQ(processor.GetIOConfigWithChanCounts(in, none), -1);
  EXPECT_EQ(processor.MaxNChannelsForBus(kInput, 0), 2);
  EXPECT_EQ(processor.MaxNChannelsForBus(kInput, 1), 1);
  EXPECT_EQ(processor.MaxNChannelsForBus(kInput, 5), 0);
  EXPECT_EQ(TestProcessor(ConfigWithIO("*-2")).MaxNChannelsForBus(kInput, 0), -1);
}

TEST(ProcessorQueriesTest, BusNames) {
  TestProcessor processor(ConfigWithIO("2-2"));
  struct Row {
    ERoute direction;
    int busIdx, nBuses;
    const char* name;
  };
  for (const Row& row : {Row{kInput, 0, 1, "Input"}, Row{kInput, 0, 2, "Main"}, Row{kInput, 1, 2, "Aux"},
                         Row{kInput, 2, 3, "Input 2"}, Row{kOutput, 0, 1, "Output"}, Row{kOutput, 1, 2, "Output 1"}}) {
    FwString name;
    processor.GetBusName(row.direction, row.busIdx, row.nBuses, name);
    EXPECT_STREQ(name.Get(), row.name);
  }
}

TEST(ProcessorQueriesTest, TypeCodesAndSamplesPerBeat) {
  Config config = ConfigWithIO("2-2");
  EXPECT_EQ(TestProcessor(config).GetPluginTypeCode(), 0x61756678);  // "aufx"
  config.doesMidiIn = true;
  EXPECT_EQ(TestProcessor(config).GetPluginTypeCode(), 0x61756D66);  // "aumf"
  config.plugType = kPlugTypeInstrument;
  EXPECT_EQ(TestProcessor(config).GetPluginTypeCode(), 0x61756D75);  // "aumu"
  config.plugType = kPlugTypeMIDIEffect;
  EXPECT_EQ(TestProcessor(config).GetPluginTypeCode(), 0x61756D69);  // "aumi"

  TestProcessor processor(ConfigWithIO("2-2"));
  EXPECT_DOUBLE_EQ(processor.GetSamplesPerBeat(), 48000.0 * 60.0 / 120.0);
  ITimeInfo stopped;
  stopped.mTempo = 0.0;
  processor.SetTimeInfo(stopped);
  EXPECT_EQ(processor.GetSamplesPerBeat(), 0.0);
}

// A processor wired like the binding does it: every channel connected, a block size set.
class ProcessingTest : public ::testing::Test {
 protected:
  static constexpr int kBlock = 8;

  void Prepare(TestProcessor& processor) {
    processor.SetChannelConnections(kInput, 0, processor.MaxNChannels(kInput), true);
    processor.SetChannelConnections(kOutput, 0, processor.MaxNChannels(kOutput), true);
    processor.SetBlockSize(kBlock);
  }
};

TEST_F(ProcessingTest, DefaultBlockCopiesMatchingChannelsAndZeroesTheRest) {
  TestProcessor processor(ConfigWithIO("1-2"));
  Prepare(processor);
  std::array<double, kBlock> in{1, 2, 3, 4, 5, 6, 7, 8};
  std::array<double, kBlock> out0, out1;
  out0.fill(-9.0);
  out1.fill(-9.0);
  double* inputs[] = {in.data()};
  double* outputs[] = {out0.data(), out1.data()};
  processor.AttachBuffers(kInput, 0, 1, inputs, kBlock);
  processor.AttachBuffers(kOutput, 0, 2, outputs, kBlock);
  processor.ProcessBuffers(0.0, kBlock);
  EXPECT_EQ(out0, in);
  for (double sample : out1) EXPECT_EQ(sample, 0.0);
}

TEST_F(ProcessingTest, FloatBuffersAreConvertedBothWays) {
  TestProcessor processor(ConfigWithIO("2-2"));
  Prepare(processor);
  float inL[kBlock], inR[kBlock], outL[kBlock] = {}, outR[kBlock] = {};
  for (int f = 0; f < kBlock; ++f) {
    inL[f] = 0.1f * static_cast<float>(f);
    inR[f] = -0.25f * static_cast<float>(f);
  }
  float* inputs[] = {inL, inR};
  float* outputs[] = {outL, outR};
  processor.AttachBuffers(kInput, 0, 2, inputs, kBlock);
  processor.AttachBuffers(kOutput, 0, 2, outputs, kBlock);
  processor.ProcessBuffers(0.0f, kBlock);
  for (int f = 0; f < kBlock; ++f) {
    EXPECT_EQ(outL[f], inL[f]);
    EXPECT_EQ(outR[f], inR[f]);
  }
  processor.AttachBuffers(kInput, 0, 2, inputs, kBlock);
  processor.AttachBuffers(kOutput, 0, 2, outputs, kBlock);
  processor.ProcessBuffersAccumulating(kBlock);
  for (int f = 0; f < kBlock; ++f) EXPECT_FLOAT_EQ(outL[f], 2.0f * inL[f]);
}

TEST_F(ProcessingTest, InPlaceHostBuffersSurviveTheCopy) {
  TestProcessor processor(ConfigWithIO("1-1"));
  Prepare(processor);
  std::array<double, kBlock> io{1, 2, 3, 4, 5, 6, 7, 8};
  const auto original = io;
  double* channels[] = {io.data()};
  processor.AttachBuffers(kInput, 0, 1, channels, kBlock);
  processor.AttachBuffers(kOutput, 0, 1, channels, kBlock);
  processor.ProcessBuffers(0.0, kBlock);
  EXPECT_EQ(io, original);
}

TEST_F(ProcessingTest, PassThroughDelaysByTheLatencyAcrossBlocks) {
  TestProcessor processor(ConfigWithIO("1-1", 3));
  Prepare(processor);
  processor.InitLatencyDelay();
  std::vector<double> produced;
  for (int block = 0; block < 2; ++block) {
    std::array<double, 4> in, out;
    for (int f = 0; f < 4; ++f) in[f] = 1.0 + block * 4 + f;
    double* inputs[] = {in.data()};
    double* outputs[] = {out.data()};
    processor.AttachBuffers(kInput, 0, 1, inputs, 4);
    processor.AttachBuffers(kOutput, 0, 1, outputs, 4);
    processor.PassThroughBuffers(0.0, 4);
    produced.insert(produced.end(), out.begin(), out.end());
  }
  EXPECT_EQ(produced, (std::vector<double>{0, 0, 0, 1, 2, 3, 4, 5}));
}

TEST_F(ProcessingTest, PassThroughWithoutLatencyCopiesAndLatencyChangeRestartsTheDelay) {
  TestProcessor processor(ConfigWithIO("1-1", 2));
  Prepare(processor);
  processor.InitLatencyDelay();
  std::array<double, 4> in{1, 2, 3, 4}, out{};
  double* inputs[] = {in.data()};
  double* outputs[] = {out.data()};
  processor.AttachBuffers(kInput, 0, 1, inputs, 4);
  processor.AttachBuffers(kOutput, 0, 1, outputs, 4);
  processor.PassThroughBuffers(0.0, 4);
  EXPECT_EQ(out, (std::array<double, 4>{0, 0, 1, 2}));
  processor.SetLatency(0);
  processor.PassThroughBuffers(0.0, 4);
  EXPECT_EQ(out, in);
  processor.SetLatency(1);
  processor.PassThroughBuffers(0.0, 4);
  EXPECT_EQ(out, (std::array<double, 4>{0, 1, 2, 3}));
  processor.SetLatency(-5);
  EXPECT_EQ(processor.GetLatency(), 1);
}

// Two input channels of 2^27 + 1 samples each are past the delay's bound of 2^28 samples.
TEST_F(ProcessingTest, ALatencyTheDelayCannotHoldIsRefusedAndTheDelayGoesOn) {
  constexpr int kTooLong = (1 << 27) + 1;
  TestProcessor processor(ConfigWithIO("2-2", 2));
  Prepare(processor);
  processor.InitLatencyDelay();
  std::array<double, 4> in{1, 2, 3, 4}, out{};
  double* inputs[] = {in.data(), in.data()};
  double* outputs[] = {out.data(), out.data()};
  processor.AttachBuffers(kInput, 0, 2, inputs, 4);
  processor.AttachBuffers(kOutput, 0, 2, outputs, 4);
  processor.PassThroughBuffers(0.0, 4);
  processor.SetLatency(kTooLong);
  EXPECT_EQ(processor.GetLatency(), 2);
  in = {5, 6, 7, 8};
  processor.PassThroughBuffers(0.0, 4);
  EXPECT_EQ(out, (std::array<double, 4>{3, 4, 5, 6})) << "still delayed by 2, carrying on from the last block";

  TestProcessor configured(ConfigWithIO("2-2", kTooLong));
  Prepare(configured);
  configured.InitLatencyDelay();
  in = {1, 2, 3, 4};
  configured.AttachBuffers(kInput, 0, 2, inputs, 4);
  configured.AttachBuffers(kOutput, 0, 2, outputs, 4);
  configured.PassThroughBuffers(0.0, 4);
  EXPECT_EQ(out, in) << "no delay can hold it: bypassed audio passes undelayed, not silenced";
}

TEST_F(ProcessingTest, FloatPassThroughConvertsTheDelayedOutput) {
  TestProcessor processor(ConfigWithIO("1-1", 1));
  Prepare(processor);
  processor.InitLatencyDelay();
  float in[3] = {0.5f, 0.25f, 0.125f}, out[3] = {9, 9, 9};
  float* inputs[] = {in};
  float* outputs[] = {out};
  processor.AttachBuffers(kInput, 0, 1, inputs, 3);
  processor.AttachBuffers(kOutput, 0, 1, outputs, 3);
  processor.PassThroughBuffers(0.0f, 3);
  EXPECT_EQ(out[0], 0.0f);
  EXPECT_EQ(out[1], 0.5f);
  EXPECT_EQ(out[2], 0.25f);
}

TEST_F(ProcessingTest, DisconnectedChannelsTakeNoHostPointer) {
  TestProcessor processor(ConfigWithIO("2-2"));
  Prepare(processor);
  processor.SetChannelConnections(kInput, 0, 1, false);
  EXPECT_EQ(processor.NChannelsConnected(kInput), 1);
  std::array<double, kBlock> host{1, 1, 1, 1, 1, 1, 1, 1}, outL{}, outR{};
  double* inputs[] = {host.data()};
  double* outputs[] = {outL.data(), outR.data()};
  processor.AttachBuffers(kInput, 0, 2, inputs, kBlock);
  processor.AttachBuffers(kOutput, 0, 2, outputs, kBlock);
  processor.ProcessBuffers(0.0, kBlock);
  for (int f = 0; f < kBlock; ++f) {
    EXPECT_EQ(outL[f], 0.0) << "input 0 reads its zeroed scratch buffer";
    EXPECT_EQ(outR[f], 1.0) << "input 1 took the first host pointer";
  }
}

struct DisconnectRow {
  const char* name;
  bool bypassed;
  int latency;
  std::vector<float> output1;  // output 1 over three blocks of 4; input 1 goes after the first
};

void PrintTo(const DisconnectRow& row, std::ostream* os) {
  *os << row.name;
}

class DisconnectedInputTest : public ProcessingTest, public ::testing::WithParamInterface<DisconnectRow> {};

// A single-precision host feeds input 1 for one block, then disconnects it and gives only input 0.
TEST_P(DisconnectedInputTest, ReadsSilenceAfterTheLastBlockItWasGiven) {
  const DisconnectRow& row = GetParam();
  TestProcessor processor(ConfigWithIO("2-2", row.latency));
  Prepare(processor);
  processor.InitLatencyDelay();
  std::vector<float> produced;
  for (int block = 0; block < 3; ++block) {
    if (block == 1) processor.SetChannelConnections(kInput, 1, 1, false);
    std::array<float, 4> in0{1, 2, 3, 4}, in1{11, 12, 13, 14}, out0{}, out1{};
    float* inputs[] = {in0.data(), in1.data()};
    float* outputs[] = {out0.data(), out1.data()};
    processor.AttachBuffers(kInput, 0, 2, inputs, 4);
    processor.AttachBuffers(kOutput, 0, 2, outputs, 4);
    if (row.bypassed)
      processor.PassThroughBuffers(0.0f, 4);
    else
      processor.ProcessBuffers(0.0f, 4);
    produced.insert(produced.end(), out1.begin(), out1.end());
  }
  EXPECT_EQ(produced, row.output1);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DisconnectedInputTest,
    ::testing::Values(DisconnectRow{"processed", false, 0, {11, 12, 13, 14, 0, 0, 0, 0, 0, 0, 0, 0}},
                      DisconnectRow{"passed through", true, 0, {11, 12, 13, 14, 0, 0, 0, 0, 0, 0, 0, 0}},
                      DisconnectRow{
                          "passed through behind a latency of 3", true, 3, {0, 0, 0, 11, 12, 13, 14, 0, 0, 0, 0, 0}}));

TEST_F(ProcessingTest, RestrictToTwoChannelsConnectsExactlyTwoEachWay) {
  TestProcessor processor(ConfigWithIO("4-4"));
  Prepare(processor);
  processor.RestrictToTwoChannels();
  EXPECT_EQ(processor.NChannelsConnected(kInput), 2);
  EXPECT_EQ(processor.NChannelsConnected(kOutput), 2);
  EXPECT_FALSE(processor.IsChannelConnected(kOutput, 2));
  EXPECT_FALSE(processor.IsChannelConnected(kOutput, 4));
}

TEST_F(ProcessingTest, ConnectionsAreLimitedToExistingChannels) {
  TestProcessor processor(ConfigWithIO("2-2"));
  processor.SetChannelConnections(kOutput, -3, 100, true);
  EXPECT_EQ(processor.NChannelsConnected(kOutput), 2);
  processor.SetChannelConnections(kOutput, 1, -1, false);
  EXPECT_EQ(processor.NChannelsConnected(kOutput), 2);
}

// The scratch buffers hold one block: a longer block from a careless caller, in either precision, is
// processed up to the block size and never written past them (the sanitizers see any overrun).
TEST_F(ProcessingTest, BlockLongerThanTheBlockSizeIsProcessedOnlyUpToIt) {
  constexpr int kLong = 1024 * kBlock;
  {
    TestProcessor processor(ConfigWithIO("1-1"));
    Prepare(processor);
    processor.SetChannelConnections(kOutput, 0, 1, false);
    std::vector<double> in(kLong, 1.0);
    double* inputs[] = {in.data()};
    processor.AttachBuffers(kInput, 0, 1, inputs, kLong);
    processor.ProcessBuffers(0.0, kLong);
    EXPECT_EQ(processor.processedFrames, kBlock);
    processor.ProcessBuffers(0.0, kBlock - 3);
    EXPECT_EQ(processor.processedFrames, kBlock - 3);
  }
  TestProcessor processor(ConfigWithIO("1-1"));
  Prepare(processor);
  std::vector<float> in(kLong, 1.0f), out(kLong, 5.0f);
  float* inputs[] = {in.data()};
  float* outputs[] = {out.data()};
  processor.AttachBuffers(kInput, 0, 1, inputs, kLong);
  processor.AttachBuffers(kOutput, 0, 1, outputs, kLong);
  processor.ProcessBuffers(0.0f, kLong);
  EXPECT_EQ(processor.processedFrames, kBlock);
  EXPECT_EQ(std::count(out.begin(), out.end(), 1.0f), kBlock);
  EXPECT_EQ(std::count(out.begin() + kBlock, out.end(), 5.0f), kLong - kBlock);
}

// A negative block size is no size: the buffers and the size stay as they were, and blocks go on.
TEST_F(ProcessingTest, NegativeBlockSizeChangesNothing) {
  TestProcessor processor(ConfigWithIO("1-1"));
  Prepare(processor);
  for (int size : {-1, -kBlock, INT_MIN}) processor.SetBlockSize(size);
  EXPECT_EQ(processor.GetBlockSize(), kBlock);
  processor.SetChannelConnections(kOutput, 0, 1, false);
  std::array<double, kBlock> in;
  in.fill(1.0);
  double* inputs[] = {in.data()};
  processor.AttachBuffers(kInput, 0, 1, inputs, kBlock);
  processor.ProcessBuffers(0.0, kBlock);
  EXPECT_EQ(processor.processedFrames, kBlock);
}

// Scratch buffers of 2^28 samples or more cannot be made (their bytes pass INT_MAX): the size and the
// buffers stay as they were, and a long single-precision block still runs only over what the buffers hold.
TEST_F(ProcessingTest, ABlockSizeWhoseBuffersCannotBeMadeChangesNothing) {
  constexpr int kLong = 4096;
  for (int size : {1 << 28, INT_MAX}) {
    TestProcessor processor(ConfigWithIO("1-1 2-2"));
    Prepare(processor);
    processor.SetChannelConnections(kInput, 1, 1, false);
    processor.SetBlockSize(size);
    EXPECT_EQ(processor.GetBlockSize(), kBlock) << size;
    std::vector<float> in(kLong, 0.5f), outL(kLong, 5.0f), outR(kLong, 5.0f);
    float* inputs[] = {in.data()};
    float* outputs[] = {outL.data(), outR.data()};
    processor.AttachBuffers(kInput, 0, 2, inputs, kLong);
    processor.AttachBuffers(kOutput, 0, 2, outputs, kLong);
    processor.ProcessBuffers(0.0f, kLong);
    EXPECT_EQ(processor.processedFrames, kBlock);
    EXPECT_EQ(std::count(outL.begin(), outL.begin() + kBlock, 0.5f), kBlock);
    EXPECT_EQ(std::count(outR.begin(), outR.begin() + kBlock, 0.0f), kBlock);
    EXPECT_EQ(std::count(outL.begin() + kBlock, outL.end(), 5.0f), kLong - kBlock);
    processor.SetBlockSize(kLong);
    EXPECT_EQ(processor.GetBlockSize(), kLong);
  }
}

TEST_F(ProcessingTest, ResizedScratchBuffersAreStillTheOnesPointedAt) {
  TestProcessor processor(ConfigWithIO("1-1"));
  Prepare(processor);
  processor.SetChannelConnections(kInput, 0, 1, false);
  processor.SetBlockSize(4096);
  std::vector<double> out(4096, 7.0);
  double* outputs[] = {out.data()};
  processor.AttachBuffers(kOutput, 0, 1, outputs, 4096);
  processor.ProcessBuffers(0.0, 4096);
  for (double sample : out) ASSERT_EQ(sample, 0.0);
}

TEST_F(ProcessingTest, NullHostPointersFallBackToSilence) {
  TestProcessor processor(ConfigWithIO("1-1"));
  Prepare(processor);
  std::array<double, kBlock> out;
  out.fill(3.0);
  double* outputs[] = {out.data()};
  processor.AttachBuffers(kInput, 0, 1, static_cast<double**>(nullptr), kBlock);
  processor.AttachBuffers(kOutput, 0, 1, outputs, kBlock);
  processor.ProcessBuffers(0.0, kBlock);
  for (double sample : out) EXPECT_EQ(sample, 0.0);
}

TEST_F(ProcessingTest, ProcessingBeforeAnyBlockSizeDoesNothing) {
  TestProcessor processor(ConfigWithIO("1-1"));
  processor.SetChannelConnections(kOutput, 0, 1, true);
  processor.ProcessBuffers(0.0, 64);
  processor.PassThroughBuffers(0.0f, 64);
  EXPECT_EQ(processor.GetBlockSize(), 0);
}

TEST(ProcessorStateTest, DefaultsAndRefusedValues) {
  TestProcessor processor(ConfigWithIO("2-2", 7));
  EXPECT_EQ(processor.GetSampleRate(), 48000.0);
  EXPECT_EQ(processor.GetLatency(), 7);
  EXPECT_EQ(processor.GetTimeInfo().mTempo, 120.0);
  EXPECT_EQ(processor.GetTimeInfo().mSamplePos, -1.0);
  EXPECT_EQ(processor.GetTimeInfo().mNumerator, 4);
  processor.SetSampleRate(0.0);
  processor.SetSampleRate(-44100.0);
  processor.SetSampleRate(std::numeric_limits<double>::quiet_NaN());
  processor.SetSampleRate(std::numeric_limits<double>::infinity());
  EXPECT_EQ(processor.GetSampleRate(), 48000.0);
  processor.SetSampleRate(96000.0);
  EXPECT_EQ(processor.GetSampleRate(), 96000.0);
  processor.SetTailSize(-1);
  EXPECT_EQ(processor.GetTailSize(), 0);
  processor.SetTailSize(1000);
  EXPECT_EQ(processor.GetTailSize(), 1000);
  EXPECT_EQ(processor.GetGainReduction(), 1.0);
}

TEST(ProcessorStateTest, ChannelLabels) {
  TestProcessor processor(ConfigWithIO("2-2"));
  processor.SetChannelLabel(kInput, 1, "In %d");
  processor.SetChannelLabel(kOutput, 1, "Out %d", true);
  processor.SetChannelLabel(kOutput, 5, "ignored %d");
  EXPECT_STREQ(processor.GetChannelLabel(kInput, 1), "In 2");
  EXPECT_STREQ(processor.GetChannelLabel(kOutput, 1), "Out 1");
  EXPECT_STREQ(processor.GetChannelLabel(kOutput, 5), "");
}

TEST(ProcessorMidiTest, MessagesAreSentOnAndEverySendCounts) {
  TestProcessor processor(ConfigWithIO("2-2"));
  processor.ProcessMidiMsg(IMidiMsg(3, 0x90, 60, 100));
  ASSERT_EQ(processor.sent.size(), 1u);
  EXPECT_EQ(processor.sent[0], IMidiMsg(3, 0x90, 60, 100));

  FwTypedBuf<IMidiMsg> msgs;
  EXPECT_TRUE(processor.SendMidiMsgs(msgs));
  msgs.Add(IMidiMsg(0, 0, 0, 0));  // the test processor refuses status 0
  msgs.Add(IMidiMsg(1, 0x80, 60, 0));
  EXPECT_FALSE(processor.SendMidiMsgs(msgs));
  EXPECT_EQ(processor.sent.size(), 3u);
  EXPECT_FALSE(processor.SendSysEx(ISysEx()));
}

}  // namespace
}  // namespace fx
