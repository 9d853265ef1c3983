// The plug-in driving its own editor, built by the layout on the recording graphics: the editor refresh
// per setting (what is shown, enabled and where the left/mid column sits), the fader scales, modulation
// views and meter it sets up, and the idle tick's writes (records to the modulation views, levels to the
// meter, the update button's value, the fixed-scale command's resize).
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "editor/IBUpdateControlLW.h"
#include "editor/ISBInfoMenuLW.h"
#include "editor/IVMeterControlLW.h"
#include "editor/IVModViewControlLW.h"
#include "editor/IVSliderControlLW.h"
#include "editor/KelvadruneLayout.h"
#include "framework/IParam.h"
#include "graphics/IPopupMenuControlBase.h"
#include "plugin/Kelvadrune.h"
#include "tests/support/RecordingGraphics.h"
#include "tests/support/TempDataHome.h"

namespace fx::gfx::test {
namespace {

using ModView = IVModViewControlLW<1, 1>;
using Meter = IVMeterControlLW<2>;
using Links = KelvadruneEditorLinks;

class EditorRefreshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plug = std::make_unique<Kelvadrune>(InstanceInfo{});
    plug->SetSampleRate(48000.0);
    plug->SetBlockSize(128);
    plug->OnReset();
    Set(kAutoUpdateCheck, 0.0);  // no check against the maker's service from a test
    InstallEditor(*plug, [this](IGEditorDelegate& dlg, int width, int height, int, float scale) {
      return g = new RecordingGraphics(dlg, width, height, scale);
    });
    int parent = 0;
    ASSERT_NE(plug->OpenWindow(&parent), nullptr);
    plug->LayoutUI(g);
    plug->OnUIOpen();
    plug->OnIdle();
  }
  void TearDown() override { plug->CloseWindow(); }

  // A change from the editor; the refresh it asks for runs on the next tick.
  void Set(int param, double value) {
    plug->GetParam(param)->Set(value);
    plug->OnParamChange(param, kUI, -1);
  }
  void Run(double left, double right, int frames) {
    std::vector<double> l(128, left), r(128, right), ol(128), orr(128);
    double* ins[2] = {l.data(), r.data()};
    double* outs[2] = {ol.data(), orr.data()};
    for (int done = 0; done < frames; done += 128) plug->ProcessBlock(ins, outs, 128);
  }
  const Links& L() const { return plug->GetEditorLinks(); }
  template <typename T>
  T& Tagged(int tag) const {
    return dynamic_cast<T&>(*g->GetControlWithTag(tag));
  }
  // The update button, found by its class wherever it stands in the list.
  IControl* UpdateButton() const {
    for (int i = 0; i < g->NControls(); ++i)
      if (dynamic_cast<IBUpdateControlLW*>(g->GetControl(i))) return g->GetControl(i);
    return nullptr;
  }

  // The names of the controls the refresh shows or hides that are shown.
  std::string Shown() const {
    const std::pair<const char*, IControl*> named[] = {
        {"MASTER", L().faderLabels[Links::kLabelMaster]},
        {"LEFT", L().faderLabels[Links::kLabelLeft]},
        {"MID", L().faderLabels[Links::kLabelMid]},
        {"RIGHT", L().faderLabels[Links::kLabelRight]},
        {"SIDE", L().faderLabels[Links::kLabelSide]},
        {"faderM", L().faders[kGainIdxMaster]},
        {"scaleM", L().faderScales[kGainIdxMaster]},
        {"lockM", L().lockSwitches[kGainIdxMaster]},
        {"infM", L().minusInfSwitches[kGainIdxMaster]},
        {"mode", L().stereoMSSwitch},
        {"viewM", L().modViews[kGainIdxMaster]},
        {"viewLM", L().modViews[kGainIdxLM]},
        {"viewRS", L().modViews[kGainIdxRS]},
        {"faderRS", L().faders[kGainIdxRS]},
    };
    std::string out;
    for (const auto& [name, control] : named)
      if (!control->IsHidden()) out += std::string(out.empty() ? "" : " ") + name;
    return out;
  }
  // "all" when every control is disabled, else the names of the disabled ones among the faders' columns.
  std::string Disabled() const {
    bool all = true;
    for (int i = 0; i < g->NControls(); ++i) all = all && g->GetControl(i)->IsDisabled();
    if (all) return "all";
    const std::pair<const char*, IControl*> named[] = {
        {"faderM", L().faders[kGainIdxMaster]},
        {"faderLM", L().faders[kGainIdxLM]},
        {"faderRS", L().faders[kGainIdxRS]},
        {"scaleRS", L().faderScales[kGainIdxRS]},
        {"lockRS", L().lockSwitches[kGainIdxRS]},
        {"infRS", L().minusInfSwitches[kGainIdxRS]},
        {"link", L().linkSwitch},
    };
    std::string out;
    for (const auto& [name, control] : named)
      if (control->IsDisabled()) out += std::string(out.empty() ? "" : " ") + name;
    return out;
  }

  presets_test::TempDataHome home;
  std::unique_ptr<Kelvadrune> plug;
  RecordingGraphics* g = nullptr;
};

const char* const kAllShown = "MASTER LEFT RIGHT faderM scaleM lockM infM mode viewM viewLM viewRS faderRS";
const char* const kLeftMidCore = "20,60,170,300 20,60,170,140 150.5,60,174.5,84 150.5,284,174.5,308 20,300,170,380";
const char* const kLinkCore = "229,172,261,204";
const char* const kLinkFull = "308,172,332,196";
const char* const kLeftMidFull = "170,60,320,300 170,60,320,140 300.5,60,324.5,84 300.5,284,324.5,308 170,300,320,380";

TEST_F(EditorRefreshTest, RefreshShowsEnablesAndPlacesByTheSettings) {
  const struct {
    std::vector<std::pair<int, double>> settings;
    bool bypassed;
    const char* shown;
    const char* disabled;
    const char* leftMid;  // fader, label, lock, minus-infinity switch, modulation view
    const char* link;
  } rows[] = {
      // clang-format off
      {{}, false, kAllShown, "", kLeftMidFull, kLinkFull},
      {{{kProcessMode, 1}}, false, "MASTER MID SIDE faderM scaleM lockM infM mode viewM viewLM viewRS faderRS", "",
       kLeftMidFull, kLinkFull},
      {{{kCoreFaderLayout, 1}}, false, "LEFT RIGHT viewLM viewRS faderRS", "", kLeftMidCore, kLinkCore},
      {{{kCoreFaderLayout, 1}, {kProcessMode, 1}}, false, "LEFT RIGHT viewLM viewRS faderRS", "", kLeftMidCore,
       kLinkCore},
      {{{kHideModViews, 1}}, false, "MASTER LEFT RIGHT faderM scaleM lockM infM mode faderRS", "", kLeftMidFull,
       kLinkFull},
      {{{kBasicFaderLayout, 1}}, false, kAllShown, "faderRS scaleRS lockRS infRS", kLeftMidFull, kLinkFull},
      {{{kCoreFaderLayout, 1}, {kBasicFaderLayout, 1}, {kHideModViews, 1}}, false, "LEFT RIGHT faderRS",
       "faderRS scaleRS lockRS infRS", kLeftMidCore, kLinkCore},
      {{}, true, kAllShown, "all", kLeftMidFull, kLinkFull},
      // clang-format on
  };
  const int switches[] = {kProcessMode, kCoreFaderLayout, kHideModViews, kBasicFaderLayout};
  int n = 0;
  for (const auto& row : rows) {
    for (int param : switches) Set(param, 0.0);
    for (const auto& [param, value] : row.settings) Set(param, value);
    plug->SetBypassed(row.bypassed);
    plug->OnBypassChanged(row.bypassed);
    plug->OnIdle();
    EXPECT_EQ(Shown(), row.shown) << "row " << n;
    EXPECT_EQ(Disabled(), row.disabled) << "row " << n;
    const std::string leftMid =
        Rect(L().faders[kGainIdxLM]->GetRECT()) + " " + Rect(L().faderLabels[Links::kLabelLeft]->GetRECT()) + " " +
        Rect(L().lockSwitches[kGainIdxLM]->GetRECT()) + " " + Rect(L().minusInfSwitches[kGainIdxLM]->GetRECT()) + " " +
        Rect(L().modViews[kGainIdxLM]->GetRECT());
    EXPECT_EQ(leftMid, row.leftMid) << "row " << n;
    EXPECT_EQ(Rect(L().faderScales[kGainIdxLM]->GetRECT()), Rect(L().faders[kGainIdxLM]->GetRECT())) << "row " << n;
    EXPECT_EQ(Rect(L().linkSwitch->GetTargetRECT()), row.link) << "row " << n;
    ++n;
  }
}

// A stored control removed from the editor through the graphics is forgotten by the next refresh, which moves the
// others as before.
TEST_F(EditorRefreshTest, AStoredControlRemovedFromTheEditorIsForgotten) {
  g->RemoveControl(L().gradientPanel);
  g->RemoveControl(L().modViews[kGainIdxLM]);
  Set(kCoreFaderLayout, 1.0);
  plug->OnIdle();
  EXPECT_EQ(L().gradientPanel, nullptr);
  EXPECT_EQ(L().modViews[kGainIdxLM], nullptr);
  ASSERT_NE(L().faders[kGainIdxLM], nullptr);
  EXPECT_EQ(Rect(L().faders[kGainIdxLM]->GetRECT()), Rect(IRECT(20.f, 60.f, 170.f, 300.f)));
}

// The scales behind the faders and the faders' parameters follow "Fader Display Mode", the volume range
// and the fader shape.
TEST_F(EditorRefreshTest, FaderScalesAndLabelsFollowTheDisplaySettings) {
  const struct {
    int mode;
    double minGain, maxGain, shape;
    float low, high, middle;
    const char* label;
  } rows[] = {
      {0, -48, 48, 1, -48, 48, 0, "dB"}, {0, -60, 12, 3, -60, 12, 0, "dB"},   {1, -60, 12, 3, -100, 100, 0, "%"},
      {2, -24, 24, 10, 0, 100, 50, "%"}, {0, -24, 24, 2.5, -24, 24, 0, "dB"},
  };
  for (const auto& row : rows) {
    Set(kMinGain, row.minGain);
    Set(kMaxGain, row.maxGain);
    Set(kFaderShape, row.shape);
    Set(kFaderDisplayMode, row.mode);
    plug->OnIdle();
    for (int tag : {kCtrlTagFaderScaleMaster, kCtrlTagFaderScaleLM, kCtrlTagFaderScaleRS}) {
      const auto& scale = Tagged<IVSliderControlBG>(tag);
      EXPECT_EQ(std::vector<float>({scale.GetRangeMin(), scale.GetRangeMax(), scale.GetMiddleValue()}),
                std::vector<float>({row.low, row.high, row.middle}))
          << "mode " << row.mode << " tag " << tag;
      EXPECT_FLOAT_EQ(scale.GetShapeExponent(), static_cast<float>(row.shape)) << tag;
    }
    for (int param : {kGainMaster, kGainLM, kGainRS})
      EXPECT_STREQ(plug->GetParam(param)->GetLabel(), row.label) << "mode " << row.mode;
  }
}

TEST_F(EditorRefreshTest, ModViewsAndMeterInTheAccentColour) {
  const IColor accent(255, 32, 226, 224);
  for (int tag : {kCtrlTagModViewMaster, kCtrlTagModViewLM, kCtrlTagModViewRS}) {
    const ModView& view = Tagged<ModView>(tag);
    EXPECT_TRUE(view.GetLineColor() == accent && view.GetFillColor() == accent) << tag;
    EXPECT_TRUE(view.GetFill() && view.GetPlotEnabled()) << tag;
    EXPECT_DOUBLE_EQ(view.GetMsPerPoint(), 2.0) << tag;
  }
  const Meter& meter = Tagged<Meter>(kCtrlTagMeter);
  EXPECT_EQ(meter.GetRangeIdx(), 5);
  EXPECT_FLOAT_EQ(meter.GetRangeFloor(), -72.f);
  EXPECT_FLOAT_EQ(meter.GetRangeSpan(), 72.f);
  for (int ch = 0; ch < 2; ++ch) {
    EXPECT_TRUE(meter.GetBarColor(ch) == accent) << ch;
    EXPECT_FALSE(meter.GetBarBounds(ch).Empty()) << ch;
  }
}

TEST_F(EditorRefreshTest, IdleTickHandsRecordsToTheModViewsOfAnOpenEditor) {
  Set(kGainLM, 0.8);
  Run(0.5, 0.5, 4800);
  plug->OnIdle();
  const double positions[] = {0.5, 0.8, 0.5};
  for (int gain = 0; gain < kNumGains; ++gain) {
    const ModView& view = Tagged<ModView>(kCtrlTagModViewMaster + gain);
    EXPECT_EQ(view.GetLastRecord().ctrlTag, kCtrlTagModViewMaster + gain);
    ASSERT_FALSE(view.GetHistory().empty());
    EXPECT_NEAR(view.GetHistory().back(), positions[gain], 1e-3) << gain;
    Kelvadrune::SenderRecord left;
    EXPECT_FALSE(plug->PopModViewRecord(gain, left)) << gain;
  }
  // Records queued before the editor closed stay queued: the tick drains only into an open editor.
  Run(0.5, 0.5, 4800);
  plug->CloseWindow();
  plug->OnIdle();
  Kelvadrune::SenderRecord kept;
  EXPECT_TRUE(plug->PopModViewRecord(kGainIdxMaster, kept));
}

TEST_F(EditorRefreshTest, IdleTickWritesTheMeterLevelsInDB) {
  const Meter& meter = Tagged<Meter>(kCtrlTagMeter);
  // Nothing measured yet: a level of 0 is minus infinity dB.
  for (int ch = 0; ch < 2; ++ch) {
    EXPECT_TRUE(std::isinf(meter.GetBarLevel(ch)) && meter.GetBarLevel(ch) < 0.f) << ch;
    EXPECT_TRUE(std::isinf(meter.GetPeakTextLevel(ch)) && meter.GetPeakTextLevel(ch) < 0.f) << ch;
  }
  // Infinite levels give the renderer no infinite coordinate.
  g->log.clear();
  Tagged<Meter>(kCtrlTagMeter).Draw(*g);
  for (const std::string& entry : g->Entries("Path"))
    EXPECT_TRUE(entry.find("inf") == std::string::npos && entry.find("nan") == std::string::npos) << entry;
  // A steady level through the faders at 0 dB: every meter settles on its amplitude a, 20 log10(a) dB.
  Run(0.5, 0.25, 48000);
  plug->OnIdle();
  const float expected[] = {-6.0206f, -12.0412f};
  for (int ch = 0; ch < 2; ++ch) {
    EXPECT_NEAR(meter.GetBarLevel(ch), expected[ch], 0.05f) << ch;
    EXPECT_NEAR(meter.GetHoldLevel(ch), expected[ch], 0.05f) << ch;
    EXPECT_NEAR(meter.GetPeakTextLevel(ch), expected[ch], 0.05f) << ch;
  }
  Set(kDisableMeter, 1.0);
  plug->OnIdle();
  for (int ch = 0; ch < 2; ++ch) {
    EXPECT_EQ(std::vector<float>({meter.GetBarLevel(ch), meter.GetHoldLevel(ch), meter.GetPeakTextLevel(ch)}),
              std::vector<float>(3, -400.f))
        << ch;
  }
}

// A steady 1 kHz sine at -6 dBFS: once the meter has risen, the level read at each tick ripples by a few
// thousandths of a dB with the sine's phase, under the hold line; the meter stays clean. A level 0.5 dB lower
// moves the bars and redraws it.
TEST_F(EditorRefreshTest, SteadySineLeavesTheMeterCleanAndALevelChangeRedrawsIt) {
  Meter& meter = Tagged<Meter>(kCtrlTagMeter);
  double phase = 0.0;
  const auto tick = [&](double amplitude) {
    std::vector<double> in(128), out(128), out2(128);
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {out.data(), out2.data()};
    for (int done = 0; done < 960; done += 128) {  // 20 ms at 48 kHz
      for (double& x : in) {
        x = amplitude * std::sin(phase);
        phase += 2.0 * std::numbers::pi * 1000.0 / 48000.0;
      }
      plug->ProcessBlock(ins, outs, 128);
    }
    plug->OnIdle();
    const bool dirty = meter.IsDirty();
    meter.SetClean();
    return dirty;
  };
  const double minus6 = std::pow(10.0, -6.0 / 20.0);
  for (int i = 0; i < 50; ++i) tick(minus6);
  int dirty = 0;
  for (int i = 0; i < 100; ++i) dirty += tick(minus6) ? 1 : 0;
  EXPECT_EQ(dirty, 0);
  EXPECT_NEAR(meter.GetBarLevel(0), -6.0, 0.05);
  EXPECT_TRUE(tick(minus6 * std::pow(10.0, -0.5 / 20.0)));
}

// No check has run in this process: the flag is down and the button shows no update.
TEST_F(EditorRefreshTest, UpdateButtonFollowsTheSharedFlag) {
  ASSERT_FALSE(kd::IsUpdateAvailable());
  IControl* button = UpdateButton();
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->GetValue(), 0.0);
  // Only a button showing an update (1.0) is switched back; any value but 0.0 and 1.0 is left alone.
  for (const auto& [before, after] : {std::pair{1.0, 0.0}, {0.0, 0.0}, {0.5, 0.5}}) {
    button->SetValue(before);
    plug->OnIdle();
    EXPECT_EQ(button->GetValue(), after) << before;
  }
}

// Controls removed from the editor move the others up the list: the button is still the one switched, and the
// control that took its place is left alone, also once the button itself is gone.
TEST_F(EditorRefreshTest, UpdateButtonIsFoundWhereverItStands) {
  ASSERT_FALSE(kd::IsUpdateAvailable());
  IControl* button = UpdateButton();
  ASSERT_NE(button, nullptr);
  const int place = g->GetControlIdx(button);
  IControl* next = g->GetControl(place + 1);
  g->RemoveControl(place - 1);
  button->SetValue(1.0);
  next->SetValue(1.0);
  plug->OnIdle();
  EXPECT_EQ(button->GetValue(), 0.0);
  EXPECT_EQ(next->GetValue(), 1.0);

  g->RemoveControl(button);
  IControl* after = g->GetControl(place);
  after->SetValue(1.0);
  plug->OnIdle();
  EXPECT_EQ(next->GetValue(), 1.0);
  EXPECT_EQ(after->GetValue(), 1.0);
}

// The plug-in menu's "Fixed GUI scale" entries send the command; the editor takes the scale, and a tooltips
// change made while the menu showed, on the first tick after the menu has closed.
TEST_F(EditorRefreshTest, FixedScaleAndTooltipsFollowOnceTheMenuIsClosed) {
  auto& menu = Tagged<ISBInfoMenuLW>(kCtrlTagPluginMenu);
  plug->OnParamChange(kMsgFixedGUIScale, kUI, -1);  // before any choice: the default
  plug->OnIdle();
  EXPECT_FLOAT_EQ(g->GetDrawScale(), 1.f);
  const struct {
    int entry;
    float scale;
  } rows[] = {{3, 1.75f}, {8, 3.f}, {0, 1.f}, {5, 2.25f}};
  for (const auto& row : rows) {
    menu.BuildAndShowMenu();
    IPopupMenu* scales = const_cast<IPopupMenu&>(menu.GetMenu()).GetItem(17)->GetSubmenu();
    ASSERT_NE(scales, nullptr);
    scales->SetChosenItemIdx(row.entry);
    g->SetControlValueAfterPopupMenu(scales);
    ASSERT_GT(g->GetPopupMenuControl()->GetState(), IPopupMenuControlBase::kClosed);
    const bool tooltipsBefore = g->TooltipsEnabled();
    Set(kToggleTooltips, tooltipsBefore ? 0.0 : 1.0);
    plug->OnIdle();
    EXPECT_TRUE(plug->IsResizePending()) << row.entry;
    EXPECT_EQ(g->TooltipsEnabled(), tooltipsBefore) << row.entry;
    // The in-editor menu, which the answer bypassed, is dismissed with a click away from every menu.
    IMouseInfo beside;
    beside.x = 630;
    beside.y = 470;
    beside.ms.L = true;
    g->OnMouseDown({beside});
    g->OnMouseUp({beside});
    // The resize waits while the menu fades out; each animation end moves the menu one stage on.
    IControl* popup = g->GetPopupMenuControl();
    for (int stage = 0; stage < 4 && g->GetPopupMenuControl()->GetState() != IPopupMenuControlBase::kClosed; ++stage) {
      plug->OnIdle();
      EXPECT_TRUE(plug->IsResizePending()) << row.entry;
      EXPECT_EQ(g->TooltipsEnabled(), tooltipsBefore) << row.entry;
      popup->OnEndAnimation();
    }
    ASSERT_EQ(g->GetPopupMenuControl()->GetState(), IPopupMenuControlBase::kClosed);
    plug->OnIdle();
    EXPECT_FALSE(plug->IsResizePending()) << row.entry;
    EXPECT_EQ(g->TooltipsEnabled(), !tooltipsBefore) << row.entry;
    EXPECT_FLOAT_EQ(g->GetDrawScale(), row.scale) << row.entry;
    EXPECT_EQ(g->Width(), Kelvadrune::kEditorBaseWidth);
  }
}

}  // namespace
}  // namespace fx::gfx::test
