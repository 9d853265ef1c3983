// Codes that describe a parameter and where a change of it comes from. The
// numeric values are part of the host interface and of stored state.
#pragma once

namespace fx {

enum EParamType { kTypeNone = 0, kTypeBool = 1, kTypeInt = 2, kTypeEnum = 3, kTypeDouble = 4 };

enum EParamUnit {
  kUnitPercentage = 0,
  kUnitSeconds = 1,
  kUnitMilliseconds = 2,
  kUnitDB = 4,
  kUnitDegrees = 8,
  kUnitFrequency = 12,
  kUnitCustom = 21
};

// Bit values, combined with |.
enum EParamFlags {
  kFlagsNone = 0,
  kFlagCannotAutomate = 1,
  kFlagStepped = 2,
  kFlagNegateDisplay = 4,
  kFlagSignDisplay = 8
};

// How the value is shown: plain; bipolar around 0.5 scaled by the display
// extents; bipolar around 0.5 in percent (-100..100); 0..1 in percent.
enum EParamDisplayMode {
  kDisplayPlain = 0,
  kDisplayBipolarScaled = 1,
  kDisplayBipolarPercent = 2,
  kDisplayPercent = 3
};

enum EParamSource { kReset = 0, kHost = 1, kPresetRecall = 2, kUI = 3, kDelegate = 4 };

}  // namespace fx
