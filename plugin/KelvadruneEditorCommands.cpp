// Main thread: the editor's commands (the EMsgTags indices), the GUI scale they set, the meter reset and
// the fader label text that follows the display mode. Commands that need the editor do nothing without
// one; preset commands block on file I/O.
#include <cmath>

#include "graphics/IGraphics.h"
#include "plugin/Kelvadrune.h"

namespace {

constexpr double kGUIScaleToggleHigh = 1.5;
constexpr double kGUIScaleToggleTolerance = 0.01;

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
    case kMsgSaveDefaultPreset:
      if (hasEditor) SaveDefaultPresetCommand();
      break;
    case kMsgRescanPresets:
      if (hasEditor) RescanPresetsCommand();
      break;
    case kMsgStoreUIScale:
      if (hasEditor) ApplyGUIScaleCommand(GetUI()->GetDrawScale(), false);
      break;
    case kMsgResetGUIScale: {
      const bool atOne = std::fabs(1.0 - mGUIScale.load(std::memory_order_acquire)) < kGUIScaleToggleTolerance;
      ApplyGUIScaleCommand(atOne ? kGUIScaleToggleHigh : 1.0, true);
      break;
    }
    case kMsgSetMinGUIScale:
      ApplyGUIScaleCommand(GetParam(kGUIScale)->GetMin(), true);
      break;
    case kMsgResetMeter:
      ResetMeters();
      break;
    default:
      break;
  }
}

// The new scale becomes "GUI scale" (stored, told to the host and sent to the editor's controls); a
// resize follows unless the editor already has that scale.
void Kelvadrune::ApplyGUIScaleCommand(double scale, bool resize) {
  mGUIScale.store(scale, std::memory_order_release);
  fx::IParam& param = *GetParam(kGUIScale);
  if (scale != param.Value()) {
    SetParameterValue(kGUIScale, ConstrainedNormalized(param, scale));
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
