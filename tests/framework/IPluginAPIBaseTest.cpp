#include "framework/IPluginAPIBase.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/IByteChunk.h"
#include "framework/IEditorView.h"
#include "platform/runloop/RunLoop.h"
#include "tests/framework/TestPlugin.h"

namespace fx {
namespace {

using test::Event;
using test::TestConfig;
using test::TestPlugin;

// The plug-in's timer lives on the main run loop; a manual clock makes each pump one tick.
class APIBaseTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::RunLoop::Main().SetClock(&clock); }
  void TearDown() override { platform::RunLoop::Main().SetClock(nullptr); }

  void Tick() {
    platform::RunLoop::Main().RunDueTimers();
    clock.AdvanceMs(20);
  }

  std::vector<Event> EventsNamed(const TestPlugin& plugin, const std::string& what) {
    std::vector<Event> found;
    for (const Event& e : plugin.events) {
      if (e.what == what) found.push_back(e);
    }
    return found;
  }

  platform::ManualClock clock{10.0};
};

TEST_F(APIBaseTest, ConfigurationIsKept) {
  Config config = TestConfig(1, 1);
  const std::string longName(200, 'n');
  config.pluginName = longName.c_str();
  TestPlugin plugin(config);
  EXPECT_EQ(std::strlen(plugin.GetPluginName()), 128u);
  EXPECT_STREQ(plugin.GetProductName(), "Test Product");
  EXPECT_STREQ(plugin.GetMfrName(), "Test Maker");
  EXPECT_STREQ(plugin.GetHostName(), "Unknown");
  EXPECT_EQ(plugin.GetHost(), kHostUninit);
  EXPECT_EQ(plugin.GetMinWidth(), 213);
  EXPECT_EQ(plugin.GetMaxWidth(), 1920);
  EXPECT_EQ(plugin.GetMinHeight(), 160);
  EXPECT_EQ(plugin.GetMaxHeight(), 1440);
  EXPECT_EQ(plugin.GetEditorWidth(), 640);
  EXPECT_EQ(plugin.GetEditorHeight(), 480);
}

TEST_F(APIBaseTest, ConstrainEditorResizeClampsIntoTheLimits) {
  TestPlugin plugin(TestConfig(1, 1));
  int w = 800, h = 600;
  EXPECT_TRUE(plugin.ConstrainEditorResize(w, h));
  w = 100;
  h = 2000;
  EXPECT_FALSE(plugin.ConstrainEditorResize(w, h));
  EXPECT_EQ(w, 213);
  EXPECT_EQ(h, 1440);
}

// A host sets each value, then queues the change: the editor gets the changes in order, each with the value
// its parameter has when the queue is drained.
TEST_F(APIBaseTest, FullParameterQueueDropsThe513thAndDeliversInOrder) {
  TestPlugin plugin(TestConfig(2, 1));
  plugin.CreateTimer();
  for (int i = 0; i < 513; ++i) {
    plugin.GetParam(i % 2)->Set(i * 0.01);
    plugin.SendParameterValueFromAPI(i % 2, i * 0.01, false);
  }
  Tick();
  const std::vector<Event> delivered = EventsNamed(plugin, "toEditor");
  ASSERT_EQ(delivered.size(), 512u);
  for (int i = 0; i < 512; ++i) {
    EXPECT_EQ(delivered[static_cast<size_t>(i)].index, i % 2);
    EXPECT_DOUBLE_EQ(delivered[static_cast<size_t>(i)].value, i % 2 ? 5.11 : 5.12);
  }
}

// An editor side that queues a new entry for each one delivered, as a producer that never pauses does: each
// tick still delivers at most a queue's worth of each kind and goes on to the idle call.
class RefillingPlugin : public TestPlugin {
 public:
  static constexpr int kRefills = 4000;
  RefillingPlugin() : TestPlugin(TestConfig(2, 1)) {}
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override {
    TestPlugin::SendParameterValueFromDelegate(paramIdx, value, normalized);
    if (++params < kRefills) SendParameterValueFromAPI(paramIdx, value, false);
  }
  void OnMidiMsgUI(const IMidiMsg& msg) override {
    TestPlugin::OnMidiMsgUI(msg);
    if (++midi < kRefills) PushMidiMsgFromProcessor(msg);
  }
  void OnSysexMsgUI(const ISysEx& msg) override {
    TestPlugin::OnSysexMsgUI(msg);
    if (++sysex < kRefills) PushSysExFromProcessor(msg);
  }
  int params = 0, midi = 0, sysex = 0;
};

TEST_F(APIBaseTest, ATickDeliversAtMostAQueuesWorthWhileProducersKeepPushing) {
  RefillingPlugin plugin;
  plugin.CreateTimer();
  const uint8_t bytes[] = {0xF0, 0x7E, 0xF7};
  while (plugin.PushMidiMsgFromProcessor(IMidiMsg(0, 0x90, 60, 1))) {
  }
  while (plugin.PushSysExFromProcessor(ISysEx(0, 3, bytes))) {
  }
  for (int i = 0; i < 600; ++i) plugin.SendParameterValueFromAPI(0, 1.0, false);
  // What each queue holds: 512 parameter changes, 32 MIDI messages, 4 SysEx messages.
  const struct {
    const char* name;
    const int& delivered;
    int held;
  } queues[] = {{"parameters", plugin.params, 512}, {"MIDI", plugin.midi, 32}, {"SysEx", plugin.sysex, 4}};
  for (int tick = 1; tick <= 3; ++tick) {
    int before[3];
    for (int q = 0; q < 3; ++q) before[q] = queues[q].delivered;
    Tick();
    EXPECT_EQ(plugin.Count("idle"), tick);
    for (int q = 0; q < 3; ++q) {
      SCOPED_TRACE(testing::Message() << queues[q].name << ", tick " << tick);
      EXPECT_GE(queues[q].delivered - before[q], queues[q].held);
      EXPECT_LE(queues[q].delivered - before[q], queues[q].held + 1);
    }
  }
}

// Indices outside the parameter list reach no parameter, no queue, no host and no notification.
TEST_F(APIBaseTest, OutOfListIndicesReachNothing) {
  TestPlugin plugin(TestConfig(2, 1));
  plugin.CreateTimer();
  for (const int idx : {-1, 2, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(idx);
    plugin.SetParameterValue(idx, 0.5);
    plugin.SendParameterValueFromAPI(idx, 0.5, true);
    plugin.SendParameterValueFromAPI(idx, 0.5, false);
    plugin.SendParameterValueFromUI(idx, 0.5);
    plugin.BeginInformHostOfParamChangeFromUI(0);
    plugin.EndInformHostOfParamChangeFromUI(0);
  }
  Tick();
  std::vector<Event> expected;
  for (int i = 0; i < 4; ++i) expected.insert(expected.end(), {{"beginEdit", 0}, {"endEdit", 0}});
  expected.push_back({"idle"});
  EXPECT_EQ(plugin.events, expected);
  EXPECT_EQ(plugin.GetParam(0)->Value(), 0.0);
  EXPECT_EQ(plugin.GetParam(1)->Value(), 0.0);
}

// The host sets a value (normalized 0.75 is 5) and then restores a state before the next tick: the editor
// gets the restored value, the one the plug-in has, however the queued change was given.
TEST_F(APIBaseTest, TheEditorGetsTheValueAParameterHasAtTheDrainNotAQueuedOne) {
  TestPlugin plugin(TestConfig(1, 1));
  plugin.CreateTimer();
  plugin.GetParam(0)->SetNormalized(0.75);
  plugin.SendParameterValueFromAPI(0, 0.75, true);
  plugin.SendParameterValueFromAPI(0, 5.0, false);
  plugin.SendParameterValueFromAPI(5, 0.5, true);
  IByteChunk state;
  const double restored = -2.5;
  state.Put(&restored);
  ASSERT_EQ(plugin.UnserializeState(state, 0), 8);
  Tick();
  const std::vector<Event> delivered = EventsNamed(plugin, "toEditor");
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(delivered[0], (Event{"toEditor", 0, -2.5}));
  EXPECT_EQ(delivered[1], (Event{"toEditor", 0, -2.5}));
}

TEST_F(APIBaseTest, QueuesDrainBeforeTheIdleCall) {
  TestPlugin plugin(TestConfig(1, 1));
  plugin.CreateTimer();
  plugin.SendParameterValueFromAPI(0, 1.0, false);
  plugin.PushMidiMsgFromProcessor(IMidiMsg(0, 0x90, 64, 1));
  const uint8_t sysex[] = {0xF0, 0x7E, 0xF7};
  plugin.PushSysExFromProcessor(ISysEx(0, 3, sysex));
  Tick();
  std::vector<std::string> order;
  for (const Event& e : plugin.events) {
    if (e.what != "changeUI4") order.push_back(e.what);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"toEditor", "midiUI", "sysexUI", "idle"}));
  EXPECT_EQ(EventsNamed(plugin, "sysexUI")[0], (Event{"sysexUI", 3, 0xF0}));
}

TEST_F(APIBaseTest, WithoutAnEditorTheQueuesStayButIdleRunsEveryTick) {
  TestPlugin plugin(TestConfig(1, 1, false));
  plugin.CreateTimer();
  plugin.SendParameterValueFromAPI(0, 1.0, false);
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_EQ(plugin.Count("idle"), 3);
  EXPECT_EQ(plugin.Count("toEditor"), 0);
}

TEST_F(APIBaseTest, NoTickAfterThePluginIsGone) {
  auto plugin = std::make_unique<TestPlugin>(TestConfig(1, 1));
  plugin->CreateTimer();
  plugin->CreateTimer();
  EXPECT_EQ(platform::RunLoop::Main().NumTimers(), 1);
  plugin.reset();
  EXPECT_EQ(platform::RunLoop::Main().NumTimers(), 0);
  Tick();
}

TEST_F(APIBaseTest, MidiQueuesHoldThirtyTwo) {
  TestPlugin plugin(TestConfig(1, 1));
  for (int i = 0; i < 33; ++i) plugin.DeferMidiMsg(IMidiMsg(i, 0x90, static_cast<uint8_t>(i), 100));
  IMidiMsg msg;
  for (int i = 0; i < 32; ++i) {
    ASSERT_TRUE(plugin.PopMidiMsgForProcessor(msg));
    EXPECT_EQ(msg.mData1, i);
  }
  EXPECT_FALSE(plugin.PopMidiMsgForProcessor(msg));

  for (int i = 0; i < 32; ++i) EXPECT_TRUE(plugin.PushMidiMsgFromProcessor(IMidiMsg()));
  EXPECT_FALSE(plugin.PushMidiMsgFromProcessor(IMidiMsg()));
}

TEST_F(APIBaseTest, SysExQueuesHoldFourMessagesOfUpTo512Bytes) {
  TestPlugin plugin(TestConfig(1, 1));
  std::vector<uint8_t> big(513, 0x42);
  plugin.SendSysexMsgFromUI(ISysEx(0, 513, big.data()));
  plugin.DeferSysexMsg(ISysEx(0, -1, big.data()));
  IPluginAPIBase::SysExData data;
  EXPECT_FALSE(plugin.PopSysExForProcessor(data)) << "too long or negative: refused";

  for (int i = 0; i < 5; ++i) plugin.DeferSysexMsg(ISysEx(i, 512, big.data()));
  int popped = 0;
  while (plugin.PopSysExForProcessor(data)) {
    EXPECT_EQ(data.mOffset, popped++);
    EXPECT_EQ(data.mSize, 512);
    EXPECT_EQ(data.mData[511], 0x42);
  }
  EXPECT_EQ(popped, 4);

  plugin.DeferSysexMsg(ISysEx(9, 3, nullptr));
  ASSERT_TRUE(plugin.PopSysExForProcessor(data));
  EXPECT_EQ(data.mSize, 3);
  EXPECT_EQ(data.mData[0], 0);
}

TEST_F(APIBaseTest, SetHostIdentifiesThenCallsBothHooksInOrder) {
  TestPlugin plugin(TestConfig(1, 1));
  plugin.SetHost("REAPER", 0x70000);
  EXPECT_STREQ(plugin.GetHostName(), "REAPER");
  EXPECT_EQ(plugin.GetHost(), kHostReaper);
  EXPECT_EQ(plugin.events, (std::vector<Event>{{"hostIdentified", kHostReaper}, {"lateHostIdentified", kHostReaper}}));
  plugin.SetHost(nullptr, 0);
  EXPECT_EQ(plugin.GetHost(), kHostUnknown);
}

TEST_F(APIBaseTest, EditorChangesStoreInformTheHostAndNotify) {
  TestPlugin plugin(TestConfig(1, 1));
  plugin.SendParameterValueFromUI(0, 0.25);
  EXPECT_DOUBLE_EQ(plugin.GetParam(0)->Value(), -5.0);
  EXPECT_EQ(plugin.events, (std::vector<Event>{{"automate", 0, 0.25}, {"change3", 0}, {"changeUI3", 0}}));
  plugin.events.clear();
  plugin.BeginInformHostOfParamChangeFromUI(0);
  plugin.EndInformHostOfParamChangeFromUI(0);
  plugin.SendParameterValueFromUI(3, 0.5);
  EXPECT_EQ(plugin.events, (std::vector<Event>{{"beginEdit", 0}, {"endEdit", 0}}));
}

// Range 0..2.3 in whole steps: a normalized 1.2 maps to 2.76, rounds to 3 and clamps to 2.3; rounding and
// clamping once more gives 2. Within the range (0.5 maps to 1.15) both passes agree.
TEST_F(APIBaseTest, EditorValuesAreRoundedAndClampedTwice) {
  const std::pair<double, double> rows[] = {{1.2, 2.0}, {0.5, 1.0}, {-0.5, 0.0}};
  for (const auto& [normalized, stored] : rows) {
    TestPlugin plugin(TestConfig(1, 1));
    plugin.GetParam(0)->InitDouble("p", 0.0, 0.0, 2.3, 1.0, "", kFlagStepped);
    plugin.SetParameterValue(0, normalized);
    EXPECT_EQ(plugin.GetParam(0)->Value(), stored) << normalized;
    plugin.GetParam(0)->Set(0.0);
    plugin.SendParameterValueFromUI(0, normalized);
    EXPECT_EQ(plugin.GetParam(0)->Value(), stored) << normalized;
  }
}

// The delegate without graphics hands a control message to OnMessage and gives its answer back; the
// graphics delegate delivers it to the control and answers false.
class AnsweringDelegate : public IEditorDelegate {
 public:
  AnsweringDelegate() : IEditorDelegate(0) {}
  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}
  bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void*) override {
    asked.push_back({msgTag, ctrlTag, dataSize});
    return msgTag == 7;
  }
  std::vector<std::vector<int>> asked;
};

TEST_F(APIBaseTest, ControlMessagesFromTheDelegateAnswerWhatOnMessageAnswers) {
  AnsweringDelegate delegate;
  EXPECT_TRUE(delegate.SendControlMsgFromDelegate(3, 7, 4, nullptr));
  EXPECT_FALSE(delegate.SendControlMsgFromDelegate(3, 8, 0, nullptr));
  EXPECT_EQ(delegate.asked, (std::vector<std::vector<int>>{{7, 3, 4}, {8, 3, 0}}));
  TestPlugin plugin(TestConfig(1, 1));
  EXPECT_FALSE(plugin.SendControlMsgFromDelegate(3, 7, 0, nullptr));
}

TEST_F(APIBaseTest, InformHostOfAllParamsSendsNormalizedValues) {
  TestPlugin plugin(TestConfig(2, 1));
  plugin.GetParam(1)->Set(10.0);
  plugin.InformHostOfAllParams();
  EXPECT_EQ(plugin.events, (std::vector<Event>{{"automate", 0, 0.5}, {"automate", 1, 1.0}}));
}

TEST_F(APIBaseTest, EditorResizeFromUIAsksTheHostOnlyForAPlatformResize) {
  TestPlugin plugin(TestConfig(1, 1));
  EXPECT_TRUE(plugin.EditorResizeFromUI(300, 200, false));
  EXPECT_EQ(plugin.Count("editorResize"), 0);
  EXPECT_TRUE(plugin.EditorResizeFromUI(300, 200, true));
  EXPECT_EQ(plugin.Count("editorResize"), 1);
}

// An editor that does nothing but exist, for a plug-in whose editor opens and closes.
class BareView : public IEditorView {
 public:
  void* OpenWindow(void*) override { return this; }
  void CloseWindow() override {}
  Size GetEditorSize() const override { return {640, 480, 1.f}; }
  void RestoreEditorSize(const Size&) override {}
  void ResizeToParentWindow(int, int) override {}
  void ChangeScreenScale(float) override {}
  bool KeyDownAtPointer(const IKeyPress&) override { return false; }
  bool KeyUpAtPointer(const IKeyPress&) override { return false; }
  void SetControlValueFromDelegate(int, double) override {}
  void SendControlMsgFromDelegate(int, int, int, const void*) override {}
  void SendMidiMsgToControls(const IMidiMsg&) override {}
  void SetParameterValueInControls(int, double) override {}
};

class EditorTestPlugin : public TestPlugin {
 public:
  EditorTestPlugin() : TestPlugin(TestConfig(1, 1)) {
    SetMakeGraphicsFunc([] { return new BareView; });
  }
  bool OnMessage(int msgTag, int, int, const void*) override {
    events.push_back({"message", msgTag});
    return true;
  }
};

// Every call an editor makes towards the host, the audio thread or the plug-in: while the editor is being
// detached (the host closed it inside one of its own events) none of them gets anywhere and a resize request
// answers false; with the editor open they all do.
TEST_F(APIBaseTest, ADetachingEditorsCallsGoNowhere) {
  const uint8_t sysEx[3] = {0xF0, 0x01, 0xF7};
  const auto callAll = [&](EditorTestPlugin& plugin) {
    plugin.BeginInformHostOfParamChangeFromUI(0);
    plugin.SetParameterValue(0, 0.75);
    plugin.SendParameterValueFromUI(0, 0.25);
    plugin.EndInformHostOfParamChangeFromUI(0);
    plugin.SendMidiMsgFromUI(IMidiMsg(0, 0x90, 60, 100));
    plugin.SendSysexMsgFromUI(ISysEx(5, 3, sysEx));
    plugin.SendArbitraryMsgFromUI(42, 3, 0, nullptr);
    return std::vector<bool>{plugin.EditorResizeFromUI(800, 600, true), plugin.EditorResizeFromUI(800, 600, false)};
  };
  for (const bool detaching : {true, false}) {
    SCOPED_TRACE(detaching ? "detaching" : "open");
    EditorTestPlugin plugin;
    plugin.OpenWindow(nullptr);
    std::vector<bool> resized;
    {
      gfx::IGEditorDelegate::EditorEvent event(plugin.EditorMutex());
      event.Enter(plugin);
      if (detaching) plugin.CloseWindow();
      ASSERT_EQ(plugin.IsEditorDetaching(), detaching);
      plugin.events.clear();
      resized = callAll(plugin);
    }
    IMidiMsg midi;
    IPluginAPIBase::SysExData data;
    if (detaching) {
      EXPECT_EQ(plugin.events, std::vector<Event>{});
      EXPECT_EQ(resized, (std::vector<bool>{false, false}));
      EXPECT_FALSE(plugin.PopMidiMsgForProcessor(midi));
      EXPECT_FALSE(plugin.PopSysExForProcessor(data));
      EXPECT_EQ(plugin.GetParam(0)->Value(), 0.0);
    } else {
      EXPECT_EQ(plugin.events, (std::vector<Event>{{"beginEdit", 0},
                                                   {"automate", 0, 0.75},
                                                   {"change3", 0},
                                                   {"automate", 0, 0.25},
                                                   {"change3", 0},
                                                   {"changeUI3", 0},
                                                   {"endEdit", 0},
                                                   {"message", 42},
                                                   {"editorResize", 800, 600.0}}));
      EXPECT_EQ(resized, (std::vector<bool>{true, true}));
      ASSERT_TRUE(plugin.PopMidiMsgForProcessor(midi));
      EXPECT_EQ(midi.mData1, 60);
      ASSERT_TRUE(plugin.PopSysExForProcessor(data));
      EXPECT_EQ(data.mOffset, 5);
      EXPECT_EQ(data.mData[2], 0xF7);
      EXPECT_EQ(plugin.GetParam(0)->Value(), -5.0);
    }
  }
}

TEST_F(APIBaseTest, CompareStateReadsOnlyTheGivenBytes) {
  TestPlugin plugin(TestConfig(2, 1));
  plugin.GetParam(0)->Set(1.0);
  plugin.GetParam(1)->Set(2.0);
  const double row[] = {9.0, 1.0, 2.000001};
  const auto* bytes = reinterpret_cast<const uint8_t*>(row);
  EXPECT_TRUE(plugin.CompareState(bytes, sizeof(row), 1));
  EXPECT_FALSE(plugin.CompareState(bytes, sizeof(row), 0));
  EXPECT_FALSE(plugin.CompareState(bytes, sizeof(row) - 1, 1)) << "the last value is cut";
  EXPECT_FALSE(plugin.CompareState(bytes, sizeof(row), 2));
  EXPECT_FALSE(plugin.CompareState(bytes, sizeof(row), -1));
  EXPECT_FALSE(plugin.CompareState(nullptr, 0, 0));
  EXPECT_TRUE(TestPlugin(TestConfig(0, 1)).CompareState(nullptr, 0, 0));
}

// Each value is compared as a single against the double bound 0.00001: a difference of 2^-17 (7.6e-6) is
// equal, one of 2^-16 (1.5e-5) is not, and the single nearest 0.00001 (9.99999997e-6) is below the bound.
TEST_F(APIBaseTest, CompareStateToleratesDifferencesBelowOneHundredThousandth) {
  const struct {
    double current, stored;
    bool equal;
  } rows[] = {{1.0, 1.0 + 0x1p-17, true},
              {1.0, 1.0 + 0x1p-16, false},
              {1.0, 1.0 - 0x1p-17, true},
              {1.0, 1.0, true},
              {0.0, static_cast<double>(0.00001f), true},
              {0.0, 0.0000101, false}};
  for (const auto& row : rows) {
    TestPlugin plugin(TestConfig(1, 1));
    plugin.GetParam(0)->Set(row.current);
    EXPECT_EQ(plugin.CompareState(reinterpret_cast<const uint8_t*>(&row.stored), sizeof(row.stored), 0), row.equal)
        << row.current << " " << row.stored;
  }
}

// The first n indices are appended after what the list holds, for a count above 0 and below the number of
// parameters; any other count (the full number included) adds nothing.
TEST_F(APIBaseTest, ParamIndicesAppendOnlyForACountBelowTheNumberOfParameters) {
  TestPlugin plugin(TestConfig(3, 1));
  const struct {
    int n;
    std::vector<int> after;
  } rows[] = {
      {-1, {9}}, {0, {9}}, {1, {9, 0}}, {2, {9, 0, 1}}, {3, {9}}, {4, {9}},
  };
  for (const auto& row : rows) {
    FwTypedBuf<int> list;
    list.Add(9);
    plugin.GetParamIndices(row.n, list);
    EXPECT_EQ(std::vector<int>(list.Get(), list.Get() + list.GetSize()), row.after) << row.n;
  }
  FwTypedBuf<int> list;
  TestPlugin(TestConfig(0, 1)).GetParamIndices(1, list);
  EXPECT_EQ(list.GetSize(), 0);
}

// Hooks nothing in the framework calls keep trivial answers a plug-in may override: the queries 0, the
// pair test true only for opposite numbers, the triple writes zeros, the notifications change nothing.
TEST_F(APIBaseTest, UncalledHooksKeepTheirTrivialDefaults) {
  TestPlugin plugin(TestConfig(2, 1));
  plugin.GetParam(0)->Set(3.0);
  const struct {
    int a;
    int b;
    bool opposite;
  } pairs[] = {
      {0, 0, true},
      {5, -5, true},
      {-7, 7, true},
      {1, 1, false},
      {2, -3, false},
      {INT32_MAX, -INT32_MAX, true},
      {INT32_MIN, INT32_MIN, false},
      {INT32_MIN, INT32_MAX, false},
  };
  for (const auto& row : pairs) EXPECT_EQ(plugin.PairTestHook(row.a, row.b), row.opposite) << row.a << " " << row.b;

  for (int (IPluginAPIBase::*query)() : {&IPluginAPIBase::APIQueryHookA, &IPluginAPIBase::APIQueryHookB,
                                         &IPluginAPIBase::APIQueryHookC, &IPluginAPIBase::APIQueryHookD}) {
    EXPECT_EQ((plugin.*query)(), 0);
  }
  int a = 4, b = -1, c = 99;
  plugin.TripleOutHook(a, b, c);
  EXPECT_EQ(std::vector<int>({a, b, c}), std::vector<int>({0, 0, 0}));

  for (void (IPluginAPIBase::*notify)() :
       {&IPluginAPIBase::APINotifyHookA, &IPluginAPIBase::APINotifyHookB, &IPluginAPIBase::APINotifyHookC,
        &IPluginAPIBase::APINotifyHookD, &IPluginAPIBase::APINotifyHookE}) {
    (plugin.*notify)();
  }
  EXPECT_TRUE(plugin.events.empty());
  EXPECT_EQ(plugin.GetParam(0)->Value(), 3.0);
  EXPECT_EQ(plugin.GetParam(1)->Value(), 0.0);
}

TEST_F(APIBaseTest, ResetNotifiesEveryParameterBothWays) {
  TestPlugin plugin(TestConfig(2, 1));
  plugin.OnParamReset(kReset);
  EXPECT_EQ(plugin.events, (std::vector<Event>{{"change0", 0}, {"changeUI0", 0}, {"change0", 1}, {"changeUI0", 1}}));
}

}  // namespace
}  // namespace fx
