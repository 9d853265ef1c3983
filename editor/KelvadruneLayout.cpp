#include "editor/KelvadruneLayout.h"

#include <cstdlib>

#include "controls/InEditorControls.h"
#include "editor/EditorPaint.h"
#include "editor/EditorPlainControls.h"
#include "editor/IBPresetMenuNewLW.h"
#include "editor/IBSwitchControlLW.h"
#include "editor/IBUpdateControlLW.h"
#include "editor/ISBCornerResizerControlLW.h"
#include "editor/IVKnobControlLW.h"
#include "editor/IVMeterControlLW.h"
#include "editor/IVModViewControlLW.h"
#include "editor/IVSliderControlLW.h"
#include "editor/KelvadruneStyles.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"
#include "graphics/ITextControl.h"
#include "platform/paths/Paths.h"
#include "plugin/Kelvadrune.h"

namespace fx::gfx {

namespace {

using Links = KelvadruneEditorLinks;
using ModView = IVModViewControlLW<1, 1>;

constexpr IColor kBackgroundColor = IColor(255, 70, 70, 70);
constexpr IColor kPanelFrameColor = IColor(255, 240, 240, 240);
constexpr int kMaxPresetNameChars = 19;
constexpr float kFaderHandleSize = 16.f;
constexpr float kFaderTrackSize = 8.f;
constexpr float kKnobTrackSize = 5.f;
constexpr double kGearing = 4.0;
constexpr int kEditorFrameRate = 60;
constexpr float kKnobStart = -135.f;
constexpr float kKnobEnd = 135.f;

// Parameters no visible control shows; invisible controls bind them so that values sent to the editor
// find a control.
constexpr int kHiddenParams[] = {kGUIScale,     kToggleTooltips,   kAutoUpdateCheck, kHideModViews,
                                 kDisableMeter, kFaderDisplayMode, kCoreFaderLayout, kEnableSampleAccurateAutomation};

// The three fader columns: x of the left edge, the switches' left edge, and each column's texts.
struct FaderColumn {
  float left;
  float switchLeft;
  const char* modViewLabel;
  const char* modViewTooltip;
  const char* faderTooltip;
};
constexpr FaderColumn kColumns[kNumGains] = {
    {20.f, 150.5f, "STEREO GAIN", "Stereo volume modulation", "Master volume"},
    {170.f, 300.5f, "LEFT/MID GAIN", "Left/Mid volume modulation", "Left/Mid volume"},
    {320.f, 450.5f, "RIGHT/SIDE GAIN", "Right/Side volume modulation", "Right/Side volume"},
};
constexpr float kColumnWidth = 150.f;
constexpr float kSwitchSize = 24.f;

struct KnobRow {
  float left;
  int param;
  const char* label;
  float anchor;
  const char* tooltip;
};
constexpr KnobRow kKnobs[] = {
    {220.f, kMinGain, "MIN", kKnobEnd, "Min volume"},
    {320.f, kMaxGain, "MAX", kKnobStart, "Max volume"},
    {420.f, kFaderShape, "SHAPE", kKnobStart, "Fader shape"},
    {520.f, kMDFilterFreq, "FILTER", kKnobStart, "Modulation distortion filter"},
};

// Attaches control with the tag; a tooltip goes to the control just attached, the last of the list.
template <typename T>
T* Attach(IGraphics& g, T* control, int tag = -1, const char* tooltip = nullptr) {
  g.AttachControl(control, tag);
  if (tooltip) g.GetControl(g.NControls() - 1)->SetTooltip(tooltip);
  return control;
}

ISVG SVG(IGraphics& g, const char* fileName) {
  return g.LoadSVG(fileName, "px", 72.f);
}

IBSwitchControlLW* AttachSwitch(IGraphics& g, const IRECT& bounds, const char* off, const char* on, int param,
                                const char* tooltip) {
  return Attach(g, new IBSwitchControlLW(bounds, SVG(g, off), SVG(g, on), param, true, true), -1, tooltip);
}

IText MenuText() {
  IText text(19.f, kVAlignTop);
  text.SetFont(kFontRoboto);
  return text;
}

IText PresetNameText(const Kelvadrune& plug) {
  IText text(16.f, kVAlignMiddle);
  text.SetFont(plug.GetFontName() ? plug.GetFontName() : kFontRoboto);
  text.mFGColor = ColorFromHexString("#b4b7bc", 255);
  return text;
}

void SetMenuTexts(const Kelvadrune& plug, Links& links) {
  const char* product = plug.GetPluginName();
  links.changeLogURL.SetFormatted(Links::kMaxTextLength, kChangeLogFormat, product);
  links.manualPath.SetFormatted(Links::kMaxTextLength, kManualFormat, platform::paths::SharedDocumentsFolder().c_str(),
                                product, product, kManualSuffix);
  links.dataFolderPath.SetFormatted(Links::kMaxTextLength, "%s", plug.GetDataFolder().Get());
}

void AttachTopStrip(Kelvadrune& plug, IGraphics& g, Links& links) {
  Attach(g, new IVPanelControlLW({0, 0, 640, 40}, IColor(255, 34, 36, 38), false, kPanelFrameColor, 0.f, 1.f));
  Attach(g, new IVPanelControlLW({0, 0, 640, 20}, IColor(255, 40, 42, 44), false, kPanelFrameColor, 0.f, 1.f));
  const IPattern gradient =
      MakeLinearGradient(0.f, 0.f, 0.f, 440.f, {{IColor(255, 45, 47, 49), 0.f}, {IColor(255, 20, 22, 24), 1.f}});
  links.gradientPanel = Attach(g, new IVPanelControlLW({0, 40, 640, 480}, gradient, false, kPanelFrameColor, 0.f, 1.f));

  SetMenuTexts(plug, links);
  const std::vector<InfoMenuEntry> rows = MakePluginMenuRows(plug, links);
  Attach(g,
         new ISBInfoMenuLW(plug, {8, 8, 32, 32}, SVG(g, "filemenu_off.svg"), SVG(g, "filemenu_on.svg"), rows.data(),
                           static_cast<int>(rows.size()), true),
         kCtrlTagPluginMenu, "Plugin menu");
  Attach(g, new ISVGControlLW({32, 6, 160, 35}, SVG(g, "plugin_logo.svg")));
  Attach(g, new IVPanelControlLW({186, 8, 370, 32}, IColor(255, 0, 0, 0), false, kPanelFrameColor, 3.f, 1.f));
  Attach(g,
         new IBPresetMenuNewLW<1>(
             plug, {186, 8, 420, 32}, {186, 8, 370, 32}, {370, 8, 394, 32}, SVG(g, "button_prev_off.svg"),
             PresetNameText(plug), SVG(g, "button_prev_on.svg"), {396, 8, 420, 32}, SVG(g, "button_next_off.svg"),
             SVG(g, "button_next_on.svg"), kMsgLoadPreset, kMsgSavePreset, kMsgSaveDefaultPreset, kMsgRescanPresets, -1,
             -1, plug, plug.GetDataFolder(), "lps", "lps", kMaxPresetNameChars, true, true, false, {194, 8, 362, 32}),
         kCtrlTagPresetMenu, "Preset menu");
  Attach(g, new ISVGControlLW({438, 8, 568, 32}, SVG(g, "company_logo.svg")));
  Attach(g, new IVClickControlHiddenMenuLW({438, 8, 568, 32}, kMsgLogoClick, kMsgLogoMenu, -1, -1), kCtrlTagLogoMenu);
  Attach(g,
         new IBUpdateControlLW({600, 8, 624, 32}, SVG(g, "downloadicon_off.svg"), SVG(g, "downloadicon_on.svg"),
                               kMsgCheckUpdate, true),
         kCtrlTagUpdateButton, "Click to check for update");
}

void AttachFaders(IGraphics& g, Links& links) {
  IVStyle modViewStyle = ModViewStyle();
  modViewStyle.frameThickness = 1.f;
  for (int i = 0; i < kNumGains; ++i) {
    const FaderColumn& c = kColumns[i];
    links.modViews[i] =
        Attach(g, new ModView({c.left, 300, c.left + kColumnWidth, 380}, c.modViewLabel, modViewStyle, true, false),
               kCtrlTagModViewMaster + i, c.modViewTooltip);
  }
  for (int i = 0; i < kNumGains; ++i) {
    const float left = kColumns[i].left;
    links.faderScales[i] = Attach(
        g, new IVSliderControlBG({left, 60, left + kColumnWidth, 300}, " ", FaderScaleStyle(), false, kFaderHandleSize),
        kCtrlTagFaderScaleMaster + i);
  }
  for (int i = 0; i < kNumGains; ++i) {
    const float left = kColumns[i].left;
    IVSliderControlLW* fader =
        Attach(g,
               new IVSliderControlLW({left, 60, left + kColumnWidth, 300}, kGainMaster + i, " ", FaderStyle(), true,
                                     kVertical, false, false, kGearing, kFaderHandleSize, kFaderTrackSize, 0.f, 0.f),
               -1, kColumns[i].faderTooltip);
    fader->SetGripLine(true);
    links.faders[i] = fader;
  }
  // "LEFT" and "MID", "RIGHT" and "SIDE" share a place; the refresh shows one of each pair.
  const struct {
    int column;
    const char* text;
  } labels[Links::kNumFaderLabels] = {{0, "MASTER"}, {1, "LEFT"}, {1, "MID"}, {2, "RIGHT"}, {2, "SIDE"}};
  for (int i = 0; i < Links::kNumFaderLabels; ++i) {
    const float left = kColumns[labels[i].column].left;
    links.faderLabels[i] = Attach(g, new ITextControl({left, 60, left + kColumnWidth, 140}, labels[i].text,
                                                      FaderLabelText(), COLOR_TRANSPARENT, false));
  }
}

void AttachSwitches(IGraphics& g, Links& links) {
  for (int i = 0; i < kNumGains; ++i) {
    const float x = kColumns[i].switchLeft;
    links.lockSwitches[i] = AttachSwitch(g, {x, 60, x + kSwitchSize, 84}, "lock_off.svg", "lock_on.svg",
                                         kLockGainMaster + i, "Limit max volume to 0.0dB");
  }
  for (int i = 0; i < kNumGains; ++i) {
    const float x = kColumns[i].switchLeft;
    links.minusInfSwitches[i] = AttachSwitch(g, {x, 284, x + kSwitchSize, 308}, "inf_off.svg", "inf_on.svg",
                                             kMATreatMinAsInf + i, "Treat min as -inf");
  }
  links.linkSwitch =
      AttachSwitch(g, {300.5f, 172, 324.5f, 196}, "link_off.svg", "link_on.svg", kBasicFaderLayout, "Link LR/MS Fader");
}

void AttachBottomRow(IGraphics& g, Links& links) {
  IVStyle meterStyle = MeterStyle();
  meterStyle.frameThickness = 1.f;
  Attach(g, new IVMeterControlLW<2>({470, 60, 620, 380}, -1, kMsgResetMeter, "Meter", meterStyle, true, true),
         kCtrlTagMeter, "Left/Right peak meter. Click to reset.");
  AttachSwitch(g, {42, 392, 98, 448}, "buttonpower_off.svg", "buttonpower_on.svg", kPower, "Power off/on");
  links.stereoMSSwitch = AttachSwitch(g, {142, 392, 198, 448}, "steroMS_off.svg", "steroMS_on.svg", kProcessMode,
                                      "Stereo or Mid/Side processing");
  for (const KnobRow& k : kKnobs) {
    IVKnobControlLW* knob =
        Attach(g,
               new IVKnobControlLW({k.left, 380, k.left + 100, 460}, k.param, k.label, FaderStyle(), true, false,
                                   kKnobStart, kKnobEnd, k.anchor, kVertical, kGearing, kKnobTrackSize),
               -1, k.tooltip);
    knob->SetFixedArc(false, 0.f);
  }
}

}  // namespace

IColor ColorFromHexString(const char* text, int alpha) {
  if (!text || !*text) return IColor(alpha, 0, 0, 0);
  const auto n = static_cast<unsigned long>(std::strtoul(text + 1, nullptr, 16));
  // Only the low 24 bits are a colour: a longer text must not give components outside 0..255.
  return IColor(alpha, static_cast<int>((n >> 16) & 0xff), static_cast<int>((n >> 8) & 0xff),
                static_cast<int>(n & 0xff));
}

std::vector<InfoMenuEntry> MakePluginMenuRows(const fx::IEditorDelegate& plug, const KelvadruneEditorLinks& links) {
  const auto name = [&plug](int paramIdx) {
    const IParam* param = plug.GetParam(paramIdx);
    return param ? param->GetName() : "";
  };
  const char* manual = links.manualPath.Get();
  const char* changeLog = links.changeLogURL.Get();
  const char* dataFolder = links.dataFolderPath.Get();
  std::vector<InfoMenuEntry> rows = {
      {"About ...", kCommand, true, kMsgAbout},
      {"--", kSeparator},
      {"Open manual ...", kOpenURL, true, -1, manual},
      {"Change log ...", kOpenURL, true, -1, changeLog},
      {"Download ...", kOpenURL, true, -1, changeLog},
      {"--", kSeparator},
      {"Check for update ...", kCommand, true, kMsgCheckUpdate},
      {name(kAutoUpdateCheck), kParamToggle, true, kAutoUpdateCheck},
      {"--", kSeparator},
      {"Open data folder ...", kOpenURL, true, -1, dataFolder},
      {"--", kSeparator},
      // The row keeps its own text rather than the parameter's name ("Toggle tooltips").
      {"Tooltips", kParamToggle, true, kToggleTooltips},
      {"--", kSeparator},
      {"Reset GUI scale", kCommand, true, kMsgResetGUIScale},
      {"Set min GUI scale", kCommand, true, kMsgSetMinGUIScale},
      {"Fixed GUI scale", kSubmenuStart, true, -1, nullptr, 0, 0},
  };
  for (const char* scale : {"100%", "125%", "150%", "175%", "200%", "225%", "250%", "275%", "300%"})
    rows.push_back({scale, kRadioItem, true, kMsgFixedGUIScale, nullptr, 0, 0});
  rows.push_back({name(kHideModViews), kParamToggle, true, kHideModViews});
  rows.push_back({name(kDisableMeter), kParamToggle, true, kDisableMeter});
  rows.push_back({name(kFaderDisplayMode), kParamValueList, true, kFaderDisplayMode});
  rows.push_back({name(kCoreFaderLayout), kParamToggle, true, kCoreFaderLayout});
  return rows;
}

void LayoutControls(Kelvadrune& plug, IGraphics& g) {
  if (g.NControls() > 0) return;
  g.LoadFont(kFontRoboto, "Roboto-Regular.ttf");
  g.LoadFont(kFontVerdana, "verdana.ttf");
  g.LoadFont(kFontVerdanaBold, "verdanab.ttf");
  AttachTextEntryControl(g);
  AttachPopupMenuControl(g, MenuText(), IRECT());
  g.EnableMultiTouch(g.PlatformSupportsMultiTouch());
  g.EnableMouseOver(true);
  g.EnableTooltips(plug.GetParam(kToggleTooltips)->Int() > 0);

  auto* resizer = new ISBCornerResizerControlLW(
      {0, 0, 16, 16}, SVG(g, "resize_off.svg"), SVG(g, "resize_on.svg"), -1, -1, kMsgStoreUIScale, kMsgResetGUIScale,
      false, IRECT(0.f, 0.f, static_cast<float>(g.Width()), static_cast<float>(g.Height())), 1.f, 1.f);
  g.AttachCornerResizer(resizer, kUIResizerScale, false);
  const IParam& scale = *plug.GetParam(kGUIScale);
  g.SetScaleConstraints(static_cast<float>(scale.GetMin()), static_cast<float>(scale.GetMax()));
  for (int param : kHiddenParams) Attach(g, new IVParameterControlHiddenLW(param));
  IPattern background(kBackgroundColor);
  g.AttachPanelBackground(background);

  Links& links = plug.GetEditorLinks();
  AttachTopStrip(plug, g, links);
  AttachFaders(g, links);
  AttachSwitches(g, links);
  AttachBottomRow(g, links);
  links.built = true;
  plug.UpdateGUI();
}

void InstallEditor(Kelvadrune& plug, MakePlatformGraphicsFunc makeGraphics) {
  plug.SetMakeGraphicsFunc([&plug, makeGraphics = std::move(makeGraphics)]() -> IGraphics* {
    if (!makeGraphics) return nullptr;
    return makeGraphics(plug, plug.GetEditorBaseWidth(), plug.GetEditorBaseHeight(), kEditorFrameRate,
                        static_cast<float>(plug.GetGUIScale()));
  });
  plug.SetLayoutFunc([&plug](IGraphics* g) {
    if (g) LayoutControls(plug, *g);
  });
}

}  // namespace fx::gfx
