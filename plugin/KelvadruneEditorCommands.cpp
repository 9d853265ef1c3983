// Main thread: the editor's commands (the EMsgTags indices), the GUI scale they set, the meter reset and
// the fader label text that follows the display mode. Commands that need the editor do nothing without
// one; preset commands block on file I/O.
#include <algorithm>
#include <cmath>

#include "graphics/IGraphics.h"
#include "plugin/EditorReadBack.h"
#include "plugin/Kelvadrune.h"

namespace {

// "Reset GUI scale" toggles between 100 % and 150 %: a scale within a hundredth of 100 % goes to 150 %,
// any other back to 100 %.
constexpr double kGUIScaleOneHundred = 1.0;
constexpr double kGUIScaleOneFifty = 1.5;
constexpr double kGUIScaleToggleTolerance = 0.01;

// The preset bar's chosen file; "" when the editor has no preset bar under its tag.
const char* ChosenPresetPath(const fx::gfx::IGraphics& ui) {
  const auto* bar = dynamic_cast<const kd::IPresetPathSource*>(ui.GetControlWithTag(kCtrlTagPresetMenu));
  return bar ? bar->GetChosenPresetPath() : "";
}

// The plug-in menu's chosen "Fixed GUI scale" entry; -1 when the editor has no plug-in menu under its tag.
int ChosenRadioIndex(const fx::gfx::IGraphics& ui) {
  const auto* menu = dynamic_cast<const kd::IScaleChoiceSource*>(ui.GetControlWithTag(kCtrlTagPluginMenu));
  return menu ? menu->GetChosenRadioIndex() : -1;
}

double ToggledGUIScale(double scale) {
  return std::fabs(kGUIScaleOneHundred - scale) < kGUIScaleToggleTolerance ? kGUIScaleOneFifty : kGUIScaleOneHundred;
}

// "GUI scale" is not a stepped parameter, so a scale from a command is taken to the nearest multiple of
// its step here: a corner drag leaves the editor at any draw scale, and the stored scale is one of the
// steps from its minimum to its maximum (100 % to 300 %).
double StoredGUIScaleNormalized(const fx::IParam& param, double scale) {
  const double step = param.GetStep();
  const double stepped = std::clamp(std::round(scale / step) * step, param.GetMin(), param.GetMax());
  return std::clamp(param.ToNormalized(stepped), 0.0, 1.0);
}

}  // namespace

void Kelvadrune::ApplyCommand(int command) {
  const bool hasEditor = GetUI() != nullptr;
  switch (command) {
    case kMsgAbout:
      if (hasEditor) mAboutRequested.store(true, std::memory_order_release);
      break;
    case kMsgCheckUpdate:
      if (hasEditor) mUpdateCheckRequested.store(true, std::memory_order_release);
      break;
    case kMsgLoadPreset:
      if (hasEditor) LoadPresetCommand(ChosenPresetPath(*GetUI()));
      break;
    case kMsgSavePreset:
      if (hasEditor) SavePresetCommand(ChosenPresetPath(*GetUI()));
      break;
    case kMsgSaveDefaultPreset:
      if (hasEditor) SaveDefaultPresetCommand();
      break;
    case kMsgRescanPresets:
      if (hasEditor) RescanPresetsCommand();
      break;
    case kMsgStoreUIScale:
      if (hasEditor) ApplyGUIScaleCommand(GetUI()->GetDrawScale(), false);
      break;
    case kMsgResetGUIScale:
      ApplyGUIScaleCommand(ToggledGUIScale(mGUIScale.load(std::memory_order_acquire)), true);
      break;
    case kMsgSetMinGUIScale:
      ApplyGUIScaleCommand(GetParam(kGUIScale)->GetMin(), true);
      break;
    case kMsgFixedGUIScale:
      if (hasEditor) ApplyGUIScaleCommand(FixedGUIScale(ChosenRadioIndex(*GetUI())), true);
      break;
    case kMsgResetMeter:
      ResetMeters();
      break;
    default:
      break;
  }
}

// The new scale becomes "GUI scale" (stored on its step, told to the host and sent to the editor's
// controls); a resize follows unless the editor already has that scale. A scale off the step is stored
// rounded, and the parameter change then raises the resize that snaps the editor to it.
void Kelvadrune::ApplyGUIScaleCommand(double scale, bool resize) {
  mGUIScale.store(scale, std::memory_order_release);
  fx::IParam& param = *GetParam(kGUIScale);
  if (scale != param.Value()) {
    SetParameterValue(kGUIScale, StoredGUIScaleNormalized(param, scale));
    SendParameterValueFromDelegate(kGUIScale, param.Value(), false);
  }
  if (resize) mResizePending.store(true, std::memory_order_release);
}

// The audio thread owns the meter states: it clears them at its next block; the published read-outs
// drop to 0 at once.
void Kelvadrune::ResetMeters() {
  mMeterResetRequested.store(true, std::memory_order_release);
  for (int m = 0; m < kNumMeters; ++m) {
    mMeterLevel[m].store(0.0, std::memory_order_release);
    mMeterPeak[m].store(0.0, std::memory_order_release);
  }
}

void Kelvadrune::ApplyFaderLabels() {
  const char* label = mFaderDisplayMode.load(std::memory_order_acquire) == 0 ? "dB" : "%";
  for (int gain = 0; gain < kNumGains; ++gain) GetParam(kGainMaster + gain)->SetLabel(label);
}
