// The effect record and the dispatcher's answers, all through the test host.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "framework/vst2/VST2Entry.h"
#include "platform/runloop/RunLoop.h"
#include "tests/framework/vst2/HostFixture.h"
#include "tests/support/HostThread.h"

namespace testplugin {
namespace {

using vsthost::TestHost;

struct RecordRow {
  const char* config;
  int32_t flags;
  int32_t inputs;
  int32_t outputs;
  int32_t arrangementType;
};

void PrintTo(const RecordRow& row, std::ostream* os) {
  *os << '"' << row.config << '"';
}

class EffectRecordFields : public testing::TestWithParam<RecordRow> {};

TEST_P(EffectRecordFields, FollowTheConfiguration) {
  const RecordRow& row = GetParam();
  TestHost host;
  ASSERT_TRUE(StartPlugin(host, row.config));
  const vst2::EffectRecord& e = *host.Effect();
  const auto* bytes = reinterpret_cast<const char*>(&e);
  EXPECT_EQ(std::memcmp(bytes, "PtsV", 4), 0);
  EXPECT_EQ(e.flags, row.flags);
  EXPECT_EQ(e.numInputs, row.inputs);
  EXPECT_EQ(e.numOutputs, row.outputs);
  EXPECT_EQ(e.numParams, kNumParams);
  EXPECT_EQ(e.numPrograms, kNumPresets);
  EXPECT_EQ(e.uniqueID, kUniqueID);
  EXPECT_EQ(e.version, 1230);  // 1.2.3 in decimal form
  EXPECT_EQ(e.ioRatio, 1.0f);
  EXPECT_NE(e.object, nullptr);
  EXPECT_NE(e.processReplacing, nullptr);
  EXPECT_NE(e.processDoubleReplacing, nullptr);
  EXPECT_EQ(e.reserved1, 0);
  EXPECT_EQ(e.reserved2, 0);
  vst2::SpeakerArrangement* in = nullptr;
  vst2::SpeakerArrangement* out = nullptr;
  EXPECT_EQ(host.Dispatch(vst2::kEffGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 1);
  ASSERT_TRUE(in && out);
  EXPECT_EQ(in->type, row.arrangementType);
  EXPECT_EQ(in->numChannels, row.inputs);
  EXPECT_EQ(out->numChannels, row.outputs);
}

INSTANTIATE_TEST_SUITE_P(Rows, EffectRecordFields,
                         testing::Values(RecordRow{"editor", 0x1019, 2, 2, 1},
                                         RecordRow{"editor chunks", 0x1039, 2, 2, 1},
                                         RecordRow{"io=2-2", 0x1010, 2, 2, 1},
                                         RecordRow{"io=1-1 synth", 0x1118, 1, 1, 0},
                                         RecordRow{"io=3-3", 0x1010, 3, 3, -2}, RecordRow{"io=0-2", 0x1010, 0, 2, -1}));

TEST(EffectRecord, OldMainEntryGivesAFullPointerRecord) {
  TestHost host;
  ASSERT_TRUE(StartPlugin(host, "editor", true));
  EXPECT_EQ(host.Effect()->magic, vst2::kEffectMagic);
  EXPECT_EQ(host.Effect()->flags, 0x1019);
}

// A plug-in whose constructor throws gives the host no record through either entry point, and nothing
// unwinds into the host; what was built is freed (the leak checker watches) and the creation mutex is free
// again: another thread then creates an instance.
TEST(EffectRecord, ConstructorExceptionGivesNoRecordThroughEitherEntryPoint) {
  for (const bool legacyMain : {false, true}) {
    TestHost host;
    std::string error;
    setenv("KD_TEST_PLUGIN", "editor unconstructible", 1);
    ASSERT_TRUE(host.Load(KD_TEST_PLUGIN_PATH, error)) << error;
    EXPECT_FALSE(host.Instantiate(error, legacyMain)) << legacyMain;
    EXPECT_EQ(error, "the entry point returned no effect record") << legacyMain;
    EXPECT_EQ(host.Effect(), nullptr);
    std::thread([&] {
      TestHost other;
      EXPECT_TRUE(StartPlugin(other, "editor", legacyMain));
    }).join();
  }
}

TEST(EffectRecord, NullObjectAndOpcodesOutOfRangeAnswerZero) {
  TestHost host;
  ASSERT_TRUE(StartPlugin(host, nullptr));
  vst2::EffectRecord& e = *host.Effect();
  EXPECT_EQ(host.Dispatch(70), 0);
  EXPECT_EQ(host.Dispatch(-1), 0);
  EXPECT_EQ(host.Dispatch(1000, 0, 0, nullptr), 0);
  vst2::EffectRecord orphan = e;
  orphan.object = nullptr;
  EXPECT_EQ(e.dispatcher(&orphan, vst2::kEffIdentify, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(e.dispatcher(nullptr, vst2::kEffIdentify, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(e.getParameter(&orphan, 0), 0.0f);
  e.setParameter(&orphan, 0, 0.5f);
  float* none[2] = {nullptr, nullptr};
  e.processReplacing(&orphan, none, none, 64);
}

struct AnswerRow {
  const char* name;
  int32_t opcode;
  int32_t index;
  intptr_t value;
  intptr_t answer;
};

void PrintTo(const AnswerRow& row, std::ostream* os) {
  *os << row.name;
}

class DispatcherAnswers : public PluginTest, public testing::WithParamInterface<AnswerRow> {};

TEST_P(DispatcherAnswers, AreAsSpecified) {
  Start("editor tail=1000");
  const AnswerRow& row = GetParam();
  EXPECT_EQ(mHost.Dispatch(row.opcode, row.index, row.value), row.answer);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DispatcherAnswers,
    testing::Values(AnswerRow{"Identify", vst2::kEffIdentify, 0, 0, 0x4E764566},
                    AnswerRow{"VstVersion", vst2::kEffGetVstVersion, 0, 0, 2400},
                    AnswerRow{"VendorVersion", vst2::kEffGetVendorVersion, 0, 0, 1230},
                    AnswerRow{"Category", vst2::kEffGetPlugCategory, 0, 0, 1},
                    AnswerRow{"TailIsReal", vst2::kEffGetTailSize, 0, 0, 1000},
                    AnswerRow{"GetProgram", vst2::kEffGetProgram, 0, 0, 0},
                    AnswerRow{"CanAutomate", vst2::kEffCanBeAutomated, 0, 0, 1},
                    AnswerRow{"CannotAutomate", vst2::kEffCanBeAutomated, 3, 0, 0},
                    AnswerRow{"CanAutomateBadIndex", vst2::kEffCanBeAutomated, kNumParams, 0, 0},
                    AnswerRow{"StringToParamNullText", vst2::kEffStringToParameter, 0, 0, 1},
                    AnswerRow{"StringToParamBadIndex", vst2::kEffStringToParameter, -1, 0, 0},
                    AnswerRow{"Bypass", vst2::kEffSetBypass, 0, 1, 1},
                    AnswerRow{"EditorIdle", vst2::kEffEditIdle, 0, 0, 0}, AnswerRow{"Unanswered9", 9, 0, 0, 0},
                    AnswerRow{"Unanswered28", 28, 0, 0, 0}, AnswerRow{"Unanswered68", 68, 0, 0, 0},
                    AnswerRow{"NullChunk", vst2::kEffGetChunk, 0, 0, 0},
                    AnswerRow{"NullEvents", vst2::kEffProcessEvents, 0, 0, 0},
                    AnswerRow{"NullCanDo", vst2::kEffCanDo, 0, 0, 0},
                    AnswerRow{"NullEffectName", vst2::kEffGetEffectName, 0, 0, 0},
                    AnswerRow{"NullVendor", vst2::kEffGetVendorString, 0, 0, 0},
                    AnswerRow{"NullProduct", vst2::kEffGetProductString, 0, 0, 0},
                    AnswerRow{"NullPin", vst2::kEffGetInputProperties, 0, 0, 0},
                    AnswerRow{"NullParamProps", vst2::kEffGetParameterProperties, 0, 0, 0},
                    AnswerRow{"NullKeyName", vst2::kEffGetMidiKeyName, 0, 0, 0},
                    AnswerRow{"NullRect", vst2::kEffEditGetRect, 0, 0, 0},
                    AnswerRow{"NullProgramNameIndexed", vst2::kEffGetProgramNameIndexed, 0, 0, 0},
                    AnswerRow{"NullGainReduction", vst2::kEffVendorSpecific, 0x50726553, 0x47526442, 0}),
    [](const testing::TestParamInfo<AnswerRow>& info) { return info.param.name; });

TEST_F(PluginTest, TailOfZeroAnswersOneForNoTail) {
  Start();
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetTailSize), 1);
  TestRequest(mHost, kSetTail, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetTailSize), std::numeric_limits<int32_t>::max());
}

struct CanDoRow {
  const char* config;
  const char* text;
  intptr_t answer;
};

void PrintTo(const CanDoRow& row, std::ostream* os) {
  *os << '"' << row.text << '"';
  if (row.config[0]) *os << " with " << row.config;
}

class CanDoStrings : public testing::TestWithParam<CanDoRow> {};

TEST_P(CanDoStrings, AreAnsweredExactly) {
  const CanDoRow& row = GetParam();
  TestHost host;
  ASSERT_TRUE(StartPlugin(host, row.config));
  char text[64];
  std::strncpy(text, row.text, sizeof(text) - 1);
  text[sizeof(text) - 1] = '\0';
  EXPECT_EQ(host.Dispatch(vst2::kEffCanDo, 0, 0, text), row.answer) << row.text;
}

INSTANTIATE_TEST_SUITE_P(Rows, CanDoStrings,
                         testing::Values(CanDoRow{"", "receiveVstTimeInfo", 1}, CanDoRow{"", "receiveVstEvents", 0},
                                         CanDoRow{"midiin", "receiveVstEvents", 1},
                                         CanDoRow{"midiin", "receiveVstMidiEvent", 1},
                                         CanDoRow{"", "sendVstMidiEvent", 0}, CanDoRow{"midiout", "sendVstEvents", 1},
                                         CanDoRow{"midiout", "sendVstMidiEvent", 1}, CanDoRow{"", "bypass", 1},
                                         CanDoRow{"", "hasCockosExtensions", 0xBEEF0000},
                                         CanDoRow{"", "hasCockosViewAsConfig", 0xBEEF0000},
                                         CanDoRow{"", "wantsChannelCountNotifications", 1}, CanDoRow{"", "MPE", 0},
                                         CanDoRow{"", "supportsGainReductionInfo", 1}, CanDoRow{"", "Bypass", 0},
                                         CanDoRow{"", "", 0}, CanDoRow{"", "receiveVstTimeInfo ", 0}));

TEST_F(PluginTest, VendorSpecificRequests) {
  Start();
  char text[64] = "";
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 27, 0, text), 0xBEEF);  // empty text
  EXPECT_STREQ(text, "");
  std::strcpy(text, "1.5");
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 27, 0, text), 0xBEEF);
  EXPECT_STREQ(text, "0.75000000000000000");  // 1.5 on the 0..2 range
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 27, kNumParams, text), 0);
  // Whole steps over 0..2.3: "9" parses to 2.3 (rounded to 9, clamped); rounded and clamped once more, 2.
  Start("steppedgain");
  std::strcpy(text, "9");
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 27, 0, text), 0xBEEF);
  EXPECT_DOUBLE_EQ(std::strtod(text, nullptr), 2.0 / 2.3);
  Start();
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 8, 2, text), 0xBEEF);  // bool
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 8, 3, text), 0);       // int 0..10
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 8, 0, text), 0);       // double
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 7, 0, text, 0.25f), 0xBEEF);
  EXPECT_EQ(std::string(text).substr(0, 3), "0.5");
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 7, 0, nullptr, 0.25f), 0);
  float reduction = -1.0f;
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 0x50726553, 0x47526442, &reduction), 1);
  EXPECT_EQ(reduction, 0.0f);  // gain 1.0 is 0 dB
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 0x50726553, 1, &reduction), 0);
  EXPECT_EQ(mHost.Dispatch(vst2::kEffVendorSpecific, 12345, 0, text), 0);
}

TEST_F(PluginTest, ParameterTextsAreBoundedAndTerminated) {
  Start();
  char text[64];
  std::memset(text, 'x', sizeof(text));
  mHost.Dispatch(vst2::kEffGetParamName, 4, 0, text);
  EXPECT_STREQ(text, "A parameter name of 31 chars...");
  EXPECT_EQ(text[40], 'x');  // nothing written past the 32 bytes
  EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamLabel, 4), "A label that is 31 bytes long..");
  EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamName, 0), "Gain");
  EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamLabel, 0), "x");
  EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamDisplay, 1), "Low");
  EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamName, kNumParams), "");
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetParamName, 0, 0, nullptr), 0);
  std::memset(text, 'x', sizeof(text));
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetEffectName, 0, 0, text), 1);
  EXPECT_EQ(std::strlen(text), 31u);
  EXPECT_EQ(text[32], 'x');
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetVendorString, 0, 0, text), 1);
  EXPECT_STREQ(text, "Kelvadrune Tests");
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetProductString, 0, 0, text), 1);
  EXPECT_STREQ(text, "Kelvadrune Test Product");
}

// The host's name is kept whole (read up to 255 bytes); the host's 24-byte field gets it cut.
TEST_F(PluginTest, ProgramNamesAreKeptWholeAndCopiedOutInTwentyFourBytes) {
  for (const size_t length : {size_t{42}, size_t{255}, size_t{300}}) {
    Start();
    std::string given(length, 'n');
    mHost.Dispatch(vst2::kEffSetProgramName, 0, 0, given.data());
    void* data = nullptr;
    const intptr_t size = mHost.Dispatch(vst2::kEffGetChunk, 0, 0, &data);
    ASSERT_GT(size, 12);
    int32_t stored = 0;  // the bank's first slot: its name length after the 8-byte header
    std::memcpy(&stored, static_cast<const char*>(data) + 8, 4);
    EXPECT_EQ(stored, static_cast<int32_t>(std::min<size_t>(length, 255))) << length;
    EXPECT_EQ(std::string(static_cast<const char*>(data) + 12, stored), given.substr(0, stored));
  }
  Start();
  char name[64] = "A program name far longer than twenty-four";
  mHost.Dispatch(vst2::kEffSetProgramName, 0, 0, name);
  std::memset(name, 'x', sizeof(name));
  mHost.Dispatch(vst2::kEffGetProgramName, 0, 0, name);
  EXPECT_STREQ(name, "A program name far long");
  EXPECT_EQ(name[30], 'x');
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetProgramNameIndexed, 1, 0, name), 1);
  EXPECT_STREQ(name, "Empty");
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetProgramNameIndexed, kNumPresets, 0, name), 0);
  EXPECT_STREQ(name, "");
}

TEST_F(PluginTest, SetAndGetParameterThroughTheRecord) {
  Start();
  mHost.SetParameter(0, 0.25f);
  EXPECT_FLOAT_EQ(mHost.GetParameter(0), 0.25f);
  EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamDisplay, 0), "0.50");
  mHost.SetParameter(0, std::numeric_limits<float>::quiet_NaN());
  mHost.SetParameter(0, std::numeric_limits<float>::infinity());
  EXPECT_FLOAT_EQ(mHost.GetParameter(0), 0.25f);
  mHost.SetParameter(0, 7.0f);  // out of range clamps
  EXPECT_FLOAT_EQ(mHost.GetParameter(0), 1.0f);
  EXPECT_EQ(mHost.GetParameter(-1), 0.0f);
  EXPECT_EQ(mHost.GetParameter(kNumParams), 0.0f);
  mHost.SetParameter(kNumParams, 0.5f);
  char text[64] = "1.7";
  EXPECT_EQ(mHost.Dispatch(vst2::kEffStringToParameter, 0, 0, text), 1);
  EXPECT_FLOAT_EQ(mHost.GetParameter(0), 0.85f);
  std::strcpy(text, "High");
  EXPECT_EQ(mHost.Dispatch(vst2::kEffStringToParameter, 1, 0, text), 1);
  EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamDisplay, 1), "High");
}

TEST_F(PluginTest, ParameterPropertiesByType) {
  Start();
  vst2::ParameterProperties props{};
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetParameterProperties, 3, 0, &props), 1);
  EXPECT_EQ(props.flags, 10);
  EXPECT_EQ(props.minInteger, 0);
  EXPECT_EQ(props.maxInteger, 10);
  EXPECT_EQ(props.stepInteger, 1);
  EXPECT_EQ(props.largeStepInteger, 1);
  EXPECT_STREQ(props.label, "Steps");  // the name, which hosts show; the unit stays with opcode 6
  EXPECT_STREQ(props.shortLabel, "Steps");
  EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamLabel, 3), "st");
  // A name longer than the short field is cut to seven bytes and terminated, whatever the host left there.
  std::memset(&props, 'x', sizeof(props));
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetParameterProperties, 4, 0, &props), 1);
  EXPECT_STREQ(props.label, "A parameter name of 31 chars...");
  EXPECT_STREQ(props.shortLabel, "A param");
  props = {};
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetParameterProperties, 2, 0, &props), 1);
  EXPECT_EQ(props.flags, 1);
  props = {};
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetParameterProperties, 0, 0, &props), 1);
  EXPECT_EQ(props.flags, 4);
  EXPECT_FLOAT_EQ(props.stepFloat, 0.01f);
  EXPECT_FLOAT_EQ(props.largeStepFloat, 0.01f);
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetParameterProperties, kNumParams, 0, &props), 0);
}

TEST_F(PluginTest, PinPropertiesAndArrangements) {
  Start();
  vst2::PinProperties pin{};
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetInputProperties, 0, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 3);
  EXPECT_STREQ(pin.label, "Input 1");
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetOutputProperties, 1, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 1);
  EXPECT_STREQ(pin.label, "Output 2");
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetOutputProperties, 2, 0, &pin), 0);
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetInputProperties, -1, 0, &pin), 0);

  vst2::SpeakerArrangement in{}, out{};
  in.numChannels = 1;
  out.numChannels = 2;
  EXPECT_EQ(mHost.Dispatch(vst2::kEffSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 1);
  for (int bad : {-1, 3, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
    in.numChannels = bad;
    EXPECT_EQ(mHost.Dispatch(vst2::kEffSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 0);
    EXPECT_EQ(mHost.Dispatch(vst2::kEffSetSpeakerArrangement, 0, 0, &in), 0);
  }
  EXPECT_EQ(mHost.Dispatch(vst2::kEffSetSpeakerArrangement, 0, 0, nullptr), 1);

  // Both sides are checked before either changes: a fitting input beside an output too wide changes
  // nothing, and the second input still carries its audio.
  in.numChannels = 2;
  EXPECT_EQ(mHost.Dispatch(vst2::kEffSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 1);
  in.numChannels = 1;
  out.numChannels = 3;
  EXPECT_EQ(mHost.Dispatch(vst2::kEffSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 0);
  std::vector<float> left(16, 0.5f), right(16, 0.25f), outLeft(16), outRight(16);
  float* ins[2] = {left.data(), right.data()};
  float* outs[2] = {outLeft.data(), outRight.data()};
  mHost.ProcessReplacing(ins, outs, 16);
  EXPECT_EQ(outLeft, left);
  EXPECT_EQ(outRight, right);
}

TEST_F(PluginTest, EditorRectangleAndEditorRequests) {
  Start("editor");
  vst2::EditorRect* rect = nullptr;
  EXPECT_EQ(mHost.Dispatch(vst2::kEffEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->bottom, 200);
  EXPECT_EQ(rect->right, 300);
  EXPECT_EQ(mHost.Dispatch(vst2::kEffEditOpen, 0, 0, nullptr), 0);  // no graphics on this plug-in
  EXPECT_EQ(mHost.Dispatch(vst2::kEffEditClose), 1);
}

TEST(PluginWithoutEditor, RefusesEditorRequests) {
  TestHost host;
  ASSERT_TRUE(StartPlugin(host, "io=2-2"));
  vst2::EditorRect* rect = nullptr;
  EXPECT_EQ(host.Dispatch(vst2::kEffEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, nullptr);
  EXPECT_EQ(host.Dispatch(vst2::kEffEditClose), 0);
}

TEST_F(PluginTest, BadSampleRatesAndBlockSizesAreRefused) {
  Start();
  const intptr_t resets = TestRequest(mHost, kResetCount);
  // 2^29 Hz and more would overflow the sample counts a plug-in keeps in an int.
  for (float rate : {0.0f, -44100.0f, 0.5f, 1.01e7f, 536870912.0f, std::numeric_limits<float>::quiet_NaN(),
                     std::numeric_limits<float>::infinity()})
    mHost.Dispatch(vst2::kEffSetSampleRate, 0, 0, nullptr, rate);
  for (intptr_t block : {intptr_t{0}, intptr_t{-64}, intptr_t{(1 << 20) + 1}, intptr_t{1} << 40})
    mHost.Dispatch(vst2::kEffSetBlockSize, 0, block);
  EXPECT_EQ(TestRequest(mHost, kResetCount), resets);
  mHost.SetSampleRate(48000.0f);
  EXPECT_EQ(TestRequest(mHost, kResetCount), resets + 1);
  mHost.SetSampleRate(1e7f);  // the highest rate taken
  EXPECT_EQ(TestRequest(mHost, kResetCount), resets + 2);
}

// A plug-in whose reset throws for a block size: the request is refused, the exception stays inside the
// module, and the plug-in processes any block. A longer block it cannot build leaves the built size (reset
// again) and runs in pieces of it; that size, and longer ones, are not tried again; shorter ones are.
TEST(PluginReset, BlockSizeThePlugInCannotBuildIsRefusedAndProcessingGoesOn) {
  TestHost host;
  ASSERT_TRUE(StartPlugin(host, "maxblock=1024"));
  host.Open();
  host.SetBlockSize(256);
  const intptr_t resets = TestRequest(host, kResetCount);
  host.SetBlockSize(4096);
  EXPECT_EQ(TestRequest(host, kResetCount), resets + 2);  // the refused size, then the one it had
  host.Resume();
  std::vector<float> in(8192, 0.5f);
  float* ins[2] = {in.data(), in.data()};
  struct Row {
    int frames, resets, largestPiece;
  };
  // A size tried resets twice (the size that throws, then the one it had).
  for (const Row& row : {Row{4096, 2, 256}, Row{4096, 0, 256}, Row{8192, 0, 256}, Row{2048, 2, 256}, Row{3000, 0, 256},
                         Row{1024, 1, 1024}}) {
    const intptr_t before = TestRequest(host, kResetCount);
    std::vector<std::vector<float>> out(2, std::vector<float>(8192, 9.0f));
    float* outs[2] = {out[0].data(), out[1].data()};
    host.ProcessReplacing(ins, outs, row.frames);
    EXPECT_EQ(TestRequest(host, kResetCount), before + row.resets) << row.frames;
    EXPECT_EQ(TestRequest(host, kLargestPiece), row.largestPiece) << row.frames;
    for (int c = 0; c < 2; ++c) {
      EXPECT_EQ(std::vector<float>(out[c].begin(), out[c].begin() + row.frames),
                std::vector<float>(static_cast<size_t>(row.frames), 0.5f))
          << row.frames;
    }
  }
}

// A plug-in whose processing and parameter hooks throw: nothing reaches the host, the replacing outputs are
// silent, and the plug-in goes on answering.
TEST(PluginFailures, ExceptionsStayInsideTheModule) {
  TestHost host;
  ASSERT_TRUE(StartPlugin(host, "throwing"));
  host.Open();
  host.Resume();
  std::vector<float> in(64, 0.5f);
  std::vector<std::vector<float>> out(2, std::vector<float>(64, 9.0f));
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out[0].data(), out[1].data()};
  host.ProcessReplacing(ins, outs, 64);
  EXPECT_EQ(out[0], std::vector<float>(64, 0.0f));
  EXPECT_EQ(out[1], std::vector<float>(64, 0.0f));
  host.ProcessAccumulating(ins, outs, 64);
  EXPECT_EQ(out[0], std::vector<float>(64, 0.0f));
  host.SetParameter(0, 0.75f);
  EXPECT_FLOAT_EQ(host.GetParameter(0), 0.75f);
  char text[] = "1.0";
  EXPECT_EQ(host.Dispatch(vst2::kEffStringToParameter, 0, 0, text), 0);
  EXPECT_EQ(host.Effect()->magic, vst2::kEffectMagic);
}

TEST_F(PluginTest, KeyEventsWithoutAnEditorAnswerZero) {
  Start();
  EXPECT_EQ(mHost.Dispatch(vst2::kEffEditKeyDown, 'a', 0, nullptr, 1.0f), 0);
  EXPECT_EQ(mHost.Dispatch(vst2::kEffEditKeyUp, 0, 7, nullptr, std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST_F(PluginTest, OpenAsksTheHostForItsNameAndVersionOnce) {
  mHost.SetProductString("REAPER");
  mHost.SetVendorVersion(60204);
  Start();
  EXPECT_EQ(mHost.CallsWith(vst2::kHostGetProductString).size(), 1u);
  EXPECT_EQ(mHost.CallsWith(vst2::kHostGetVendorVersion).size(), 1u);
  mHost.Open();
  EXPECT_EQ(mHost.CallsWith(vst2::kHostGetProductString).size(), 1u);
  // REAPER (host 1): only the space key reaches the editor.
  EXPECT_EQ(mHost.Dispatch(vst2::kEffEditKeyDown, 'a', 0), 0);
}

TEST(PluginHostIdentification, HostsLimitedToTwoChannelsGetATwoChannelRecord) {
  for (const char* product : {"Forte 4", "Adobe Audition", "Some Other Host"}) {
    TestHost host;
    host.SetProductString(product);
    ASSERT_TRUE(StartPlugin(host, "io=3-3"));
    host.Open();
    const int expected = std::strcmp(product, "Some Other Host") == 0 ? 3 : 2;
    EXPECT_EQ(host.Effect()->numInputs, expected) << product;
    EXPECT_EQ(host.Effect()->numOutputs, expected) << product;
    vst2::SpeakerArrangement* in = nullptr;
    host.Dispatch(vst2::kEffGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), nullptr);
    EXPECT_EQ(in->type, expected == 2 ? 1 : -2) << product;
  }
}

TEST(PluginProcess, MidiEventsReachTheProcessor) {
  TestHost host;
  ASSERT_TRUE(StartPlugin(host, "midiin midiout"));
  vst2::MidiEvent note{};
  note.type = vst2::kEventMidi;
  note.byteSize = sizeof(note);
  note.deltaFrames = 5;
  note.midiData[0] = 0x90;
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  char dump[4] = {char(0xF0), 1, 2, char(0xF7)};
  vst2::SysExEvent sysex{};
  sysex.type = vst2::kEventSysEx;
  sysex.byteSize = sizeof(sysex);
  sysex.dumpBytes = 4;
  sysex.sysexDump = dump;
  vst2::Events events{};
  events.numEvents = 2;
  events.events[0] = reinterpret_cast<vst2::Event*>(&note);
  events.events[1] = reinterpret_cast<vst2::Event*>(&sysex);
  host.ClearCalls();
  EXPECT_EQ(host.Dispatch(vst2::kEffProcessEvents, 0, 0, &events), 1);
  EXPECT_EQ(TestRequest(host, kMidiInCount), 1);
  // The default processing passes the note on to the host.
  const auto sent = host.CallsWith(vst2::kHostProcessEvents);
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_EQ(sent[0].events.size(), 1u);
  EXPECT_EQ(sent[0].events[0].deltaFrames, 5);
  EXPECT_EQ(sent[0].events[0].midi[1], 60);
}

// ---- A plug-in built into this program: the host drives it only through its record, while the tests see
// what reached its own operations.

// Holds one tick of the plug-in inside its idle work and tells whether the plug-in went while it was held.
struct TickGate {
  std::atomic<bool> hold{false}, inside{false}, release{false}, ended{false}, destroyedDuringTick{false};
};

fx::Config ProbeConfig() {
  fx::Config config;
  config.nParams = 2;
  config.nPresets = 1;
  config.channelIOStr = "2-2";
  config.pluginName = "Probe";
  config.hasUI = true;
  config.width = 300;
  config.height = 200;
  return config;
}

class ProbePlugin final : public fx::IPluginVST2 {
 public:
  explicit ProbePlugin(const fx::InstanceInfo& info) : IPluginVST2(info, ProbeConfig()) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    GetParam(0)->InitDouble("Unbounded", 0.0, -kInf, kInf, 0.0);
    GetParam(1)->InitDouble("Gain", 0.5, 0.0, 1.0, 0.0);
  }
  ~ProbePlugin() override {
    if (gate && gate->inside.load() && !gate->ended.load()) gate->destroyedDuringTick.store(true);
  }

  void ProcessSysEx(const fx::ISysEx& msg) override { sysExSizes.push_back(msg.mSize); }
  bool OnKeyDown(const fx::IKeyPress& key) override {
    keys.push_back(key);
    return true;
  }
  void OnIdle() override { Hold(gate); }
  void OnReset() override { Hold(resetGate); }
  void OnActivate(bool active) override {
    Hold(resetGate);
    IPluginVST2::OnActivate(active);
  }
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override {
    blocks.fetch_add(1);
    IPluginVST2::ProcessBlock(inputs, outputs, nFrames);
  }

  TickGate* gate = nullptr;
  TickGate* resetGate = nullptr;
  std::atomic<int> blocks{0};
  std::vector<int> sysExSizes;
  std::vector<fx::IKeyPress> keys;

 private:
  // Waits inside the call until the gate is released, when the gate holds the next call.
  static void Hold(TickGate* held) {
    if (!held || !held->hold.exchange(false)) return;
    held->inside.store(true);
    kd::test::AwaitFlag(held->release);
    held->ended.store(true);
  }
};

vst2::EffectRecord* CreateProbe(vst2::HostCallback callback) {
  return fx::CreateVST2Instance<ProbePlugin>(callback);
}

bool InstantiateProbe(TestHost& host) {
  std::string error;
  const bool made = host.InstantiateFrom(&CreateProbe, error);
  EXPECT_TRUE(made) << error;
  return made;
}

ProbePlugin& Probe(TestHost& host) {
  return static_cast<ProbePlugin&>(*static_cast<fx::IPluginVST2*>(host.Effect()->object));
}

class ProbeTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InstantiateProbe(mHost)); }
  ProbePlugin& Probe() { return testplugin::Probe(mHost); }

  TestHost mHost;
};

// The host's decimal version v becomes major << 16 | minor << 8 | patch: none for v of 0 or less, and a
// major beyond what 15 bits hold is cut to 0x7FFF instead of wrapping into the other fields' bits.
TEST(PluginHostIdentification, VersionIsPackedFromTheDecimalAnswer) {
  const struct {
    intptr_t decimal;
    int packed;
  } rows[] = {
      {60204, 0x060204},
      {10203, 0x010203},
      {99999999, (9999 << 16) | (99 << 8) | 99},
      {0, 0},
      {-5, 0},
      {-60204, 0},
      {327679999, 0x7FFF6363},
      {327689999, 0x7FFF6363},
      {3298534883328, 0x7FFF211C},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.decimal);
    TestHost host;
    host.SetVendorVersion(row.decimal);
    ASSERT_TRUE(InstantiateProbe(host));
    host.Open();
    EXPECT_EQ(Probe(host).GetHostVersion(false), row.packed);
  }
}

// Opcode 25: a SysEx event without data, or with a negative length, never reaches the processor.
TEST_F(ProbeTest, SysExWithoutDataOrWithANegativeLengthIsSkipped) {
  char dump[4] = {char(0xF0), 1, 2, char(0xF7)};
  const struct {
    char* data;
    int32_t bytes;
  } rows[] = {{nullptr, 4}, {dump, -1}, {dump, 4}, {nullptr, 0}, {dump, INT32_MIN}};
  std::vector<vst2::SysExEvent> sysex(std::size(rows));
  vst2::Events events{};
  for (size_t i = 0; i < std::size(rows); ++i) {
    sysex[i].type = vst2::kEventSysEx;
    sysex[i].byteSize = sizeof(vst2::SysExEvent);
    sysex[i].dumpBytes = rows[i].bytes;
    sysex[i].sysexDump = rows[i].data;
  }
  // The record holds two event pointers; a host's list runs on past them in the same block.
  std::vector<vst2::Event*> list(std::size(rows));
  for (size_t i = 0; i < list.size(); ++i) list[i] = reinterpret_cast<vst2::Event*>(&sysex[i]);
  for (size_t first = 0; first < list.size(); first += 2) {
    events.numEvents = static_cast<int32_t>(std::min<size_t>(2, list.size() - first));
    for (int32_t k = 0; k < events.numEvents; ++k) events.events[k] = list[first + static_cast<size_t>(k)];
    EXPECT_EQ(mHost.Dispatch(vst2::kEffProcessEvents, 0, 0, &events), 1);
  }
  EXPECT_EQ(Probe().sysExSizes, std::vector<int>({4}));
}

// The modifier bits come as a float: shift 1, option 2, command 8, read from the value cut to 0..255; a
// value that is not a number, or infinite, holds none.
TEST_F(ProbeTest, KeyModifiersAreReadFromTheClampedValue) {
  const struct {
    float modifiers;
    bool shift, command, option;
  } rows[] = {
      {0.0f, false, false, false},
      {1.0f, true, false, false},
      {10.9f, false, true, true},
      {11.0f, true, true, true},
      {-3.0f, false, false, false},
      {1e10f, true, true, true},
      {std::numeric_limits<float>::quiet_NaN(), false, false, false},
      {std::numeric_limits<float>::infinity(), false, false, false},
      {-std::numeric_limits<float>::infinity(), false, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.modifiers);
    Probe().keys.clear();
    EXPECT_EQ(mHost.Dispatch(vst2::kEffEditKeyDown, 'a', 0, nullptr, row.modifiers), 1);
    ASSERT_EQ(Probe().keys.size(), 1u);
    const fx::IKeyPress& key = Probe().keys[0];
    EXPECT_EQ(key.VK, 'A');
    EXPECT_EQ(key.S, row.shift);
    EXPECT_EQ(key.C, row.command);
    EXPECT_EQ(key.A, row.option);
  }
}

// A parameter whose range has no ends: its normalized value is not a number, which the host reads as 0;
// a typed value the parameter could only hold as infinite is refused and changes nothing, while "nan"
// keeps the value and is taken.
TEST_F(ProbeTest, UnboundedParameterNeverHandsTheHostANaNOrTakesAnInfiniteValue) {
  EXPECT_EQ(mHost.GetParameter(0), 0.0f);
  const struct {
    const char* text;
    intptr_t answer;
    double value;
  } rows[] = {{"5", 1, 5.0}, {"inf", 0, 5.0}, {"-inf", 0, 5.0}, {"1e400", 0, 5.0}, {"nan", 1, 5.0}, {"-2.5", 1, -2.5}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    char text[64];
    std::snprintf(text, sizeof(text), "%s", row.text);
    EXPECT_EQ(mHost.Dispatch(vst2::kEffStringToParameter, 0, 0, text), row.answer);
    EXPECT_EQ(Probe().GetParam(0)->Value(), row.value);
    EXPECT_EQ(mHost.GetParameter(0), 0.0f);
  }
}

// The rectangle's fields are 16-bit: an editor size beyond them reads as the largest they hold, a
// negative one as 0, never as a wrapped size.
TEST_F(ProbeTest, EditorRectangleHoldsSizesBeyondSixteenBits) {
  const struct {
    int width, height;
    int16_t right, bottom;
  } rows[] = {{40000, 300, 32767, 300}, {32767, 32768, 32767, 32767}, {-5, 70000, 0, 32767}, {640, 480, 640, 480}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << " x " << row.height);
    Probe().EditorResize(row.width, row.height);
    vst2::EditorRect* rect = nullptr;
    ASSERT_EQ(mHost.Dispatch(vst2::kEffEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, row.right);
    EXPECT_EQ(rect->bottom, row.bottom);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->top, 0);
  }
}

// Opcode 1 while another host thread is inside the plug-in's tick: the close waits for the tick to end
// before any part of the plug-in goes.
TEST_F(ProbeTest, CloseWaitsForATickOnAnotherThread) {
  TickGate gate;
  Probe().gate = &gate;
  gate.hold.store(true);
  kd::test::HostThread idleThread, closeThread;
  idleThread.Start([&gate] {
    const auto deadline = std::chrono::steady_clock::now() + kd::test::HostThread::kPatience;
    while (!gate.inside.load() && std::chrono::steady_clock::now() < deadline) {
      platform::RunLoop::Main().RunOnce();
      std::this_thread::yield();
    }
  });
  ASSERT_TRUE(kd::test::AwaitFlag(gate.inside));
  closeThread.Start([this] { mHost.Close(); });
  for (int i = 0; i < 1000; ++i) std::this_thread::yield();  // give a close that does not wait its chance
  gate.release.store(true);
  ASSERT_TRUE(closeThread.Wait());
  ASSERT_TRUE(idleThread.Wait());
  EXPECT_TRUE(gate.ended.load());
  EXPECT_FALSE(gate.destroyedDuringTick.load());
}

// A block the audio thread starts while a host thread is inside a reconfiguring request (held in the reset
// that ends it, or in the activation of a resume) waits for nothing and is skipped: the replacing callbacks answer
// silence, the accumulating one leaves its outputs as they were, and the plug-in processes nothing. Once the request
// has ended, blocks are processed again.
TEST_F(ProbeTest, ABlockDuringAReconfigurationIsSkippedWithoutWaiting) {
  constexpr int kFrames = 16;
  const struct {
    const char* what;
    int32_t opcode;
    intptr_t value;
    float opt;
  } rows[] = {{"block size", vst2::kEffSetBlockSize, 32, 0.f},
              {"sample rate", vst2::kEffSetSampleRate, 0, 96000.f},
              {"suspend", vst2::kEffMainsChanged, 0, 0.f},
              {"resume", vst2::kEffMainsChanged, 1, 0.f}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TickGate gate;
    Probe().resetGate = &gate;
    gate.hold.store(true);
    kd::test::HostThread hostThread;
    hostThread.Start([&] { mHost.Dispatch(row.opcode, 0, row.value, nullptr, row.opt); });
    ASSERT_TRUE(kd::test::AwaitFlag(gate.inside));
    const int blocksBefore = Probe().blocks.load();
    std::vector<float> in(kFrames, 0.5f), outL(kFrames, 9.f), outR(kFrames, 9.f);
    std::vector<double> inD(kFrames, 0.5), outDL(kFrames, 9.0), outDR(kFrames, 9.0);
    float* ins[] = {in.data(), in.data()};
    float* outs[] = {outL.data(), outR.data()};
    double* insD[] = {inD.data(), inD.data()};
    double* outsD[] = {outDL.data(), outDR.data()};
    mHost.ProcessAccumulating(ins, outs, kFrames);
    EXPECT_EQ(outL, std::vector<float>(kFrames, 9.f));
    mHost.ProcessReplacing(ins, outs, kFrames);
    EXPECT_EQ(outL, std::vector<float>(kFrames, 0.f));
    EXPECT_EQ(outR, std::vector<float>(kFrames, 0.f));
    mHost.ProcessDoubleReplacing(insD, outsD, kFrames);
    EXPECT_EQ(outDL, std::vector<double>(kFrames, 0.0));
    EXPECT_EQ(outDR, std::vector<double>(kFrames, 0.0));
    EXPECT_EQ(Probe().blocks.load(), blocksBefore);
    gate.release.store(true);
    ASSERT_TRUE(hostThread.Wait());
    Probe().resetGate = nullptr;
    mHost.ProcessReplacing(ins, outs, kFrames);
    EXPECT_EQ(outL, std::vector<float>(kFrames, 0.5f));
    EXPECT_EQ(Probe().blocks.load(), blocksBefore + 1);
  }
}

// A host that rewrites its input buffers from inside one kind of call the plug-in makes during a block.
struct RewritingHost {
  static intptr_t Callback(vst2::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                           float opt) {
    if (opcode == rewriteOn && inputs) {
      for (int c = 0; c < 2; ++c) std::fill(inputs[c], inputs[c] + frames, -1.0f);
    }
    return TestHost::Callback(effect, opcode, index, value, ptr, opt);
  }
  static inline int32_t rewriteOn = -1;
  static inline float** inputs = nullptr;
  static inline int frames = 0;
};

// A host that makes a reconfiguring request (repeats times) from inside one kind of call the plug-in makes
// during a block, once, as a host answering on its audio thread may.
struct ReconfiguringHost {
  static intptr_t Callback(vst2::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                           float opt) {
    if (opcode == requestOn && effect && effect->object) {
      requestOn = -1;
      for (int i = 0; i < repeats; ++i)
        answers.push_back(effect->dispatcher(effect, request, 0, requestValue, requestPtr, requestOpt));
    }
    return TestHost::Callback(effect, opcode, index, value, ptr, opt);
  }
  static inline int32_t requestOn = -1;
  static inline int32_t request = 0;
  static inline intptr_t requestValue = 0;
  static inline void* requestPtr = nullptr;
  static inline float requestOpt = 0.0f;
  static inline int repeats = 1;
  static inline std::vector<intptr_t> answers;
};

// A block size, rate or arrangement request the host makes on the audio thread from inside a block's time or
// process-level request waits for the block's end: the block runs whole at the size and with the channels it
// began with (every output sample is its input), and the request holds afterwards. Sixteen such requests wait
// in one block; later ones are refused (an arrangement answers 0).
TEST(ProbeBlocks, AReconfigurationFromInsideABlockHoldsAfterTheWholeBlock) {
  constexpr int kFrames = 1000;
  constexpr float kRate = 44100.0f;
  vst2::SpeakerArrangement noOutputs{}, oneOutput{};
  oneOutput.numChannels = 1;
  const struct {
    const char* what;
    int32_t request;
    intptr_t value;
    void* ptr;
    float opt;
    int repeats;
    int blockSize;
    double rate;
    int outputsAfter;
    int accepted;
  } rows[] = {{"block size 16", vst2::kEffSetBlockSize, 16, nullptr, 0.f, 1, 16, kRate, 2, 1},
              {"block size 4096", vst2::kEffSetBlockSize, 4096, nullptr, 0.f, 1, 4096, kRate, 2, 1},
              {"rate", vst2::kEffSetSampleRate, 0, nullptr, 96000.f, 1, kFrames, 96000.0, 2, 1},
              {"no outputs", vst2::kEffSetSpeakerArrangement, 0, &noOutputs, 0.f, 1, kFrames, kRate, 0, 1},
              {"20 x one output", vst2::kEffSetSpeakerArrangement, 0, &oneOutput, 0.f, 20, kFrames, kRate, 1, 16}};
  for (const int32_t on : {vst2::kHostGetTime, vst2::kHostGetCurrentProcessLevel}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << row.what << " in host call " << on);
      TestHost host;
      std::string error;
      ASSERT_TRUE(host.InstantiateFrom(
          [](vst2::HostCallback) { return fx::CreateVST2Instance<ProbePlugin>(&ReconfiguringHost::Callback); }, error))
          << error;
      host.Open();
      host.SetSampleRate(kRate);
      host.SetBlockSize(kFrames);
      host.Resume();
      std::vector<float> left(kFrames), right(kFrames), outL(kFrames, 9.0f), outR(kFrames, 9.0f);
      for (int i = 0; i < kFrames; ++i) left[i] = -(right[i] = 0.001f * (i + 1));
      float* ins[] = {left.data(), right.data()};
      float* outs[] = {outL.data(), outR.data()};
      ReconfiguringHost::requestOn = on;
      ReconfiguringHost::request = row.request;
      ReconfiguringHost::requestValue = row.value;
      ReconfiguringHost::requestPtr = row.ptr;
      ReconfiguringHost::requestOpt = row.opt;
      ReconfiguringHost::repeats = row.repeats;
      ReconfiguringHost::answers.clear();
      host.ProcessReplacing(ins, outs, kFrames);
      EXPECT_EQ(ReconfiguringHost::requestOn, -1);
      EXPECT_EQ(outL, left);
      EXPECT_EQ(outR, right);
      EXPECT_EQ(Probe(host).GetBlockSize(), row.blockSize);
      EXPECT_EQ(Probe(host).GetSampleRate(), row.rate);
      EXPECT_EQ(Probe(host).NChannelsConnected(fx::kOutput), row.outputsAfter);
      if (row.request == vst2::kEffSetSpeakerArrangement) {
        std::vector<intptr_t> expected(static_cast<size_t>(row.repeats), 0);
        std::fill(expected.begin(), expected.begin() + row.accepted, 1);
        EXPECT_EQ(ReconfiguringHost::answers, expected);
      }
    }
  }
}

// A single-precision block's samples are taken before the plug-in asks the host for the time and before the
// editor's MIDI reaches the plug-in (the default sends it on to the host): what the host writes into its
// inputs inside those calls is not part of the block.
TEST(ProbeBlocks, TheInputsAreTakenBeforeTheTimeAndTheEditorsMidi) {
  constexpr int kFrames = 32;
  for (const int32_t opcode : {vst2::kHostGetTime, vst2::kHostProcessEvents}) {
    SCOPED_TRACE(opcode);
    TestHost host;
    std::string error;
    ASSERT_TRUE(host.InstantiateFrom(
        [](vst2::HostCallback) { return fx::CreateVST2Instance<ProbePlugin>(&RewritingHost::Callback); }, error))
        << error;
    host.Open();
    host.SetBlockSize(kFrames);
    host.Resume();
    Probe(host).DeferMidiMsg(fx::IMidiMsg(0, 0x90, 60, 100));
    std::vector<float> left(kFrames, 0.5f), right(kFrames, -0.25f), outL(kFrames, 9.0f), outR(kFrames, 9.0f);
    float* ins[] = {left.data(), right.data()};
    float* outs[] = {outL.data(), outR.data()};
    RewritingHost::rewriteOn = opcode;
    RewritingHost::inputs = ins;
    RewritingHost::frames = kFrames;
    host.ProcessReplacing(ins, outs, kFrames);
    RewritingHost::inputs = nullptr;
    EXPECT_EQ(host.CallsWith(opcode).size(), 1u);
    EXPECT_EQ(outL, std::vector<float>(kFrames, 0.5f));
    EXPECT_EQ(outR, std::vector<float>(kFrames, -0.25f));
  }
}

// A plug-in without parameters: its state is empty, so a chunk of any bytes reads whole.
class StatelessProbe final : public fx::IPluginVST2 {
 public:
  static fx::Config Configuration() {
    fx::Config config = ProbeConfig();
    config.nParams = 0;
    config.hasUI = false;
    return config;
  }
  explicit StatelessProbe(const fx::InstanceInfo& info) : IPluginVST2(info, Configuration()) {}
  void OnRestoreState() override { ++restores; }
  int restores = 0;
};

// Opcode 24: a chunk the plug-in cannot copy (here 2 GiB, more than a chunk holds) is refused and read from
// nothing, also by a plug-in that would take an empty chunk as its whole state.
TEST(StatelessPlugin, AChunkThatCannotBeCopiedIsRefused) {
  TestHost host;
  std::string error;
  ASSERT_TRUE(host.InstantiateFrom(
      [](vst2::HostCallback callback) { return fx::CreateVST2Instance<StatelessProbe>(callback); }, error))
      << error;
  auto& plugin = static_cast<StatelessProbe&>(*static_cast<fx::IPluginVST2*>(host.Effect()->object));
  uint8_t bytes[8] = {};
  for (int32_t index : {0, 1}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(host.Dispatch(vst2::kEffSetChunk, index, INT_MAX, bytes), 0);
    EXPECT_EQ(plugin.restores, 0);
  }
  EXPECT_EQ(host.Dispatch(vst2::kEffSetChunk, 1, sizeof(bytes), bytes), 1);
  EXPECT_EQ(plugin.restores, 1);
}

}  // namespace
}  // namespace testplugin
