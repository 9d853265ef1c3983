// The whole editor built by the layout function on the recording graphics, for the real product with a
// temporary data folder: every control at its place with its class, tag, parameter and tooltip, what the
// layout leaves in the plug-in, the editor's settings, the plug-in menu's rows end to end and the colour
// parser.
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <typeinfo>

#include "editor/EditorPaint.h"
#include "editor/EditorPlainControls.h"
#include "editor/IBPresetMenuNewLW.h"
#include "editor/IBSwitchControlLW.h"
#include "editor/IBUpdateControlLW.h"
#include "editor/ISBCornerResizerControlLW.h"
#include "editor/ISBInfoMenuLW.h"
#include "editor/IVKnobControlLW.h"
#include "editor/IVMeterControlLW.h"
#include "editor/IVModViewControlLW.h"
#include "editor/IVSliderControlLW.h"
#include "editor/KelvadruneLayout.h"
#include "framework/IParam.h"
#include "graphics/IPanelControl.h"
#include "graphics/IPopupMenuControlBase.h"
#include "graphics/ITextControl.h"
#include "plugin/Kelvadrune.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/TempDataHome.h"

namespace fx::gfx::test {
namespace {

// A left click at the editor's bottom-right corner, away from every menu.
IMouseInfo Beside() {
  IMouseInfo p;
  p.x = 630;
  p.y = 470;
  p.ms.L = true;
  return p;
}

// The product with the font name it gives the editor (the product itself names none).
class FontKelvadrune : public Kelvadrune {
 public:
  explicit FontKelvadrune(const char* fontName) : Kelvadrune(InstanceInfo{}) { mFontName = fontName; }
};

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }
  void TearDown() override { plug->CloseWindow(); }

  void Open(bool tooltips = true, double scale = 1.0, const char* fontName = nullptr) {
    plug = std::make_unique<FontKelvadrune>(fontName);
    plug->GetParam(kToggleTooltips)->Set(tooltips ? 1.0 : 0.0);
    plug->SetParameterValue(kGUIScale, plug->GetParam(kGUIScale)->ToNormalized(scale));
    InstallEditor(*plug, [this](IGEditorDelegate& dlg, int width, int height, int fps, float scale) {
      made = Num(width) + "x" + Num(height) + " " + Num(fps) + " fps at " + Num(scale);
      return g = new UrlGraphics(dlg, width, height, scale);
    });
    int parent = 0;
    ASSERT_NE(plug->OpenWindow(&parent), nullptr);
    plug->LayoutUI(g);
  }

  // The control of the product's table at row (1-based): the rows are the last controls attached.
  IControl* Row(int row) const { return g->GetControl(g->NControls() - 38 + row - 1); }
  ISBInfoMenuLW* PluginMenu() const { return dynamic_cast<ISBInfoMenuLW*>(g->GetControlWithTag(kCtrlTagPluginMenu)); }

  // Opens the plug-in menu and answers it with item `item` of the root menu, or of the root item's
  // submenu `submenuItem` when that is 0 or more.
  void ChooseInPluginMenu(int item, int submenuItem = -1) {
    ISBInfoMenuLW* button = PluginMenu();
    button->BuildAndShowMenu();
    auto& root = const_cast<IPopupMenu&>(button->GetMenu());
    IPopupMenu* answer = submenuItem < 0 ? &root : root.GetItem(item)->GetSubmenu();
    answer->SetChosenItemIdx(submenuItem < 0 ? item : submenuItem);
    g->SetControlValueAfterPopupMenu(answer);
    // The in-editor menu, which the answer bypassed, is dismissed with a click beside it and closed, each
    // animation end moving it one stage on, so the next request opens it.
    g->OnMouseDown({Beside()});
    g->OnMouseUp({Beside()});
    IPopupMenuControlBase* popup = g->GetPopupMenuControl();
    for (int stage = 0; stage < 4 && popup->GetState() != IPopupMenuControlBase::kClosed; ++stage)
      popup->OnEndAnimation();
    ASSERT_EQ(popup->GetState(), IPopupMenuControlBase::kClosed);
  }

  presets_test::TempDataHome home;
  std::unique_ptr<Kelvadrune> plug;
  UrlGraphics* g = nullptr;
  std::string made;
};

template <typename T>
bool Is(const IControl* c) {
  return dynamic_cast<const T*>(c) != nullptr;
}

struct ControlRow {
  int row;
  bool (*is)(const IControl*);
  IRECT rect;
  int tag;
  int param;
  const char* tooltip;
};

using Panel = IVPanelControlLW;
using Picture = ISVGControlLW;
using Switch = IBSwitchControlLW;
using Fader = IVSliderControlLW;
using Scale = IVSliderControlBG;
using Knob = IVKnobControlLW;
using Label = ITextControl;
using ModView = IVModViewControlLW<1, 1>;

// clang-format off
const ControlRow kRows[] = {
  {1, Is<Panel>, {0, 0, 640, 40}, -1, -1, ""},
  {2, Is<Panel>, {0, 0, 640, 20}, -1, -1, ""},
  {3, Is<Panel>, {0, 40, 640, 480}, -1, -1, ""},
  {4, Is<ISBInfoMenuLW>, {8, 8, 32, 32}, kCtrlTagPluginMenu, -1, "Plugin menu"},
  {5, Is<Picture>, {32, 6, 160, 35}, -1, -1, ""},
  {6, Is<Panel>, {186, 8, 370, 32}, -1, -1, ""},
  {7, Is<IBPresetMenuNewLW<1>>, {186, 8, 420, 32}, kCtrlTagPresetMenu, -1, "Preset menu"},
  {8, Is<Picture>, {438, 8, 568, 32}, -1, -1, ""},
  {9, Is<IVClickControlHiddenMenuLW>, {438, 8, 568, 32}, kCtrlTagLogoMenu, -1, ""},
  {10, Is<IBUpdateControlLW>, {600, 8, 624, 32}, kCtrlTagUpdateButton, -1, "Click to check for update"},
  {11, Is<ModView>, {20, 300, 170, 380}, kCtrlTagModViewMaster, -1, "Stereo volume modulation"},
  {12, Is<ModView>, {170, 300, 320, 380}, kCtrlTagModViewLM, -1, "Left/Mid volume modulation"},
  {13, Is<ModView>, {320, 300, 470, 380}, kCtrlTagModViewRS, -1, "Right/Side volume modulation"},
  {14, Is<Scale>, {20, 60, 170, 300}, kCtrlTagFaderScaleMaster, -1, ""},
  {15, Is<Scale>, {170, 60, 320, 300}, kCtrlTagFaderScaleLM, -1, ""},
  {16, Is<Scale>, {320, 60, 470, 300}, kCtrlTagFaderScaleRS, -1, ""},
  {17, Is<Fader>, {20, 60, 170, 300}, -1, kGainMaster, "Master volume"},
  {18, Is<Fader>, {170, 60, 320, 300}, -1, kGainLM, "Left/Mid volume"},
  {19, Is<Fader>, {320, 60, 470, 300}, -1, kGainRS, "Right/Side volume"},
  {20, Is<Label>, {20, 60, 170, 140}, -1, -1, ""},
  {21, Is<Label>, {170, 60, 320, 140}, -1, -1, ""},
  {22, Is<Label>, {170, 60, 320, 140}, -1, -1, ""},
  {23, Is<Label>, {320, 60, 470, 140}, -1, -1, ""},
  {24, Is<Label>, {320, 60, 470, 140}, -1, -1, ""},
  {25, Is<Switch>, {150.5f, 60, 174.5f, 84}, -1, kLockGainMaster, "Limit max volume to 0.0dB"},
  {26, Is<Switch>, {300.5f, 60, 324.5f, 84}, -1, kLockGainLM, "Limit max volume to 0.0dB"},
  {27, Is<Switch>, {450.5f, 60, 474.5f, 84}, -1, kLockGainRS, "Limit max volume to 0.0dB"},
  {28, Is<Switch>, {150.5f, 284, 174.5f, 308}, -1, kMATreatMinAsInf, "Treat min as -inf"},
  {29, Is<Switch>, {300.5f, 284, 324.5f, 308}, -1, kLMTreatMinAsInf, "Treat min as -inf"},
  {30, Is<Switch>, {450.5f, 284, 474.5f, 308}, -1, kRSTreatMinAsInf, "Treat min as -inf"},
  // Attached at 300.5, 172; the plug-in's editor refresh that ends the layout moves it to its place.
  {31, Is<Switch>, {308, 172, 332, 196}, -1, kBasicFaderLayout, "Link LR/MS Fader"},
  {32, Is<IVMeterControlLW<2>>, {470, 60, 620, 380}, kCtrlTagMeter, -1, "Left/Right peak meter. Click to reset."},
  {33, Is<Switch>, {42, 392, 98, 448}, -1, kPower, "Power off/on"},
  {34, Is<Switch>, {142, 392, 198, 448}, -1, kProcessMode, "Stereo or Mid/Side processing"},
  {35, Is<Knob>, {220, 380, 320, 460}, -1, kMinGain, "Min volume"},
  {36, Is<Knob>, {320, 380, 420, 460}, -1, kMaxGain, "Max volume"},
  {37, Is<Knob>, {420, 380, 520, 460}, -1, kFaderShape, "Fader shape"},
  {38, Is<Knob>, {520, 380, 620, 460}, -1, kMDFilterFreq, "Modulation distortion filter"},
};
// clang-format on

TEST_F(LayoutTest, EveryControlAtItsPlaceWithItsTagParameterAndTooltip) {
  ASSERT_EQ(g->NControls(), 1 + 8 + 38);
  for (const ControlRow& r : kRows) {
    const IControl* c = Row(r.row);
    EXPECT_TRUE(r.is(c)) << "row " << r.row << " is " << typeid(*c).name();
    EXPECT_EQ(Rect(c->GetRECT()), Rect(r.rect)) << "row " << r.row;
    if (r.tag >= 0) {
      EXPECT_EQ(g->GetControlWithTag(r.tag), c) << "row " << r.row;
    }
    EXPECT_EQ(c->GetParamIdx(), r.param) << "row " << r.row;
    EXPECT_STREQ(c->GetTooltip(), r.tooltip) << "row " << r.row;
  }
  const char* labels[] = {"MASTER", "LEFT", "MID", "RIGHT", "SIDE"};
  for (int i = 0; i < 5; ++i) EXPECT_STREQ(static_cast<ITextControl*>(Row(20 + i))->GetStr(), labels[i]);
}

TEST_F(LayoutTest, BackgroundAndHiddenHoldersOfTheParametersNoControlShows) {
  EXPECT_TRUE(Is<IPanelControl>(g->GetControl(0)));
  const int hidden[] = {kGUIScale,     kToggleTooltips,   kAutoUpdateCheck, kHideModViews,
                        kDisableMeter, kFaderDisplayMode, kCoreFaderLayout, kEnableSampleAccurateAutomation};
  for (int i = 0; i < 8; ++i) {
    const IControl* c = g->GetControl(1 + i);
    EXPECT_TRUE(Is<IVParameterControlHiddenLW>(c)) << i;
    EXPECT_EQ(c->GetParamIdx(), hidden[i]) << i;
    EXPECT_TRUE(c->GetRECT().Empty()) << i;
  }
}

TEST_F(LayoutTest, PlugInKeepsTheControlsItUpdates) {
  const KelvadruneEditorLinks& links = plug->GetEditorLinks();
  EXPECT_TRUE(links.built);
  EXPECT_EQ(static_cast<IControl*>(links.gradientPanel), Row(3));
  for (int i = 0; i < kNumGains; ++i) {
    EXPECT_EQ(static_cast<IControl*>(links.modViews[i]), Row(11 + i)) << i;
    EXPECT_EQ(static_cast<IControl*>(links.faderScales[i]), Row(14 + i)) << i;
    EXPECT_EQ(static_cast<IControl*>(links.faders[i]), Row(17 + i)) << i;
    EXPECT_TRUE(dynamic_cast<IVSliderControlLW&>(*links.faders[i]).GetGripLine()) << i;
    EXPECT_EQ(static_cast<IControl*>(links.lockSwitches[i]), Row(25 + i)) << i;
    EXPECT_EQ(static_cast<IControl*>(links.minusInfSwitches[i]), Row(28 + i)) << i;
  }
  for (int i = 0; i < KelvadruneEditorLinks::kNumFaderLabels; ++i)
    EXPECT_EQ(static_cast<IControl*>(links.faderLabels[i]), Row(20 + i)) << i;
  EXPECT_EQ(static_cast<IControl*>(links.linkSwitch), Row(31));
  EXPECT_EQ(static_cast<IControl*>(links.stereoMSSwitch), Row(34));
  EXPECT_STREQ(links.changeLogURL.Get(), "https://www.lunderwick.com/products/Kelvadrune#Changelog");
  EXPECT_EQ(std::string(links.manualPath.Get()),
            home.DataHome() + "/Shared/Documents/Kelvadrune/Kelvadrune manual.pdf");
  EXPECT_EQ(std::string(links.dataFolderPath.Get()), home.DataFolder());

  plug->CloseWindow();
  EXPECT_FALSE(plug->GetEditorLinks().built);
  EXPECT_EQ(plug->GetEditorLinks().faders[0], nullptr);
  int parent = 0;
  plug->OpenWindow(&parent);  // a new graphics: built afresh
  plug->LayoutUI(g);
  EXPECT_TRUE(plug->GetEditorLinks().built);
  EXPECT_EQ(static_cast<IControl*>(plug->GetEditorLinks().faders[0]), Row(17));
}

TEST_F(LayoutTest, SecondLayoutOnTheSameGraphicsChangesNothing) {
  KelvadruneEditorLinks& links = plug->GetEditorLinks();
  links.built = false;
  links.changeLogURL.Set("kept");
  const int n = g->NControls();
  LayoutControls(*plug, *g);
  EXPECT_EQ(g->NControls(), n);
  EXPECT_FALSE(links.built);
  EXPECT_STREQ(links.changeLogURL.Get(), "kept");
}

TEST_F(LayoutTest, EditorSettings) {
  EXPECT_EQ(made, "640x480 60 fps at 1");
  EXPECT_FALSE(g->LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));  // the layout ran on without fonts
  EXPECT_NE(g->GetPopupMenuControl(), nullptr);
  EXPECT_NE(g->GetTextEntryControl(), nullptr);
  EXPECT_TRUE(g->MouseOverEnabled());
  EXPECT_FALSE(g->MultiTouchEnabled());
  EXPECT_FLOAT_EQ(g->GetMinScale(), 1.f);
  EXPECT_FLOAT_EQ(g->GetMaxScale(), 3.f);
  EXPECT_EQ(g->GetResizerMode(), kUIResizerScale);
  auto* resizer = dynamic_cast<ISBCornerResizerControlLW*>(g->GetCornerResizer());
  ASSERT_NE(resizer, nullptr);
  EXPECT_EQ(resizer->GetCommandMode(), ISBCornerResizerControlLW::kCommandsScale);
  EXPECT_EQ(Rect(resizer->GetRECT()), "624,464,640,480");
}

TEST_F(LayoutTest, TooltipsAndScaleFollowTheParametersAndTooltipsAreSetEitherWay) {
  EXPECT_TRUE(g->TooltipsEnabled());
  plug->CloseWindow();
  Open(false, 1.5);
  EXPECT_EQ(made, "640x480 60 fps at 1.5");
  EXPECT_FALSE(g->TooltipsEnabled());
  EXPECT_STREQ(Row(17)->GetTooltip(), "Master volume");
}

// A resize leaves the window's size in pixels as the plug-in's editor size (960 x 720 at 1.5): a reopened
// editor is still built on the 640 x 480 design, at the scale the resize stored in "GUI scale".
TEST_F(LayoutTest, ReopenedEditorIsBuiltOnTheDesignSizeWhateverSizeTheWindowHad) {
  g->Resize(640, 480, 1.5f, true);
  EXPECT_EQ(plug->GetEditorWidth(), 960);
  EXPECT_EQ(plug->GetEditorHeight(), 720);
  plug->CloseWindow();
  int parent = 0;
  ASSERT_NE(plug->OpenWindow(&parent), nullptr);
  EXPECT_EQ(made, "640x480 60 fps at 1.5");
}

// The preset bar's name is drawn in the plug-in's font, in Roboto when the plug-in names none (as the
// product does); it loads and saves "lps" files.
TEST_F(LayoutTest, PresetBarTakesThePlugInsFontAndThePresetExtension) {
  EXPECT_EQ(plug->GetFontName(), nullptr);
  const struct {
    const char* fontName;
    const char* shown;
  } rows[] = {{nullptr, "Roboto-Regular"}, {"Verdana Bold", "Verdana Bold"}, {"Verdana Normal", "Verdana Normal"}};
  for (const auto& row : rows) {
    plug->CloseWindow();
    Open(true, 1.0, row.fontName);
    const auto* bar = dynamic_cast<const IBPresetMenuNewLW<1>*>(Row(7));
    ASSERT_NE(bar, nullptr);
    EXPECT_STREQ(bar->GetText().mFont, row.shown);
    EXPECT_FLOAT_EQ(bar->GetText().mSize, 16.f);
    EXPECT_EQ(bar->GetLoadExtension(), "lps");
    EXPECT_EQ(bar->GetSaveExtension(), "lps");
  }
}

TEST_F(LayoutTest, PluginMenuHoldsTheProductsRows) {
  PluginMenu()->BuildAndShowMenu();
  const IPopupMenu& menu = PluginMenu()->GetMenu();
  std::string texts;
  for (int i = 0; i < menu.NItems(); ++i) texts += std::string(i ? "|" : "") + menu.GetItemText(i);
  EXPECT_EQ(texts,
            ">> Plugin menu <<||About ...||Open manual ...|Change log ...|Download ...||Check for update ...|"
            "Auto update check||Open data folder ...||Tooltips||Reset GUI scale|Set min GUI scale|Fixed GUI scale|"
            "Hide Mod Views|Disable Meter|Fader Display Mode|Core Fader Layout");
  const IPopupMenu* scales = menu.GetItem(17)->GetSubmenu();
  ASSERT_NE(scales, nullptr);
  EXPECT_EQ(scales->NItems(), 9);
  EXPECT_STREQ(scales->GetItemText(8), "300%");
  EXPECT_EQ(PluginMenu()->GetRows().size(), static_cast<size_t>(kNumPluginMenuRows));
}

TEST(PluginMenuRows, EmptyTextsGiveEmptyAddresses) {
  presets_test::TempDataHome home;
  Kelvadrune plug(InstanceInfo{});
  const KelvadruneEditorLinks empty;
  const std::vector<InfoMenuEntry> rows = MakePluginMenuRows(plug, empty);
  ASSERT_EQ(rows.size(), static_cast<size_t>(kNumPluginMenuRows));
  for (int r : {2, 3, 4, 9}) {
    ASSERT_NE(rows[r].url, nullptr) << r;
    EXPECT_STREQ(rows[r].url, "") << r;
  }
}

// Menu items: 2 About, 4 manual, 5 change log, 6 download, 9 auto update check, 11 data folder,
// 13 tooltips, 15 reset scale, 17 fixed scale (submenu), 20 fader display mode (submenu).
// Each address row hands its address to the platform and nothing else, whether or not a file is there.
TEST_F(LayoutTest, AddressRowsOpenTheirAddresses) {
  for (int item : {4, 5, 6, 11}) ChooseInPluginMenu(item);
  const KelvadruneEditorLinks& links = plug->GetEditorLinks();
  EXPECT_EQ(g->opened, (std::vector<std::string>{links.manualPath.Get(), links.changeLogURL.Get(),
                                                 links.changeLogURL.Get(), home.DataFolder()}));
  EXPECT_TRUE(g->boxes.empty());
  EXPECT_FALSE(std::filesystem::exists(links.manualPath.Get()));
}

TEST_F(LayoutTest, ParameterRowsReachThePlugIn) {
  ChooseInPluginMenu(13);  // "Tooltips": on, so off
  EXPECT_EQ(plug->GetParam(kToggleTooltips)->Int(), 0);
  ChooseInPluginMenu(9);  // "Auto update check"
  EXPECT_EQ(plug->GetParam(kAutoUpdateCheck)->Int(), 0);
  ChooseInPluginMenu(20, 2);  // "Fader Display Mode" > "0/100%"
  EXPECT_EQ(plug->GetParam(kFaderDisplayMode)->Int(), 2);
}

TEST_F(LayoutTest, GUIScaleRows) {
  for (int entry = 0; entry < 9; ++entry) {
    ChooseInPluginMenu(17, entry);
    EXPECT_DOUBLE_EQ(plug->GetParam(kGUIScale)->Value(), 1.0 + 0.25 * entry) << entry;
    EXPECT_EQ(PluginMenu()->GetChosenRadioIndex(), entry);
  }
  ChooseInPluginMenu(15);  // "Reset GUI scale", three times: from 300 % to 100 %, then 150 %, then 100 %
  EXPECT_DOUBLE_EQ(plug->GetParam(kGUIScale)->Value(), 1.0);
  ChooseInPluginMenu(15);
  EXPECT_DOUBLE_EQ(plug->GetParam(kGUIScale)->Value(), 1.5);
  ChooseInPluginMenu(15);
  EXPECT_DOUBLE_EQ(plug->GetParam(kGUIScale)->Value(), 1.0);
  EXPECT_STREQ(PluginMenu()->GetMenu().GetItem(15)->GetText(), "Reset GUI scale");
}

// A linear gradient's transform takes its start point to 0 and its end point to 1 along the gradient, and a point
// beside the line (a step across it) to the same place as the point it stands beside.
TEST(LinearGradient, StartIsZeroEndIsOneAcrossTheLine) {
  const struct {
    float x1, y1, x2, y2;
  } rows[] = {{0, 0, 0, 480}, {10, 20, 10, 120}, {5, 5, 105, 5}, {-3, 7, 40, -50}, {100.5f, 0.25f, 0.75f, 300}};
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.x1 << "," << r.y1 << " to " << r.x2 << "," << r.y2);
    const IPattern p = MakeLinearGradient(r.x1, r.y1, r.x2, r.y2, {{COLOR_BLACK, 0.f}, {COLOR_WHITE, 1.f}});
    const auto along = [&](double x, double y) {
      p.mTransform.TransformPoint(x, y);
      return y;
    };
    const double dx = r.x2 - r.x1, dy = r.y2 - r.y1, length = std::hypot(dx, dy);
    EXPECT_NEAR(along(r.x1, r.y1), 0.0, 1e-5);
    EXPECT_NEAR(along(r.x2, r.y2), 1.0, 1e-5);
    EXPECT_NEAR(along(r.x1 + 0.5 * dx - dy / length, r.y1 + 0.5 * dy + dx / length), 0.5, 1e-5);
  }
}

// A segment of no length has no direction, nor has one with a NaN end point (its length is NaN): the gradient keeps
// its stops and the identity transform, and no coordinate becomes infinite or undefined.
TEST(LinearGradient, SegmentOfNoLengthKeepsTheIdentity) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float x1, y1, x2, y2;
  } rows[] = {{0, 0, 0, 0},     {240, 480, 240, 480}, {-3.5f, -7, -3.5f, -7}, {nan, 0, 0, 480},
              {0, nan, 0, 480}, {0, 0, nan, 480},     {10, 20, 10, nan},      {nan, nan, nan, nan}};
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.x1 << "," << r.y1 << " to " << r.x2 << "," << r.y2);
    const IPattern p = MakeLinearGradient(r.x1, r.y1, r.x2, r.y2, {{COLOR_BLACK, 0.f}, {COLOR_WHITE, 1.f}});
    EXPECT_TRUE(p.mTransform == IMatrix());
    ASSERT_EQ(p.NStops(), 2);
    EXPECT_TRUE(p.GetStop(0).mColor == COLOR_BLACK && p.GetStop(0).mOffset == 0.f);
    EXPECT_TRUE(p.GetStop(1).mColor == COLOR_WHITE && p.GetStop(1).mOffset == 1.f);
  }
}

TEST(ColorFromHexString, ReadsTheHexDigitsAfterTheFirstCharacter) {
  const struct {
    const char* text;
    int alpha;
    IColor color;
  } cases[] = {
      {"#b4b7bc", 255, IColor(255, 180, 183, 188)},
      {"#000000", 128, IColor(128, 0, 0, 0)},
      {"#ffffff", 255, IColor(255, 255, 255, 255)},
      {"#12zz", 255, IColor(255, 0, 0, 0x12)},
      {"#", 255, IColor(255, 0, 0, 0)},
      {"", 7, IColor(7, 0, 0, 0)},
      {nullptr, 9, IColor(9, 0, 0, 0)},
      {"#ff123456", 255, IColor(255, 0x12, 0x34, 0x56)},
  };
  for (const auto& c : cases) {
    const IColor got = ColorFromHexString(c.text, c.alpha);
    EXPECT_EQ(std::vector<int>({got.A, got.R, got.G, got.B}),
              std::vector<int>({c.color.A, c.color.R, c.color.G, c.color.B}))
        << (c.text ? c.text : "null");
  }
}

}  // namespace
}  // namespace fx::gfx::test
