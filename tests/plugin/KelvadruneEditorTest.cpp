// The product with an editor open on the graphics core's recording test double: deferred commands run on
// the idle tick, the modulation-view records reach their views, the editor follows bypass and scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "plugin/EditorViewSetup.h"
#include "plugin/Kelvadrune.h"
#include "tests/support/RecordingGraphics.h"

namespace {

using fx::gfx::IRECT;

// Records the message boxes the plug-in shows, and stands for a window back end of the given name.
class MessageBoxGraphics : public fx::gfx::test::RecordingGraphics {
 public:
  using RecordingGraphics::RecordingGraphics;
  fx::gfx::EMsgBoxResult ShowMessageBox(const char* str, const char* caption, fx::gfx::EMsgBoxType,
                                        fx::gfx::IMsgBoxCompletionHandlerFunc) override {
    boxes.emplace_back(std::string(caption) + "|" + str);
    return fx::gfx::kOK;
  }
  const char* GetPlatformAPIStr() override { return platform; }
  std::vector<std::string> boxes;
  const char* platform = "";
};

// A modulation view stand-in: counts the records it is sent and keeps the last one.
class RecordSink : public fx::gfx::IControl {
 public:
  RecordSink() : IControl(IRECT(0, 0, 10, 10)) {}
  void Draw(fx::gfx::IGraphics&) override {}
  void OnMsgFromDelegate(int msgTag, int dataSize, const void* data) override {
    if (msgTag != 0 || dataSize != static_cast<int>(sizeof(last))) return;
    std::memcpy(&last, data, sizeof(last));
    ++count;
  }
  int count = 0;
  Kelvadrune::SenderRecord last;
};

// A meter stand-in: keeps the three levels of each channel it is given.
class LevelSink : public fx::gfx::IControl, public kd::IMeterView {
 public:
  LevelSink() : IControl(IRECT(0, 0, 10, 10)) {}
  void Draw(fx::gfx::IGraphics&) override {}
  void ApplyProductSetup(const fx::gfx::IColor&) override {}
  void SetLevels(int ch, float bar, float hold, float peakText) override { levels[ch] = {bar, hold, peakText}; }
  std::array<std::array<float, 3>, 2> levels{};
};

class KelvadruneEditorTest : public testing::Test {
 protected:
  void SetUp() override {
    mPlug = std::make_unique<Kelvadrune>(fx::InstanceInfo{});
    mPlug->SetSampleRate(48000.0);
    mPlug->SetBlockSize(128);
    mPlug->OnReset();
    mPlug->SetMakeGraphicsFunc([this] {
      mGraphics = new MessageBoxGraphics(*mPlug, Kelvadrune::kEditorBaseWidth, Kelvadrune::kEditorBaseHeight);
      return mGraphics;
    });
    int parent = 0;
    ASSERT_NE(mPlug->OpenWindow(&parent), nullptr);
    mSinks[0] = static_cast<RecordSink*>(mGraphics->AttachControl(new RecordSink, kCtrlTagModViewMaster));
    mSinks[1] = static_cast<RecordSink*>(mGraphics->AttachControl(new RecordSink, kCtrlTagModViewLM));
    mSinks[2] = static_cast<RecordSink*>(mGraphics->AttachControl(new RecordSink, kCtrlTagModViewRS));
    // The sinks stand for a layout's views: the editor refresh runs once a layout has built.
    mPlug->GetEditorLinks().built = true;
    mPlug->OnUIOpen();
  }
  void TearDown() override { mPlug->CloseWindow(); }

  void Command(int command) { mPlug->OnParamChange(command, fx::kUI, -1); }
  void Run(int frames) { Run(frames, std::vector<double>(128, 0.5), std::vector<double>(128, 0.5)); }
  // Blocks of 128 samples of the given input.
  void Run(int frames, std::vector<double> l, std::vector<double> r) {
    std::vector<double> ol(128), orr(128);
    double* ins[2] = {l.data(), r.data()};
    double* outs[2] = {ol.data(), orr.data()};
    for (int done = 0; done < frames; done += 128) mPlug->ProcessBlock(ins, outs, 128);
  }

  std::unique_ptr<Kelvadrune> mPlug;
  MessageBoxGraphics* mGraphics = nullptr;
  RecordSink* mSinks[3] = {};
};

TEST_F(KelvadruneEditorTest, AboutBoxShowsOnTheNextIdleTick) {
  mPlug->SetHost("Bitwig Studio", 0x50000);
  Command(kMsgAbout);
  EXPECT_TRUE(mPlug->IsAboutRequested());
  EXPECT_TRUE(mGraphics->boxes.empty());
  mPlug->OnIdle();
  ASSERT_EQ(mGraphics->boxes.size(), 1u);
  EXPECT_EQ(mGraphics->boxes[0].rfind("About|Manufacturer: Lunderwick\n", 0), 0u);
  EXPECT_NE(mGraphics->boxes[0].find("\nHost: Bitwig Studio\n"), std::string::npos);
  mPlug->OnIdle();
  EXPECT_EQ(mGraphics->boxes.size(), 1u);
}

// The format line names the processor and its family and the renderer on Vulkan; not the window layer's
// back end the editor runs on.
TEST_F(KelvadruneEditorTest, AboutBoxNamesWhatTheEditorRunsOn) {
#if defined(__x86_64__)
  const std::string line = "\nFormat: VST2 x86-64 (INTEL, VECTOR, VULKAN)\n";
#elif defined(__aarch64__)
  const std::string line = "\nFormat: VST2 aarch64 (ARM, VECTOR, VULKAN)\n";
#else
  const std::string line = std::string("\nFormat: VST2 ") + mPlug->GetArchString() + " (";
#endif
  for (const char* platform : {"x11", "headless", ""}) {
    mGraphics->platform = platform;
    mGraphics->boxes.clear();
    Command(kMsgAbout);
    mPlug->OnIdle();
    ASSERT_EQ(mGraphics->boxes.size(), 1u) << platform;
    EXPECT_NE(mGraphics->boxes[0].find(line), std::string::npos) << mGraphics->boxes[0];
  }
}

TEST_F(KelvadruneEditorTest, ModViewRecordsReachTheirViews) {
  Run(4800);
  mPlug->OnIdle();
  for (int g = 0; g < kNumGains; ++g) {
    EXPECT_GT(mSinks[g]->count, 20) << g;
    EXPECT_EQ(mSinks[g]->last.ctrlTag, kCtrlTagModViewMaster + g);
  }
  EXPECT_NEAR(mSinks[0]->last.vals[0], 0.5f, 1e-4f);
  Kelvadrune::SenderRecord left;
  EXPECT_FALSE(mPlug->PopModViewRecord(kGainIdxMaster, left));
  // Each sender keeps the record handed over last.
  for (int g = 0; g < kNumGains; ++g) {
    EXPECT_EQ(std::memcmp(&mPlug->GetLastModViewRecord(g), &mSinks[g]->last, sizeof(Kelvadrune::SenderRecord)), 0) << g;
  }
}

// A message waiting in the plug-in's message box shows once, on the editor thread's next idle tick, with its
// caption; nothing waits at construction. A tick on another thread leaves it waiting.
TEST_F(KelvadruneEditorTest, WaitingMessageBoxShowsOnTheEditorThreadsNextTick) {
  EXPECT_FALSE(mPlug->IsMessageBoxPending());
  mPlug->OnIdle();
  EXPECT_TRUE(mGraphics->boxes.empty());
  const std::pair<const char*, const char*> rows[] = {{"Saved", "Preset"}, {"", ""}, {"Line 1\nLine 2", "Note"}};
  for (const auto& [text, caption] : rows) {
    mGraphics->boxes.clear();
    mPlug->PostMessageBox(text, caption);
    EXPECT_TRUE(mPlug->IsMessageBoxPending());
    std::thread([this] { mPlug->OnIdle(); }).join();
    EXPECT_TRUE(mGraphics->boxes.empty()) << text;
    EXPECT_TRUE(mPlug->IsMessageBoxPending());
    mPlug->OnIdle();
    ASSERT_EQ(mGraphics->boxes.size(), 1u) << text;
    EXPECT_EQ(mGraphics->boxes[0], std::string(caption) + "|" + text);
    EXPECT_FALSE(mPlug->IsMessageBoxPending());
    mPlug->OnIdle();
    EXPECT_EQ(mGraphics->boxes.size(), 1u) << "shown once";
  }
}

// The idle work that reaches the window, dialogs or the network is the editor thread's: each request waits through
// ticks on another thread, untouched, and is served on the editor thread's next tick.
TEST_F(KelvadruneEditorTest, EditorThreadsIdleWorkWaitsThroughOtherThreadsTicks) {
  fx::gfx::IControl* button = mGraphics->AttachControl(new RecordSink, kCtrlTagUpdateButton);
  const auto set = [this](int param, double value) {
    mPlug->GetParam(param)->Set(value);
    Command(param);
  };
  set(kAutoUpdateCheck, 0.0);  // only the requested check runs
  mPlug->OnIdle();             // what the opening asked for
  const auto shown = [this](const std::string& box) {
    return std::find(mGraphics->boxes.begin(), mGraphics->boxes.end(), box) != mGraphics->boxes.end();
  };
  const double buttonShows = kd::IsUpdateAvailable() ? 1.0 : 0.0;
  const bool tooltips = mPlug->GetParam(kToggleTooltips)->Bool();
  mGraphics->EnableTooltips(tooltips);
  const struct {
    const char* what;
    std::function<void()> request;
    std::function<bool()> served;
  } rows[] = {
      {"resize", [&] { set(kGUIScale, 2.0); }, [&] { return mGraphics->GetDrawScale() == 2.f; }},
      {"tooltips", [&] { set(kToggleTooltips, tooltips ? 0.0 : 1.0); },
       [&] { return mGraphics->TooltipsEnabled() == !tooltips; }},
      {"About box", [&] { Command(kMsgAbout); },
       [&] { return !mGraphics->boxes.empty() && mGraphics->boxes.back().rfind("About|", 0) == 0; }},
      {"update button", [&] { button->SetValue(1.0 - buttonShows); },
       [&] { return button->GetValue() == buttonShows; }},
      {"message box", [&] { mPlug->PostMessageBox("Saved", "Preset"); }, [&] { return shown("Preset|Saved"); }},
      {"update check", [&] { Command(kMsgCheckUpdate); }, [&] { return mPlug->GetUpdateCheck().IsRunning(); }},
  };
  for (const auto& row : rows) {
    row.request();
    for (int tick = 0; tick < 3; ++tick) {
      std::thread([this] { mPlug->OnIdle(); }).join();
      EXPECT_FALSE(row.served()) << row.what << " served on another thread's tick " << tick;
    }
    mPlug->OnIdle();
    EXPECT_TRUE(row.served()) << row.what << " on the editor thread's tick";
  }
}

// The meter's levels in dB; an inverted meter's amplitude is 1 - its level. The left input alternates
// between 0.5 and 0.25 (at 0 dB), the right stays at 0.5: the hold and peak of the left channel are 0.5,
// and of an inverted left meter (which sees 0.5 and 0.75) 1 - 0.75 = 0.25 (within the smoothing's settling).
TEST_F(KelvadruneEditorTest, MeterLevelsOfInvertedMetersShowOneMinusTheLevel) {
  auto* meter = static_cast<LevelSink*>(mGraphics->AttachControl(new LevelSink, kCtrlTagMeter));
  const auto dB = [](double amplitude) { return static_cast<float>(20.0 * std::log10(amplitude)); };
  const struct {
    int inverted;  // EMeter, or -1 for none
    float leftHold;
    float leftPeak;
  } rows[] = {
      {-1, dB(0.5), dB(0.5)},
      {Kelvadrune::kMeterHoldLeft, dB(0.25), dB(0.5)},
      {Kelvadrune::kMeterFastLeft, dB(0.5), dB(0.25)},
  };
  std::vector<double> left(128);
  for (int i = 0; i < 128; ++i) left[i] = i % 2 ? 0.25 : 0.5;
  for (const auto& row : rows) {
    mPlug->ReinitDSP();
    if (row.inverted >= 0) mPlug->SetMeterBallisticsForTesting(row.inverted, 0.0, true);
    for (int m = 0; m < Kelvadrune::kNumMeters; ++m) EXPECT_EQ(mPlug->IsMeterInverted(m), m == row.inverted) << m;
    Run(1024, left, std::vector<double>(128, 0.5));
    mPlug->OnIdle();
    EXPECT_NEAR(meter->levels[0][1], row.leftHold, 1e-3f) << row.inverted;
    EXPECT_NEAR(meter->levels[0][2], row.leftPeak, 1e-3f) << row.inverted;
    EXPECT_NEAR(meter->levels[1][1], dB(0.5), 1e-3f) << row.inverted;
    EXPECT_NEAR(meter->levels[1][2], dB(0.5), 1e-3f) << row.inverted;
  }
}

// The editor's draw scale is stored to the nearest 1 % within 100 % to 300 %. A scale already on a step
// keeps the editor as it is; any other is followed by a resize to the stored scale on the idle tick.
TEST_F(KelvadruneEditorTest, StoreUIScaleTakesTheEditorsScaleToItsStep) {
  struct Row {
    float drawScale;
    double stored;
    bool resized;
  };
  const Row rows[] = {{1.75f, 1.75, false}, {1.2371f, 1.24, true}, {1.004f, 1.0, true}, {2.996f, 3.0, true},
                      {0.8f, 1.0, true},    {3.6f, 3.0, true},     {2.5f, 2.5, false},  {1.4449f, 1.44, true}};
  mPlug->OnIdle();  // the tooltips request of the opening
  for (const Row& row : rows) {
    mGraphics->Resize(Kelvadrune::kEditorBaseWidth, Kelvadrune::kEditorBaseHeight, row.drawScale, false);
    ASSERT_EQ(mGraphics->GetDrawScale(), row.drawScale);
    Command(kMsgStoreUIScale);
    EXPECT_NEAR(mPlug->GetParam(kGUIScale)->Value(), row.stored, 1e-12) << row.drawScale;
    EXPECT_NEAR(mPlug->GetGUIScale(), row.stored, 1e-12) << row.drawScale;
    EXPECT_EQ(mPlug->IsResizePending(), row.resized) << row.drawScale;
    mPlug->OnIdle();
    EXPECT_FLOAT_EQ(mGraphics->GetDrawScale(), static_cast<float>(row.stored)) << row.drawScale;
  }
}

TEST_F(KelvadruneEditorTest, GUIScaleChangeResizesTheEditorOnTheIdleTick) {
  mPlug->SetParameterValue(kGUIScale, mPlug->GetParam(kGUIScale)->ToNormalized(2.0));
  EXPECT_TRUE(mPlug->IsResizePending());
  mPlug->OnIdle();
  EXPECT_FALSE(mPlug->IsResizePending());
  EXPECT_FLOAT_EQ(mGraphics->GetDrawScale(), 2.0f);
}

// An editor without a preset bar or plug-in menu under their tags: nothing to load or save, and the
// fixed-scale entry reads as none, which gives the default scale.
TEST_F(KelvadruneEditorTest, PresetAndFixedScaleCommandsWithoutTheirControls) {
  mPlug->SetParameterValue(kGUIScale, mPlug->GetParam(kGUIScale)->ToNormalized(2.0));
  mPlug->GetParam(kGainMaster)->Set(0.2);
  Command(kMsgLoadPreset);
  Command(kMsgSavePreset);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(kGainMaster)->Value(), 0.2);
  Command(kMsgFixedGUIScale);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(kGUIScale)->Value(), 1.0);
}

// The host's bypass request may come on its audio thread: the controls change at the next idle tick only.
TEST_F(KelvadruneEditorTest, BypassDisablesEveryControlOnTheIdleTick) {
  for (const bool bypassed : {true, false}) {
    mPlug->SetBypassed(bypassed);
    mPlug->OnBypassChanged(bypassed);
    for (RecordSink* sink : mSinks) EXPECT_EQ(sink->IsDisabled(), !bypassed) << "before the tick, bypass " << bypassed;
    mPlug->OnIdle();
    for (RecordSink* sink : mSinks) EXPECT_EQ(sink->IsDisabled(), bypassed) << "after the tick, bypass " << bypassed;
  }
}

// Every setting the editor shows refreshes it (UpdateGUI, which disables every control while bypassed) before
// the change returns when the change comes on the editor's own thread, whatever its source; from another
// thread (a host's, the audio thread) the refresh waits for the editor thread's next idle tick. Each row
// changes the parameter to a value other than its current one.
TEST_F(KelvadruneEditorTest, ChangesOnTheEditorThreadRefreshAtOnceOthersOnTheIdleTick) {
  const struct {
    int param;
    double value;
  } rows[] = {{kProcessMode, 1.0},     {kMinGain, -60.0},        {kMaxGain, 12.0},        {kMATreatMinAsInf, 0.0},
              {kLMTreatMinAsInf, 0.0}, {kRSTreatMinAsInf, 0.0},  {kHideModViews, 1.0},    {kFaderShape, 3.0},
              {kDisableMeter, 1.0},    {kFaderDisplayMode, 2.0}, {kCoreFaderLayout, 1.0}, {kBasicFaderLayout, 1.0}};
  mPlug->OnIdle();
  mPlug->SetBypassed(true);
  const auto enableAll = [this] {
    for (RecordSink* sink : mSinks) sink->SetDisabled(false);
  };
  const auto disabled = [this] {
    return mSinks[0]->IsDisabled() && mSinks[1]->IsDisabled() && mSinks[2]->IsDisabled();
  };
  for (const auto& row : rows) {
    fx::IParam& param = *mPlug->GetParam(row.param);
    ASSERT_NE(param.Value(), row.value) << param.GetName();
    for (const fx::EParamSource source : {fx::kHost, fx::kUI, fx::kPresetRecall, fx::kReset}) {
      const double other = param.Value();
      enableAll();
      param.Set(other == row.value ? param.GetDefault() : row.value);
      mPlug->OnParamChange(row.param, source, -1);
      EXPECT_TRUE(disabled()) << param.GetName() << ", source " << source;
      EXPECT_FALSE(mPlug->IsGUIRefreshPending()) << param.GetName() << ", source " << source;
    }
    enableAll();
    std::thread([&] {
      param.Set(param.Value() == row.value ? param.GetDefault() : row.value);
      mPlug->OnParamChange(row.param, fx::kHost, -1);
    }).join();
    EXPECT_FALSE(disabled()) << param.GetName() << " from another thread";
    EXPECT_TRUE(mPlug->IsGUIRefreshPending()) << param.GetName();
    std::thread([this] { mPlug->OnIdle(); }).join();
    EXPECT_FALSE(disabled()) << param.GetName() << ": another thread's tick leaves the refresh waiting";
    mPlug->OnIdle();
    EXPECT_TRUE(disabled()) << param.GetName() << " on the idle tick";
    EXPECT_FALSE(mPlug->IsGUIRefreshPending()) << param.GetName();
  }
}

}  // namespace
