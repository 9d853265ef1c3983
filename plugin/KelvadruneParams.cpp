#include "plugin/Kelvadrune.h"

namespace {

constexpr const char* kGroupGUI = "GUI";
constexpr const char* kGroupProcessing = "Processing";
constexpr double kGainStep = 0.01;

}  // namespace

// Order of initialisation as stored parameter tables expect it; the defaults are the members' values.
void Kelvadrune::InitParams() {
  using namespace fx;
  const auto intOf = [](const std::atomic<int>& member) { return member.load(std::memory_order_relaxed); };
  const auto valueOf = [](const std::atomic<double>& member) { return member.load(std::memory_order_relaxed); };

  GetParam(kGUIScale)->InitDouble("GUI scale", valueOf(mGUIScale), 1.0, 3.0, 0.01, "", kFlagCannotAutomate, kGroupGUI);
  GetParam(kToggleTooltips)
      ->InitEnum("Toggle tooltips", intOf(mTooltips), {"off", "on"}, "", kFlagCannotAutomate, kGroupGUI);
  GetParam(kAutoUpdateCheck)
      ->InitEnum("Auto update check", intOf(mAutoUpdateCheck), {"off", "on"}, "", kFlagCannotAutomate, kGroupGUI);
  GetParam(kPower)->InitEnum("Power", intOf(mPower), {"off", "on"}, "", kFlagsNone, kGroupProcessing);
  GetParam(kProcessMode)
      ->InitEnum("Processing Mode", intOf(mProcessMode), {"STEREO", "MID/SIDE"}, "", kFlagsNone, kGroupProcessing);
  InitFaderParam(kGainMaster, "MVol", valueOf(mGain[kGainIdxMaster]));
  InitFaderParam(kGainLM, "LMVol", valueOf(mGain[kGainIdxLM]));
  InitFaderParam(kGainRS, "RSVol", valueOf(mGain[kGainIdxRS]));
  GetParam(kMinGain)->InitDouble("Min volume", valueOf(mMinGain), -240.0, -1.0, kGainStep, "dB", kFlagSignDisplay,
                                 kGroupProcessing);
  GetParam(kMaxGain)->InitDouble("Max volume", valueOf(mMaxGain), 1.0, 240.0, kGainStep, "dB", kFlagSignDisplay,
                                 kGroupProcessing);
  GetParam(kFaderShape)
      ->InitDouble("Fader shape", valueOf(mFaderShape), 1.0, 10.0, 0.01, "", kFlagCannotAutomate, kGroupProcessing);
  GetParam(kMDFilterFreq)
      ->InitDouble("MD filter freq", valueOf(mMDFilterFreq), 1.0, 22000.0, 1.0, "Hz", kFlagCannotAutomate,
                   kGroupProcessing, IParam::ShapePowCurve(6.0));
  GetParam(kLockGainMaster)
      ->InitEnum("Lock MVol", intOf(mLock[kGainIdxMaster]), {"off", "on"}, "", kFlagCannotAutomate, kGroupProcessing);
  GetParam(kLockGainLM)
      ->InitEnum("Lock LMVol", intOf(mLock[kGainIdxLM]), {"off", "on"}, "", kFlagCannotAutomate, kGroupProcessing);
  GetParam(kLockGainRS)
      ->InitEnum("Lock RSVol", intOf(mLock[kGainIdxRS]), {"off", "on"}, "", kFlagCannotAutomate, kGroupProcessing);
  GetParam(kMATreatMinAsInf)
      ->InitEnum("Master Treat Min as Inf", intOf(mTreatMinAsInf[kGainIdxMaster]), {"off", "on"}, "",
                 kFlagCannotAutomate, kGroupProcessing);
  GetParam(kLMTreatMinAsInf)
      ->InitEnum("LM Treat Min as Inf", intOf(mTreatMinAsInf[kGainIdxLM]), {"off", "on"}, "", kFlagCannotAutomate,
                 kGroupProcessing);
  GetParam(kRSTreatMinAsInf)
      ->InitEnum("RS Treat Min as Inf", intOf(mTreatMinAsInf[kGainIdxRS]), {"off", "on"}, "", kFlagCannotAutomate,
                 kGroupProcessing);
  GetParam(kHideModViews)
      ->InitEnum("Hide Mod Views", intOf(mHideModViews), {"off", "on"}, "", kFlagCannotAutomate, kGroupGUI);
  GetParam(kDisableMeter)
      ->InitEnum("Disable Meter", intOf(mDisableMeter), {"off", "on"}, "", kFlagCannotAutomate, kGroupGUI);
  GetParam(kFaderDisplayMode)
      ->InitEnum("Fader Display Mode", intOf(mFaderDisplayMode), {"dB", "-100/+100%", "0/100%"}, "",
                 kFlagCannotAutomate, kGroupGUI);
  GetParam(kCoreFaderLayout)
      ->InitEnum("Core Fader Layout", intOf(mCoreFaderLayout), {"off", "on"}, "", kFlagCannotAutomate, kGroupGUI);
  GetParam(kBasicFaderLayout)
      ->InitEnum("Basic Fader Layout", intOf(mBasicFaderLayout), {"off", "on"}, "", kFlagCannotAutomate, kGroupGUI);
  GetParam(kEnableSampleAccurateAutomation)
      ->InitEnum("Sample Accurate Automation", intOf(mSampleAccurateAutomation), {"off", "on"}, "", kFlagCannotAutomate,
                 kGroupProcessing);
}

// A fader: its position 0..1 through the two-segment shape, shown as the fader law's dB with "-inf" at
// the bottom.
void Kelvadrune::InitFaderParam(int paramIdx, const char* name, double defaultValue) {
  const double shape = mFaderShape.load(std::memory_order_relaxed);
  fx::IParam& param = *GetParam(paramIdx);
  param.InitDouble(name, defaultValue, 0.0, 1.0, kGainStep, "dB", fx::kFlagSignDisplay, kGroupProcessing,
                   ShapeLinearExt(0.5, 0.5, shape, shape));
  param.SetDisplayMode(fx::kDisplayBipolarScaled);
  param.SetDisplayExtents(mMinGain.load(std::memory_order_relaxed), mMaxGain.load(std::memory_order_relaxed));
  param.SetMinIsMinusInfinity(true);
}
