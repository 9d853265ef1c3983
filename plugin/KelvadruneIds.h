// The product's numbers shared with its editor: the 24 parameter indices, the editor commands that arrive
// through OnParamChange after the parameters, and the control tags the plug-in looks controls up by.
// Parameter indices are stored in hosts' automation and in state: never renumber them.
#pragma once

enum EParams {
  kGUIScale = 0,
  kToggleTooltips,
  kAutoUpdateCheck,
  kPower,
  kProcessMode,
  kGainMaster,
  kGainLM,
  kGainRS,
  kLockGainMaster,
  kLockGainLM,
  kLockGainRS,
  kMinGain,
  kMaxGain,
  kMATreatMinAsInf,
  kLMTreatMinAsInf,
  kRSTreatMinAsInf,
  kHideModViews,
  kEnableSampleAccurateAutomation,
  kFaderShape,
  kMDFilterFreq,
  kDisableMeter,
  kFaderDisplayMode,
  kCoreFaderLayout,
  kBasicFaderLayout,
  kNumParams
};

// Commands the editor's controls send as parameter-change indices (source user interface, offset -1).
enum EMsgTags {
  kMsgNone = kNumParams,
  kMsgAbout,
  kMsgCheckUpdate,
  kMsgLogoClick,
  kMsgLogoMenu,
  kMsgLoadPreset,
  kMsgSavePreset,
  kMsgSaveDefaultPreset,
  kMsgRescanPresets,
  kMsgStoreUIScale,
  kMsgResetGUIScale,
  kMsgSetMinGUIScale,
  kMsgFixedGUIScale,
  kMsgResetMeter,
  kMsgLast = kMsgResetMeter
};

enum ECtrlTags {
  kCtrlTagLogoMenu = 0,
  kCtrlTagPluginMenu = 1,
  kCtrlTagPresetMenu = 3,
  kCtrlTagModViewMaster = 4,
  kCtrlTagModViewLM = 5,
  kCtrlTagModViewRS = 6,
  kCtrlTagMeter = 7,
  kCtrlTagFaderScaleMaster = 8,
  kCtrlTagFaderScaleLM = 9,
  kCtrlTagFaderScaleRS = 10,
  kCtrlTagUpdateButton = 11
};

// The three gains, in the order every per-gain array of the plug-in uses.
enum EGain { kGainIdxMaster = 0, kGainIdxLM = 1, kGainIdxRS = 2, kNumGains = 3 };
