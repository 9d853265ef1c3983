// The calls the plug-in makes to its host around blocks and for editor actions.
#include <chrono>
#include <cstring>
#include <limits>
#include <ostream>
#include <thread>
#include <vector>

#include "tests/framework/vst2/HostFixture.h"

namespace testplugin {
namespace {

using vsthost::HostCall;
using vsthost::TestHost;

class Block {
 public:
  explicit Block(int frames, float value = 0.5f)
      : mIn(2, std::vector<float>(frames, value)), mOut(2, std::vector<float>(frames, 9.0f)) {
    for (int c = 0; c < 2; ++c) {
      mInPtrs[c] = mIn[c].data();
      mOutPtrs[c] = mOut[c].data();
    }
  }
  void Process(TestHost& host) { host.ProcessReplacing(mInPtrs, mOutPtrs, static_cast<int>(mIn[0].size())); }
  const std::vector<float>& Out(int c) const { return mOut[c]; }
  std::vector<float>& MutableOut(int c) { return mOut[c]; }
  float** In() { return mInPtrs; }
  float** Outs() { return mOutPtrs; }

 private:
  std::vector<std::vector<float>> mIn, mOut;
  float* mInPtrs[2];
  float* mOutPtrs[2];
};

std::vector<int32_t> Opcodes(const std::vector<HostCall>& calls) {
  std::vector<int32_t> opcodes;
  for (const HostCall& call : calls) opcodes.push_back(call.opcode);
  return opcodes;
}

fx::ITimeInfo TimeInfoOfLastBlock(TestHost& host) {
  fx::ITimeInfo info;
  TestRequest(host, kGetTimeInfo, 0, &info);
  return info;
}

TEST_F(PluginTest, EachBlockAsksForProcessLevelThenTime) {
  Start();
  mHost.ClearCalls();
  Block(64).Process(mHost);
  EXPECT_EQ(Opcodes(mHost.Calls()), (std::vector<int32_t>{vst2::kHostGetCurrentProcessLevel, vst2::kHostGetTime}));
  EXPECT_EQ(mHost.CallsWith(vst2::kHostGetTime)[0].value, 0x3E00);
}

TEST_F(PluginTest, MidiPluginAnnouncesMidiAndGetsTheEditorsNotesBeforeTheBlock) {
  Start("midiin midiout");
  TestRequest(mHost, kDeferMidi, 0x903C64);
  mHost.ClearCalls();
  Block(64).Process(mHost);
  EXPECT_EQ(Opcodes(mHost.Calls()), (std::vector<int32_t>{vst2::kHostWantMidi, vst2::kHostGetCurrentProcessLevel,
                                                          vst2::kHostGetTime, vst2::kHostProcessEvents}));
  EXPECT_EQ(TestRequest(mHost, kMidiInCount), 1);
  const HostCall out = mHost.CallsWith(vst2::kHostProcessEvents)[0];
  ASSERT_EQ(out.events.size(), 1u);
  EXPECT_EQ(out.events[0].type, vst2::kEventMidi);
  EXPECT_EQ(out.events[0].byteSize, 32);
  EXPECT_EQ(out.events[0].midi[0], 0x90);
  EXPECT_EQ(out.events[0].midi[2], 0x64);
}

TEST_F(PluginTest, SysExFromTheEditorGoesToTheHostAfterTheBlock) {
  Start();
  TestRequest(mHost, kDeferSysEx, 4);
  mHost.ClearCalls();
  Block(64).Process(mHost);
  const std::vector<HostCall> calls = mHost.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[2].opcode, vst2::kHostProcessEvents);
  ASSERT_EQ(calls[2].events.size(), 1u);
  EXPECT_EQ(calls[2].events[0].type, vst2::kEventSysEx);
  EXPECT_EQ(calls[2].events[0].byteSize, 48);
  EXPECT_EQ(calls[2].events[0].deltaFrames, 3);
  EXPECT_EQ(calls[2].events[0].sysex, (std::vector<uint8_t>{0xF0, 1, 2, 3}));
}

TEST_F(PluginTest, SysExOfTheSlotSizeIsSentWholeAndLongerIsNeverOverflowed) {
  Start();
  TestRequest(mHost, kDeferSysEx, 512);
  TestRequest(mHost, kDeferSysEx, 600);
  mHost.ClearCalls();
  Block(64).Process(mHost);
  const auto sent = mHost.CallsWith(vst2::kHostProcessEvents);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].events[0].sysex.size(), 512u);
  EXPECT_EQ(sent[0].events[0].sysex[511], 511 & 0xFF);
}

struct ReadyEventRow {
  const char* name;
  bool null;
  intptr_t hostAnswer;
  intptr_t expected;
  size_t hostCalls;
};

void PrintTo(const ReadyEventRow& row, std::ostream* os) {
  *os << row.name;
}

class ReadyMadeEvent : public PluginTest, public testing::WithParamInterface<ReadyEventRow> {};

TEST_P(ReadyMadeEvent, GoesToTheHostAsItIsAndAnswersWhetherTheHostTookIt) {
  Start("midiout");
  const ReadyEventRow& row = GetParam();
  mHost.SetEventsAnswer(row.hostAnswer);
  vst2::MidiEvent midi{};
  midi.type = vst2::kEventMidi;
  midi.byteSize = sizeof(vst2::MidiEvent);
  midi.deltaFrames = 17;
  midi.midiData[0] = 0xB2;
  midi.midiData[1] = 7;
  midi.midiData[2] = 99;
  mHost.ClearCalls();
  void* ptr = row.null ? nullptr : &midi;
  EXPECT_EQ(TestRequest(mHost, kSendEvent, 0, ptr), row.expected);
  const auto sent = mHost.CallsWith(vst2::kHostProcessEvents);
  ASSERT_EQ(sent.size(), row.hostCalls);
  if (row.hostCalls == 0) return;
  ASSERT_EQ(sent[0].events.size(), 1u);
  EXPECT_EQ(sent[0].events[0].type, vst2::kEventMidi);
  EXPECT_EQ(sent[0].events[0].byteSize, 32);
  EXPECT_EQ(sent[0].events[0].deltaFrames, 17);
  EXPECT_EQ(sent[0].events[0].midi[0], 0xB2);
  EXPECT_EQ(sent[0].events[0].midi[1], 7);
  EXPECT_EQ(sent[0].events[0].midi[2], 99);
}

INSTANTIATE_TEST_SUITE_P(Events, ReadyMadeEvent,
                         testing::Values(ReadyEventRow{"Taken", false, 1, 1, 1},
                                         ReadyEventRow{"Refused", false, 0, 0, 1},
                                         ReadyEventRow{"NullIsNotSent", true, 1, 0, 0}),
                         [](const testing::TestParamInfo<ReadyEventRow>& info) { return info.param.name; });

struct TimeRow {
  const char* name;
  int32_t flags;
  double ppq, tempo, bar, cycleStart, cycleEnd;
  int32_t num, den;
  fx::ITimeInfo expected;
};

void PrintTo(const TimeRow& row, std::ostream* os) {
  *os << row.name;
}

class TimeInfoFallbacks : public PluginTest, public testing::WithParamInterface<TimeRow> {};

TEST_P(TimeInfoFallbacks, FollowTheValidityFlags) {
  Start();
  const TimeRow& row = GetParam();
  vst2::TimeInfo& t = mHost.Transport();
  t.samplePos = 4410.0;
  t.flags = row.flags;
  t.ppqPos = row.ppq;
  t.tempo = row.tempo;
  t.barStartPos = row.bar;
  t.cycleStartPos = row.cycleStart;
  t.cycleEndPos = row.cycleEnd;
  t.timeSigNumerator = row.num;
  t.timeSigDenominator = row.den;
  Block(64).Process(mHost);
  const fx::ITimeInfo info = TimeInfoOfLastBlock(mHost);
  const fx::ITimeInfo& e = row.expected;
  EXPECT_EQ(info.mSamplePos, 4410.0);
  EXPECT_EQ(info.mPPQPos, e.mPPQPos);
  EXPECT_EQ(info.mTempo, e.mTempo);
  EXPECT_EQ(info.mLastBar, e.mLastBar);
  EXPECT_EQ(info.mCycleStart, e.mCycleStart);
  EXPECT_EQ(info.mCycleEnd, e.mCycleEnd);
  EXPECT_EQ(info.mNumerator, e.mNumerator);
  EXPECT_EQ(info.mDenominator, e.mDenominator);
  EXPECT_EQ(info.mTransportIsRunning, e.mTransportIsRunning);
  EXPECT_EQ(info.mTransportLoopEnabled, e.mTransportLoopEnabled);
}

fx::ITimeInfo Expect(double tempo, double ppq, double bar, double cs, double ce, int num, int den, bool run,
                     bool loop) {
  fx::ITimeInfo i;
  i.mTempo = tempo;
  i.mPPQPos = ppq;
  i.mLastBar = bar;
  i.mCycleStart = cs;
  i.mCycleEnd = ce;
  i.mNumerator = num;
  i.mDenominator = den;
  i.mTransportIsRunning = run;
  i.mTransportLoopEnabled = loop;
  return i;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TimeInfoFallbacks,
    testing::Values(
        TimeRow{"AllValid", 0x3E06, 8.0, 90.0, 4.0, 2.0, 6.0, 7, 8, Expect(90, 8, 4, 2, 6, 7, 8, true, true)},
        TimeRow{"NoFlags", 0, 8.0, 90.0, 4.0, 2.0, 6.0, 7, 8, Expect(120, -1, -1, -1, -1, 4, 4, false, false)},
        TimeRow{"SignatureThreeOverZero", 0x2000, 0, 0, 0, 0, 0, 3, 0, Expect(120, -1, -1, -1, -1, 4, 4, false, false)},
        TimeRow{"NegativeValues", 0x3E00, -1.5, -60.0, -2.0, 1.0, -1.0, -3, 4,
                Expect(120, -1, -1, -1, -1, 4, 4, false, false)},
        TimeRow{"ZeroTempo", 0x0400, 0, 0.0, 0, 0, 0, 0, 0, Expect(120, -1, -1, -1, -1, 4, 4, false, false)}),
    [](const testing::TestParamInfo<TimeRow>& info) { return info.param.name; });

TEST_F(PluginTest, HostWithoutTimeInfoGivesTheFallbacks) {
  Start();
  mHost.SetTimeInfoAvailable(false);
  Block(64).Process(mHost);
  const fx::ITimeInfo info = TimeInfoOfLastBlock(mHost);
  EXPECT_EQ(info.mTempo, 120.0);
  EXPECT_EQ(info.mSamplePos, -1.0);
  EXPECT_EQ(info.mPPQPos, -1.0);
  EXPECT_EQ(info.mLastBar, -1.0);
  EXPECT_EQ(info.mCycleStart, -1.0);
  EXPECT_EQ(info.mCycleEnd, -1.0);
  EXPECT_EQ(info.mNumerator, 4);
  EXPECT_EQ(info.mDenominator, 4);
  EXPECT_FALSE(info.mTransportIsRunning);
}

// A block longer than any before grows the block size and resets the plug-in before it is processed, whole;
// a shorter block, or one as long again, does not.
TEST_F(PluginTest, LongerBlockThanAnyBeforeGrowsTheBlockSizeAndResetsBeforeProcessing) {
  Start();
  Block(64).Process(mHost);
  const intptr_t resets = TestRequest(mHost, kResetCount);
  const intptr_t pieces = TestRequest(mHost, kPieceCount);
  Block block(200, 0.25f);
  block.Process(mHost);
  EXPECT_EQ(TestRequest(mHost, kResetCount), resets + 1);
  EXPECT_EQ(TestRequest(mHost, kPieceCount), pieces + 1);
  EXPECT_EQ(TestRequest(mHost, kLargestPiece), 200);
  for (int c = 0; c < 2; ++c) EXPECT_EQ(block.Out(c), std::vector<float>(200, 0.25f)) << c;
  Block(100).Process(mHost);
  Block(200).Process(mHost);
  EXPECT_EQ(TestRequest(mHost, kResetCount), resets + 1);
}

// Past the largest block size there is, a block runs in pieces of the built size without a reset, each
// piece with its transport, and every output frame is written.
TEST_F(PluginTest, BlockPastTheLargestSizeIsProcessedInPiecesOfTheBuiltSize) {
  Start();
  mHost.Transport().flags |= vst2::kTimeTransportPlaying;
  Block(64).Process(mHost);
  const double start = TimeInfoOfLastBlock(mHost).mSamplePos + 64;
  const intptr_t resets = TestRequest(mHost, kResetCount);
  constexpr int kFrames = (1 << 20) + 1;
  Block huge(kFrames, 0.25f);
  huge.Process(mHost);
  EXPECT_EQ(TestRequest(mHost, kResetCount), resets);
  EXPECT_EQ(TestRequest(mHost, kLargestPiece), 64);
  EXPECT_EQ(TimeInfoOfLastBlock(mHost).mSamplePos, start + (1 << 20));  // the last piece, 1 frame long
  for (int c = 0; c < 2; ++c) EXPECT_EQ(huge.Out(c), std::vector<float>(kFrames, 0.25f)) << c;
}

TEST_F(PluginTest, ResetsExactlyOnceWhenGoingOfflineAndOnceWhenBack) {
  Start();
  const intptr_t resets = TestRequest(mHost, kResetCount);
  mHost.SetProcessLevel(vst2::kProcessLevelOffline);
  Block(64).Process(mHost);
  Block(64).Process(mHost);
  EXPECT_EQ(TestRequest(mHost, kResetCount), resets + 1);
  mHost.SetProcessLevel(vst2::kProcessLevelPrefetch);
  Block(64).Process(mHost);
  Block(64).Process(mHost);
  EXPECT_EQ(TestRequest(mHost, kResetCount), resets + 2);
}

TEST_F(PluginTest, ProcessingAppliesTheGainInEveryVariant) {
  Start();
  mHost.SetParameter(0, 0.75f);  // gain 1.5
  Block replacing(16, 0.5f);
  replacing.Process(mHost);
  EXPECT_EQ(replacing.Out(1)[15], 0.75f);
  Block accumulating(16, 0.5f);
  accumulating.MutableOut(0).assign(16, 1.0f);
  mHost.ProcessAccumulating(accumulating.In(), accumulating.Outs(), 16);
  EXPECT_EQ(accumulating.Out(0)[7], 1.75f);
  std::vector<double> in(16, 0.25), out0(16), out1(16);
  double* ins[2] = {in.data(), in.data()};
  double* outs[2] = {out0.data(), out1.data()};
  mHost.ProcessDoubleReplacing(ins, outs, 16);
  EXPECT_EQ(out1[3], 0.375);
}

// A block of no frames (a negative count is none) runs every step of a block: it announces MIDI, follows
// the process level, takes the time, hands the editor's MIDI to the plug-in, processes no frames and sends
// its SysEx to the host; the outputs stay as they were.
TEST_F(PluginTest, BlockOfNoFramesRunsEveryStepOfABlock) {
  Start("midiin midiout");
  const intptr_t pieces = TestRequest(mHost, kPieceCount);
  const intptr_t resets = TestRequest(mHost, kResetCount);
  for (int32_t frames : {0, -5}) {
    TestRequest(mHost, kDeferMidi, 0x903C64);
    TestRequest(mHost, kDeferSysEx, 4);
    const intptr_t midiIn = TestRequest(mHost, kMidiInCount);
    mHost.SetProcessLevel(frames == 0 ? vst2::kProcessLevelOffline : vst2::kProcessLevelRealtime);
    mHost.Transport().samplePos = 100.0 - frames;
    Block block(4);
    mHost.ClearCalls();
    mHost.ProcessReplacing(block.In(), block.Outs(), frames);
    // The editor's note passes through the plug-in to the host, then the SysEx follows.
    const std::vector<HostCall> calls = mHost.Calls();
    ASSERT_EQ(Opcodes(calls),
              (std::vector<int32_t>{vst2::kHostWantMidi, vst2::kHostGetCurrentProcessLevel, vst2::kHostGetTime,
                                    vst2::kHostProcessEvents, vst2::kHostProcessEvents}))
        << frames;
    EXPECT_EQ(calls[3].events.at(0).type, vst2::kEventMidi) << frames;
    EXPECT_EQ(calls[4].events.at(0).type, vst2::kEventSysEx) << frames;
    EXPECT_EQ(TestRequest(mHost, kMidiInCount), midiIn + 1) << frames;
    EXPECT_EQ(TimeInfoOfLastBlock(mHost).mSamplePos, 100.0 - frames) << frames;
    for (int c = 0; c < 2; ++c) EXPECT_EQ(block.Out(c), std::vector<float>(4, 9.0f)) << frames;
  }
  EXPECT_EQ(TestRequest(mHost, kResetCount), resets + 2);  // offline, then back
  EXPECT_EQ(TestRequest(mHost, kPieceCount), pieces + 2);  // one piece of no frames each
  EXPECT_EQ(TestRequest(mHost, kLargestPiece), 0);
}

TEST_F(PluginTest, EditorGestureIsBracketedByBeginAndEndEdit) {
  Start("editor");
  mHost.ClearCalls();
  TestRequest(mHost, kEditorGesture, 0, nullptr, 0.75f);
  const std::vector<HostCall> calls = mHost.Calls();
  ASSERT_EQ(Opcodes(calls), (std::vector<int32_t>{vst2::kHostBeginEdit, vst2::kHostAutomate, vst2::kHostEndEdit}));
  for (const HostCall& call : calls) EXPECT_EQ(call.index, 0);
  EXPECT_FLOAT_EQ(calls[1].opt, 0.75f);
  EXPECT_FLOAT_EQ(mHost.GetParameter(0), 0.75f);
}

TEST_F(PluginTest, SizeWindowOnlyOnARealChange) {
  Start("editor");
  mHost.ClearCalls();
  EXPECT_EQ(TestRequest(mHost, kEditorResize, 300, nullptr, 200.0f), 0);  // the current size
  EXPECT_TRUE(mHost.CallsWith(vst2::kHostSizeWindow).empty());
  EXPECT_EQ(TestRequest(mHost, kEditorResize, 400, nullptr, 250.0f), 1);
  const auto calls = mHost.CallsWith(vst2::kHostSizeWindow);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].index, 400);
  EXPECT_EQ(calls[0].value, 250);
  EXPECT_EQ(TestRequest(mHost, kEditorResize, 400, nullptr, 250.0f), 0);
  EXPECT_EQ(mHost.CallsWith(vst2::kHostSizeWindow).size(), 1u);
  vst2::EditorRect* rect = nullptr;
  mHost.Dispatch(vst2::kEffEditGetRect, 0, 0, &rect);
  EXPECT_EQ(rect->right, 400);
  EXPECT_EQ(rect->bottom, 250);
  mHost.SetSizeWindowAnswer(0);
  EXPECT_EQ(TestRequest(mHost, kEditorResize, 500, nullptr, 250.0f), 0);
}

TEST_F(PluginTest, LatencyChangeRefusesArrangementsAndSecondChangesFromInsideTheHostsCall) {
  Start();
  intptr_t arrangementAnswer = -1;
  mHost.SetIOChangedHandler([&](TestHost& host) {
    EXPECT_EQ(host.Effect()->initialDelay, 64);
    vst2::SpeakerArrangement in{}, out{};
    in.numChannels = 2;
    out.numChannels = 2;
    arrangementAnswer = host.Dispatch(vst2::kEffSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out);
    TestRequest(host, kSetLatency, 65);
  });
  mHost.ClearCalls();
  TestRequest(mHost, kSetLatency, 64);
  EXPECT_EQ(arrangementAnswer, 0);
  EXPECT_EQ(mHost.CallsWith(vst2::kHostIOChanged).size(), 1u);
  EXPECT_EQ(Effect().initialDelay, 65);
  mHost.SetIOChangedHandler(nullptr);
  vst2::SpeakerArrangement in{};
  in.numChannels = 1;
  EXPECT_EQ(mHost.Dispatch(vst2::kEffSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), nullptr), 1);
}

// A negative latency is none: from the configuration the record reports 0, and a later negative change is
// ignored without a call to the host.
TEST_F(PluginTest, NegativeLatencyIsNone) {
  Start("latency=-5");
  EXPECT_EQ(Effect().initialDelay, 0);
  mHost.ClearCalls();
  TestRequest(mHost, kSetLatency, -3);
  EXPECT_EQ(Effect().initialDelay, 0);
  EXPECT_TRUE(mHost.CallsWith(vst2::kHostIOChanged).empty());
}

// A plug-in with a latency delay on two inputs: a latency the delay takes, longer or shorter than before, is
// written into the record and told to the host once; one it refuses (two inputs of 2^27 + 1 samples, past its
// bound of 2^28 samples over its inputs) leaves the record's latency as it was and is not told.
TEST_F(PluginTest, ALatencyTheDelayRefusesIsNeitherWrittenNorTold) {
  constexpr int kTooLong = (1 << 27) + 1;
  Start("io=2-2 latency=16 latencydelay");
  ASSERT_EQ(Effect().initialDelay, 16);
  const struct {
    int latency;
    int initialDelay;
    size_t told;
  } rows[] = {{kTooLong, 16, 0}, {4096, 4096, 1}, {kTooLong, 4096, 0}, {8, 8, 1}, {-1, 8, 0}, {kTooLong, 8, 0}};
  for (const auto& row : rows) {
    mHost.ClearCalls();
    TestRequest(mHost, kSetLatency, row.latency);
    EXPECT_EQ(Effect().initialDelay, row.initialDelay) << row.latency;
    EXPECT_EQ(mHost.CallsWith(vst2::kHostIOChanged).size(), row.told) << row.latency;
  }
}

TEST_F(PluginTest, IdleRequestsRunThePluginsTimer) {
  Start();
  const intptr_t ticks = TestRequest(mHost, kIdleCount);
  mHost.PumpRunLoop();  // the timer's first tick is due at once
  EXPECT_EQ(TestRequest(mHost, kIdleCount), ticks + 1);
  mHost.PumpRunLoop();  // the next one only 20 ms later
  mHost.Dispatch(vst2::kEffEditIdle);
  EXPECT_LE(TestRequest(mHost, kIdleCount), ticks + 2);
}

// Each of the two idle requests is one turn of the plug-in's main run loop: the work posted to it first, then the
// timers that are due.
TEST_F(PluginTest, BothIdleRequestsRunPostedWorkThenDueTimers) {
  Start();
  mHost.PumpRunLoop();  // the timer's first tick is due at once
  for (const int32_t opcode : {vst2::kEffEditIdle, vst2::kEffIdle}) {
    SCOPED_TRACE(opcode);
    const intptr_t runs = TestRequest(mHost, kPostedRuns);
    TestRequest(mHost, kPostWork);
    EXPECT_EQ(TestRequest(mHost, kPostedRuns), runs) << "posted work waits for the host's idle request";
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // past the timer's 20 ms interval
    const intptr_t ticks = TestRequest(mHost, kIdleCount);
    EXPECT_EQ(mHost.Dispatch(opcode), 0);
    EXPECT_EQ(TestRequest(mHost, kPostedRuns), runs + 1);
    EXPECT_EQ(TestRequest(mHost, kIdleCountAtPostedRun), ticks) << "the posted work runs before the timer";
    EXPECT_EQ(TestRequest(mHost, kIdleCount), ticks + 1);
  }
}

TEST_F(PluginTest, MainsAndBypassReachThePlugin) {
  Start();
  EXPECT_EQ(TestRequest(mHost, kActivateCount), 1);
  const intptr_t resets = TestRequest(mHost, kResetCount);
  mHost.Suspend();
  EXPECT_EQ(TestRequest(mHost, kResetCount), resets + 1);
  mHost.Resume();
  EXPECT_EQ(TestRequest(mHost, kActivateCount), 2);
  float reduction = -1.0f;
  mHost.Dispatch(vst2::kEffSetBypass, 0, 1);
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 0x50726553, 0x47526442, &reduction), 1);
  EXPECT_EQ(reduction, 0.0f);
}

}  // namespace
}  // namespace testplugin
